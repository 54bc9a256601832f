#include "demo/DemoFormats.h"

#include <gif_lib.h>

#include <QBuffer>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <tuple>

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutBe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A RIFF chunk: id, little-endian size, data, and a pad byte when the size is odd.
std::string Chunk(const char* id, const std::string& data)
{
    std::string out(id, 4);
    PutLe(out, static_cast<std::uint32_t>(data.size()), 4);
    out += data;
    if (data.size() % 2 != 0)
        out += '\0';
    return out;
}

// The colour a 15-bit bucket key stands for when no pixel fell into it.
int BucketKey(QRgb c)
{
    return ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
}

// A palette made of the most used 15-bit colour buckets (each the mean of its pixels), and the
// nearest palette entry for every bucket met.
class Palette {
public:
    explicit Palette(const std::vector<QImage>& frames)
    {
        std::map<int, std::array<std::uint64_t, 4>> buckets;  // r, g, b sums and count
        for (const QImage& frame : frames) {
            const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < rgb.height(); ++y) {
                const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                for (int x = 0; x < rgb.width(); ++x) {
                    auto& b = buckets[BucketKey(row[x])];
                    b[0] += static_cast<std::uint64_t>(qRed(row[x]));
                    b[1] += static_cast<std::uint64_t>(qGreen(row[x]));
                    b[2] += static_cast<std::uint64_t>(qBlue(row[x]));
                    b[3] += 1;
                }
            }
        }
        std::vector<std::pair<std::uint64_t, int>> by_use;
        for (const auto& [key, b] : buckets)
            by_use.emplace_back(b[3], key);
        std::sort(by_use.begin(), by_use.end(), [](const auto& a, const auto& b) {
            return std::tie(b.first, a.second) < std::tie(a.first, b.second);
        });
        for (std::size_t i = 0; i < by_use.size() && i < 256; ++i) {
            const auto& b = buckets[by_use[i].second];
            colours_.push_back(GifColorType{static_cast<GifByteType>(b[0] / b[3]),
                                            static_cast<GifByteType>(b[1] / b[3]),
                                            static_cast<GifByteType>(b[2] / b[3])});
        }
        while (colours_.size() < 2 || (colours_.size() & (colours_.size() - 1)) != 0)
            colours_.push_back(GifColorType{0, 0, 0});
    }

    int BitsPerPixel() const
    {
        int bits = 1;
        while ((1u << bits) < colours_.size())
            ++bits;
        return bits;
    }

    std::vector<GifColorType>& Colours() { return colours_; }

    GifByteType Index(QRgb c)
    {
        const int key = BucketKey(c);
        auto found = nearest_.find(key);
        if (found != nearest_.end())
            return found->second;
        int best = 0;
        long best_distance = -1;
        for (std::size_t i = 0; i < colours_.size(); ++i) {
            const long dr = colours_[i].Red - qRed(c);
            const long dg = colours_[i].Green - qGreen(c);
            const long db = colours_[i].Blue - qBlue(c);
            const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (best_distance < 0 || d < best_distance) {
                best_distance = d;
                best = static_cast<int>(i);
            }
        }
        const auto index = static_cast<GifByteType>(best);
        nearest_.emplace(key, index);
        return index;
    }

private:
    std::vector<GifColorType> colours_;
    std::map<int, GifByteType> nearest_;
};

int AppendToString(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

// The BITMAPINFOHEADER, BGRA rows and AND mask of one cursor image (rows bottom-up).
std::string CursorImageData(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();
    const int mask_stride = ((w + 31) / 32) * 4;
    std::string out;
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(w), 4);
    PutLe(out, static_cast<std::uint32_t>(h * 2), 4);
    PutLe(out, 1, 2);
    PutLe(out, 32, 2);
    PutLe(out, 0, 4);
    PutLe(out, static_cast<std::uint32_t>(w * h * 4 + mask_stride * h), 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x)
            PutLe(out, row[x], 4);  // 0xAARRGGBB little-endian is B, G, R, A
    }
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::string mask(static_cast<std::size_t>(mask_stride), '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) < 128)
                mask[static_cast<std::size_t>(x / 8)] =
                    static_cast<char>(mask[static_cast<std::size_t>(x / 8)] | (0x80 >> (x % 8)));
        }
        out += mask;
    }
    return out;
}

void PutVarLength(std::string& out, std::uint32_t value)
{
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0)
        bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    out += bytes;
}

}  // namespace

std::string EncodedPicture(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        throw std::runtime_error(std::string("cannot encode a picture as ") + format);
    return bytes.toStdString();
}

