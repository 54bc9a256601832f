#include "platform/CursorFile.h"

#include "disc/Files.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPixmap>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "platform/ScreenCursors.h"

namespace {

// A cursor file larger than this is not a cursor file; it is refused before it is read.
constexpr std::uintmax_t kMaxCursorFileBytes = 16u << 20;

// The largest cursor the screen shows at its normal size; bigger images are taken only when
// there is nothing smaller.
constexpr int kPreferredSide = 32;

bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

std::uint8_t Byte(std::string_view b, std::size_t at)
{
    return static_cast<std::uint8_t>(b[at]);
}

std::uint16_t Le16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(Byte(b, at) | Byte(b, at + 1) << 8);
}

std::uint32_t Le32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(Byte(b, at)) | static_cast<std::uint32_t>(Byte(b, at + 1)) << 8 |
           static_cast<std::uint32_t>(Byte(b, at + 2)) << 16 |
           static_cast<std::uint32_t>(Byte(b, at + 3)) << 24;
}

std::uint32_t Be32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(Byte(b, at)) << 24 | static_cast<std::uint32_t>(Byte(b, at + 1)) << 16 |
           static_cast<std::uint32_t>(Byte(b, at + 2)) << 8 | static_cast<std::uint32_t>(Byte(b, at + 3));
}

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

