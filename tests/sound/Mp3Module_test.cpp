// The built-in mp3 module through the player, as the menu uses it: graph\dll\elamp.esp is a
// Windows library, so the module over libmpg123 stands in for it, reads through the main
// window's input events and writes into a ring that the test pulls as the audio device would.
// Built twice: on hand-made MPEG frames of silence (SilentMp3, exact lengths), and with
// MP3_SAMPLES on the real files of ../shared/samples/mp3.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "demo/DemoFormats.h"
#include "disc/PathResolver.h"
#include "sound/AudioOutput.h"
#include "sound/AudioRing.h"
#include "sound/ElSounds.h"
#include "sound/FileInput.h"
#include "sound/Mp3Module.h"
#include "sound/Players.h"
#include "support/MemoryDisc.h"
#include "support/Samples.h"
#include "support/SlowWake.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

template <typename Body>
int RaisedCode(Body body)
{
    try {
        body();
    } catch (const TElSException& e) {
        return e.Code();
    }
    return -1;
}

// A player on the built-in module, its input events counted, writing into `ring`.
class Mp3Player {
public:
    // On a disc in a temporary folder, or on `image` (which holds the module).
    explicit Mp3Player(AudioRing& ring, std::shared_ptr<const DiscFs> image = nullptr) : ring_(ring)
    {
        dir_.Write("graph/dll/elamp.esp", std::string("MZ\x90\x00", 4));
        resolver_ = image ? std::make_unique<PathResolver>(std::move(image)) : std::make_unique<PathResolver>(dir_.path());
        man_ = std::make_unique<TElPlayerMan>(resolver_.get());
        player_ = &man_->Players().Add();
        TElPlayer& p = *player_;
        p.SetInputMode(imCallback);
        p.SetOutputMode(omMMSystem);
        p.SetPathToDLL("graph\\dll\\elamp.esp");
        p.Init();
        FileInput::Attach(p);
        Count(p);
    }

    TElPlayer& Player() { return *player_; }
    const TempDir& Dir() const { return dir_; }
    void Destroy() { man_.reset(); }

    // Wraps the input events so that their calls are counted.
    void Count(TElPlayer& p)
    {
        auto read = p.OnInputRead;
        p.OnInputRead = [this, read](TElPlayer& s, ESUserData d, void* b, std::int32_t n, std::int32_t& got, bool& ok) {
            reads++;
            read(s, d, b, n, got, ok);
            if (ok)
                bytes_read += got;
        };
        auto open = p.OnInputOpen;
        p.OnInputOpen = [this, open](TElPlayer& s, ESUserData& d, bool& can, bool& ok) {
            open(s, d, can, ok);
            if (ok)
                opens++;
        };
        auto close = p.OnInputClose;
        p.OnInputClose = [this, close](TElPlayer& s, ESUserData d, bool& ok) {
            closes++;
            close(s, d, ok);
        };
        p.OnInputSeek = [this](TElPlayer&, ESUserData, std::int64_t&, int, bool&) { seeks++; };
    }

    // The sample `name` of ../shared/samples put on the player's disc (the player reads only
    // the disc's files); its path there.
    std::string OnDisc(const std::string& name) const
    {
        return dir_.Write(name.substr(name.rfind('/') + 1), SampleBytes(name)).string();
    }

    void Start(const std::string& file)
    {
        TElPlayer& p = Player();
        p.SetInputName(file);
        p.Open();
        p.InitStream();
        p.Play();
    }

    // Takes up to `frames` frames out of the ring as the device would; how many there were.
    std::size_t Pull(std::size_t frames)
    {
        std::vector<std::int16_t> out(frames * AudioRing::kChannels);
        const std::size_t n = ring_.MixInto(out.data(), frames);
        for (std::size_t i = 0; i < n * AudioRing::kChannels; ++i)
            nonzero_samples += out[i] != 0;
        return n;
    }

