// The mixer pulled without a device: the event channel (play, replace, loop, stop, and the
// release of what the callback gave back), the producer rings, and WAV conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "WavWriter.h"
#include "demo/DemoFormats.h"
#include "sound/EventSound.h"
#include "sound/Mixer.h"
#include "support/TempDir.h"

namespace {

// A device sound whose every frame is (value, -value).
std::shared_ptr<const DeviceSound> Constant(std::size_t frames, std::int16_t value)
{
    auto sound = std::make_shared<DeviceSound>();
    for (std::size_t i = 0; i < frames; ++i) {
        sound->samples.push_back(value);
        sound->samples.push_back(static_cast<std::int16_t>(-value));
    }
    return sound;
}

// A device sound of the given frames, the same on both sides.
std::shared_ptr<const DeviceSound> Ramp(std::initializer_list<std::int16_t> values)
{
    auto sound = std::make_shared<DeviceSound>();
    for (std::int16_t v : values) {
        sound->samples.push_back(v);
        sound->samples.push_back(v);
    }
    return sound;
}

// The left samples of `frames` frames pulled from the mixer.
std::vector<std::int16_t> PullLeft(Mixer& mixer, std::size_t frames)
{
    std::vector<std::int16_t> out(frames * 2, 123);
    mixer.Mix(out.data(), frames);
    std::vector<std::int16_t> left;
    for (std::size_t i = 0; i < frames; ++i)
        left.push_back(out[i * 2]);
    return left;
}

std::size_t CountNonZero(const std::vector<std::int16_t>& samples)
{
    return static_cast<std::size_t>(std::count_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; }));
}

int Peak(const DeviceSound& sound)
{
    int peak = 0;
    for (std::int16_t s : sound.samples)
        peak = std::max(peak, std::abs(int{s}));
    return peak;
}

std::vector<std::int16_t> Frames(std::size_t count, std::int16_t left, std::int16_t right)
{
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(left);
        out.push_back(right);
    }
    return out;
}

}  // namespace

TEST(MixerEvent, PlaysOnceAndANewSoundReplacesTheOldFromItsFirstFrame)
{
    Mixer mixer;
    mixer.PlayEvent(Constant(100, 1000), false);
    std::vector<std::int16_t> out(128 * 2, 7);
    mixer.Mix(out.data(), 64);
    mixer.Mix(out.data() + 64 * 2, 64);
    for (std::size_t i = 0; i < 128; ++i) {
        const std::int16_t want = i < 100 ? 1000 : 0;
        ASSERT_EQ(out[i * 2], want) << "frame " << i;
        ASSERT_EQ(out[i * 2 + 1], -want) << "frame " << i;
    }

    mixer.PlayEvent(Ramp({1, 2, 3, 4, 5, 6, 7, 8}), false);
    EXPECT_EQ(PullLeft(mixer, 3), (std::vector<std::int16_t>{1, 2, 3}));
    mixer.PlayEvent(Ramp({10, 20}), false);
    EXPECT_EQ(PullLeft(mixer, 4), (std::vector<std::int16_t>{10, 20, 0, 0}));
}

TEST(MixerEvent, LoopWrapsWithoutAGapAcrossPulls)
{
    Mixer mixer;
    mixer.PlayEvent(Ramp({1, 2, 3}), true);
    EXPECT_EQ(PullLeft(mixer, 7), (std::vector<std::int16_t>{1, 2, 3, 1, 2, 3, 1}));
    EXPECT_EQ(PullLeft(mixer, 1), (std::vector<std::int16_t>{2}));
    EXPECT_EQ(PullLeft(mixer, 5), (std::vector<std::int16_t>{3, 1, 2, 3, 1}));
    mixer.StopEvent();
    EXPECT_EQ(CountNonZero(PullLeft(mixer, 16)), 0u);
    // A sound with no frames stops the channel too and never spins the loop.
    mixer.PlayEvent(Ramp({5}), true);
    mixer.PlayEvent(std::make_shared<DeviceSound>(), true);
    EXPECT_EQ(CountNonZero(PullLeft(mixer, 16)), 0u);
}

TEST(MixerEvent, SoundsAreReleasedOnlyOnceTheCallbackGaveThemBack)
{
    Mixer mixer;
    auto first = std::make_shared<const DeviceSound>(*Constant(1000, 1));
    std::weak_ptr<const DeviceSound> first_seen = first;
    mixer.PlayEvent(std::move(first), false);
    PullLeft(mixer, 10);  // the callback holds it now
    mixer.ReleaseFinished();
    EXPECT_FALSE(first_seen.expired());

    // Replaced: released once the callback took the new one and the user-interface thread collects.
    auto second = std::make_shared<const DeviceSound>(*Constant(1000, 2));
    std::weak_ptr<const DeviceSound> second_seen = second;
    mixer.PlayEvent(std::move(second), false);
    EXPECT_FALSE(first_seen.expired());
    PullLeft(mixer, 10);
    mixer.ReleaseFinished();
    EXPECT_TRUE(first_seen.expired());

    // Never taken by the callback: released as soon as it is replaced.
    auto third = std::make_shared<const DeviceSound>(*Constant(1000, 3));
    std::weak_ptr<const DeviceSound> third_seen = third;
    mixer.PlayEvent(std::move(third), false);
    mixer.StopEvent();
    EXPECT_TRUE(third_seen.expired());

    // Played to its end: given back by the callback.
    PullLeft(mixer, 10);
    mixer.ReleaseFinished();
    EXPECT_TRUE(second_seen.expired());
}

