// File formats of the demo disc that Qt does not write for us: GIF (still and animated), Windows
// cursors (.cur) and animated cursors (.ani), PCM WAV sounds, Standard MIDI Files and their RIFF
// RMID wrapping, and mp3 files of silence. Every writer returns the whole file as bytes.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

// The picture encoded by Qt in `format` ("BMP", "JPG"); throws when Qt cannot encode it.
std::string EncodedPicture(const QImage& image, const char* format, int quality = 90);

// A GIF89a file of one or more frames of the same size, sharing one palette of at most 256
// colours made from the frames' own colours. `delays_cs` gives each frame's delay in 1/100 s;
// with more than one frame a NETSCAPE2.0 block makes the animation loop forever.
std::string GifFile(const std::vector<QImage>& frames, const std::vector<int>& delays_cs = {});

// A cursor file holding one 32-bit image (BGRA with its AND mask, taken from the alpha channel)
// with the hotspot (`hot_x`, `hot_y`).
std::string CursorFile(const QImage& image, int hot_x, int hot_y);

// An animated cursor (RIFF "ACON"): one cursor image per frame, all with the same hotspot,
// each shown for `jiffies` sixtieths of a second.
std::string AnimatedCursorFile(const std::vector<QImage>& frames, int hot_x, int hot_y, int jiffies);

// A PCM WAV file, mono, from samples in -1..1 at `rate` per second, stored with 8 or 16 bits.
std::string WavFile(const std::vector<float>& samples, int rate, int bits);

// One note of a MIDI track: start and length in ticks, key, velocity.
struct MidiNote {
    int start = 0;
    int length = 0;
    int key = 60;
    int velocity = 96;
    int channel = 0;
};

// A Standard MIDI File of format 0 with `ticks_per_quarter`, one tempo (microseconds per
// quarter), the General MIDI programs of the channels used, and the notes.
std::string MidiFile(const std::vector<MidiNote>& notes, int ticks_per_quarter, int tempo_us,
                     const std::vector<std::pair<int, int>>& channel_programs);

// The RIFF RMID wrapping of a Standard MIDI File.
std::string RmidFile(const std::string& midi);

// The header frame an mp3 file may start with, giving the number of frames that follow: "Xing"
// (as written by encoders for variable bitrates) or "Info" (for constant ones).
enum class Mp3LengthHeader { None, Xing, Info };

// An mp3 file of `frames` MPEG-1 Layer III frames of digital silence: 128 kbit/s, stereo, no CRC,
// no padding (417 bytes a frame at 44,100 Hz, 384 at 48,000, 576 at 32,000), each decoding to
// 1,152 samples of zero. Their side information and main data are all zero bits. With a length
// header, one more frame before them carries it, so that a decoder knows the exact length (it
// then also trims its own delay of 529 samples from the start). Throws for a `sample_rate` that
// MPEG-1 does not have.
std::string SilentMp3(int frames, int sample_rate, Mp3LengthHeader header = Mp3LengthHeader::None);