    // Pulls, faster than real time, until the module has closed itself; checks on the way that
    // the position never goes back nor beyond the length. Returns the frames heard.
    std::uint64_t PlayToEnd()
    {
        TElPlayer& p = Player();
        std::uint64_t heard = 0;
        int last_pos = 0;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (p.GetPlayerMode() != pmClosed && std::chrono::steady_clock::now() < deadline) {
            const std::size_t n = Pull(4096);
            heard += n;
            if (n == 0)
                std::this_thread::sleep_for(1ms);
            const int pos = p.GetPosition();
            const int size = p.GetSize();
            if (pos == -1 || size == -1)
                continue;  // it closed just now
            EXPECT_GE(pos, last_pos);
            EXPECT_LE(pos, size);
            last_pos = pos;
        }
        EXPECT_EQ(p.GetPlayerMode(), pmClosed);
        return heard;
    }

    std::atomic<int> reads{0};
    std::atomic<std::int64_t> bytes_read{0};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::atomic<int> seeks{0};
    std::uint64_t nonzero_samples = 0;

private:
    AudioRing& ring_;
    TempDir dir_;
    std::unique_ptr<PathResolver> resolver_;
    std::unique_ptr<TElPlayerMan> man_;
    TElPlayer* player_ = nullptr;
};

class Mp3Module : public testing::Test {
protected:
    Mp3Module() { SetMp3ModuleOutput(&ring_, [this] { ring_.Clear(); }); }
    ~Mp3Module() override { SetMp3ModuleOutput(nullptr); }

    AudioRing ring_{AudioRing::kRate / 2};
};

#ifndef MP3_SAMPLES

