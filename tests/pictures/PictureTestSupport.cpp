#include "PictureTestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace {

void Put16(std::string& out, int v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

// A colour table padded to a power of two; returns the flag bits for its size.
int PutTable(std::string& out, const std::vector<QRgb>& table)
{
    int bits = 1;
    while ((1u << bits) < table.size())
        ++bits;
    for (std::size_t i = 0; i < (1u << bits); ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        out += static_cast<char>(qRed(c));
        out += static_cast<char>(qGreen(c));
        out += static_cast<char>(qBlue(c));
    }
    return bits - 1;
}

std::string Lzw(const std::vector<std::uint8_t>& indexes, int code_size)
{
    std::string bytes;
    std::uint32_t acc = 0;
    int nbits = 0;
    const int width = code_size + 1;
    auto put_code = [&](unsigned code) {
        acc |= code << nbits;
        nbits += width;
        while (nbits >= 8) {
            bytes += static_cast<char>(acc & 0xFF);
            acc >>= 8;
            nbits -= 8;
        }
    };
    const unsigned clear = 1u << code_size;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (i % 2 == 0)
            put_code(clear);
        put_code(indexes[i]);
    }
    put_code(clear + 1);
    if (nbits > 0)
        bytes += static_cast<char>(acc & 0xFF);
    std::string blocks;
    for (std::size_t at = 0; at < bytes.size(); at += 255) {
        const std::string part = bytes.substr(at, 255);
        blocks += static_cast<char>(part.size());
        blocks += part;
    }
    return blocks + '\0';
}

// The rows of an image in the order an interlaced image stores them.
std::vector<std::uint8_t> InterlacedRows(const std::vector<std::uint8_t>& indexes, int width, int height)
{
    std::vector<std::uint8_t> stored;
    stored.reserve(indexes.size());
    const int start[] = {0, 4, 2, 1};
    const int step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            stored.insert(stored.end(), indexes.begin() + static_cast<std::ptrdiff_t>(y) * width,
                          indexes.begin() + static_cast<std::ptrdiff_t>(y + 1) * width);
    return stored;
}

std::string Encoded(const QImage& image, const char* format, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        throw std::runtime_error(std::string("Qt cannot write ") + format + ": " + writer.errorString().toStdString());
    return bytes.toStdString();
}

}  // namespace

QImage TestPattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(255 * x / width, 255 * y / height, 255 - 255 * (x + y) / (width + height)));
    QPainter painter(&image);
    painter.fillRect(width / 4, height / 4, width / 4, height / 2, qRgb(250, 250, 250));
    painter.fillRect(width / 2, height / 3, width / 3, height / 3, qRgb(10, 20, 30));
    return image;
}

std::string JpegBytes(const QImage& image, bool progressive)
{
    return Encoded(image, "JPG", progressive);
}

std::string BmpBytes(const QImage& image)
{
    return Encoded(image, "BMP", false);
}