TEST(MixerEvent, PlayAndStopWhileAnotherThreadMixes)
{
    Mixer mixer;
    std::atomic<bool> done{false};
    std::atomic<std::int64_t> heard{0};
    std::thread device([&] {
        std::vector<std::int16_t> out(64 * 2);
        while (!done.load()) {
            mixer.Mix(out.data(), 64);
            heard += std::count_if(out.begin(), out.end(), [](std::int16_t s) { return s != 0; });
        }
    });
    for (int i = 0; i < 3000; ++i) {
        if (i % 7 == 6)
            mixer.StopEvent();
        else
            mixer.PlayEvent(Constant(static_cast<std::size_t>(1 + i % 200), static_cast<std::int16_t>(1 + i)), i % 3 == 0);
        if (i % 50 == 0)
            std::this_thread::yield();
    }
    mixer.PlayEvent(Constant(10, 5), true);
    while (heard.load() == 0)
        std::this_thread::yield();
    done = true;
    device.join();
}

TEST(MixerRings, AddedWithSaturationAndKeptWhilePaused)
{
    Mixer mixer(1024);
    const auto loud = Frames(8, 30000, -30000);
    ASSERT_EQ(mixer.DecoderRing().Write(loud.data(), 8), 8u);
    const auto soft = Frames(8, 1000, -1000);
    ASSERT_EQ(mixer.SequencerRing().Write(soft.data(), 8), 8u);
    mixer.PlayEvent(Constant(4, 2000), false);
    std::vector<std::int16_t> out(8 * 2);
    mixer.Mix(out.data(), 8);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[7 * 2], 31000);
    EXPECT_EQ(out[7 * 2 + 1], -31000);

    // Paused: nothing mixed in, nothing consumed; resumed, it plays on from where it was.
    const auto ones = Frames(4, 1, 1);
    mixer.DecoderRing().Write(ones.data(), 4);
    mixer.SetPaused(Mixer::Channel::Decoder, true);
    EXPECT_EQ(CountNonZero(PullLeft(mixer, 4)), 0u);
    EXPECT_EQ(mixer.DecoderRing().Available(), 4u);
    mixer.SetPaused(Mixer::Channel::Decoder, false);
    EXPECT_EQ(PullLeft(mixer, 5), (std::vector<std::int16_t>{1, 1, 1, 1, 0}));

    mixer.SequencerRing().Write(ones.data(), 4);
    mixer.Clear(Mixer::Channel::Sequencer);
    EXPECT_EQ(CountNonZero(PullLeft(mixer, 4)), 0u);
}

TEST(MixerSoundOutputTest, StopAllStopsTheEventChannelOnly)
{
    Mixer mixer(4096);
    MixerSoundOutput output(mixer, PathResolver("."));
    const auto music = Frames(100, 500, 500);
    mixer.DecoderRing().Write(music.data(), 100);
    mixer.SequencerRing().Write(music.data(), 100);
    output.PlayFromMemory(std::make_shared<const std::string>(WavFile(Sine(4410, 440, 44100), 44100, 16)));
    PullLeft(mixer, 10);
    output.StopAll();
    EXPECT_EQ(PullLeft(mixer, 10), std::vector<std::int16_t>(10, 1000));
}

// The formats the event player reads: each gives its length at 44,100 Hz (within one frame) and
// is heard, on both sides of the stereo output.
struct WavCase {
    const char* name;
    std::string bytes;
    std::size_t frames;  // sample frames in the file
    int rate;
};

TEST(ConvertWavTest, FormatsGiveTheirLengthAtTheDeviceRate)
{
    std::vector<WavCase> cases;
    cases.push_back({"8-bit mono 22050", WavFile(Sine(2205, 440, 22050), 22050, 8), 2205, 22050});
    cases.push_back({"16-bit mono 22050", WavFile(Sine(2205, 440, 22050), 22050, 16), 2205, 22050});
    cases.push_back({"16-bit mono 11025", WavFile(Sine(1000, 440, 11025), 11025, 16), 1000, 11025});
    cases.push_back({"16-bit stereo 44100", RiffWave(1, 2, 44100, 16, 4, Pcm16(Sine(2 * 4410, 440, 44100))), 4410, 44100});
    cases.push_back({"float stereo 48000", RiffWave(3, 2, 48000, 32, 8, Float32(Sine(2 * 4800, 440, 48000))), 4800, 48000});
    std::size_t ima_frames = 0;
    std::string ima = ImaAdpcmWave(Sine(5000, 440, 22050), 22050, 256, ima_frames);
    cases.push_back({"IMA ADPCM mono 22050", ima, ima_frames, 22050});
    for (const WavCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::shared_ptr<const DeviceSound> sound = ConvertWav(c.bytes);
        ASSERT_TRUE(sound);
        const double want = static_cast<double>(c.frames) * 44100.0 / c.rate;
        EXPECT_NEAR(static_cast<double>(sound->Frames()), want, 1.0);
        EXPECT_GT(Peak(*sound), 8000);
        // Mono reaches both channels.
        int right_peak = 0;
        for (std::size_t i = 1; i < sound->samples.size(); i += 2)
            right_peak = std::max(right_peak, std::abs(int{sound->samples[i]}));
        EXPECT_GT(right_peak, 8000);
    }
}