TEST_F(Mp3Module, LengthFromTheHeaderOrTheSizeAndPlayedToTheEnd)
{
    struct Case {
        const char* name;
        int sample_rate;
        Mp3LengthHeader header;
        int frames;
        int ms;
        std::uint64_t frames_out;
    } cases[] = {
        // Without a header: estimated from the size, every decoded frame played.
        {"44k1 without a header", 44100, Mp3LengthHeader::None, 100, 2612, 115200},
        {"48k without a header", 48000, Mp3LengthHeader::None, 100, 2400, 105840},
        // With one: its frame count, less the decoder's delay of 529 samples that libmpg123
        // trims where a header tells the stream's length.
        {"44k1 with Xing", 44100, Mp3LengthHeader::Xing, 100, 2600, 115200 - 529},
        {"48k with Info", 48000, Mp3LengthHeader::Info, 100, 2388, (115200ull - 529) * 44100 / 48000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mp3Player m(ring_);
        const auto file = m.Dir().Write("t.mp3", SilentMp3(c.frames, c.sample_rate, c.header));
        m.Start(file.string());
        EXPECT_EQ(m.Player().GetPlayerMode(), pmPlaying);
        EXPECT_NEAR(m.Player().GetSize(), c.ms, 1);
        const std::uint64_t heard = m.PlayToEnd();
        EXPECT_NEAR(static_cast<double>(heard), static_cast<double>(c.frames_out), 2.0);
        EXPECT_EQ(m.nonzero_samples, 0u);  // silence in, silence out

        // Closed by itself: the queries fail quietly, stop and close raise nothing.
        TElPlayer& p = m.Player();
        EXPECT_EQ(p.GetPosition(), -1);
        EXPECT_EQ(p.GetSize(), -1);
        EXPECT_EQ(p.LastError(), peNoError);
        EXPECT_NO_THROW(p.Stop());
        EXPECT_NO_THROW(p.Close());
        EXPECT_EQ(m.opens.load(), 1);
        EXPECT_EQ(m.closes.load(), 1);
        EXPECT_EQ(m.seeks.load(), 0);
        EXPECT_EQ(m.bytes_read.load(), static_cast<std::int64_t>(file_size(file)));
    }
}

TEST_F(Mp3Module, ATrackOfADiscImageIsStreamedThroughTheDisc)
{
    auto image = std::make_shared<MemoryDisc>();
    image->Add("GRAPH/DLL/ELAMP.ESP", std::string("MZ\x90\x00", 4));
    const std::string track = SilentMp3(100, 44100, Mp3LengthHeader::None);
    image->Add("music/t.mp3", track);
    Mp3Player m(ring_, image);
    m.Start(PathResolver(image).Resolve("Music\\T.mp3").string());
    EXPECT_EQ(m.Player().GetPlayerMode(), pmPlaying);
    EXPECT_NEAR(m.Player().GetSize(), 2612, 1);  // estimated from the size the disc gives
    EXPECT_NEAR(static_cast<double>(m.PlayToEnd()), 115200.0, 2.0);
    EXPECT_EQ(m.bytes_read.load(), static_cast<std::int64_t>(track.size()));
    EXPECT_EQ(image->Opened(), std::vector<std::string>{"music/t.mp3"});  // the module file is only looked up
}

TEST_F(Mp3Module, ModesFollowTheLifeCycle)
{
    Mp3Player m(ring_);
    TElPlayer& p = m.Player();
    EXPECT_EQ(p.ModuleName(), "MPEG audio decoder");
    EXPECT_EQ(RaisedCode([&] { p.Play(); }), peIncorrectMode);
    EXPECT_EQ(RaisedCode([&] { p.Close(); }), peIncorrectMode);

    p.SetInputName(m.Dir().Write("t.mp3", SilentMp3(400, 44100)).string());
    p.Open();
    EXPECT_EQ(p.GetPlayerMode(), pmOpened);
    EXPECT_EQ(p.GetPosition(), 0);
    EXPECT_EQ(RaisedCode([&] { p.Open(); }), peIncorrectMode);
    p.InitStream();
    EXPECT_EQ(p.GetPlayerMode(), pmReady);
    p.Play();
    EXPECT_EQ(p.GetPlayerMode(), pmPlaying);
    p.Pause();
    EXPECT_EQ(p.GetPlayerMode(), pmPaused);
    EXPECT_EQ(RaisedCode([&] { p.Pause(); }), peIncorrectMode);
    p.Resume();
    EXPECT_EQ(p.GetPlayerMode(), pmPlaying);
    p.Stop();
    EXPECT_EQ(p.GetPlayerMode(), pmStopped);
    EXPECT_EQ(ring_.Available(), 0u);  // what was decoded is not heard after stop
    p.Close();
    EXPECT_EQ(p.GetPlayerMode(), pmClosed);
    EXPECT_EQ(m.closes.load(), 1);

    // Without an output the stream cannot be initialised.
    SetMp3ModuleOutput(nullptr);
    p.Open();
    EXPECT_EQ(RaisedCode([&] { p.InitStream(); }), peOutputError);
    p.Close();
}

TEST_F(Mp3Module, ReadsAheadHalfASecondAndStopsProducingWhilePaused)
{
    Mp3Player m(ring_);
    TElPlayer& p = m.Player();
    const auto file = m.Dir().Write("t.mp3", SilentMp3(400, 44100));  // 10.4 s
    m.Start(file.string());
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (ring_.Available() < 20000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_LE(ring_.Available(), static_cast<std::size_t>(AudioRing::kRate / 2));
    EXPECT_LT(m.bytes_read.load(), static_cast<std::int64_t>(file_size(file)) / 4);

    m.Pull(10000);
    EXPECT_EQ(p.GetPosition(), 10000 * 1000 / AudioRing::kRate);
    p.Pause();
    const std::size_t waiting = ring_.Available();
    m.Pull(5000);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ring_.Available(), waiting - 5000);  // the ring drains, nothing new comes
    EXPECT_EQ(p.GetPosition(), 15000 * 1000 / AudioRing::kRate);
    p.Resume();
    while (ring_.Available() <= waiting - 5000 && std::chrono::steady_clock::now() < deadline + 5s)
        std::this_thread::sleep_for(1ms);
    EXPECT_GT(ring_.Available(), waiting - 5000);
}

TEST_F(Mp3Module, NoCallbackRunsAfterCloseDeinitOrDestruction)
{
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        Mp3Player m(ring_);
        m.Start(m.Dir().Write("t.mp3", SilentMp3(400, 44100)).string());
        if (way == 1)
            m.Player().Pause();  // waits for resume, not for room
        std::this_thread::sleep_for(50ms);  // the ring fills; the decoding thread waits for room
        if (way <= 1)
            m.Player().Close();
        else if (way == 2)
            m.Player().Deinit();
        else
            m.Destroy();
        const int reads = m.reads.load();
        EXPECT_EQ(m.closes.load(), 1);
        ring_.Clear();
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(m.reads.load(), reads);
        EXPECT_EQ(m.closes.load(), 1);
    }
}