std::string GifFile(const std::vector<QImage>& frames, const std::vector<int>& delays_cs)
{
    if (frames.empty())
        throw std::runtime_error("a GIF needs a frame");
    Palette palette(frames);
    const int w = frames.front().width();
    const int h = frames.front().height();
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToString, &error);
    if (!gif)
        throw std::runtime_error("cannot start a GIF");
    EGifSetGifVersion(gif, true);
    ColorMapObject* map =
        GifMakeMapObject(static_cast<int>(palette.Colours().size()), palette.Colours().data());
    bool ok = map && EGifPutScreenDesc(gif, w, h, palette.BitsPerPixel(), 0, map) == GIF_OK;
    if (ok && frames.size() > 1) {
        const GifByteType loop[3] = {1, 0, 0};  // loop forever
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
             EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    std::vector<GifByteType> row(static_cast<std::size_t>(w));
    for (std::size_t f = 0; ok && f < frames.size(); ++f) {
        if (frames.size() > 1 || f < delays_cs.size()) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = DISPOSE_DO_NOT;
            gcb.DelayTime = f < delays_cs.size() ? delays_cs[f] : 10;
            gcb.TransparentColor = NO_TRANSPARENT_COLOR;
            GifByteType ext[4];
            const size_t length = EGifGCBToExtension(&gcb, ext);
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), ext) == GIF_OK;
        }
        ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        const QImage rgb = frames[f].convertToFormat(QImage::Format_RGB32);
        for (int y = 0; ok && y < h; ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < w; ++x)
                row[static_cast<std::size_t>(x)] = palette.Index(src[x]);
            ok = EGifPutLine(gif, row.data(), w) == GIF_OK;
        }
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok)
        throw std::runtime_error("cannot write a GIF");
    return out;
}

std::string CursorFile(const QImage& image, int hot_x, int hot_y)
{
    const std::string data = CursorImageData(image);
    std::string out;
    PutLe(out, 0, 2);
    PutLe(out, 2, 2);  // a cursor
    PutLe(out, 1, 2);
    out += static_cast<char>(image.width() & 0xFF);
    out += static_cast<char>(image.height() & 0xFF);
    out += '\0';
    out += '\0';
    PutLe(out, static_cast<std::uint32_t>(hot_x), 2);
    PutLe(out, static_cast<std::uint32_t>(hot_y), 2);
    PutLe(out, static_cast<std::uint32_t>(data.size()), 4);
    PutLe(out, 22, 4);
    return out + data;
}

std::string AnimatedCursorFile(const std::vector<QImage>& frames, int hot_x, int hot_y, int jiffies)
{
    std::string header;
    PutLe(header, 36, 4);
    PutLe(header, static_cast<std::uint32_t>(frames.size()), 4);  // frames
    PutLe(header, static_cast<std::uint32_t>(frames.size()), 4);  // steps
    for (int i = 0; i < 4; ++i)
        PutLe(header, 0, 4);  // width, height, bit count, planes: taken from the frames
    PutLe(header, static_cast<std::uint32_t>(jiffies), 4);
    PutLe(header, 1, 4);  // the frames are icon (cursor) files
    std::string list = "fram";
    for (const QImage& frame : frames)
        list += Chunk("icon", CursorFile(frame, hot_x, hot_y));
    std::string info = "INFO";
    info += Chunk("INAM", std::string("ZUL link\0", 9));
    const std::string body = std::string("ACON") + Chunk("LIST", info) + Chunk("anih", header) +
                             Chunk("LIST", list);
    return Chunk("RIFF", body);
}

std::string WavFile(const std::vector<float>& samples, int rate, int bits)
{
    if (bits != 8 && bits != 16)
        throw std::runtime_error("WAV samples are 8 or 16 bits here");
    const int bytes_per_sample = bits / 8;
    std::string fmt;
    PutLe(fmt, 1, 2);  // PCM
    PutLe(fmt, 1, 2);  // mono
    PutLe(fmt, static_cast<std::uint32_t>(rate), 4);
    PutLe(fmt, static_cast<std::uint32_t>(rate * bytes_per_sample), 4);
    PutLe(fmt, static_cast<std::uint32_t>(bytes_per_sample), 2);
    PutLe(fmt, static_cast<std::uint32_t>(bits), 2);
    std::string data;
    data.reserve(samples.size() * static_cast<std::size_t>(bytes_per_sample));
    for (float s : samples) {
        const float clipped = std::clamp(s, -1.0f, 1.0f);
        if (bits == 8)
            data += static_cast<char>(static_cast<std::uint8_t>(std::lround(128.0f + clipped * 127.0f)));
        else
            PutLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clipped * 32767.0f))), 2);
    }
    return Chunk("RIFF", std::string("WAVE") + Chunk("fmt ", fmt) + Chunk("data", data));
}

