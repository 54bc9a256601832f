// The audio device through SDL's own drivers, chosen with SDL_AUDIODRIVER: `dummy` (plays into
// nothing, at the pace of a real device), `disk` (writes what it plays into a file), and a driver
// that does not exist (the menu runs silent and says why).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// How many of this process's threads are SDL's audio threads.
int AudioThreads()
{
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += name.rfind("SDLAudio", 0) == 0 ? 1 : 0;
    }
    return count;
}

// The left samples of a disk driver's recording that are not silence.
std::vector<std::int16_t> HeardLeft(const std::filesystem::path& raw)
{
    const std::string bytes = ReadFileBytes(raw);
    std::vector<std::int16_t> heard;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        const auto left = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                    (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
        if (left != 0)
            heard.push_back(left);
    }
    return heard;
}

// `count` frames counting up from `first`, the same on both sides.
std::vector<std::int16_t> Counting(std::size_t count, int first)
{
    std::vector<std::int16_t> frames(2 * count);
    for (std::size_t i = 0; i < count; ++i)
        frames[2 * i] = frames[2 * i + 1] = static_cast<std::int16_t>(first + static_cast<int>(i));
    return frames;
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

// Silence closes the device, and SDL's audio thread with it; an event sound, a loop, frames
// written into a ring and a channel let go each open it again, and what is heard meanwhile keeps
// it open.
TEST(AudioOutputTest, TheDeviceIsClosedWhileSilentAndOpensForAnythingToPlay)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    AudioOutput audio;
    ASSERT_TRUE(audio.Works()) << audio.Error();
    Mixer& mixer = audio.GetMixer();
    std::atomic<int> wakes{0};
    mixer.SetOnWake([&wakes] { ++wakes; });
    const std::size_t quiet = Mixer::kRate / 20;  // 50 ms
    auto parks = [&] { return WaitFor([&] { return mixer.ParkIfSilent(quiet); }); };
    auto playing = [&] { return SDL_GetAudioDeviceStatus(audio.Device()) == SDL_AUDIO_PLAYING; };
    ASSERT_TRUE(playing());
    EXPECT_TRUE(WaitFor([] { return AudioThreads() == 1; }));  // named once it runs

    ASSERT_TRUE(parks());
    EXPECT_TRUE(mixer.Parked());
    EXPECT_EQ(audio.Device(), 0u);
    EXPECT_TRUE(WaitFor([] { return AudioThreads() == 0; })) << "the audio thread still runs";
    EXPECT_TRUE(mixer.ParkIfSilent(quiet)) << "parked stays parked";
    EXPECT_EQ(wakes, 0);

    // A sound played once: playing at once, not parked while it plays, parked after.
    MixerSoundOutput output(mixer, PathResolver("."));
    const auto wav = std::make_shared<const std::string>(WavFile(Sine(44100, 440, 22050), 22050, 16));  // 2 s
    output.PlayFromMemory(wav);
    EXPECT_TRUE(playing());
    EXPECT_EQ(wakes, 1);
    EXPECT_FALSE(mixer.ParkIfSilent(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(mixer.ParkIfSilent(0)) << "parked in the middle of the sound";
    ASSERT_TRUE(parks());
    EXPECT_EQ(audio.Device(), 0u);

    // A loop keeps it open until stopped.
    TempDir disc;
    disc.Write("loop.wav", WavFile(Sine(5512, 440, 22050), 22050, 16));  // a quarter of a second
    MixerSoundOutput looping(mixer, PathResolver(disc.path()));
    looping.PlayLoop("loop.wav");
    EXPECT_TRUE(playing());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_FALSE(mixer.ParkIfSilent(0)) << "parked while the loop plays";
    looping.StopAll();
    ASSERT_TRUE(parks());

    // Frames written by a producer thread open it there and are heard.
    std::vector<std::int16_t> frames(2 * 4096, 100);
    std::thread producer([&] { mixer.DecoderRing().Write(frames.data(), 4096); });
    producer.join();
    EXPECT_TRUE(playing());
    EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().Available() == 0; }));
    ASSERT_TRUE(parks());

    // A paused channel's frames are kept while parked, and heard once it is let go.
    mixer.SetPaused(Mixer::Channel::Sequencer, true);
    mixer.SequencerRing().Write(frames.data(), 4096);  // opens the device, which plays nothing
    ASSERT_TRUE(parks());
    EXPECT_EQ(mixer.SequencerRing().Available(), 4096u);
    mixer.SetPaused(Mixer::Channel::Sequencer, false);
    EXPECT_TRUE(playing());
    EXPECT_TRUE(WaitFor([&] { return mixer.SequencerRing().Available() == 0; }));
    EXPECT_EQ(wakes, 5);

    // A producer clears its ring while the device is parked, and while it is being closed.
    ASSERT_TRUE(parks());
    mixer.SetPaused(Mixer::Channel::Sequencer, true);
    mixer.SequencerRing().Write(frames.data(), 4096);
    ASSERT_TRUE(parks());
    mixer.Clear(Mixer::Channel::Sequencer);
    EXPECT_EQ(mixer.SequencerRing().Available(), 0u);
    // The program ends right after a park: the device being closed is closed before the end.
}