TEST_F(Mp3Module, StopCloseOrPauseRacingTheEndRaiseNothing)
{
    Mp3Player m(ring_);
    TElPlayer& p = m.Player();
    const auto file = m.Dir().Write("t.mp3", SilentMp3(3, 44100)).string();
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        m.Start(file);
        std::uint64_t heard = 0;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (heard < 3 * 1152 && std::chrono::steady_clock::now() < deadline) {
            heard += m.Pull(4096);
            std::this_thread::sleep_for(100us);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(250 * i));
        // The module may be closing itself this very moment.
        if (i % 3 == 0) {
            EXPECT_NO_THROW(p.Pause());
        }
        if (i % 2 == 0) {
            EXPECT_NO_THROW(p.Stop());
        }
        EXPECT_NO_THROW(p.Close());
        EXPECT_EQ(p.GetPlayerMode(), pmClosed);
    }
    EXPECT_EQ(m.opens.load(), 30);
    EXPECT_EQ(m.closes.load(), 30);
}

TEST_F(Mp3Module, FilesWithoutAudioDoNotOpen)
{
    Mp3Player m(ring_);
    TElPlayer& p = m.Player();
    std::string junk;
    for (int i = 0; i < 2048; ++i)
        junk += static_cast<char>(i);
    const std::string files[] = {
        m.Dir().Write("empty.mp3", "").string(),
        m.Dir().Write("junk.mp3", junk).string(),
        // One frame: libmpg123 does not take a lone header as the start of a stream.
        m.Dir().Write("one.mp3", SilentMp3(1, 44100)).string(),
        (m.Dir().path() / "missing.mp3").string(),
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        p.SetInputName(file);
        EXPECT_EQ(RaisedCode([&] { p.Open(); }), peInputError);
        EXPECT_EQ(p.GetPlayerMode(), pmClosed);
        EXPECT_EQ(m.opens.load(), m.closes.load());  // what was opened was closed
    }
    // The module is still usable.
    m.Start(m.Dir().Write("t.mp3", SilentMp3(10, 44100)).string());
    m.PlayToEnd();
}