namespace {

struct JpegWriteError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegWriteErrorExit(j_common_ptr cinfo)
{
    auto* error = reinterpret_cast<JpegWriteError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// The compression itself; holds no C++ objects (libjpeg longjmps out of it on failure). `rows`
// are `components` bytes a pixel, ready for the input colour space set.
bool CompressJpeg(jpeg_compress_struct* cinfo, JpegWriteError* error, const JpegStorage& storage, int width,
                  int height, int components, const unsigned char* rows, unsigned char** out, unsigned long* size)
{
    if (setjmp(error->jump) != 0)
        return false;
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, out, size);
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = components;
    cinfo->in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(cinfo);
    using C = JpegStorage::Colours;
    if (storage.colours == C::Cmyk)
        jpeg_set_colorspace(cinfo, JCS_CMYK);  // writes the Adobe marker
    else if (storage.colours == C::Ycck)
        jpeg_set_colorspace(cinfo, JCS_YCCK);
    jpeg_set_quality(cinfo, storage.quality, TRUE);
    cinfo->comp_info[0].h_samp_factor = storage.h_sampling;
    cinfo->comp_info[0].v_samp_factor = storage.v_sampling;
    for (int i = 1; i < cinfo->num_components; ++i)
        cinfo->comp_info[i].h_samp_factor = cinfo->comp_info[i].v_samp_factor = 1;
    cinfo->restart_interval = static_cast<unsigned>(storage.restart_interval);
    cinfo->arith_code = storage.arithmetic ? TRUE : FALSE;
    if (storage.progressive)
        jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    while (cinfo->next_scanline < cinfo->image_height) {
        auto row = const_cast<JSAMPROW>(rows + cinfo->next_scanline * stride);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

std::string JpegBytes(const QImage& image, const JpegStorage& storage)
{
    using C = JpegStorage::Colours;
    const int components = storage.colours == C::Grey ? 1 : storage.colours == C::YCbCr ? 3 : 4;
    std::vector<unsigned char> rows;
    rows.reserve(static_cast<std::size_t>(image.width()) * image.height() * components);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (components == 1) {
                rows.push_back(static_cast<unsigned char>(qGray(p)));
            } else if (components == 3) {
                rows.insert(rows.end(), {static_cast<unsigned char>(qRed(p)), static_cast<unsigned char>(qGreen(p)),
                                         static_cast<unsigned char>(qBlue(p))});
            } else {  // inks stored inverted, as Adobe's programs write them
                const int k = std::min({255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p)});
                rows.insert(rows.end(), {static_cast<unsigned char>(255 - (255 - qRed(p) - k)),
                                         static_cast<unsigned char>(255 - (255 - qGreen(p) - k)),
                                         static_cast<unsigned char>(255 - (255 - qBlue(p) - k)),
                                         static_cast<unsigned char>(255 - k)});
            }
        }
    jpeg_compress_struct cinfo{};
    JpegWriteError error{};
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = JpegWriteErrorExit;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool written =
        CompressJpeg(&cinfo, &error, storage, image.width(), image.height(), components, rows.data(), &out, &size);
    jpeg_destroy_compress(&cinfo);
    std::string bytes = written && out != nullptr ? std::string(reinterpret_cast<const char*>(out), size) : "";
    std::free(out);
    if (!written)
        throw std::runtime_error(std::string("libjpeg cannot write the test picture: ") + error.message);
    return bytes;
}

std::string PictureOutcome(const std::string& name, const std::string& bytes, bool check)
{
    std::unique_ptr<Picture> picture = MakePicture(name);
    if (!picture)
        throw std::logic_error("no picture kind for " + name);
    std::string outcome = "decodes";
    try {
        if (check)
            picture->CheckBytes(bytes, name);
        else
            picture->LoadFromBytes(bytes, name);
    } catch (const PictureError& e) {
        outcome = e.what();
    }
    if (check) {
        EXPECT_TRUE(picture->Image().isNull()) << name << ": a check left a picture";
    }
    return outcome;
}

std::string ExpectCheckAgrees(const std::string& name, const std::string& bytes, const std::string& label)
{
    const std::string decoded = PictureOutcome(name, bytes, false);
    EXPECT_EQ(PictureOutcome(name, bytes, true), decoded) << label;
    return decoded;
}

std::string IndexedBitmap(const QImage& indexed, int bits, bool run_length)
{
    if (indexed.format() != QImage::Format_Indexed8 || (bits != 1 && bits != 4 && bits != 8) ||
        (run_length && bits == 1) || indexed.colorCount() > (1 << bits))
        throw std::logic_error("no such bitmap");
    const int w = indexed.width(), h = indexed.height();
    std::string pixels;
    for (int y = h - 1; y >= 0; --y) {
        const uchar* row = indexed.constScanLine(y);
        if (run_length) {
            for (int x = 0; x < w;) {
                int n = 1;
                while (x + n < w && n < 255 && row[x + n] == row[x])
                    ++n;
                pixels += static_cast<char>(n);
                pixels += static_cast<char>(bits == 4 ? row[x] << 4 | row[x] : row[x]);
                x += n;
            }
            pixels += std::string(y == 0 ? "\0\1" : "\0\0", 2);  // end of bitmap, end of line
            continue;
        }
        std::string line(static_cast<std::size_t>((w * bits + 31) / 32 * 4), '\0');
        for (int x = 0; x < w; ++x) {
            const int bit = x * bits;
            line[static_cast<std::size_t>(bit / 8)] =
                static_cast<char>(line[static_cast<std::size_t>(bit / 8)] | row[x] << (8 - bits - bit % 8));
        }
        pixels += line;
    }
    const int colours = 1 << bits;
    std::string b = "BM";
    PutLe32(b, static_cast<std::uint32_t>(14 + 40 + 4 * colours + pixels.size()));
    PutLe32(b, 0);
    PutLe32(b, static_cast<std::uint32_t>(14 + 40 + 4 * colours));
    PutLe32(b, 40);
    PutLe32(b, static_cast<std::uint32_t>(w));
    PutLe32(b, static_cast<std::uint32_t>(h));
    PutLe16(b, 1);
    PutLe16(b, static_cast<std::uint16_t>(bits));
    PutLe32(b, run_length ? (bits == 8 ? 1 : 2) : 0);
    PutLe32(b, static_cast<std::uint32_t>(pixels.size()));
    PutLe32(b, 2835);
    PutLe32(b, 2835);
    PutLe32(b, static_cast<std::uint32_t>(colours));
    PutLe32(b, 0);
    for (int i = 0; i < colours; ++i)
        PutLe32(b, i < indexed.colorCount() ? indexed.color(i) & 0xFFFFFFu : 0);
    return b + pixels;
}

std::string TopDownBitmap(const std::string& bottom_up)
{
    auto le32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bottom_up.at(at))) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bottom_up.at(at + 1))) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bottom_up.at(at + 2))) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bottom_up.at(at + 3))) << 24;
    };
    const std::size_t offset = le32(10);
    const auto width = static_cast<std::int32_t>(le32(18));
    const auto height = static_cast<std::int32_t>(le32(22));
    const std::size_t bits = static_cast<unsigned char>(bottom_up.at(28));
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    if (height <= 0 || le32(30) != 0)
        throw std::logic_error("not a plain bottom-up bitmap");
    std::string out = bottom_up.substr(0, offset);
    std::string negative;
    PutLe32(negative, static_cast<std::uint32_t>(-height));
    out.replace(22, 4, negative);
    for (std::int32_t row = height - 1; row >= 0; --row)
        out += bottom_up.substr(offset + static_cast<std::size_t>(row) * stride, stride);
    return out;
}