TEST(ConvertWavTest, BrokenFilesPlayNothing)
{
    const std::string good = WavFile(Sine(441, 440, 44100), 44100, 16);
    const std::vector<std::string> broken = {
        "",
        "RIFF",
        std::string(200, '\xFF'),
        good.substr(0, 30),                         // the header cut inside `fmt `
        RiffWave(1, 1, 44100, 16, 2, ""),           // no samples
        RiffWave(0x7777, 1, 44100, 16, 2, "abcd"),  // an unknown encoding
        RiffWave(1, 0, 44100, 16, 2, "abcd"),       // no channels
        RiffWave(1, 1, 0, 16, 2, "abcd"),           // no rate
        RiffWave(0x11, 1, 22050, 4, 256, "abcd"),   // ADPCM without its block size
    };
    for (std::size_t i = 0; i < broken.size(); ++i)
        EXPECT_FALSE(ConvertWav(broken[i])) << "case " << i;

    // The player: the bad sound replaces what played, and nothing is heard.
    Mixer mixer;
    MixerSoundOutput output(mixer, PathResolver("."));
    output.PlayFromMemory(std::make_shared<const std::string>(good));
    EXPECT_GT(CountNonZero(PullLeft(mixer, 100)), 0u);
    for (const std::string& bytes : broken) {
        output.PlayFromMemory(std::make_shared<const std::string>(bytes));
        EXPECT_EQ(CountNonZero(PullLeft(mixer, 100)), 0u);
    }
}

TEST(ConvertWavTest, StatedSizesBeyondTheBytesAndOverlongSounds)
{
    // A data chunk that states almost 4 GB but holds 1,000 frames plays those, with or without
    // the RIFF header (the size field follows "data" at byte 40, or 32 without the header).
    std::string wav = WavFile(Sine(1000, 440, 44100), 44100, 16);
    wav.replace(40, 4, "\xF0\xFF\xFF\xFF");
    for (const std::string& bytes : {wav, wav.substr(8)}) {
        const std::shared_ptr<const DeviceSound> sound = ConvertWav(bytes);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->Frames(), 1000u);
    }
    // The bound on a sound's length is taken at the device rate.
    const std::string half_second = WavFile(Sine(11025, 440, 22050), 22050, 16);
    EXPECT_FALSE(ConvertWav(half_second, 22049));
    EXPECT_TRUE(ConvertWav(half_second, 22050));
}

TEST(MixerSoundOutputTest, LoopsADiscFileUntilStopped)
{
    TempDir disc;
    disc.Write("GRAPH/Music.wav", WavFile(Sine(441, 440, 22050, 0.9f), 22050, 16));
    Mixer mixer;
    MixerSoundOutput output(mixer, PathResolver(disc.path()));
    output.PlayLoop("graph\\music.wav");
    // Three times the sound's 882 frames at the device rate: heard all along.
    const std::vector<std::int16_t> heard = PullLeft(mixer, 3 * 882);
    EXPECT_GT(*std::max_element(heard.begin() + 2 * 882, heard.end()), 20000);
    EXPECT_GT(*std::max_element(heard.begin() + 882, heard.begin() + 2 * 882), 20000);
    output.StopAll();
    EXPECT_EQ(CountNonZero(PullLeft(mixer, 100)), 0u);

    output.PlayLoop("graph\\missing.wav");
    EXPECT_EQ(CountNonZero(PullLeft(mixer, 100)), 0u);
}

TEST(MixerSoundOutputTest, ConvertedSoundsAreKeptWithinTheirBound)
{
    Mixer mixer;
    // Room for one converted sound of 4410 frames (17,640 bytes), not two.
    MixerSoundOutput output(mixer, PathResolver("."), 20000);
    auto a = std::make_shared<const std::string>(WavFile(Sine(4410, 440, 44100), 44100, 16));
    auto b = std::make_shared<const std::string>(WavFile(Sine(4410, 220, 44100), 44100, 16));
    output.PlayFromMemory(a);
    output.PlayFromMemory(a);
    EXPECT_EQ(output.CachedSounds(), 1u);
    output.PlayFromMemory(b);
    EXPECT_EQ(output.CachedSounds(), 1u);
    // The bytes are gone with their holders: their sound is not kept for them.
    b.reset();
    auto c = std::make_shared<const std::string>(WavFile(Sine(10, 220, 44100), 44100, 16));
    output.PlayFromMemory(c);
    output.PlayFromMemory(a);
    EXPECT_EQ(output.CachedSounds(), 2u);
}