// A PNG-compressed cursor image, through Qt's reader; the size is checked before decoding.
std::optional<QImage> DecodePngImage(std::string_view d, std::string* error)
{
    if (d.size() < 24) {
        Fail(error, "the PNG image is cut short");
        return std::nullopt;
    }
    const std::uint32_t width = Be32(d, 16), height = Be32(d, 20);  // IHDR comes first
    if (width == 0 || height == 0 || width > kMaxCursorSide || height > kMaxCursorSide) {
        Fail(error, "bad PNG image size");
        return std::nullopt;
    }
    QByteArray data(d.data(), static_cast<qsizetype>(d.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        Fail(error, "the PNG image does not decode");
        return std::nullopt;
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A device-independent bitmap of an icon or cursor: the header, the colour table, the colour
// (XOR) rows and the transparency (AND) rows, both bottom-up, the header's height counting both.
// Where the AND mask is set the screen shows through a black pixel and is inverted by any other
// colour; an inverting pixel cannot be drawn by a picture cursor and is drawn black instead.
std::optional<QImage> DecodeDibImage(std::string_view d, std::string* error)
{
    if (d.size() < 40) {
        Fail(error, "the image header is cut short");
        return std::nullopt;
    }
    const std::uint32_t header_size = Le32(d, 0);
    if (header_size < 40 || header_size > d.size()) {
        Fail(error, "bad image header");
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(Le32(d, 4));
    const auto double_height = static_cast<std::int32_t>(Le32(d, 8));
    const std::uint16_t bits = Le16(d, 14);
    const std::uint32_t compression = Le32(d, 16);
    const std::uint32_t colours_used = Le32(d, 32);
    const std::int32_t height = double_height / 2;
    if (width <= 0 || width > kMaxCursorSide || height <= 0 || height > kMaxCursorSide) {
        Fail(error, "bad image size");
        return std::nullopt;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        Fail(error, "unsupported colour depth");
        return std::nullopt;
    }
    if (compression != 0) {
        Fail(error, "compressed image");
        return std::nullopt;
    }

    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    std::size_t palette_entries = 0;
    if (bits <= 8) {
        const std::size_t full = std::size_t{1} << bits;
        palette_entries = colours_used == 0 ? full : std::min<std::size_t>(colours_used, full);
    }
    const std::size_t palette_at = header_size;
    const std::size_t xor_at = palette_at + palette_entries * 4;
    const std::size_t xor_stride = (w * bits + 31) / 32 * 4;
    const std::size_t and_at = xor_at + h * xor_stride;
    const std::size_t and_stride = (w + 31) / 32 * 4;
    if (and_at > d.size()) {
        Fail(error, "the image data is cut short");
        return std::nullopt;
    }
    const bool has_mask = and_at + h * and_stride <= d.size();
    if (!has_mask && bits != 32) {
        Fail(error, "the image mask is cut short");
        return std::nullopt;
    }

    auto palette_colour = [&](std::size_t index) -> QRgb {
        if (index >= palette_entries)
            return qRgb(0, 0, 0);
        const std::size_t at = palette_at + index * 4;
        return qRgb(Byte(d, at + 2), Byte(d, at + 1), Byte(d, at));
    };

    // Colour images with an alpha channel (any pixel not fully transparent) use it alone.
    bool uses_alpha = false;
    if (bits == 32) {
        for (std::size_t i = 0; i < w * h && !uses_alpha; ++i)
            uses_alpha = Byte(d, xor_at + i * 4 + 3) != 0;
    }

    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull()) {
        Fail(error, "out of memory");
        return std::nullopt;
    }
    for (std::size_t row = 0; row < h; ++row) {
        const std::size_t xor_row = xor_at + (h - 1 - row) * xor_stride;
        const std::size_t and_row = and_at + (h - 1 - row) * and_stride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(row)));
        for (std::size_t x = 0; x < w; ++x) {
            QRgb colour = 0;
            switch (bits) {
            case 1: colour = palette_colour(Byte(d, xor_row + x / 8) >> (7 - x % 8) & 1u); break;
            case 4: colour = palette_colour(Byte(d, xor_row + x / 2) >> (x % 2 ? 0 : 4) & 0xFu); break;
            case 8: colour = palette_colour(Byte(d, xor_row + x)); break;
            case 24: {
                const std::size_t at = xor_row + x * 3;
                colour = qRgb(Byte(d, at + 2), Byte(d, at + 1), Byte(d, at));
                break;
            }
            default: {
                const std::size_t at = xor_row + x * 4;
                colour = qRgba(Byte(d, at + 2), Byte(d, at + 1), Byte(d, at), Byte(d, at + 3));
                break;
            }
            }
            if (uses_alpha) {
                line[x] = colour;
                continue;
            }
            const bool masked = has_mask && (Byte(d, and_row + x / 8) >> (7 - x % 8) & 1u) != 0;
            const QRgb rgb = colour & 0xFFFFFFu;
            if (!masked)
                line[x] = rgb | 0xFF000000u;
            else if (rgb == 0)
                line[x] = 0;  // the screen shows through
            else
                line[x] = qRgb(0, 0, 0);  // inverts the screen
        }
    }
    return image;
}

std::optional<QImage> DecodeImage(std::string_view d, std::string* error)
{
    if (d.substr(0, kPngSignature.size()) == kPngSignature)
        return DecodePngImage(d, error);
    return DecodeDibImage(d, error);
}

struct DirectoryEntry {
    int width = 0, height = 0, bits = 0;
    int hotspot_x = 0, hotspot_y = 0;
    std::size_t offset = 0;
};

// Which of two images to try first: the larger of those that fit the screen's cursor size, else
// the smaller; more colours first among equals.
bool Preferred(const DirectoryEntry& a, const DirectoryEntry& b)
{
    const bool a_fits = a.width <= kPreferredSide && a.height <= kPreferredSide;
    const bool b_fits = b.width <= kPreferredSide && b.height <= kPreferredSide;
    if (a_fits != b_fits)
        return a_fits;
    const int a_area = a.width * a.height, b_area = b.width * b.height;
    if (a_area != b_area)
        return a_fits ? a_area > b_area : a_area < b_area;
    return a.bits > b.bits;
}

constexpr std::uint16_t kIconType = 1, kCursorType = 2;

// RIFF chunk ids are four printable characters; anything else means a walk has lost its way.
bool PlausibleId(std::string_view b, std::uint64_t at)
{
    if (at + 4 > b.size())
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t c = Byte(b, static_cast<std::size_t>(at) + i);
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

std::uint64_t ChunkEnd(std::uint64_t at, std::uint32_t declared)
{
    return at + 8 + declared + (declared & 1u);
}

// Walks the sub-chunks of a LIST between `begin` and `end`, handing each "icon" chunk to `icons`
// (when given). Returns where the walk stopped: after the last sub-chunk that fits.
std::uint64_t WalkList(std::string_view b, std::uint64_t begin, std::uint64_t end,
                       std::vector<std::string_view>* icons)
{
    std::uint64_t p = begin;
    while (p + 8 <= end && PlausibleId(b, p)) {
        const std::uint32_t declared = Le32(b, static_cast<std::size_t>(p) + 4);
        const std::uint64_t data = p + 8;
        if (data + declared > end)
            break;  // runs past its list
        if (icons && b.substr(static_cast<std::size_t>(p), 4) == "icon")
            icons->push_back(b.substr(static_cast<std::size_t>(data), declared));
        p = std::min(ChunkEnd(p, declared), end);
    }
    return p;
}

// The parts of an .ani file's header that matter for its first frame.
struct AniHeader {
    std::uint32_t frames = 0;
    std::uint32_t flags = 0;
};
constexpr std::uint32_t kAniIcon = 1;      // frames are icon or cursor files
constexpr std::uint32_t kAniSequence = 2;  // the "seq " chunk orders the steps

}  // namespace

std::optional<CursorImage> DecodeCurFile(std::string_view bytes, std::string* error)
{
    if (bytes.size() < 6) {
        Fail(error, "the file is cut short");
        return std::nullopt;
    }
    const std::uint16_t type = Le16(bytes, 2);
    if (Le16(bytes, 0) != 0 || (type != kIconType && type != kCursorType)) {
        Fail(error, "not a cursor file");
        return std::nullopt;
    }
    const std::size_t count = Le16(bytes, 4);
    std::vector<DirectoryEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 16;
        if (at + 16 > bytes.size())
            break;
        DirectoryEntry e;
        e.width = Byte(bytes, at) == 0 ? 256 : Byte(bytes, at);
        e.height = Byte(bytes, at + 1) == 0 ? 256 : Byte(bytes, at + 1);
        e.hotspot_x = Le16(bytes, at + 4);
        e.hotspot_y = Le16(bytes, at + 6);
        e.offset = Le32(bytes, at + 12);
        // The entry's size field is not to be trusted (real files understate it): the image runs
        // to the end of the file as far as its own header needs.
        if (e.offset < 6 || e.offset >= bytes.size())
            continue;
        const std::string_view image = bytes.substr(e.offset);
        e.bits = image.substr(0, kPngSignature.size()) == kPngSignature ? 32
                 : image.size() >= 16                                   ? Le16(image, 14)
                                                                         : 0;
        entries.push_back(e);
    }
    if (entries.empty()) {
        Fail(error, "the file has no images");
        return std::nullopt;
    }
    std::stable_sort(entries.begin(), entries.end(), Preferred);

    for (const DirectoryEntry& e : entries) {
        std::optional<QImage> image = DecodeImage(bytes.substr(e.offset), error);
        if (!image)
            continue;
        CursorImage cursor;
        cursor.image = std::move(*image);
        const int w = cursor.image.width(), h = cursor.image.height();
        // An icon has no hotspot of its own: the window system takes its centre.
        cursor.hotspot_x = type == kCursorType ? std::min(e.hotspot_x, w - 1) : w / 2;
        cursor.hotspot_y = type == kCursorType ? std::min(e.hotspot_y, h - 1) : h / 2;
        return cursor;
    }
    return std::nullopt;
}

