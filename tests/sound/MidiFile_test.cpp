#include "sound/MidiFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/MemoryDisc.h"
#include "support/TempDir.h"

// A small Standard MIDI File writer for the tests (the sequencer's tests use it too).
namespace smf {

// The events of one track, each with its delta time.
class Track {
public:
    Track& Delta(std::uint32_t ticks)
    {
        char groups[5];
        int n = 0;
        groups[n++] = static_cast<char>(ticks & 0x7F);
        while ((ticks >>= 7) != 0)
            groups[n++] = static_cast<char>((ticks & 0x7F) | 0x80);
        while (n > 0)
            bytes_ += groups[--n];
        return *this;
    }
    Track& NoteOn(std::uint32_t delta, int key, int channel = 0)
    {
        return Delta(delta).Raw({0x90 | channel, key, 100});
    }
    Track& NoteOff(std::uint32_t delta, int key, int channel = 0)
    {
        return Delta(delta).Raw({0x80 | channel, key, 0});
    }
    Track& Tempo(std::uint32_t delta, std::uint32_t us_per_quarter)
    {
        return Delta(delta).Raw({0xFF, 0x51, 3, static_cast<int>(us_per_quarter >> 16),
                                 static_cast<int>((us_per_quarter >> 8) & 0xFF), static_cast<int>(us_per_quarter & 0xFF)});
    }
    Track& End(std::uint32_t delta) { return Delta(delta).Raw({0xFF, 0x2F, 0}); }
    Track& Raw(std::initializer_list<int> bytes)
    {
        for (int b : bytes)
            bytes_ += static_cast<char>(b);
        return *this;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

std::string Be32(std::uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>(v & 0xFF)};
}

std::string Le32(std::uint32_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>((v >> 16) & 0xFF),
            static_cast<char>(v >> 24)};
}

std::string File(int format, std::uint16_t division, const std::vector<Track>& tracks)
{
    std::string out = "MThd" + Be32(6);
    for (int v : {format, static_cast<int>(tracks.size()), static_cast<int>(division)}) {
        out += static_cast<char>((v >> 8) & 0xFF);
        out += static_cast<char>(v & 0xFF);
    }
    for (const Track& t : tracks)
        out += "MTrk" + Be32(static_cast<std::uint32_t>(t.Bytes().size())) + t.Bytes();
    return out;
}

// A RIFF RMID form around `smf`, with an odd-sized chunk before the data as real files have.
std::string Rmi(const std::string& smf)
{
    const std::string info = "LIST" + Le32(3) + "abc" + '\0';
    const std::string body = "RMID" + info + "data" + Le32(static_cast<std::uint32_t>(smf.size())) + smf;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

// A type 0 file at 120 bpm, 480 ticks per quarter note: a chord that sounds for `ms`
// milliseconds (a multiple of 125), then its End of Track.
std::string NoteFile(int ms)
{
    const auto ticks = static_cast<std::uint32_t>(ms / 125 * 120);
    Track t;
    t.Delta(0).Raw({0xC0, 0}).NoteOn(0, 60).Raw({0, 64, 100}).NoteOff(ticks, 60).Raw({0, 64, 0}).End(0);
    return File(0, 480, {t});
}

// The same with SMPTE timing: 25 frames of 40 ticks, 1000 ticks a second.
std::string SmpteNoteFile(int ms)
{
    Track t;
    t.Delta(0).Raw({0xC0, 0}).NoteOn(0, 60).NoteOff(static_cast<std::uint32_t>(ms), 60).End(0);
    return File(0, 0xE728, {t});
}

}  // namespace smf

namespace {

using smf::Track;

TEST(MidiFileTest, LengthFollowsTheTempoMapOfTypeZeroAndTypeOneFiles)
{
    // No tempo event: 120 bpm, 1920 ticks at 480 per quarter = 2 s.
    Track plain;
    plain.NoteOn(0, 60).NoteOff(1920, 60).End(0);
    EXPECT_EQ(MidiFile::Parse(smf::File(0, 480, {plain})).LengthMs(), 2000);

    // Tempo map in the first track, music in the second: 960 ticks at 0.5 s, then 1920 ticks at
    // 0.25 s per quarter, then 480 ticks at 1 s; the tempo change at the end counts for nothing.
    Track map;
    map.Tempo(0, 500000).Tempo(960, 250000).Tempo(1920, 1000000).Tempo(480, 100).End(0);
    Track music;
    music.NoteOn(0, 60).NoteOff(3360, 60).End(0);
    const MidiFile one = MidiFile::Parse(smf::File(1, 480, {map, music}));
    EXPECT_EQ(one.Format(), 1);
    EXPECT_EQ(one.TrackCount(), 2);
    EXPECT_EQ(one.EndTick(), 3360u);
    EXPECT_EQ(one.LengthMs(), 1000 + 1000 + 1000);

    // A tempo change in a later track applies to all of them; the longest track sets the end.
    Track shorter;
    shorter.NoteOn(0, 60).NoteOff(480, 60).End(0);
    Track with_tempo;
    with_tempo.Tempo(480, 1000000).NoteOn(0, 62).NoteOff(960, 62).End(0);
    EXPECT_EQ(MidiFile::Parse(smf::File(1, 480, {shorter, with_tempo})).LengthMs(), 500 + 2000);

    // A track without End of Track ends with its last event; running status carries over the
    // meta events between notes.
    Track running;
    running.NoteOn(0, 60).Delta(240).Raw({62, 100}).Tempo(0, 250000).Delta(480).Raw({64, 100});
    EXPECT_EQ(MidiFile::Parse(smf::File(0, 480, {running})).LengthMs(), 250 + 250);
}

TEST(MidiFileTest, SmpteDivisionCountsTicksPerSecondAndIgnoresTempo)
{
    Track t;
    t.Tempo(0, 1000000).NoteOn(0, 60).NoteOff(3000, 60).End(0);
    Track later;
    later.NoteOn(0, 64).Tempo(1000, 250000).NoteOff(1000, 64).End(0);
    // 25 frames of 40 ticks: 1000 ticks a second.
    const MidiFile f = MidiFile::Parse(smf::File(1, 0xE728, {t, later}));
    EXPECT_EQ(f.LengthMs(), 3000);
    // 29.97 frames (drop frame) of 100 ticks: 2997 ticks a second.
    Track drop;
    drop.NoteOn(0, 60).NoteOff(2997, 60).End(0);
    const MidiFile d = MidiFile::Parse(smf::File(0, 0xE364, {drop}));
    EXPECT_EQ(d.LengthMs(), 1000);

    // The synthesiser gets the same timing in ticks per quarter note, whatever tempo events say.
    for (const MidiFile* m : {&f, &d}) {
        const MidiFile retimed = MidiFile::Parse(m->SmfBytes());
        EXPECT_EQ(retimed.Division() & 0x8000, 0);
        EXPECT_EQ(retimed.EndTick(), m->EndTick());
        EXPECT_NEAR(retimed.LengthMicros(), m->LengthMicros(), 1.0);
    }
}

TEST(MidiFileTest, RmiIsUnwrappedToTheSameMusic)
{
    const std::string smf = smf::NoteFile(1500);
    const MidiFile bare = MidiFile::Parse(smf);
    const MidiFile wrapped = MidiFile::Parse(smf::Rmi(smf));
    EXPECT_FALSE(bare.WasRiff());
    EXPECT_TRUE(wrapped.WasRiff());
    EXPECT_EQ(bare.LengthMs(), 1500);
    EXPECT_EQ(wrapped.LengthMs(), 1500);
    EXPECT_EQ(wrapped.SmfBytes(), smf);
    EXPECT_EQ(bare.SmfBytes(), smf);
}

struct Broken {
    const char* what;
    std::string bytes;
};

std::vector<Broken> BrokenFiles()
{
    Track ok;
    ok.NoteOn(0, 60).NoteOff(480, 60).End(0);
    const std::string good = smf::File(0, 480, {ok});
    std::string truncated = good.substr(0, good.size() - 2);
    std::string absurd = good;
    absurd.replace(18, 4, smf::Be32(0xFFFFFFF0u));
    Track no_status;
    no_status.Delta(0).Raw({60, 100}).End(0);
    Track past_end;
    past_end.Delta(0).Raw({0xFF, 0x01, 50, 'x'});
    Track long_number;
    long_number.Raw({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100});
    Track system_common;
    system_common.Delta(0).Raw({0xF2, 0, 0}).End(0);
    std::string missing_track = good;
    missing_track[11] = 2;  // declares two tracks, holds one
    std::string zero_division = good;
    zero_division[12] = zero_division[13] = 0;
    std::string riff_no_data = "RIFF" + smf::Le32(4) + "RMID";
    std::string riff_data_too_long = smf::Rmi(good);
    riff_data_too_long.replace(28, 4, smf::Le32(0x7FFFFFFF));
    return {
        {"empty", ""},
        {"no MThd", "not a midi file"},
        {"type 2", smf::File(2, 480, {ok})},
        {"truncated chunk", truncated},
        {"absurd chunk size", absurd},
        {"running status with no status", smf::File(0, 480, {no_status})},
        {"meta event past the end of its track", smf::File(0, 480, {past_end})},
        {"variable-length number of five bytes", smf::File(0, 480, {long_number})},
        {"system common status in a track", smf::File(0, 480, {system_common})},
        {"fewer tracks than declared", missing_track},
        {"zero division", zero_division},
        {"RIFF without data chunk", riff_no_data},
        {"RIFF data chunk past the end", riff_data_too_long},
        {"short header", good.substr(0, 12)},
    };
}

TEST(MidiFileTest, BrokenFilesFailWithAMessage)
{
    for (const Broken& b : BrokenFiles()) {
        SCOPED_TRACE(b.what);
        try {
            MidiFile::Parse(b.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const MidiFileError& e) {
            EXPECT_STRNE(e.what(), "");
        }
    }
}

TEST(MidiFileTest, EveryPrefixAndDamagedCopyParsesOrFailsCleanly)
{
    Track map;
    map.Tempo(0, 400000).Raw({0, 0xF0, 3, 1, 2, 0xF7}).End(0);
    Track music;
    music.NoteOn(0, 60).Delta(100).Raw({62, 90}).NoteOff(200, 60).Delta(0).Raw({0xE0, 0, 64}).End(10);
    const std::string good = smf::Rmi(smf::File(1, 96, {map, music}));
    ASSERT_NO_THROW(MidiFile::Parse(good));
    for (std::size_t n = 0; n < good.size(); ++n) {
        try {
            MidiFile::Parse(good.substr(0, n));
        } catch (const MidiFileError&) {
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string damaged = good;
        for (int k = 0; k < 3; ++k)
            damaged[random() % damaged.size()] = static_cast<char>(random() & 0xFF);
        try {
            const MidiFile f = MidiFile::Parse(damaged);
            EXPECT_GE(f.LengthMicros(), 0.0);
        } catch (const MidiFileError&) {
        }
    }
}

TEST(MidiFileTest, LoadNamesTheFileThatFails)
{
    TempDir dir;
    const auto good = dir.Write("tune.rmi", smf::Rmi(smf::NoteFile(500)));
    EXPECT_EQ(MidiFile::Load(good.string()).LengthMs(), 500);
    const auto text = dir.Write("text.mid", "hello");
    for (const std::string& path : {text.string(), (dir.path() / "missing.mid").string(), dir.path().string()}) {
        try {
            MidiFile::Load(path);
            ADD_FAILURE() << path << " accepted";
        } catch (const MidiFileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

TEST(MidiFileTest, AFileOfADiscImageIsReadThroughTheDiscWithinTheCap)
{
    MemoryDisc image;
    image.Add("music/tune.rmi", smf::Rmi(smf::NoteFile(500)));
    EXPECT_EQ(MidiFile::Load(image, "music/tune.rmi").LengthMs(), 500);
    EXPECT_EQ(image.Opened(), std::vector<std::string>{"music/tune.rmi"});

    // Too large by the size the disc gives, or by the bytes that come whatever it gave.
    image.Add("music/big.mid", smf::NoteFile(500));
    image.ClaimSize("music/big.mid", MidiFile::kMaxBytes + 1);
    image.Add("music/grows.mid", std::string(MidiFile::kMaxBytes + 1, '\0'));
    image.ClaimSize("music/grows.mid", 100);
    image.Add("music/cut.mid", smf::NoteFile(500));
    image.FailAfter("music/cut.mid", 20);
    const std::pair<const char*, const char*> cases[] = {{"music/big.mid", "too large"},
                                                         {"music/grows.mid", "too large"},
                                                         {"music/cut.mid", "Cannot read"},
                                                         {"music", "Cannot open"},
                                                         {"music/none.mid", "Cannot open"}};
    for (const auto& [path, why] : cases) {
        try {
            MidiFile::Load(image, path);
            ADD_FAILURE() << path << " accepted";
        } catch (const MidiFileError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

}  // namespace
