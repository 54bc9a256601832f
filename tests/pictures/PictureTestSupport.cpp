#include "PictureTestSupport.h"

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

}  // namespace

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
        out += static_cast<char>(image.local.empty() ? 0 : 0x80 | PutTable(local, image.local));
        out += local;
        out += static_cast<char>(gif.code_size);
        out += Lzw(image.indexes, gif.code_size);
    }
    if (gif.trailer)
        out += ';';
    return out;
}
