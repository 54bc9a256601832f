#include "sound/Sequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/AudioRing.h"
#include "sound/MidiFile.h"
#include "support/MemoryDisc.h"
#include "support/SlowWake.h"
#include "support/TempDir.h"

namespace smf {
std::string NoteFile(int ms);  // MidiFile_test.cpp
std::string SmpteNoteFile(int ms);
}

namespace {

using Clock = std::chrono::steady_clock;

// The user-interface thread's queue: the sequencer posts to it from its own thread, the test
// runs what waits.
class UiQueue {
public:
    Sequencer::Post Post()
    {
        return [this](std::function<void()> f) {
            std::lock_guard lock(mutex_);
            calls_.push_back(std::move(f));
        };
    }
    void RunPending()
    {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(mutex_);
            calls.swap(calls_);
        }
        for (auto& f : calls)
            f();
    }
    std::size_t Waiting()
    {
        std::lock_guard lock(mutex_);
        return calls_.size();
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};

// The audio device's side: reads the ring as the callback would and keeps what it heard.
struct Listener {
    AudioRing& ring;
    std::atomic<bool> held{false};  // the reader is held off (a paused channel)
    std::uint64_t frames = 0;
    int peak = 0;

    // Takes what waits, up to `count` frames; returns how many there were.
    std::size_t Pull(std::size_t count = 512)
    {
        if (held.load())
            return 0;
        std::vector<std::int16_t> out(count * 2, 0);
        const std::size_t n = ring.MixInto(out.data(), count);
        for (std::size_t i = 0; i < n * 2; ++i)
            peak = std::max(peak, std::abs(int{out[i]}));
        frames += n;
        return n;
    }
};

// Reads the ring and runs the UI queue (unless told not to) until `done` holds; false after
// `seconds`.
bool PumpUntil(Listener& listener, UiQueue& ui, const std::function<bool()>& done, bool run_ui = true,
               double seconds = 20)
{
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > until)
            return false;
        if (listener.Pull() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (run_ui)
            ui.RunPending();
    }
    return true;
}

// Reads and runs for a while whatever happens.
void PumpFor(Listener& listener, UiQueue& ui, int ms)
{
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    PumpUntil(listener, ui, [&] { return Clock::now() > until; });
}

class SequencerTest : public testing::Test {
protected:
    std::string Track(int ms, const std::string& name = "track.mid")
    {
        return dir_.Write(name, smf::NoteFile(ms)).string();
    }
    std::unique_ptr<Sequencer> Make(Sequencer::Options options = {})
    {
        auto seq = std::make_unique<Sequencer>(ring_, ui_.Post(), std::move(options));
        seq->SetNotify([this] { ++ends_; });
        return seq;
    }

    TempDir dir_;
    AudioRing ring_{4096};
    UiQueue ui_;
    Listener listener_{ring_};
    int ends_ = 0;
};

TEST_F(SequencerTest, DeviceOpensWithoutTrackOrSoundFontAndRefusesFilesThatAreNoMidi)
{
    testing::internal::CaptureStderr();
    auto seq = Make({"/nonexistent/none.sf2", {}, {}});
    EXPECT_EQ(seq->Mode(), SequencerMode::mpNotReady);
    seq->Open();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seq->Mode(), SequencerMode::mpOpen);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("No MIDI music", 0), 0u) << err;

    seq->Play();  // nothing to play
    EXPECT_EQ(seq->Mode(), SequencerMode::mpOpen);
    EXPECT_EQ(seq->Length(), 0);
    EXPECT_EQ(seq->Position(), 0);

    const std::string text = dir_.Write("text.mid", "not a midi file").string();
    EXPECT_THROW(seq->Open(text), MidiFileError);
    EXPECT_THROW(seq->Open((dir_.path() / "missing.mid").string()), MidiFileError);
    EXPECT_EQ(seq->Mode(), SequencerMode::mpOpen);

    seq->Close();
    EXPECT_EQ(seq->Mode(), SequencerMode::mpNotReady);
    seq->Close();
}