// The decoder channel of the mixer (no device: the test mixes) is held with the track, and let go
// when the track is stopped.
TEST_F(Mp3Module, PauseIsHeardAtOnceAndTheResumeGoesOnFromThere)
{
    Mixer mixer;
    SetMp3ModuleOutput(
        &mixer.DecoderRing(), [&mixer] { mixer.Clear(Mixer::Channel::Decoder); },
        [&mixer](bool hold) { mixer.SetPaused(Mixer::Channel::Decoder, hold); });
    Mp3Player m(mixer.DecoderRing());
    TElPlayer& p = m.Player();
    m.Start(m.Dir().Write("t.mp3", SilentMp3(400, 44100)).string());
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (mixer.DecoderRing().Available() < 8192 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    std::vector<std::int16_t> out(4096 * AudioRing::kChannels);
    mixer.Mix(out.data(), 4096);
    const int held = p.GetPosition();
    EXPECT_EQ(held, 4096 * 1000 / AudioRing::kRate);
    p.Pause();
    const std::size_t waiting = mixer.DecoderRing().Available();
    mixer.Mix(out.data(), 4096);
    EXPECT_EQ(mixer.DecoderRing().Available(), waiting) << "nothing more is heard";
    EXPECT_EQ(p.GetPosition(), held);
    p.Resume();
    mixer.Mix(out.data(), 4096);
    EXPECT_EQ(p.GetPosition(), 8192 * 1000 / AudioRing::kRate);
    p.Pause();
    p.Stop();
    EXPECT_FALSE(mixer.Paused(Mixer::Channel::Decoder));
    m.Destroy();
    SetMp3ModuleOutput(nullptr);
}

// The player tells the playback that a track has ended once its last sample has been heard, not
// when its last byte is read (seconds earlier for a low bitrate; here a short track read whole
// before anything is heard): at the end of the file, and after a read error halfway; a track
// stopped tells nothing. A pause that lands as a track ends holds the decoder channel once the
// module has closed itself (the hold is given outside the module's lock): the next track is
// heard all the same.
TEST_F(Mp3Module, ATrackIsReportedEndedOnceItsLastSampleIsHeard)
{
    Mixer mixer;
    AudioRing& ring = mixer.DecoderRing();
    SetMp3ModuleOutput(
        &ring, [&mixer] { mixer.Clear(Mixer::Channel::Decoder); },
        [&mixer](bool hold) { mixer.SetPaused(Mixer::Channel::Decoder, hold); });
    Mp3Player m(ring);
    TElPlayer& p = m.Player();
    const auto broken = m.Dir().Write("broken.mp3", SilentMp3(100, 44100));
    const auto half = static_cast<std::int64_t>(file_size(broken) / 2);
    const auto whole = static_cast<std::int64_t>(file_size(m.Dir().Write("short.mp3", SilentMp3(16, 44100))));
    auto read = p.OnInputRead;
    p.OnInputRead = [read, half](TElPlayer& s, ESUserData d, void* b, std::int32_t n, std::int32_t& got, bool& ok) {
        if (FileInput::Size(d) > half && FileInput::Position(d) >= half) {
            got = 0;
            ok = false;
            return;
        }
        read(s, d, b, n, got, ok);
    };
    const PathResolver resolver(m.Dir().path());
    ElDecoderPlayer player(p, resolver);
    std::atomic<int> ends{0};
    std::atomic<std::uint64_t> heard_at_end{0};
    player.OnInputEnd = [&] {
        heard_at_end = ring.FramesConsumed();
        ++ends;
    };
    auto play = [&player](const char* file) {
        player.SetInputName(file);
        player.Open();
        player.InitStream();
        player.Play();
    };
    auto wait = [](auto done) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!done() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        return done();
    };
    play("short.mp3");
    ASSERT_TRUE(wait([&] { return m.bytes_read.load() == whole; }));
    EXPECT_EQ(ends.load(), 0) << "read to its end, but nothing heard yet";
    m.PlayToEnd();
    EXPECT_EQ(ends.load(), 1);
    EXPECT_EQ(heard_at_end.load(), ring.FramesConsumed());

    mixer.SetPaused(Mixer::Channel::Decoder, true);  // the late pause's hold
    play("broken.mp3");
    ASSERT_TRUE(wait([&] { return ring.Available() >= 4096; }));
    std::vector<std::int16_t> out(4096 * AudioRing::kChannels);
    mixer.Mix(out.data(), 4096);
    EXPECT_EQ(player.GetPosition(), 4096 * 1000 / AudioRing::kRate);
    m.PlayToEnd();
    EXPECT_EQ(ends.load(), 2);
    EXPECT_EQ(heard_at_end.load(), ring.FramesConsumed());

    play("broken.mp3");
    player.Stop();
    player.Close();
    EXPECT_EQ(ends.load(), 2);
}

