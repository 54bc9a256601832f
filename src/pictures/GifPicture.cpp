// GIF pictures through giflib's record-by-record reader over the bytes in memory. giflib leaves
// the checks of the picture's geometry and colours to its caller: images may lie partly or wholly
// outside the logical screen, a file may have no colour table at all, and an index may point past
// the end of its table. All three are handled here.
#include "pictures/Picture.h"

#include <gif_lib.h>

#include <QRect>

#include <algorithm>
#include <cstring>

namespace {

// The most colour indexes kept for all images of one file together.
constexpr std::int64_t kMaxGifIndexBytes = 4 * kMaxPicturePixels;
// The most pixels Frames() composes for one file (frames times screen): 64 MiB of frames at
// four bytes a pixel. An animation beyond that is shown by its first frame alone.
constexpr std::int64_t kMaxAnimationPixels = kMaxPicturePixels / 2;

const QRgb kOutOfTableColour = qRgb(0, 0, 0);

struct MemoryReader {
    const GifByteType* data;
    std::size_t size;
    std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    if (length <= 0)
        return 0;
    const std::size_t count = std::min(static_cast<std::size_t>(length), reader->size - reader->pos);
    if (count != 0)
        std::memcpy(out, reader->data + reader->pos, count);
    reader->pos += count;
    return static_cast<int>(count);
}

std::string GifErrorText(int code)
{
    const char* text = GifErrorString(code);
    return text ? std::string(text) : "giflib error " + std::to_string(code);
}

// Closes the giflib handle on every way out.
class GifHandle {
public:
    explicit GifHandle(GifFileType* gif) : gif_(gif) {}
    ~GifHandle()
    {
        int error = 0;
        DGifCloseFile(gif_, &error);
    }
    GifHandle(const GifHandle&) = delete;
    GifHandle& operator=(const GifHandle&) = delete;
    GifFileType* get() const { return gif_; }

private:
    GifFileType* gif_;
};

// Reads the compressed data of an image without pixels (width or height 0).
bool SkipImageData(GifFileType* gif)
{
    int code_size = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR)
        return false;
    while (block != nullptr) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

// Reads the pixels of the current image into `indexes` (rows top to bottom).
bool ReadImagePixels(GifFileType* gif, int width, int height, bool interlaced, std::uint8_t* indexes)
{
    if (!interlaced)
        return DGifGetLine(gif, indexes, width * height) != GIF_ERROR;
    static const int kStart[] = {0, 4, 2, 1};
    static const int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
            if (DGifGetLine(gif, indexes + static_cast<std::size_t>(y) * width, width) == GIF_ERROR)
                return false;
        }
    }
    return true;
}

}  // namespace

void GifPicture::LoadFromBytes(std::string_view bytes, const std::string& name)
{
    image_ = QImage();
    images_.clear();
    name_ = name;
    screen_width_ = screen_height_ = 0;
    background_ = 0;
    loop_count_ = -1;

    MemoryReader reader{reinterpret_cast<const GifByteType*>(bytes.data()), bytes.size(), 0};
    int open_error = 0;
    GifFileType* raw = DGifOpen(&reader, ReadFromMemory, &open_error);
    if (raw == nullptr)
        throw PictureError(name, "not a GIF picture (" + GifErrorText(open_error) + ")");
    GifHandle handle(raw);
    GifFileType* gif = handle.get();

    std::vector<ImageRecord> images;
    int loop_count = -1;
    std::int64_t kept_indexes = 0;
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};

    // A read error before the first whole image fails the picture; after it, the animation
    // simply ends with the last whole image (as a partly copied file shows in a browser).
    bool complete = false;
    auto read_failed = [&]() {
        if (images.empty())
            throw PictureError(name, GifErrorText(gif->Error));
        complete = true;
    };

    while (!complete) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            read_failed();
            break;
        }
        if (type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
                read_failed();
                break;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] == 4)
                DGifExtensionToGCB(4, block + 1, &control);
            bool netscape = code == APPLICATION_EXT_FUNC_CODE && block != nullptr &&
                            block[0] == 11 && std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0;
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                    read_failed();
                    break;
                }
                if (netscape && block != nullptr && block[0] >= 3 && block[1] == 1)
                    loop_count = block[2] | (block[3] << 8);
                netscape = false;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            read_failed();
            break;
        }
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0)
            throw PictureError(name, "an image has no colour table");

        ImageRecord record;
        record.left = desc.Left;
        record.top = desc.Top;
        record.width = std::max(desc.Width, 0);
        record.height = std::max(desc.Height, 0);
        record.colours.reserve(static_cast<std::size_t>(map->ColorCount));
        for (int i = 0; i < map->ColorCount; ++i)
            record.colours.push_back(qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
        record.transparent = control.TransparentColor;
        record.disposal = control.DisposalMode;
        record.delay_cs = control.DelayTime;
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};

        const std::int64_t pixels = std::int64_t{record.width} * record.height;
        if (pixels == 0) {
            if (!SkipImageData(gif)) {
                read_failed();
                break;
            }
        } else {
            if (pixels > kMaxPicturePixels)
                throw PictureError(name, "an image is too large (" + std::to_string(record.width) +
                                             "x" + std::to_string(record.height) + ")");
            kept_indexes += pixels;
            if (kept_indexes > kMaxGifIndexBytes)
                throw PictureError(name, "the animation is too large");
            record.indexes.resize(static_cast<std::size_t>(pixels));
            if (!ReadImagePixels(gif, record.width, record.height, desc.Interlace,
                                 record.indexes.data())) {
                read_failed();
                break;
            }
        }
        images.push_back(std::move(record));
    }

    if (images.empty())
        throw PictureError(name, "the file contains no image");

    // The logical screen is the canvas; a file that gives no screen size gets its first image's.
    int width = gif->SWidth;
    int height = gif->SHeight;
    if (width <= 0 || height <= 0) {
        width = images.front().left + images.front().width;
        height = images.front().top + images.front().height;
    }
    if (width <= 0 || height <= 0)
        throw PictureError(name, "the picture is empty");
    if (std::int64_t{width} * height > kMaxPicturePixels)
        throw PictureError(name, "the picture is too large (" + std::to_string(width) + "x" +
                                     std::to_string(height) + ")");

    // The canvas starts as the background colour of the global table, unless the file uses
    // transparency (then what is not painted stays see-through) or has no such colour.
    QRgb background = 0;
    const bool any_transparent = std::any_of(images.begin(), images.end(),
                                             [](const ImageRecord& r) { return r.transparent >= 0; });
    const ColorMapObject* global = gif->SColorMap;
    if (!any_transparent && global != nullptr && global->Colors != nullptr &&
        gif->SBackGroundColor >= 0 && gif->SBackGroundColor < global->ColorCount) {
        const GifColorType& c = global->Colors[gif->SBackGroundColor];
        background = qRgb(c.Red, c.Green, c.Blue);
    }

    QImage first;
    screen_width_ = width;
    screen_height_ = height;
    background_ = background;
    loop_count_ = loop_count;
    images_ = std::move(images);
    try {
        Compose(nullptr, &first);
    } catch (...) {
        images_.clear();
        throw;
    }
    image_ = std::move(first);
}

