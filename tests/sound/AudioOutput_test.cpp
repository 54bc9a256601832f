// The audio device through SDL's own drivers, chosen with SDL_AUDIODRIVER: `dummy` (plays into
// nothing, at the pace of a real device), `disk` (writes what it plays into a file), and a driver
// that does not exist (the menu runs silent and says why).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "WavWriter.h"
#include "demo/DemoFormats.h"
#include "sound/AudioOutput.h"
#include "sound/EventSound.h"
#include "support/TempDir.h"

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Waits up to five seconds for `done`.
template <typename Done>
bool WaitFor(Done done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

TEST(AudioOutputTest, DummyDriverPlaysTheRings)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    AudioOutput audio;
    ASSERT_TRUE(audio.Works()) << audio.Error();
    EXPECT_EQ(audio.Error(), "");
    Mixer& mixer = audio.GetMixer();
    std::vector<std::int16_t> frames(2 * 2048, 100);
    ASSERT_EQ(mixer.DecoderRing().Write(frames.data(), 2048), 2048u);
    EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().FramesConsumed() >= 2048; }));

    // A producer clears its ring while the device plays.
    mixer.SetPaused(Mixer::Channel::Sequencer, true);
    mixer.SequencerRing().Write(frames.data(), 2048);
    mixer.Clear(Mixer::Channel::Sequencer);
    EXPECT_EQ(mixer.SequencerRing().Available(), 0u);
}

TEST(AudioOutputTest, FinishingWaitsForASoundPlayedOnceOnly)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    AudioOutput audio;
    ASSERT_TRUE(audio.Works()) << audio.Error();
    MixerSoundOutput output(audio.GetMixer(), PathResolver("."));
    const auto wav = std::make_shared<const std::string>(WavFile(Sine(4410, 440, 22050), 22050, 16));

    // A fifth of a second: heard out, well within the limit.
    output.PlayFromMemory(wav);
    auto start = std::chrono::steady_clock::now();
    audio.FinishEventSound(std::chrono::seconds(10));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_LT(waited, std::chrono::seconds(5));

    // A loop is not waited for.
    TempDir disc;
    disc.Write("loop.wav", *wav);
    MixerSoundOutput looping(audio.GetMixer(), PathResolver(disc.path()));
    looping.PlayLoop("loop.wav");
    start = std::chrono::steady_clock::now();
    audio.FinishEventSound(std::chrono::seconds(10));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(AudioOutputTest, DiskDriverReceivesThePlayedSound)
{
    TempDir dir;
    const std::filesystem::path file = dir.path() / "out.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv target("SDL_DISKAUDIOFILE", file.string());
    {
        AudioOutput audio;
        ASSERT_TRUE(audio.Works()) << audio.Error();
        MixerSoundOutput output(audio.GetMixer(), PathResolver(dir.path()));
        output.PlayFromMemory(std::make_shared<const std::string>(WavFile(Sine(4410, 440, 22050, 0.8f), 22050, 16)));
        // 8,820 frames at the device rate: wait until well past them.
        EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(file) && std::filesystem::file_size(file) >= 4u * 12000; }));
    }
    const std::string raw = ReadFileBytes(file);
    ASSERT_EQ(raw.size() % 4, 0u);
    int peak = 0;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[i]) |
                                                      (static_cast<std::uint8_t>(raw[i + 1]) << 8));
        peak = std::max(peak, std::abs(int{sample}));
    }
    EXPECT_GT(peak, 20000);
}

TEST(AudioOutputTest, WithoutADeviceTheMenuRunsSilentAndSaysWhy)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "zul-no-such-driver");
    testing::internal::CaptureStderr();
    {
        AudioOutput audio;
        EXPECT_FALSE(audio.Works());
        EXPECT_NE(audio.Error(), "");
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("zul-no-such-driver"), std::string::npos) << said;

    // The subsystem is left as found: a later device opens.
    ScopedEnv dummy("SDL_AUDIODRIVER", "dummy");
    AudioOutput again;
    EXPECT_TRUE(again.Works()) << again.Error();
}