TEST_F(SequencerTest, TrackPlaysToItsEndAndNotifiesOnce)
{
    auto seq = Make();
    seq->Open(Track(1000));
    EXPECT_EQ(seq->Mode(), SequencerMode::mpStopped);
    EXPECT_EQ(seq->Length(), 1000);
    EXPECT_EQ(seq->Position(), 0);

    seq->Play();
    EXPECT_EQ(seq->Mode(), SequencerMode::mpPlaying);
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 0; }));
    EXPECT_EQ(seq->Mode(), SequencerMode::mpStopped);
    EXPECT_EQ(seq->Position(), 1000);
    EXPECT_NEAR(static_cast<double>(listener_.frames), 44100.0, 2.0);
    PumpFor(listener_, ui_, 100);
    EXPECT_EQ(ends_, 1);

    // Played again from its start, and told again.
    seq->Play();
    EXPECT_LT(seq->Position(), 500);
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 1; }));
    EXPECT_EQ(ends_, 2);
    EXPECT_EQ(seq->Position(), 1000);

    if (Sequencer::FindSoundFont().empty())
        GTEST_SKIP() << "no SoundFont installed: the music was not checked for sound";
    EXPECT_GT(listener_.peak, 500);
}

TEST_F(SequencerTest, ATrackOfADiscImageIsLoadedThroughTheDisc)
{
    MemoryDisc image;
    image.Add("music/track.mid", smf::NoteFile(750));
    auto seq = Make();
    seq->Open(image, "music/track.mid");
    EXPECT_EQ(seq->Mode(), SequencerMode::mpStopped);
    EXPECT_EQ(seq->Length(), 750);
    EXPECT_EQ(image.Opened(), std::vector<std::string>{"music/track.mid"});
    EXPECT_THROW(seq->Open(image, "music/none.mid"), MidiFileError);
    EXPECT_EQ(seq->Mode(), SequencerMode::mpOpen);
}

// The render thread's write wakes a parked device, which takes a while to open: meanwhile the
// menu's calls (the clock, pause) answer.
TEST_F(SequencerTest, WhileTheDeviceOpensTheMenusCallsDoNotWait)
{
    SlowWake slow;
    ring_.SetOnWrite([&slow] { slow.Hook(); });
    {
        auto seq = Make();
        seq->Open(Track(1000));
        seq->Play();
        slow.WaitForWake();
        EXPECT_EQ(seq->Position(), 0);
        EXPECT_EQ(seq->Mode(), SequencerMode::mpPlaying);
        seq->Pause();
        EXPECT_TRUE(slow.Answer()) << "the calls waited for the device";
    }
    ring_.SetOnWrite({});
}

TEST_F(SequencerTest, PauseHoldsThePositionAndResumeGoesOn)
{
    auto seq = Make();
    seq->Open(Track(2000));
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return seq->Position() >= 500; }));
    seq->Pause();
    EXPECT_EQ(seq->Mode(), SequencerMode::mpPaused);
    // Without a hold on the reader, what was already rendered is still heard; then time stands.
    PumpFor(listener_, ui_, 100);
    const std::int64_t held = seq->Position();
    EXPECT_GE(held, 500);
    EXPECT_LT(held, 2000);
    PumpFor(listener_, ui_, 200);
    EXPECT_EQ(seq->Position(), held);
    EXPECT_EQ(ends_, 0);

    seq->Play();  // resumes, not from the start
    EXPECT_EQ(seq->Mode(), SequencerMode::mpPlaying);
    EXPECT_GE(seq->Position(), held);
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 0; }));
    EXPECT_NEAR(static_cast<double>(listener_.frames), 2 * 44100.0, 2.0);
    EXPECT_EQ(ends_, 1);
}

TEST_F(SequencerTest, HeldReaderStopsTheClockAtOnce)
{
    std::vector<bool> holds;
    auto seq = Make({{}, {}, [&](bool hold) {
                         holds.push_back(hold);
                         listener_.held = hold;
                     }});
    seq->Open(Track(1000));
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return seq->Position() >= 300; }));
    seq->Pause();
    const std::int64_t held = seq->Position();
    PumpFor(listener_, ui_, 200);
    EXPECT_EQ(seq->Position(), held);
    seq->Resume();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 0; }));
    EXPECT_NEAR(static_cast<double>(listener_.frames), 44100.0, 2.0);
    EXPECT_EQ(std::count(holds.begin(), holds.end(), true), 1);
    EXPECT_FALSE(holds.back());
}

