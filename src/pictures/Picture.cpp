#include "pictures/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <climits>
#include <cstdint>

namespace {

std::uint32_t Le32(std::string_view b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t Le16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

// The fields of a bitmap's headers that decide how its pixel data is laid out.
struct BitmapLayout {
    std::int64_t offset = 0;  // where the pixel data starts
    std::uint32_t header_size = 0;
    std::int64_t width = 0, height = 0, bits = 0, compression = 0, image_size = 0, colours_used = 0;
};

bool ReadBitmapLayout(std::string_view b, BitmapLayout* l)
{
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M')
        return false;
    l->offset = Le32(b, 10);
    l->header_size = Le32(b, 14);
    if (l->header_size == 12) {  // OS/2 1.x
        l->width = Le16(b, 18);
        l->height = Le16(b, 20);
        l->bits = Le16(b, 24);
        return true;
    }
    if (l->header_size < 40 || b.size() < 50)
        return false;
    l->width = static_cast<std::int32_t>(Le32(b, 18));
    l->height = static_cast<std::int32_t>(Le32(b, 22));
    l->bits = Le16(b, 28);
    l->compression = Le32(b, 30);
    l->image_size = Le32(b, 34);
    l->colours_used = Le32(b, 46);
    return true;
}

constexpr std::int64_t kRle8 = 1, kRle4 = 2;

// True when the headers say the pixel data goes on past the end of the bytes. Qt's reader
// decodes such a file and leaves the missing rows undefined; Windows refuses it.
bool BitmapDataMissing(std::string_view b, const BitmapLayout& l)
{
    if (l.width <= 0 || l.height == 0 || l.bits <= 0 || l.bits > 32)
        return false;
    if (l.compression != 0 && l.compression != 3 && l.compression != 6)  // plain rows, bit fields
        return false;
    const std::int64_t rows = l.height < 0 ? -l.height : l.height;
    return l.offset + (l.width * l.bits + 31) / 32 * 4 * rows > static_cast<std::int64_t>(b.size());
}

// Run-length encoded bitmaps (RLE8, RLE4) are expanded here: Qt's reader leaves the pixels that
// the runs skip (delta and end-of-line codes, runs past the edges) undefined. Skipped pixels get
// colour index 0, as in a freshly made Windows bitmap; runs past an edge are cut off.
QImage DecodeRleBitmap(std::string_view b, const BitmapLayout& l, const std::string& name)
{
    if ((l.compression == kRle8 && l.bits != 8) || (l.compression == kRle4 && l.bits != 4))
        throw PictureError(name, "bad run-length bitmap");
    const std::int64_t rows = l.height < 0 ? -l.height : l.height;
    if (l.width <= 0 || rows == 0 || l.width * rows > kMaxPicturePixels)
        throw PictureError(name, "bad bitmap size");
    if (l.offset >= static_cast<std::int64_t>(b.size()))
        throw PictureError(name, "the bitmap's data is cut short");
    const int width = static_cast<int>(l.width);
    const int height = static_cast<int>(rows);

    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        throw PictureError(name, "not enough memory for the picture");
    image.fill(0);
    QList<QRgb> colours(256, qRgb(0, 0, 0));
    const std::int64_t max_colours = std::int64_t{1} << l.bits;
    const std::int64_t count = l.colours_used > 0 && l.colours_used < max_colours ? l.colours_used : max_colours;
    const std::int64_t table = 14 + static_cast<std::int64_t>(l.header_size);
    for (std::int64_t i = 0; i < count && table + 4 * i + 3 < static_cast<std::int64_t>(b.size()); ++i) {
        const auto at = static_cast<std::size_t>(table + 4 * i);
        colours[static_cast<int>(i)] = qRgb(static_cast<unsigned char>(b[at + 2]),
                                            static_cast<unsigned char>(b[at + 1]),
                                            static_cast<unsigned char>(b[at]));
    }
    image.setColorTable(colours);

    const auto* data = reinterpret_cast<const unsigned char*>(b.data());
    const std::size_t end = b.size();
    std::size_t p = static_cast<std::size_t>(l.offset);
    int x = 0, y = 0;  // y counts rows in the order they are stored
    const bool rle4 = l.compression == kRle4;
    auto put = [&](int index) {
        if (x < width && y < height) {
            const int row = l.height < 0 ? y : height - 1 - y;
            image.scanLine(row)[x] = static_cast<uchar>(index);
        }
        ++x;
    };
    while (p + 1 < end && y < height) {
        const int n = data[p];
        const int value = data[p + 1];
        p += 2;
        if (n > 0) {  // a run of n pixels
            for (int i = 0; i < n && x < width; ++i)
                put(rle4 ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // move right and up
            if (p + 1 >= end)
                break;
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {  // `value` pixels stored as they are, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
            for (int i = 0; i < value; ++i) {
                const std::size_t at = p + (rle4 ? static_cast<std::size_t>(i) / 2 : static_cast<std::size_t>(i));
                if (at >= end)
                    break;
                put(rle4 ? ((i & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
            }
            p += (bytes + 1) & ~std::size_t{1};
        }
    }
    return image;
}

}  // namespace

PictureError::PictureError(const std::string& name, const std::string& reason)
    : std::runtime_error("Bad picture " + name + ": " + reason)
{
}

Picture::~Picture() = default;

QPixmap Picture::ToPixmap() const
{
    return QPixmap::fromImage(image_);
}

void Picture::CheckBytes(std::string_view bytes, const std::string& name)
{
    LoadFromBytes(bytes, name);
    image_ = QImage();
}

void BmpPicture::LoadFromBytes(std::string_view bytes, const std::string& name)
{
    image_ = QImage();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        throw PictureError(name, "the bitmap is too large");
    BitmapLayout layout;
    if (ReadBitmapLayout(bytes, &layout)) {
        if (layout.compression == kRle8 || layout.compression == kRle4) {
            image_ = DecodeRleBitmap(bytes, layout, name);
            return;
        }
        if (BitmapDataMissing(bytes, layout))
            throw PictureError(name, "the bitmap's data is cut short");
    }
    QImage decoded;
    if (!decoded.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                              static_cast<int>(bytes.size()), "BMP") ||
        decoded.isNull())
        throw PictureError(name, "not a readable Windows bitmap");
    image_ = std::move(decoded);
}

void IconPicture::LoadFromBytes(std::string_view bytes, const std::string& name)
{
    image_ = QImage();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        throw PictureError(name, "the icon is too large");
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ICO");
    // Choose by the sizes the directory gives, then decode only the chosen image.
    int chosen = -1;
    QSize chosen_size;
    const auto area = [](QSize size) { return std::int64_t{size.width()} * size.height(); };
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
        const QSize size = reader.size();
        if (size.isEmpty())
            continue;
        const bool fits = size.width() <= 32 && size.height() <= 32;
        const bool chosen_fits = chosen >= 0 && chosen_size.width() <= 32 && chosen_size.height() <= 32;
        if (chosen < 0 || (fits && !chosen_fits) ||
            (fits && chosen_fits && area(size) > area(chosen_size)) ||
            (!fits && !chosen_fits && area(size) < area(chosen_size))) {
            chosen = i;
            chosen_size = size;
        }
    }
    QImage decoded;
    if (chosen >= 0 && reader.jumpToImage(chosen))
        decoded = reader.read();
    if (decoded.isNull())
        throw PictureError(name, "not a readable Windows icon");
    if (area(decoded.size()) > kMaxPicturePixels)
        throw PictureError(name, "the icon is too large");
    image_ = std::move(decoded);
}

std::string_view PictureExtension(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

std::unique_ptr<Picture> MakePicture(std::string_view member_name)
{
    const std::string_view ext = PictureExtension(member_name);
    if (ext == "bmp")
        return std::make_unique<BmpPicture>();
    if (ext == "gif")
        return std::make_unique<GifPicture>();
    if (ext == "jpg")
        return std::make_unique<JpegPicture>();
    return nullptr;
}