void GifPicture::CheckBytes(std::string_view bytes, const std::string& name)
{
    LoadFromBytes(bytes, name);
    image_ = QImage();
    std::vector<ImageRecord>().swap(images_);
}

std::vector<GifFrame> GifPicture::Frames() const
{
    std::vector<GifFrame> frames;
    if (images_.empty())
        return frames;
    // One image is the picture itself, already within the picture's own limit.
    if (images_.size() > 1 &&
        std::int64_t{screen_width_} * screen_height_ * static_cast<std::int64_t>(images_.size()) >
            kMaxAnimationPixels)
        throw PictureError(name_, "the animation is too large");
    frames.reserve(images_.size());
    Compose(&frames, nullptr);
    return frames;
}

// Draws the images one after another on the logical screen. With `first` set, stops after the
// first image; otherwise appends every frame to `all`.
void GifPicture::Compose(std::vector<GifFrame>* all, QImage* first) const
{
    QImage canvas(screen_width_, screen_height_, QImage::Format_ARGB32);
    if (canvas.isNull())
        throw PictureError(name_, "not enough memory for the picture");
    canvas.fill(background_);
    std::vector<QRgb> saved;

    for (const ImageRecord& r : images_) {
        // giflib does not clip: only the part of the image on the screen is drawn.
        const QRect area = QRect(r.left, r.top, r.width, r.height) & canvas.rect();
        const int area_width = area.isEmpty() ? 0 : area.width();
        const int area_height = area.isEmpty() ? 0 : area.height();

        if (r.disposal == DISPOSE_PREVIOUS) {
            saved.resize(static_cast<std::size_t>(area_width) * area_height);
            for (int y = 0; y < area_height; ++y) {
                const QRgb* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(area.top() + y));
                std::copy_n(row + area.left(), area_width, saved.begin() + static_cast<std::ptrdiff_t>(y) * area_width);
            }
        }

        const std::size_t table_size = r.colours.size();
        for (int y = 0; y < area_height; ++y) {
            const std::uint8_t* src = r.indexes.data() +
                                      static_cast<std::size_t>(area.top() + y - r.top) * r.width +
                                      (area.left() - r.left);
            QRgb* dst = reinterpret_cast<QRgb*>(canvas.scanLine(area.top() + y)) + area.left();
            for (int x = 0; x < area_width; ++x) {
                const int index = src[x];
                if (index == r.transparent)
                    continue;
                dst[x] = static_cast<std::size_t>(index) < table_size ? r.colours[index] : kOutOfTableColour;
            }
        }

        if (first != nullptr) {
            *first = canvas;
            return;
        }
        all->push_back(GifFrame{canvas, r.delay_cs * 10});

        if (r.disposal == DISPOSE_BACKGROUND) {
            for (int y = 0; y < area_height; ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(canvas.scanLine(area.top() + y)) + area.left();
                std::fill_n(row, area_width, background_);
            }
        } else if (r.disposal == DISPOSE_PREVIOUS) {
            for (int y = 0; y < area_height; ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(canvas.scanLine(area.top() + y)) + area.left();
                std::copy_n(saved.begin() + static_cast<std::ptrdiff_t>(y) * area_width, area_width, row);
            }
        }
    }
}
