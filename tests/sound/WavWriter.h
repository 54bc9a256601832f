// WAV files of the encodings the event player reads, written for the tests: any PCM or float
// layout, and IMA ADPCM (mono) from an encoder of our own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A RIFF WAVE file of one `fmt ` chunk (with `fmt_extra` after its 16 bytes, cbSize included)
// and one `data` chunk.
std::string RiffWave(int format_tag, int channels, int rate, int bits, int block_align,
                     const std::string& data, const std::string& fmt_extra = {});

// Interleaved samples in -1..1 as little-endian 16-bit PCM, or as 32-bit float.
std::string Pcm16(const std::vector<float>& samples);
std::string Float32(const std::vector<float>& samples);

// A mono IMA ADPCM WAV of whole blocks of `block_align` bytes: the samples, padded with silence
// to a whole number of blocks. `frames` receives how many sample frames the file holds.
std::string ImaAdpcmWave(const std::vector<float>& samples, int rate, int block_align, std::size_t& frames);

// `count` samples of a sine of `hz` at `rate`, of amplitude `level`.
std::vector<float> Sine(std::size_t count, double hz, int rate, float level = 0.5f);
