// Real MIDI files from other people's tools: their lengths as the samples' README states them
// (time of the last End of Track from the file's tempo map), and the broken ones refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/AudioRing.h"
#include "sound/MidiFile.h"
#include "sound/Sequencer.h"
#include "support/Samples.h"

namespace {

struct Length {
    const char* file;
    int format;
    std::int64_t ms;
};

class MidiSamplesTest : public SamplesTest {};

TEST_F(MidiSamplesTest, LengthsAreThoseOfTheTempoMap)
{
    const Length lengths[] = {
        {"planetblupi-music003.mid", 1, 1199879},
        {"midifile-Yubatake-Fields.mid", 1, 121200},
        {"midifile-GerardoMarset-Hellin.mid", 1, 96000},
        {"exoplayer-Twinkle.mid", 0, 8000},
        {"jazzsoft-test-c-major-scale.mid", 0, 4000},
        {"jazzsoft-test-2-tracks-type-1.mid", 1, 4500},
        // A type 0 file with two tracks: played as its tracks say, like other players do.
        {"jazzsoft-test-2-tracks-type-0.mid", 0, 4500},
        {"jazzsoft-test-karaoke-kar.mid", 1, 10600},
    };
    for (const Length& l : lengths) {
        SCOPED_TRACE(l.file);
        const MidiFile f = MidiFile::Load(SamplePath(std::string("midi/") + l.file));
        EXPECT_EQ(f.Format(), l.format);
        EXPECT_EQ(f.LengthMs(), l.ms);
    }
}

TEST_F(MidiSamplesTest, BrokenFilesAndTypeTwoAreRefused)
{
    for (const char* file : {"jazzsoft-test-corrupt-file-missing-byte.mid", "midifile-MIDIBadTrackLength.mid",
                             "jazzsoft-test-not-a-midi-file.mid", "midifile-MIDIOkFormat2.mid"}) {
        SCOPED_TRACE(file);
        EXPECT_THROW(MidiFile::Load(SamplePath(std::string("midi/") + file)), MidiFileError);
    }
}

TEST_F(MidiSamplesTest, ScalePlaysThroughTheSequencer)
{
    AudioRing ring(4096);
    std::mutex mutex;
    std::deque<std::function<void()>> ui;
    Sequencer seq(ring, [&](std::function<void()> f) {
        std::lock_guard lock(mutex);
        ui.push_back(std::move(f));
    });
    int ends = 0;
    seq.SetNotify([&] { ++ends; });
    seq.Open(SamplePath("midi/jazzsoft-test-c-major-scale.mid"));
    EXPECT_EQ(seq.Length(), 4000);
    seq.Play();

    int peak = 0;
    std::vector<std::int16_t> out(1024);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ends == 0 && std::chrono::steady_clock::now() < until) {
        std::fill(out.begin(), out.end(), std::int16_t{0});
        const std::size_t n = ring.MixInto(out.data(), out.size() / 2);
        for (std::size_t i = 0; i < n * 2; ++i)
            peak = std::max(peak, std::abs(int{out[i]}));
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(mutex);
            calls.swap(ui);
        }
        for (auto& f : calls)
            f();
    }
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(seq.Position(), 4000);
    if (Sequencer::FindSoundFont().empty())
        GTEST_SKIP() << "no SoundFont installed: the music was not checked for sound";
    EXPECT_GT(peak, 500);
}

}  // namespace
