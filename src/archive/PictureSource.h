// Where screen elements get their skin pictures from: the picture archive during the build step.
#pragma once

#include <QImage>
#include <QPixmap>

#include <memory>
#include <optional>
#include <string>

#include "archive/MemoryStream.h"
#include "pictures/Picture.h"

// A picture checked when the screen is built but shown only later, perhaps never (a thumbnail of
// the catalogue): held decoded when it came decoded, otherwise as the bytes of its member, decoded
// again when it is first wanted and kept from then on.
class CheckedPicture {
public:
    CheckedPicture() = default;
    explicit CheckedPicture(QImage decoded);
    // `bytes` are those of the member `name`, known to decode.
    CheckedPicture(std::string name, std::shared_ptr<const MemoryStream> bytes);

    // The picture (a null image for an empty CheckedPicture). Decoding it now raises the
    // picture's own error should it fail after all.
    const QImage& Image() const;
    // The same as a control's picture (needs the GUI application), made once; it shares the
    // image's pixels.
    const QPixmap& Pixmap() const;
    // Whether it is held decoded.
    bool Decoded() const { return bytes_ == nullptr; }

private:
    std::string name_;
    mutable std::shared_ptr<const MemoryStream> bytes_;
    mutable QImage image_;
    mutable std::optional<QPixmap> pixmap_;  // made when first asked: a pixmap needs the GUI application
};

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // The picture the member `name` holds; the caller owns it. Failures end the program the way
    // the picture archive does (or raise the picture's own error for bytes that do not decode).
    virtual std::unique_ptr<Picture> LoadPicture(const std::string& name) = 0;
    // The same checks and failures as LoadPicture, now, for a picture shown later; a source that
    // can do better than decoding it at once keeps it to be decoded when it is first shown.
    virtual CheckedPicture CheckPicture(const std::string& name)
    {
        const std::unique_ptr<Picture> picture = LoadPicture(name);
        return CheckedPicture(picture ? picture->Image() : QImage());
    }
};