// Wakes from the user-interface thread and from producer threads at once, parks between them,
// and a producer clearing its ring meanwhile: every round ends with the device open once, and
// every frame written is consumed, none twice and none dropped (the time a decoder reports is
// counted in them).
TEST(AudioOutputTest, WakesFromSeveralThreadsAtOnceOpenTheDeviceOnce)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    AudioOutput audio;
    ASSERT_TRUE(audio.Works()) << audio.Error();
    Mixer& mixer = audio.GetMixer();
    std::atomic<int> wakes{0};
    mixer.SetOnWake([&wakes] { ++wakes; });
    const auto click = std::make_shared<DeviceSound>();
    click->samples.assign(2 * 300, 50);
    const std::vector<std::int16_t> frames(2 * 300, 7);
    std::uint64_t written = 0;
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(WaitFor([&] { return mixer.ParkIfSilent(0); }));
        std::atomic<bool> go{false};
        std::thread decoder([&] {
            while (!go) {
            }
            mixer.DecoderRing().Write(frames.data(), 300);
        });
        std::thread sequencer([&] {
            while (!go) {
            }
            mixer.SequencerRing().Write(frames.data(), 300);
            mixer.Clear(Mixer::Channel::Sequencer);
        });
        go = true;
        mixer.PlayEvent(click, false);
        decoder.join();
        sequencer.join();
        written += 300;
        EXPECT_NE(audio.Device(), 0u);
        EXPECT_LE(AudioThreads(), 1) << "a device opened before the stopped one was closed";
        EXPECT_EQ(wakes, round + 1);
        EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().FramesConsumed() == written; }));
    }
    EXPECT_TRUE(WaitFor([] { return AudioThreads() == 1; }));

    // A producer that writes on while the parking thread keeps trying: the device is never
    // closed with frames waiting, so all of them are consumed.
    std::atomic<bool> done{false};
    std::thread decoder([&] {
        for (int i = 0; i < 40; ++i) {
            mixer.DecoderRing().Write(frames.data(), 300);
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 4 == 0 ? 60 : 2));
        }
        done = true;
    });
    int parked = 0;
    while (!done) {
        parked += mixer.ParkIfSilent(0) ? 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    decoder.join();
    written += 40 * 300;
    EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().FramesConsumed() == written; }));
    EXPECT_GT(parked, 0);
}

