// Helpers of the picture tests: sample files, decoding, pixel access, and a writer of small GIF
// files (uncompressed LZW: a clear code before every two pixels) for the cases no sample has.
#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "pictures/Picture.h"

// Little-endian integers appended to a byte string, for hand-made bitmaps.
inline void PutLe16(std::string& out, std::uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

inline void PutLe32(std::string& out, std::uint32_t v)
{
    PutLe16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    PutLe16(out, static_cast<std::uint16_t>(v >> 16));
}

inline std::string Sample(const std::string& rel)
{
    return ReadFileBytes("../shared/samples/" + rel);
}

// Decodes `bytes` as the picture kind of `name`'s extension.
inline std::unique_ptr<Picture> Decode(const std::string& name, const std::string& bytes)
{
    std::unique_ptr<Picture> picture = MakePicture(name);
    if (!picture)
        throw std::logic_error("no picture kind for " + name);
    picture->LoadFromBytes(bytes, name);
    return picture;
}

inline std::unique_ptr<Picture> DecodeSample(const std::string& rel)
{
    return Decode(rel, Sample(rel));
}

// The pixel as 0xAARRGGBB, not premultiplied, whatever the image's format.
inline QRgb Pixel(const QImage& image, int x, int y)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

struct TestGifImage {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<QRgb> local;  // local colour table; empty for none
    std::vector<std::uint8_t> indexes;
    bool control = false;     // write a graphic control extension
    int transparent = -1, disposal = 0, delay_cs = 0;
};

struct TestGif {
    int width = 0, height = 0;
    std::vector<QRgb> global;  // empty for none
    int background = 0;
    int code_size = 2;         // LZW minimum code size: indexes up to 2^code_size - 1
    std::vector<TestGifImage> images;
    bool trailer = true;
};

std::string WriteGif(const TestGif& gif);