// Silence parks the device; an event sound, a loop, frames written into a ring and a channel let
// go each start it again, and what is heard meanwhile keeps it running.
TEST(AudioOutputTest, TheDeviceIsParkedWhileSilentAndStartsForAnythingToPlay)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    AudioOutput audio;
    ASSERT_TRUE(audio.Works()) << audio.Error();
    Mixer& mixer = audio.GetMixer();
    int wakes = 0;
    mixer.SetOnWake([&wakes] { ++wakes; });
    const std::size_t quiet = Mixer::kRate / 20;  // 50 ms
    auto parks = [&] { return WaitFor([&] { return mixer.ParkIfSilent(quiet); }); };
    auto status = [&] {
        const SDL_AudioStatus now = SDL_GetAudioDeviceStatus(audio.Device());
        return now == SDL_AUDIO_PAUSED ? "paused" : now == SDL_AUDIO_PLAYING ? "playing" : "stopped";
    };
    ASSERT_STREQ(status(), "playing");

    ASSERT_TRUE(parks());
    EXPECT_TRUE(mixer.Parked());
    EXPECT_STREQ(status(), "paused");
    EXPECT_EQ(wakes, 0);

    // A sound played once: running at once, not parked while it plays, parked after.
    MixerSoundOutput output(mixer, PathResolver("."));
    const auto wav = std::make_shared<const std::string>(WavFile(Sine(44100, 440, 22050), 22050, 16));  // 2 s
    output.PlayFromMemory(wav);
    EXPECT_STREQ(status(), "playing");
    EXPECT_EQ(wakes, 1);
    EXPECT_FALSE(mixer.ParkIfSilent(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(mixer.ParkIfSilent(0)) << "parked in the middle of the sound";
    ASSERT_TRUE(parks());

    // A loop keeps it running until stopped.
    TempDir disc;
    disc.Write("loop.wav", WavFile(Sine(5512, 440, 22050), 22050, 16));  // a quarter of a second
    MixerSoundOutput looping(mixer, PathResolver(disc.path()));
    looping.PlayLoop("loop.wav");
    EXPECT_STREQ(status(), "playing");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_FALSE(mixer.ParkIfSilent(0)) << "parked while the loop plays";
    looping.StopAll();
    ASSERT_TRUE(parks());

    // Frames written by a producer thread start it and are heard.
    std::vector<std::int16_t> frames(2 * 4096, 100);
    std::thread producer([&] { mixer.DecoderRing().Write(frames.data(), 4096); });
    producer.join();
    EXPECT_STREQ(status(), "playing");
    EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().Available() == 0; }));
    ASSERT_TRUE(parks());

    // A paused channel's frames are kept while parked, and heard once it is let go.
    mixer.SetPaused(Mixer::Channel::Sequencer, true);
    mixer.SequencerRing().Write(frames.data(), 4096);  // wakes the device, which plays nothing
    ASSERT_TRUE(parks());
    EXPECT_EQ(mixer.SequencerRing().Available(), 4096u);
    mixer.SetPaused(Mixer::Channel::Sequencer, false);
    EXPECT_STREQ(status(), "playing");
    EXPECT_TRUE(WaitFor([&] { return mixer.SequencerRing().Available() == 0; }));
    EXPECT_EQ(wakes, 5);
}

// A sound that starts a parked device is heard from its first frame: the recording holds it whole.
TEST(AudioOutputTest, NothingIsLostAtTheStartOfASoundThatWakesTheDevice)
{
    TempDir dir;
    const std::filesystem::path file = dir.path() / "out.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv target("SDL_DISKAUDIOFILE", file.string());
    constexpr std::size_t kFrames = 6000;
    {
        AudioOutput audio;
        ASSERT_TRUE(audio.Works()) << audio.Error();
        Mixer& mixer = audio.GetMixer();
        ASSERT_TRUE(WaitFor([&] { return mixer.ParkIfSilent(Mixer::kRate / 20); }));
        // Frame i holds i + 1 on both sides.
        std::vector<std::int16_t> frames(2 * kFrames);
        for (std::size_t i = 0; i < kFrames; ++i)
            frames[2 * i] = frames[2 * i + 1] = static_cast<std::int16_t>(i + 1);
        ASSERT_EQ(mixer.DecoderRing().Write(frames.data(), kFrames), kFrames);
        EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().Available() == 0; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string raw = ReadFileBytes(file);
    std::vector<std::int16_t> heard;
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
        const auto left = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[i]) |
                                                    (static_cast<std::uint8_t>(raw[i + 1]) << 8));
        if (left != 0)
            heard.push_back(left);
    }
    ASSERT_EQ(heard.size(), kFrames);
    for (std::size_t i = 0; i < kFrames; ++i)
        ASSERT_EQ(heard[i], static_cast<std::int16_t>(i + 1)) << "frame " << i;
}
