// Helpers of the picture tests: decoding, pixel access, the test pictures encoded by Qt (JPEG,
// BMP), a writer of small GIF files (uncompressed LZW: a clear code before every two pixels) that
// can write every case the decoder must handle, and the sample files.
#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pictures/Picture.h"
#include "support/Samples.h"
#include "support/TempDir.h"

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
    return SampleBytes(rel);
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
    std::vector<std::uint8_t> indexes;  // rows top to bottom, whatever the storage
    bool control = false;     // write a graphic control extension
    int transparent = -1, disposal = 0, delay_cs = 0;
    bool interlaced = false;  // rows stored in the four passes of an interlaced image
};

struct TestGif {
    int width = 0, height = 0;
    std::vector<QRgb> global;  // empty for none
    int background = 0;
    int code_size = 2;         // LZW minimum code size: indexes up to 2^code_size - 1
    int loop = -1;             // >= 0: a NETSCAPE2.0 block with this loop count (0: for ever)
    std::vector<TestGifImage> images;
    bool trailer = true;
};

std::string WriteGif(const TestGif& gif);

// A picture of smooth colour gradients with a few sharp edges, as skins have: the source of the
// JPEG and BMP fixtures.
QImage TestPattern(int width, int height);

// `image` encoded by Qt's writers, in memory.
std::string JpegBytes(const QImage& image, bool progressive = false);
std::string BmpBytes(const QImage& image);

// The storages of a JPEG that Qt's writer does not offer, written by libjpeg itself.
struct JpegStorage {
    enum class Colours { YCbCr, Grey, Cmyk, Ycck } colours = Colours::YCbCr;
    int h_sampling = 2, v_sampling = 2;  // of the first component; the others are sampled 1x1
    int restart_interval = 0;            // a restart marker every this many MCUs (0: none)
    bool arithmetic = false;             // arithmetic coding instead of Huffman's
    bool progressive = false;
    int quality = 85;
};
std::string JpegBytes(const QImage& image, const JpegStorage& storage);

// What a picture of `name`'s kind makes of `bytes`: "decodes", or the text of its PictureError.
// With `check` through CheckBytes, which must leave the picture empty either way.
std::string PictureOutcome(const std::string& name, const std::string& bytes, bool check);

// Expects CheckBytes to raise exactly what LoadFromBytes raises for `bytes` (or nothing when it
// decodes); returns the decode's outcome.
std::string ExpectCheckAgrees(const std::string& name, const std::string& bytes, const std::string& label);

// A Windows bitmap of an indexed picture (QImage::Format_Indexed8, at most 2^bits colours)
// written by hand: `bits` 1, 4 or 8 per pixel, stored plain or run-length encoded (RLE8 for 8
// bits, RLE4 for 4: runs of one index, a row's end and the bitmap's end marked), rows bottom-up.
std::string IndexedBitmap(const QImage& indexed, int bits, bool run_length = false);

// The same bitmap file with its rows stored top-down (a negative height), for plain storage.
std::string TopDownBitmap(const std::string& bottom_up);

// Cuts `bytes` short at many places and changes a few bytes of it at random (from a fixed seed),
// and decodes every variant as a BMP, a GIF and a JPEG: each either decodes to a picture or
// raises PictureError and leaves the picture empty, and a check of it says the same. Run under
// the sanitizers this also finds reads past the bytes.
void ExpectDamageGivesOnlyPictureErrors(const std::string& label, const std::string& bytes);
