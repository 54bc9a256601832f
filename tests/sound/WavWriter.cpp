#include "WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Chunk(const char* id, const std::string& body)
{
    std::string out(id, 4);
    PutLe(out, static_cast<std::uint32_t>(body.size()), 4);
    out += body;
    if (body.size() % 2)
        out += '\0';
    return out;
}

std::int16_t ToInt16(float s)
{
    return static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f));
}

}  // namespace

std::string RiffWave(int format_tag, int channels, int rate, int bits, int block_align,
                     const std::string& data, const std::string& fmt_extra)
{
    std::string fmt;
    PutLe(fmt, static_cast<std::uint32_t>(format_tag), 2);
    PutLe(fmt, static_cast<std::uint32_t>(channels), 2);
    PutLe(fmt, static_cast<std::uint32_t>(rate), 4);
    PutLe(fmt, static_cast<std::uint32_t>(rate * block_align), 4);
    PutLe(fmt, static_cast<std::uint32_t>(block_align), 2);
    PutLe(fmt, static_cast<std::uint32_t>(bits), 2);
    fmt += fmt_extra;
    return Chunk("RIFF", std::string("WAVE") + Chunk("fmt ", fmt) + Chunk("data", data));
}

std::string Pcm16(const std::vector<float>& samples)
{
    std::string out;
    for (float s : samples)
        PutLe(out, static_cast<std::uint16_t>(ToInt16(s)), 2);
    return out;
}

std::string Float32(const std::vector<float>& samples)
{
    std::string out;
    for (float s : samples) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &s, sizeof bits);
        PutLe(out, bits, 4);
    }
    return out;
}

std::string ImaAdpcmWave(const std::vector<float>& samples, int rate, int block_align, std::size_t& frames)
{
    static const int kSteps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
        25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
        88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
        307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
        1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
        3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
        12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int kIndexStep[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

    // One block: a header (the first sample and the step index), then two samples a byte, low nibble first.
    const std::size_t per_block = static_cast<std::size_t>(block_align - 4) * 2 + 1;
    const std::size_t blocks = std::max<std::size_t>(1, (samples.size() + per_block - 1) / per_block);
    frames = blocks * per_block;
    std::string data;
    int index = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        auto sample = [&](std::size_t i) {
            const std::size_t at = b * per_block + i;
            return at < samples.size() ? int{ToInt16(samples[at])} : 0;
        };
        int predicted = sample(0);
        PutLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(predicted)), 2);
        data += static_cast<char>(index);
        data += '\0';
        unsigned char byte = 0;
        for (std::size_t i = 1; i < per_block; ++i) {
            int diff = sample(i) - predicted;
            int nibble = 0;
            if (diff < 0) {
                nibble = 8;
                diff = -diff;
            }
            int step = kSteps[index];
            int delta = step >> 3;
            for (int bit = 4; bit >= 1; bit >>= 1) {
                if (diff >= step) {
                    nibble |= bit;
                    diff -= step;
                    delta += step;
                }
                step >>= 1;
            }
            predicted = std::clamp(predicted + ((nibble & 8) ? -delta : delta), -32768, 32767);
            index = std::clamp(index + kIndexStep[nibble], 0, 88);
            if (i % 2 == 1) {
                byte = static_cast<unsigned char>(nibble);
            } else {
                data += static_cast<char>(byte | (nibble << 4));
            }
        }
    }
    std::string extra;
    PutLe(extra, 2, 2);  // cbSize
    PutLe(extra, static_cast<std::uint32_t>(per_block), 2);
    return RiffWave(0x11, 1, rate, 4, block_align, data, extra);
}

std::vector<float> Sine(std::size_t count, double hz, int rate, float level)
{
    std::vector<float> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = level * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    return out;
}
