#include <QCryptographicHash>
#include <QImage>

#include <filesystem>
#include <optional>
#include <ostream>

#include "disc/Files.h"
#include "pictures/Picture.h"
#include "zulcheck/Commands.h"

namespace {

// SHA-256 of the pixels as 8-bit RGBA, not premultiplied, rows top to bottom, with every fully
// transparent pixel written as four zero bytes (its colour is not part of the picture).
QByteArray PixelsSha256(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray row(rgba.width() * 4, '\0');
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar* src = rgba.constScanLine(y);
        for (int i = 0; i < row.size(); i += 4) {
            const bool clear = src[i + 3] == 0;
            for (int c = 0; c < 4; ++c)
                row[i + c] = clear ? '\0' : static_cast<char>(src[i + c]);
        }
        hash.addData(row);
    }
    return hash.result().toHex();
}

}  // namespace

// Decodes the picture the way the menu loads a picture from its archive: the extension picks the
// kind, then the bytes are decoded.
int RunDecode(const std::string& picture, std::ostream& out, std::ostream& err)
{
    std::unique_ptr<Picture> decoded = MakePicture(picture);
    if (!decoded) {
        err << "Bad ext: " << picture << '\n';
        return 1;
    }
    const std::optional<std::string> read = ReadWholeFile(picture);
    if (!read) {
        err << "Bad file: " << picture << '\n';
        return 1;
    }
    const std::string& bytes = *read;
    try {
        decoded->LoadFromBytes(bytes, picture);
    } catch (const PictureError& e) {
        err << e.what() << '\n';
        return 1;
    }
    const QImage& image = decoded->Image();
    out << image.width() << 'x' << image.height() << ' ' << PixelsSha256(image).toStdString() << '\n';
    return 0;
}