std::string MidiFile(const std::vector<MidiNote>& notes, int ticks_per_quarter, int tempo_us,
                     const std::vector<std::pair<int, int>>& channel_programs)
{
    // (tick, order, bytes): note-offs sort before note-ons of the same tick.
    std::vector<std::tuple<int, int, std::string>> events;
    std::string tempo("\xFF\x51\x03", 3);
    PutBe(tempo, static_cast<std::uint32_t>(tempo_us), 3);
    events.emplace_back(0, 0, tempo);
    for (const auto& [channel, program] : channel_programs) {
        std::string change;
        change += static_cast<char>(0xC0 | (channel & 0x0F));
        change += static_cast<char>(program & 0x7F);
        events.emplace_back(0, 1, change);
    }
    for (const MidiNote& n : notes) {
        std::string on, off;
        on += static_cast<char>(0x90 | (n.channel & 0x0F));
        on += static_cast<char>(n.key & 0x7F);
        on += static_cast<char>(n.velocity & 0x7F);
        off += static_cast<char>(0x80 | (n.channel & 0x0F));
        off += static_cast<char>(n.key & 0x7F);
        off += static_cast<char>(64);
        events.emplace_back(n.start, 3, on);
        events.emplace_back(n.start + n.length, 2, off);
    }
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::string track;
    int now = 0;
    for (const auto& [tick, order, bytes] : events) {
        PutVarLength(track, static_cast<std::uint32_t>(tick - now));
        track += bytes;
        now = tick;
    }
    PutVarLength(track, static_cast<std::uint32_t>(ticks_per_quarter));
    track += std::string("\xFF\x2F\x00", 3);
    std::string out = "MThd";
    PutBe(out, 6, 4);
    PutBe(out, 0, 2);
    PutBe(out, 1, 2);
    PutBe(out, static_cast<std::uint32_t>(ticks_per_quarter), 2);
    out += "MTrk";
    PutBe(out, static_cast<std::uint32_t>(track.size()), 4);
    return out + track;
}

std::string RmidFile(const std::string& midi)
{
    return Chunk("RIFF", std::string("RMID") + Chunk("data", midi));
}

namespace {

// One silent frame, as described at SilentMp3; with `tag`, the length header for `frames`.
std::string SilentMp3Frame(int sample_rate, const char* tag, std::uint32_t frames)
{
    int rate_index = 0;
    switch (sample_rate) {
    case 44100: rate_index = 0; break;
    case 48000: rate_index = 1; break;
    case 32000: rate_index = 2; break;
    default: throw std::invalid_argument("no MPEG-1 sample rate: " + std::to_string(sample_rate));
    }
    const std::size_t size = static_cast<std::size_t>(144 * 128000 / sample_rate);
    std::string f(size, '\0');
    f[0] = '\xFF';  // frame sync, MPEG-1, Layer III, no CRC
    f[1] = '\xFB';
    f[2] = static_cast<char>(0x90 | rate_index << 2);  // 128 kbit/s, the rate, no padding
    // f[3] == 0: stereo, no emphasis.
    if (tag != nullptr) {
        // After the 4-byte header and 32 bytes of side information: the tag, its flags (only the
        // frame count is given) and the count, big-endian.
        f.replace(36, 4, tag);
        const std::uint32_t flags = 1;
        for (int i = 0; i < 4; ++i) {
            f[static_cast<std::size_t>(40 + i)] = static_cast<char>(flags >> (24 - 8 * i));
            f[static_cast<std::size_t>(44 + i)] = static_cast<char>(frames >> (24 - 8 * i));
        }
    }
    return f;
}

}  // namespace

std::string SilentMp3(int frames, int sample_rate, Mp3LengthHeader header)
{
    const char* tag = header == Mp3LengthHeader::Xing ? "Xing" : header == Mp3LengthHeader::Info ? "Info" : nullptr;
    const std::string frame = SilentMp3Frame(sample_rate, nullptr, 0);
    std::string out;
    out.reserve(frame.size() * static_cast<std::size_t>(std::max(frames, 0) + 1));
    if (tag != nullptr)
        out += SilentMp3Frame(sample_rate, tag, static_cast<std::uint32_t>(std::max(frames, 0)));
    for (int i = 0; i < frames; ++i)
        out += frame;
    return out;
}
