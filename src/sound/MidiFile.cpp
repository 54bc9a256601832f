#include "sound/MidiFile.h"

#include "disc/DiscFs.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 bpm

[[noreturn]] void Fail(const std::string& why)
{
    throw MidiFileError(why);
}

std::uint32_t Be32(std::string_view b, std::size_t at)
{
    return (std::uint32_t{static_cast<unsigned char>(b[at])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(b[at + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(b[at + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(b[at + 3])};
}

std::uint16_t Be16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>((static_cast<unsigned char>(b[at]) << 8) |
                                      static_cast<unsigned char>(b[at + 1]));
}

std::uint32_t Le32(std::string_view b, std::size_t at)
{
    return std::uint32_t{static_cast<unsigned char>(b[at])} |
           (std::uint32_t{static_cast<unsigned char>(b[at + 1])} << 8) |
           (std::uint32_t{static_cast<unsigned char>(b[at + 2])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(b[at + 3])} << 24);
}

// The `data` chunk of a RIFF RMID form. Chunks are word-aligned; the form's own size is often
// wrong in files written by old tools, so only the real end of the bytes bounds the walk.
std::string_view UnwrapRiff(std::string_view b)
{
    if (b.size() < 12 || b.substr(8, 4) != "RMID")
        Fail("The RIFF file is not a MIDI (RMID) file.");
    std::size_t at = 12;
    while (b.size() - at >= 8) {
        const std::string_view id = b.substr(at, 4);
        const std::uint32_t size = Le32(b, at + 4);
        at += 8;
        if (size > b.size() - at)
            Fail("A chunk of the RIFF file runs past the end of the file.");
        if (id == "data")
            return b.substr(at, size);
        at += size + (size & 1u);
        if (at > b.size())
            break;
    }
    Fail("The RIFF MIDI file has no data chunk.");
}

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t tempo;
    std::uint64_t order;  // track, then place within it: later changes at one tick win
};

// Walks the events of one track; returns the tick it ends at, collects its tempo changes and
// where each tempo event's three value bytes lie (counted from `base`, the track's offset).
std::uint64_t WalkTrack(std::string_view t, std::size_t track, std::size_t base, std::vector<TempoChange>& tempos,
                        std::vector<std::size_t>& tempo_offsets)
{
    std::size_t at = 0;
    std::uint64_t tick = 0;
    unsigned running = 0;  // the channel status a data byte continues; 0 when there is none

    auto byte = [&]() -> unsigned {
        if (at >= t.size())
            Fail("An event runs past the end of its track.");
        return static_cast<unsigned char>(t[at++]);
    };
    auto varLen = [&]() -> std::uint32_t {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned c = byte();
            v = (v << 7) | (c & 0x7Fu);
            if ((c & 0x80u) == 0)
                return v;
        }
        Fail("A variable-length number in a track is longer than four bytes.");
    };
    auto skip = [&](std::uint32_t n) {
        if (n > t.size() - at)
            Fail("An event runs past the end of its track.");
        at += n;
    };

    while (at < t.size()) {
        tick += varLen();
        unsigned status = byte();
        if (status < 0x80) {
            if (running == 0)
                Fail("A track continues a running status before any status byte.");
            --at;  // the byte read is the first data byte
            status = running;
        }
        if (status < 0xF0) {
            running = status;
            const unsigned kind = status & 0xF0u;
            skip(kind == 0xC0 || kind == 0xD0 ? 1 : 2);
        } else if (status == 0xFF) {
            const unsigned type = byte();
            const std::uint32_t len = varLen();
            if (len > t.size() - at)
                Fail("An event runs past the end of its track.");
            if (type == 0x2F)
                return tick;  // End of Track: whatever follows is not played
            if (type == 0x51 && len == 3) {
                const std::uint32_t tempo = (std::uint32_t{static_cast<unsigned char>(t[at])} << 16) |
                                            (std::uint32_t{static_cast<unsigned char>(t[at + 1])} << 8) |
                                            std::uint32_t{static_cast<unsigned char>(t[at + 2])};
                // A tempo of 0 would stop time; it is kept from the map, as players ignore it.
                if (tempo > 0)
                    tempos.push_back({tick, tempo, (std::uint64_t{track} << 32) | at});
                tempo_offsets.push_back(base + at);
            }
            at += len;
        } else if (status == 0xF0 || status == 0xF7) {
            skip(varLen());
        } else {
            Fail("A track holds a status byte that has no place in a MIDI file.");
        }
    }
    return tick;  // no End of Track: the track ends with its last event
}

// The synthesiser reads only files timed in ticks per quarter note. A file timed in SMPTE frames
// is given the same tick rate that way: as many ticks per quarter as the file has per second,
// at one quarter a second (1.001 s at 29.97 frames a second), set by a tempo event at the start
// and by every tempo event the file has, since SMPTE timing ignores them.
void RetimeSmpte(std::string& smf, std::size_t first_track, const std::vector<std::size_t>& tempo_offsets)
{
    const auto division = static_cast<unsigned char>(smf[12]);
    const unsigned fps = 256u - division;  // 24, 25, 29 or 30, checked before
    const unsigned ticks_per_frame = static_cast<unsigned char>(smf[13]);
    const unsigned per_quarter = (fps == 29 ? 30 : fps) * ticks_per_frame;
    const std::uint32_t tempo = fps == 29 ? 1001000 : 1000000;
    const char value[3] = {static_cast<char>(tempo >> 16), static_cast<char>((tempo >> 8) & 0xFF),
                           static_cast<char>(tempo & 0xFF)};
    smf[12] = static_cast<char>(per_quarter >> 8);
    smf[13] = static_cast<char>(per_quarter & 0xFF);
    for (std::size_t at : tempo_offsets)
        smf.replace(at, 3, value, 3);
    const std::uint32_t size = Be32(smf, first_track + 4) + 7;
    for (int i = 0; i < 4; ++i)
        smf[first_track + 4 + static_cast<std::size_t>(i)] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
    smf.insert(first_track + 8, std::string{'\0', '\xFF', '\x51', '\x03', value[0], value[1], value[2]});
}

}  // namespace

std::int64_t MidiFile::LengthMs() const
{
    return static_cast<std::int64_t>(std::llround(length_us_ / 1000.0));
}

MidiFile MidiFile::Parse(std::string_view bytes)
{
    if (bytes.size() > kMaxBytes)
        Fail("The MIDI file is too large.");
    MidiFile file;
    std::string_view b = bytes;
    if (b.size() >= 4 && b.substr(0, 4) == "RIFF") {
        b = UnwrapRiff(b);
        file.riff_ = true;
    }
    if (b.size() < 14 || b.substr(0, 4) != "MThd")
        Fail("The file is not a MIDI file.");
    const std::uint32_t header_size = Be32(b, 4);
    if (header_size < 6 || header_size > b.size() - 8)
        Fail("The header of the MIDI file is broken.");
    const std::uint16_t format = Be16(b, 8);
    const std::uint16_t declared = Be16(b, 10);
    const std::uint16_t division = Be16(b, 12);
    if (format == 2)
        Fail("MIDI files of type 2 (independent sequences) are not played.");
    if (format > 2)
        Fail("The MIDI file is of an unknown type.");
    if (declared == 0)
        Fail("The MIDI file has no tracks.");

    // Ticks to microseconds: with a tick rate per second (SMPTE) or per quarter note.
    double smpte_ticks_per_second = 0.0;
    if ((division & 0x8000u) != 0) {
        const int fps = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        const unsigned per_frame = division & 0xFFu;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || per_frame == 0)
            Fail("The MIDI file's time division is broken.");
        smpte_ticks_per_second = (fps == 29 ? 30000.0 / 1001.0 : fps) * per_frame;
    } else if (division == 0) {
        Fail("The MIDI file's time division is broken.");
    }

    std::vector<TempoChange> tempos;
    std::vector<std::size_t> tempo_offsets;
    std::uint64_t end_tick = 0;
    int found = 0;
    std::size_t first_track = 0;  // offset of the first MTrk chunk
    std::size_t at = 8 + header_size;
    while (found < declared) {
        if (b.size() - at < 8)
            Fail("The MIDI file ends before its last track.");
        const std::string_view id = b.substr(at, 4);
        const std::uint32_t size = Be32(b, at + 4);
        at += 8;
        if (size > b.size() - at)
            Fail("A track of the MIDI file runs past the end of the file.");
        if (id == "MTrk") {
            if (found == 0)
                first_track = at - 8;
            end_tick = std::max(end_tick, WalkTrack(b.substr(at, size), static_cast<std::size_t>(found), at, tempos,
                                                    tempo_offsets));
            ++found;
        }
        at += size;  // chunks of other kinds are skipped, as the format asks
    }

    double us = 0.0;
    if (smpte_ticks_per_second > 0.0) {
        us = static_cast<double>(end_tick) * 1e6 / smpte_ticks_per_second;
    } else {
        std::sort(tempos.begin(), tempos.end(), [](const TempoChange& x, const TempoChange& y) {
            return x.tick != y.tick ? x.tick < y.tick : x.order < y.order;
        });
        std::uint64_t tick = 0;
        std::uint32_t tempo = kDefaultTempo;
        for (const TempoChange& change : tempos) {
            if (change.tick >= end_tick)
                break;
            us += static_cast<double>(change.tick - tick) * tempo / division;
            tick = change.tick;
            tempo = change.tempo;
        }
        us += static_cast<double>(end_tick - tick) * tempo / division;
    }

    file.smf_.assign(b.data(), b.size());
    if (smpte_ticks_per_second > 0.0)
        RetimeSmpte(file.smf_, first_track, tempo_offsets);
    file.format_ = format;
    file.tracks_ = declared;
    file.division_ = division;
    file.end_tick_ = end_tick;
    file.length_us_ = us;
    return file;
}

MidiFile MidiFile::Load(const std::string& path)
{
    return Load(*FolderDiscFs(std::filesystem::path(path).parent_path()), path);
}

MidiFile MidiFile::Load(const DiscFs& disc, const std::filesystem::path& file)
{
    const std::string path = file.string();
    const DiscEntry entry = disc.Stat(file);
    std::unique_ptr<DiscReader> in = entry.kind == DiscEntryKind::kFile ? disc.Open(file) : nullptr;
    if (!in)
        Fail("Cannot open the MIDI file " + path + ".");
    if (entry.size > kMaxBytes)
        Fail("The MIDI file " + path + " is too large.");
    // No more than the cap is read, whatever size the disc gave.
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::size_t got = in->Read(buffer, sizeof buffer);
        bytes.append(buffer, got);
        if (bytes.size() > kMaxBytes)
            Fail("The MIDI file " + path + " is too large.");
        if (got < sizeof buffer)
            break;
    }
    if (in->Failed())
        Fail("Cannot read the MIDI file " + path + ".");
    try {
        return Parse(bytes);
    } catch (const MidiFileError& e) {
        Fail(std::string(e.what()) + " (" + path + ")");
    }
}
