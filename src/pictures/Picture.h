// The picture objects: a "bmp", "gif" or "jpg" picture decoded from bytes into a QImage, which a
// control copies into its own picture. The kind is chosen by the name's extension (MakePicture);
// a picture whose bytes do not decode raises PictureError, whatever the bytes.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QRgb>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A picture that cannot be decoded. The text names the picture: "Bad picture NAME: REASON".
class PictureError : public std::runtime_error {
public:
    PictureError(const std::string& name, const std::string& reason);
};

// The largest picture we decode, in pixels (width times height): far above any disc's pictures,
// low enough that a header claiming an absurd size fails before anything is allocated.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 25;

// The polymorphic picture object.
class Picture {
public:
    virtual ~Picture();

    // Decodes `bytes`, replacing any earlier picture; `name` is only used in error texts.
    // Throws PictureError; the picture is then empty.
    virtual void LoadFromBytes(std::string_view bytes, const std::string& name) = 0;

    // Whether `bytes` decode, for a picture that only needs to be known to decode (it is decoded
    // again when it is shown): throws exactly what LoadFromBytes throws for these bytes (the same
    // PictureError text), and leaves the picture empty either way. This decodes and drops the
    // picture; a kind that can reach the same verdict more cheaply does so. A JPEG check takes no
    // memory for the whole picture: a picture that finds none fails when it is decoded to be shown.
    virtual void CheckBytes(std::string_view bytes, const std::string& name);

    // The decoded picture (the first frame for a GIF); a null image before a successful load.
    const QImage& Image() const { return image_; }
    // A copy for a control's picture (needs the GUI application to exist).
    QPixmap ToPixmap() const;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }

protected:
    Picture() = default;
    QImage image_;
};

// Windows bitmaps, through Qt's bitmap reader.
class BmpPicture final : public Picture {
public:
    void LoadFromBytes(std::string_view bytes, const std::string& name) override;
};

// Windows icons (.ico), through Qt's icon reader; only picture files of the disc come as icons,
// never the skin's archive members. Of several images, the one shown at the standard icon size is
// taken: the largest that fits in 32 x 32, else the smallest (the first of equal sizes).
class IconPicture final : public Picture {
public:
    void LoadFromBytes(std::string_view bytes, const std::string& name) override;
};

// JPEG pictures (grey, YCbCr, CMYK/YCCK; baseline, progressive, arithmetic-coded) through
// libjpeg. A JPEG whose data ends early decodes as far as it goes, the rest is filled grey (as
// libjpeg does on its own); a 12-bit JPEG is refused.
class JpegPicture final : public Picture {
public:
    void LoadFromBytes(std::string_view bytes, const std::string& name) override;
    // Reads the file through the same library code as a decode, but leaves out the scans'
    // entropy-coded data (which cannot fail a decode) and makes the picture at an eighth of its
    // size (see JpegPicture.cpp for why the verdict is the same).
    void CheckBytes(std::string_view bytes, const std::string& name) override;
};

// One displayed frame of an animated GIF: the whole logical screen after the image was drawn.
struct GifFrame {
    QImage image;      // ARGB32, not premultiplied
    int delay_ms = 0;  // as stored (1/100 s units times 10); 0 when the file gives none
};

// GIF87a / GIF89a pictures through giflib. Image() is the first frame; every image of the file
// is kept (as colour indexes) so that Frames() can give the whole animation.
class GifPicture final : public Picture {
public:
    void LoadFromBytes(std::string_view bytes, const std::string& name) override;
    // Decodes, then lets go of every image of the file.
    void CheckBytes(std::string_view bytes, const std::string& name) override;

    // Every frame composited on the logical screen, in file order, with disposal applied.
    // Throws PictureError when an animation of several frames would exceed 64 MiB of frames; the
    // picture itself (the first frame) stays.
    std::vector<GifFrame> Frames() const;
    int FrameCount() const { return static_cast<int>(images_.size()); }
    // The NETSCAPE2.0 loop count (0 = forever); -1 when the file has none.
    int LoopCount() const { return loop_count_; }

    // One image of the file as read: its rectangle on the screen, its colours and its pixels.
    struct ImageRecord {
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<QRgb> colours;          // the image's colour table (local, else global)
        std::vector<std::uint8_t> indexes;  // width * height, rows top to bottom
        int transparent = -1;               // transparent colour index, -1 for none
        int disposal = 0;                   // 0-1 keep, 2 restore background, 3 restore previous
        int delay_cs = 0;
    };

private:
    void Compose(std::vector<GifFrame>* all, QImage* first) const;

    std::string name_;
    int screen_width_ = 0;
    int screen_height_ = 0;
    QRgb background_ = 0;  // the canvas colour at start and after disposal 2
    int loop_count_ = -1;
    std::vector<ImageRecord> images_;
};

// The text after the last '.' of `name`; empty when there is no '.'.
std::string_view PictureExtension(std::string_view name);

// An empty picture object for the extension of `member_name`: exactly "bmp", "gif" or "jpg"
// (case-sensitive); nullptr for anything else, "JPG", "jpeg" and "" included.
std::unique_ptr<Picture> MakePicture(std::string_view member_name);