// The decoding thread's write wakes a parked device, which takes a while to open: meanwhile the
// menu's calls (the clock, pause) answer.
TEST_F(Mp3Module, WhileTheDeviceOpensTheMenusCallsDoNotWait)
{
    SlowWake slow;
    ring_.SetOnWrite([&slow] { slow.Hook(); });
    {
        Mp3Player m(ring_);
        TElPlayer& p = m.Player();
        m.Start(m.Dir().Write("t.mp3", SilentMp3(100, 44100)).string());
        slow.WaitForWake();
        EXPECT_EQ(p.GetPosition(), 0);
        EXPECT_EQ(p.GetPlayerMode(), pmPlaying);
        p.Pause();
        EXPECT_TRUE(slow.Answer()) << "the calls waited for the device";
    }
    ring_.SetOnWrite({});
}

// Through a real (dummy) device: the track paused, its ring drains and the device parks (closes);
// the position holds meanwhile, and after the resume (which opens the device again) the track
// plays on to its end from there.
TEST_F(Mp3Module, ThePositionHoldsWhileTheDeviceIsParked)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioOutput audio;
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_TRUE(audio.Works()) << audio.Error();
    Mixer& mixer = audio.GetMixer();
    SetMp3ModuleOutput(&mixer.DecoderRing(), [&mixer] { mixer.Clear(Mixer::Channel::Decoder); });
    {
        Mp3Player m(mixer.DecoderRing());
        TElPlayer& p = m.Player();
        const auto file = m.Dir().Write("t.mp3", SilentMp3(100, 44100, Mp3LengthHeader::Xing));  // 2.6 s
        m.Start(file.string());
        auto wait = [](auto done) {
            const auto until = std::chrono::steady_clock::now() + 10s;
            while (!done() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(2ms);
            return done();
        };
        ASSERT_TRUE(wait([&] { return p.GetPosition() >= 300; }));
        p.Pause();
        ASSERT_TRUE(wait([&] { return mixer.ParkIfSilent(AudioRing::kRate / 20); }));
        const int held = p.GetPosition();
        EXPECT_GE(held, 300);
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(p.GetPosition(), held);
        EXPECT_EQ(audio.Device(), 0u) << "the device is closed";

        p.Resume();
        ASSERT_TRUE(wait([&] { return p.GetPosition() > held; }));
        EXPECT_EQ(SDL_GetAudioDeviceStatus(audio.Device()), SDL_AUDIO_PLAYING);
        int last = held;
        ASSERT_TRUE(wait([&] {
            const int pos = p.GetPosition();
            if (pos >= 0)
                last = pos;
            return p.GetPlayerMode() == pmClosed;
        }));
        EXPECT_NEAR(last, 2600, 100) << "the whole track heard";
    }
    SetMp3ModuleOutput(nullptr);
}

#else  // MP3_SAMPLES

// A stream served from memory by the input events: the module gets no file name it could use.
struct MemoryStream {
    std::string bytes;
    std::size_t position = 0;
};

void ServeFromMemory(TElPlayer& p, MemoryStream& stream)
{
    p.SetInputName("no such file");
    p.OnInputOpen = [&stream](TElPlayer&, ESUserData& data, bool& can, bool& ok) {
        stream.position = 0;
        data = reinterpret_cast<ESUserData>(&stream);
        can = false;
        ok = true;
    };
    p.OnInputRead = [](TElPlayer&, ESUserData data, void* buffer, std::int32_t n, std::int32_t& got, bool& ok) {
        auto* s = reinterpret_cast<MemoryStream*>(data);
        const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), s->bytes.size() - s->position);
        std::memcpy(buffer, s->bytes.data() + s->position, count);
        s->position += count;
        got = static_cast<std::int32_t>(count);
        ok = true;
    };
    p.OnInputGetSize = [](TElPlayer&, ESUserData data, std::int64_t& size, bool& ok) {
        size = static_cast<std::int64_t>(reinterpret_cast<MemoryStream*>(data)->bytes.size());
        ok = true;
    };
    p.OnInputClose = [](TElPlayer&, ESUserData, bool& ok) { ok = true; };
}