TEST_F(SequencerTest, StopCloseAndNewTrackNeverNotify)
{
    int drops = 0;
    auto seq = Make({{}, [&] {
                         ++drops;
                         ring_.Clear();  // the reader is this thread, so it does not run now
                     },
                     {}});

    // Stop in the middle: the position holds and no notification comes, however long we wait.
    seq->Open(Track(500));
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return seq->Position() >= 100; }));
    seq->Stop();
    EXPECT_EQ(seq->Mode(), SequencerMode::mpStopped);
    EXPECT_GE(drops, 1);
    const std::int64_t stopped = seq->Position();
    PumpFor(listener_, ui_, 700);
    EXPECT_EQ(seq->Position(), stopped);

    // Stop after everything was rendered but before it was all heard.
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return seq->Position() >= 400; }));
    seq->Stop();
    PumpFor(listener_, ui_, 300);

    // A new track while one plays: the first one's end is never told.
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return seq->Position() >= 100; }));
    seq->Open(Track(250, "other.mid"));
    EXPECT_EQ(seq->Mode(), SequencerMode::mpStopped);
    EXPECT_EQ(seq->Length(), 250);
    PumpFor(listener_, ui_, 700);
    EXPECT_EQ(ends_, 0);

    // The end reached but its notification not yet run when the track is closed.
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ui_.Waiting() > 0; }, false));
    EXPECT_EQ(ends_, 0);
    seq->Close();
    ui_.RunPending();
    EXPECT_EQ(ends_, 0);
    EXPECT_EQ(seq->Mode(), SequencerMode::mpNotReady);
}

TEST_F(SequencerTest, NotificationPostedBeforeTheSequencerIsGoneDoesNothing)
{
    auto seq = Make();
    seq->Open(Track(250));
    seq->Play();
    Listener& l = listener_;
    ASSERT_TRUE(PumpUntil(l, ui_, [&] { return ui_.Waiting() > 0; }, false));
    seq.reset();
    ui_.RunPending();
    EXPECT_EQ(ends_, 0);
}

TEST_F(SequencerTest, CloseAndDestructorJoinWhilePlaying)
{
    auto seq = Make();
    seq->Open(Track(60000));
    seq->Play();
    PumpFor(listener_, ui_, 50);
    // Nobody reads the ring now: the render thread waits for room, and must still end promptly.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto start = Clock::now();
    seq->Close();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(seq->Mode(), SequencerMode::mpNotReady);

    seq->Open(Track(60000));
    seq->Play();
    PumpFor(listener_, ui_, 50);
    seq->Pause();
    start = Clock::now();
    seq.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    ui_.RunPending();
    EXPECT_EQ(ends_, 0);
}

TEST_F(SequencerTest, SmpteTimedTrackEndsOnTime)
{
    auto seq = Make();
    seq->Open(dir_.Write("smpte.mid", smf::SmpteNoteFile(750)).string());
    EXPECT_EQ(seq->Length(), 750);
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 0; }));
    EXPECT_NEAR(static_cast<double>(listener_.frames), 0.75 * 44100.0, 2.0);
    EXPECT_EQ(seq->Position(), 750);
    if (Sequencer::FindSoundFont().empty())
        GTEST_SKIP() << "no SoundFont installed: the music was not checked for sound";
    EXPECT_GT(listener_.peak, 500);
}

// The device gone for good: nothing reads the ring any more, and a long track still ends at
// once, told once.
TEST_F(SequencerTest, WithTheReaderLostATrackEndsUnheard)
{
    ring_.LoseReader();
    listener_.held = true;
    auto seq = Make();
    seq->Open(Track(600000));
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 0; }));
    EXPECT_EQ(seq->Position(), 600000);
    PumpFor(listener_, ui_, 50);
    EXPECT_EQ(ends_, 1);
}

TEST_F(SequencerTest, SilentWithoutSoundFontButEndsOnTime)
{
    testing::internal::CaptureStderr();
    auto seq = Make({"/nonexistent/none.sf2", {}, {}});
    seq->Open(Track(500));
    testing::internal::GetCapturedStderr();
    seq->Play();
    ASSERT_TRUE(PumpUntil(listener_, ui_, [&] { return ends_ > 0; }));
    EXPECT_EQ(listener_.peak, 0);
    EXPECT_NEAR(static_cast<double>(listener_.frames), 22050.0, 2.0);
    EXPECT_EQ(seq->Position(), 500);
}

}  // namespace
