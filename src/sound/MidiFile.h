// A Standard MIDI File (type 0 or 1) read from memory, as the music tabs play it: its tracks are
// walked once to check the file and to learn its tempo map, so that the length in milliseconds is
// known before anything plays. A `.rmi` file (a RIFF `RMID` form) is unwrapped first; the bytes
// of the MIDI file inside are kept for the synthesiser.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

class DiscFs;

// Why a file cannot be played: one sentence, fit for a message box.
class MidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MidiFile {
public:
    // Largest file the menu reads (a real track is a few hundred kilobytes at most).
    static constexpr std::size_t kMaxBytes = 16u << 20;

    // Reads a MIDI file, or a `.rmi` file around one, from its bytes. Throws MidiFileError for
    // anything that is not a sound type 0 or type 1 file.
    static MidiFile Parse(std::string_view bytes);
    // Reads the file at a host path; throws MidiFileError when it cannot be read or parsed.
    static MidiFile Load(const std::string& path);
    // The same for the file `path` of `disc`; the messages name `path`.
    static MidiFile Load(const DiscFs& disc, const std::filesystem::path& path);

    int Format() const { return format_; }
    int TrackCount() const { return tracks_; }
    // The raw division word: ticks per quarter note, or (top bit set) SMPTE frames and ticks.
    std::uint16_t Division() const { return division_; }
    // The tick of the last End-of-Track (or of the last event of a track without one).
    std::uint64_t EndTick() const { return end_tick_; }
    // Playing time up to EndTick, in microseconds and in whole milliseconds (rounded).
    double LengthMicros() const { return length_us_; }
    std::int64_t LengthMs() const;
    // The Standard MIDI File for the synthesiser: the file itself (for a `.rmi` file, the
    // contents of its `data` chunk). A file timed in SMPTE frames is given the same timing in
    // ticks per quarter note, the only timing the synthesiser reads.
    const std::string& SmfBytes() const { return smf_; }
    bool WasRiff() const { return riff_; }

private:
    MidiFile() = default;

    std::string smf_;
    int format_ = 0;
    int tracks_ = 0;
    std::uint16_t division_ = 0;
    std::uint64_t end_tick_ = 0;
    double length_us_ = 0.0;
    bool riff_ = false;
};