// A sound that opens a parked device is heard from its first frame, at once: the disk driver's
// recording of that opening starts with it. Each opening writes its own file here (the driver empties the
// file it is given at every opening).
TEST(AudioOutputTest, NothingIsLostAtTheStartOfASoundThatWakesTheDevice)
{
    TempDir dir;
    const std::filesystem::path first = dir.path() / "first.raw";
    const std::filesystem::path ring = dir.path() / "ring.raw";
    const std::filesystem::path event = dir.path() / "event.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv target("SDL_DISKAUDIOFILE", first.string());
    constexpr std::size_t kFrames = 6000;
    {
        AudioOutput audio;
        ASSERT_TRUE(audio.Works()) << audio.Error();
        Mixer& mixer = audio.GetMixer();
        ASSERT_TRUE(WaitFor([&] { return mixer.ParkIfSilent(Mixer::kRate / 20); }));

        // Frames written by a producer thread: frame i holds i + 1 on both sides.
        setenv("SDL_DISKAUDIOFILE", ring.string().c_str(), 1);
        const std::vector<std::int16_t> frames = Counting(kFrames, 1);
        std::thread producer([&] { EXPECT_EQ(mixer.DecoderRing().Write(frames.data(), kFrames), kFrames); });
        producer.join();
        EXPECT_TRUE(WaitFor([&] { return mixer.DecoderRing().Available() == 0; }));
        ASSERT_TRUE(WaitFor([&] { return mixer.ParkIfSilent(Mixer::kRate / 20); }));

        // An event sound: frame i holds -(i + 1).
        setenv("SDL_DISKAUDIOFILE", event.string().c_str(), 1);
        auto sound = std::make_shared<DeviceSound>();
        sound->samples = Counting(kFrames, -static_cast<int>(kFrames));
        std::reverse(sound->samples.begin(), sound->samples.end());
        mixer.PlayEvent(sound, false);
        audio.FinishEventSound(std::chrono::seconds(5));
    }
    EXPECT_TRUE(HeardLeft(first).empty());
    const std::vector<std::int16_t> from_ring = HeardLeft(ring);
    ASSERT_EQ(from_ring.size(), kFrames);
    for (std::size_t i = 0; i < kFrames; ++i)
        ASSERT_EQ(from_ring[i], static_cast<std::int16_t>(i + 1)) << "frame " << i;
    // Heard at once: SDL's thread, which starts before the device does, may write a period of
    // silence first (and, on a busy machine, one or two more), but no more than that.
    const std::string bytes = ReadFileBytes(event);
    const std::size_t start = bytes.find_first_not_of('\0');
    ASSERT_NE(start, std::string::npos);
    EXPECT_LT(start, 4u * 4 * 1024) << "the sound starts later than four periods into the opening";
    EXPECT_EQ(start % 4, 0u);
    const std::vector<std::int16_t> from_event = HeardLeft(event);
    ASSERT_EQ(from_event.size(), kFrames);
    for (std::size_t i = 0; i < kFrames; ++i)
        ASSERT_EQ(from_event[i], static_cast<std::int16_t>(-static_cast<int>(i) - 1)) << "frame " << i;
}

// A device that does not open again leaves the menu silent: one line on standard error, no
// device, every later sound, write and wait returns at once, and what the producers write is
// taken as heard (their tracks end); nothing is left for the parking to watch.
TEST(AudioOutputTest, ADeviceThatDoesNotOpenAgainLeavesTheMenuSilent)
{
    TempDir dir;
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv target("SDL_DISKAUDIOFILE", (dir.path() / "out.raw").string());
    AudioOutput audio;
    ASSERT_TRUE(audio.Works()) << audio.Error();
    Mixer& mixer = audio.GetMixer();
    std::atomic<int> wakes{0};
    mixer.SetOnWake([&wakes] { ++wakes; });
    ASSERT_TRUE(WaitFor([&] { return mixer.ParkIfSilent(Mixer::kRate / 20); }));

    setenv("SDL_DISKAUDIOFILE", (dir.path() / "gone" / "out.raw").string().c_str(), 1);
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    MixerSoundOutput output(mixer, PathResolver("."));
    output.PlayFromMemory(std::make_shared<const std::string>(WavFile(Sine(4410, 440, 22050), 22050, 16)));
    std::vector<std::int16_t> frames(2 * 4096, 100);
    std::thread producer([&] { mixer.DecoderRing().Write(frames.data(), 4096); });
    producer.join();
    std::thread later([&] { mixer.DecoderRing().Write(frames.data(), 4096); });
    later.join();
    EXPECT_EQ(mixer.DecoderRing().Available(), 0u);
    EXPECT_EQ(mixer.DecoderRing().FramesConsumed(), 2 * 4096u);
    mixer.SetPaused(Mixer::Channel::Sequencer, false);
    output.PlayFromMemory(std::make_shared<const std::string>(WavFile(Sine(4410, 440, 22050), 22050, 16)));
    mixer.Clear(Mixer::Channel::Decoder);
    audio.FinishEventSound(std::chrono::seconds(5));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("No sound: "), std::string::npos) << said;
    EXPECT_NE(said.find("gone"), std::string::npos) << said;

    EXPECT_EQ(audio.Device(), 0u);
    EXPECT_FALSE(mixer.Parked());
    EXPECT_TRUE(mixer.ParkIfSilent(0));
    EXPECT_FALSE(mixer.PlayingOnce());
    EXPECT_EQ(wakes, 0);
    EXPECT_EQ(AudioThreads(), 0);
}