std::optional<CursorImage> DecodeAniFile(std::string_view bytes, std::string* error)
{
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "ACON") {
        Fail(error, "not an animated cursor file");
        return std::nullopt;
    }
    // The RIFF size is not trusted either: real files get it wrong in both directions, so the
    // chunks are walked up to the end of the bytes.
    const std::uint64_t bound = bytes.size();
    std::optional<AniHeader> header;
    std::vector<std::string_view> icons;
    std::vector<std::uint32_t> sequence;

    std::uint64_t pos = 12;
    while (pos + 8 <= bound && PlausibleId(bytes, pos)) {
        const std::string_view id = bytes.substr(static_cast<std::size_t>(pos), 4);
        const std::uint32_t declared = Le32(bytes, static_cast<std::size_t>(pos) + 4);
        const std::uint64_t data = pos + 8;
        const std::uint64_t available = std::min<std::uint64_t>(declared, bound - data);
        std::uint64_t next = ChunkEnd(pos, declared);

        if (id == "anih") {
            if (header) {
                Fail(error, "the file has more than one header");
                return std::nullopt;
            }
            if (available < 36) {
                Fail(error, "the header is cut short");
                return std::nullopt;
            }
            header = AniHeader{Le32(bytes, static_cast<std::size_t>(data) + 4),
                               Le32(bytes, static_cast<std::size_t>(data) + 32)};
        } else if (id == "seq ") {
            for (std::uint64_t i = 0; i + 4 <= available; i += 4)
                sequence.push_back(Le32(bytes, static_cast<std::size_t>(data + i)));
        } else if (id == "LIST" && available >= 4) {
            const bool frames = bytes.substr(static_cast<std::size_t>(data), 4) == "fram";
            const std::uint64_t walked = WalkList(bytes, data + 4, data + available, frames ? &icons : nullptr);
            // Some writers declare a list a little longer than its contents: when the declared
            // end lands on garbage, go on where the contents ended.
            if (next < bound && !PlausibleId(bytes, next))
                next = walked;
        }
        if (next < bound && !PlausibleId(bytes, next) && (declared & 1u) && PlausibleId(bytes, next - 1))
            next -= 1;  // an odd chunk written without its pad byte
        pos = next;
    }

    if (!header) {
        Fail(error, "the file has no header");
        return std::nullopt;
    }
    if (header->frames == 0) {
        Fail(error, "the file has no frames");
        return std::nullopt;
    }
    if ((header->flags & kAniIcon) == 0) {
        Fail(error, "raw bitmap frames are not supported");
        return std::nullopt;
    }
    std::uint32_t first = 0;
    if ((header->flags & kAniSequence) != 0 && !sequence.empty())
        first = sequence.front();
    if (first >= header->frames || first >= icons.size()) {
        Fail(error, "the first frame is missing");
        return std::nullopt;
    }
    return DecodeCurFile(icons[first], error);
}