void ExpectDamageGivesOnlyPictureErrors(const std::string& label, const std::string& bytes)
{
    std::vector<std::string> variants;
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{6}, std::size_t{13}, std::size_t{40},
                            bytes.size() / 3, bytes.size() / 2, bytes.size() - 1})
        variants.push_back(bytes.substr(0, std::min(cut, bytes.size())));
    std::uint32_t seed = 12345;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
    for (int round = 0; round < 6 && !bytes.empty(); ++round) {
        std::string changed = bytes;
        for (int i = 0; i < 4; ++i)
            changed[next() % changed.size()] = static_cast<char>(next() >> 24);
        variants.push_back(changed);
    }
    for (const std::string& v : variants) {
        for (const char* name : {"x.bmp", "x.gif", "x.jpg"}) {
            std::unique_ptr<Picture> picture = MakePicture(name);
            std::string outcome = "decodes";
            try {
                picture->LoadFromBytes(v, name);
                EXPECT_FALSE(picture->Image().isNull()) << label;
            } catch (const PictureError& e) {
                EXPECT_TRUE(picture->Image().isNull()) << label;
                outcome = e.what();
            }
            EXPECT_EQ(PictureOutcome(name, v, true), outcome) << label << " as " << name;
        }
    }
}

std::string WriteGif(const TestGif& gif)
{
    std::string out = "GIF89a";
    Put16(out, gif.width);
    Put16(out, gif.height);
    std::string table;
    int flags = 0;
    if (!gif.global.empty())
        flags = 0x80 | 0x70 | PutTable(table, gif.global);
    out += static_cast<char>(flags);
    out += static_cast<char>(gif.background);
    out += '\0';
    out += table;
    if (gif.loop >= 0) {
        out += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        Put16(out, gif.loop);
        out += '\0';
    }
    for (const TestGifImage& image : gif.images) {
        if (image.control) {
            out += "\x21\xF9\x04";
            out += static_cast<char>((image.disposal << 2) | (image.transparent >= 0 ? 1 : 0));
            Put16(out, image.delay_cs);
            out += static_cast<char>(image.transparent >= 0 ? image.transparent : 0);
            out += '\0';
        }
        out += '\x2C';
        Put16(out, image.left);
        Put16(out, image.top);
        Put16(out, image.width);
        Put16(out, image.height);
        std::string local;
        const int interlace_flag = image.interlaced ? 0x40 : 0;
        out += static_cast<char>(interlace_flag | (image.local.empty() ? 0 : 0x80 | PutTable(local, image.local)));
        out += local;
        out += static_cast<char>(gif.code_size);
        out += Lzw(image.interlaced ? InterlacedRows(image.indexes, image.width, image.height) : image.indexes,
                   gif.code_size);
    }
    if (gif.trailer)
        out += ';';
    return out;
}