class Mp3Samples : public Mp3Module {
protected:
    void SetUp() override { SkipWithoutSamples(); }
};

TEST_F(Mp3Samples, LengthsAndWholeTracks)
{
    if (IsSkipped())
        return;
    struct Case {
        const char* file;
        int ms;
    } cases[] = {
        {"mp3/exoplayer-test.mp3", 1000},
        {"mp3/exoplayer-bear-vbr-xing-header.mp3", 2784},
        {"mp3/exoplayer-bear-id3.mp3", 2784},
        {"mp3/exoplayer-bear-cbr-constant-frame-size-no-seek-table.mp3", 2784},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Mp3Player m(ring_);
        TElPlayer& p = m.Player();
        m.Start(m.OnDisc(c.file));
        EXPECT_NEAR(p.GetSize(), c.ms, c.ms / 100.0);
        const double heard_ms = static_cast<double>(m.PlayToEnd()) * 1000.0 / AudioRing::kRate;
        EXPECT_NEAR(heard_ms, c.ms, c.ms / 100.0);
        EXPECT_GT(m.nonzero_samples, 0u);
        EXPECT_EQ(m.bytes_read.load(), static_cast<std::int64_t>(SampleBytes(c.file).size()));
        EXPECT_EQ(m.seeks.load(), 0);
        EXPECT_EQ(m.closes.load(), 1);
    }
}

TEST_F(Mp3Samples, PauseAndResumeThroughATrackReadOnlyThroughTheCallbacks)
{
    if (IsSkipped())
        return;
    Mp3Player m(ring_);
    TElPlayer& p = m.Player();
    MemoryStream stream{SampleBytes("mp3/exoplayer-bear-vbr-xing-header.mp3")};
    ServeFromMemory(p, stream);
    p.Open();
    EXPECT_EQ(p.GetPlayerMode(), pmOpened);
    p.InitStream();
    EXPECT_EQ(p.GetPlayerMode(), pmReady);
    p.Play();
    EXPECT_EQ(p.GetPlayerMode(), pmPlaying);
    std::uint64_t heard = 0;
    while (heard < AudioRing::kRate) {  // one second
        heard += m.Pull(1024);
        std::this_thread::sleep_for(1ms);
    }
    p.Pause();
    EXPECT_EQ(p.GetPlayerMode(), pmPaused);
    EXPECT_NEAR(p.GetPosition(), 1000, 30);
    heard += m.Pull(AudioRing::kRate);  // what was ahead drains
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(m.Pull(AudioRing::kRate), 0u);  // and nothing more comes while paused
    EXPECT_EQ(p.GetPlayerMode(), pmPaused);
    p.Resume();
    EXPECT_EQ(p.GetPlayerMode(), pmPlaying);
    heard += m.PlayToEnd();
    EXPECT_NEAR(static_cast<double>(heard) * 1000.0 / AudioRing::kRate, 2784, 28);
    EXPECT_EQ(stream.position, stream.bytes.size());
}

TEST_F(Mp3Samples, FilesWithoutAudioFailCleanly)
{
    if (IsSkipped())
        return;
    Mp3Player m(ring_);
    TElPlayer& p = m.Player();
    for (const char* file : {"mp3/exoplayer-play-trimmed.mp3", "mp3/exoplayer-1024_incrementing_bytes.mp3"}) {
        SCOPED_TRACE(file);
        p.SetInputName(m.OnDisc(file));
        EXPECT_EQ(RaisedCode([&] { p.Open(); }), peInputError);
        EXPECT_EQ(p.GetPlayerMode(), pmClosed);
        EXPECT_EQ(m.opens.load(), m.closes.load());
    }
}

#endif  // MP3_SAMPLES

}  // namespace