std::optional<CursorImage> DecodeCursorFile(std::string_view bytes, std::string* error)
{
    if (bytes.substr(0, 4) == "RIFF")
        return DecodeAniFile(bytes, error);
    return DecodeCurFile(bytes, error);
}

QCursor MakeCursor(const CursorImage& cursor)
{
    return QCursor(QPixmap::fromImage(cursor.image), cursor.hotspot_x, cursor.hotspot_y);
}

std::optional<QCursor> ReadCursorFile(const std::filesystem::path& file)
{
    return ReadCursorFile(*FolderDiscFs(file.parent_path()), file);
}

std::optional<QCursor> ReadCursorFile(const DiscFs& disc, const std::filesystem::path& file)
{
    const std::optional<std::string> bytes = ReadWholeFile(disc, file, kMaxCursorFileBytes);
    if (!bytes)
        return std::nullopt;
    std::optional<CursorImage> cursor = DecodeCursorFile(*bytes);
    if (!cursor)
        return std::nullopt;
    return MakeCursor(*cursor);
}

QtCursorSlots::QtCursorSlots(PathResolver resolver) : resolver_(std::move(resolver)) {}

std::optional<CursorHandle> QtCursorSlots::LoadCursorFromFile(const std::string& disc_path)
{
    if (disc_path.empty())
        return std::nullopt;
    const std::optional<std::filesystem::path> file = resolver_.Find(disc_path);
    if (!file)
        return std::nullopt;
    std::optional<QCursor> cursor = ReadCursorFile(resolver_.Disc(), *file);
    if (!cursor)
        return std::nullopt;
    cursors_.push_back(std::move(*cursor));
    return static_cast<CursorHandle>(cursors_.size());
}

const QCursor& QtCursorSlots::Cursor(CursorHandle cursor) const
{
    if (cursor < 1 || static_cast<std::size_t>(cursor) > cursors_.size())
        throw std::out_of_range("unknown cursor handle");
    return cursors_[static_cast<std::size_t>(cursor) - 1];
}

void QtCursorSlots::SetSlot(int slot, CursorHandle cursor)
{
    SetScreenCursor(slot, Cursor(cursor));
}

void QtCursorSlots::SetStandardSlot(int slot, StandardCursor cursor)
{
    SetScreenCursor(slot, QCursor(cursor == StandardCursor::HandPoint ? Qt::PointingHandCursor
                                                                       : Qt::ArrowCursor));
}
