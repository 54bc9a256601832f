#include <gtest/gtest.h>

#include <QCryptographicHash>

#include "PictureTestSupport.h"

namespace {

// The picture written as djpeg writes it (binary PPM, or PGM for a grey picture), so that its
// SHA-256 can be compared with the one the samples' README lists for djpeg -dct int.
std::string Netpbm(const QImage& image, bool grey)
{
    std::string out = (grey ? "P5\n" : "P6\n") + std::to_string(image.width()) + " " +
                      std::to_string(image.height()) + "\n255\n";
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            out += static_cast<char>(qRed(c));
            if (!grey) {
                out += static_cast<char>(qGreen(c));
                out += static_cast<char>(qBlue(c));
            }
        }
    }
    return out;
}

std::string Sha256(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

TEST(JpegPicture, DecodesEveryKindExactlyAsTheReferenceDecoder)
{
    const struct {
        const char* file;
        int width, height;
        bool grey;
        const char* sha256;
    } samples[] = {
        {"testorig.jpg", 227, 149, false, "b64a47d529e289e5570648db9f0385d9b240448724cdde7716fa0139b121d491"},
        {"testprog.jpg", 227, 149, false, "b64a47d529e289e5570648db9f0385d9b240448724cdde7716fa0139b121d491"},
        {"testimgint.jpg", 227, 149, false, "c495b9838693f7314dbc25e7c6429506a1c42970ecef068a207ffa16e7efb580"},
        {"testimgari.jpg", 227, 149, false, "c495b9838693f7314dbc25e7c6429506a1c42970ecef068a207ffa16e7efb580"},
        {"testimggray.jpg", 227, 149, true, "ac5cf239fcdb60cd11128eac249ad5d4641772d4e5d61eff1950b45a533be25f"},
        // Adobe CMYK (YCCK), stored inverted.
        {"pil_sample_cmyk.jpg", 100, 100, false, "5cff968ae67a136e09a5ddb6204f297d467415ead209b6eaa43e6c8ecef40bd1"},
        // Data ends inside the last scan: decoded as far as it goes, the rest filled grey.
        {"truncated_jpeg.jpg", 100, 100, false, "1a3a13ed647afd16d0b1164c6a453f891443f0cb0de4713df24fd3e14f61a7a4"},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const auto picture = DecodeSample(std::string("jpeg/") + s.file);
        ASSERT_EQ(picture->Image().size(), QSize(s.width, s.height));
        EXPECT_FALSE(picture->Image().hasAlphaChannel());
        EXPECT_EQ(Sha256(Netpbm(picture->Image(), s.grey)), s.sha256);
    }
}

TEST(JpegPicture, FailuresBecomePictureErrors)
{
    const std::string good = Sample("jpeg/testorig.jpg");
    const struct {
        std::string bytes;
        const char* expected;
    } cases[] = {
        {Sample("jpeg/testorig12.jpg"), "precision 12"},
        {"", "cannot decode JPEG"},
        {"not a jpeg at all", "cannot decode JPEG"},
        {good.substr(0, 300), "cannot decode JPEG"},  // ends before the first scan
    };
    for (const auto& c : cases) {
        try {
            JpegPicture().LoadFromBytes(c.bytes, "skin\\back.jpg");
            ADD_FAILURE() << "decoded: " << c.expected;
        } catch (const PictureError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("skin\\back.jpg"), std::string::npos) << text;
            EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        }
    }
}

TEST(JpegPicture, RefusesAbsurdSizesBeforeDecoding)
{
    // The frame header of testorig.jpg with its size changed to 65000x65000.
    std::string bytes = Sample("jpeg/testorig.jpg");
    const std::size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    for (std::size_t i = 5; i < 9; ++i)
        bytes[sof + i] = static_cast<char>(i % 2 ? 0xFD : 0xE8);
    EXPECT_THROW(JpegPicture().LoadFromBytes(bytes, "big.jpg"), PictureError);
}

}  // namespace
