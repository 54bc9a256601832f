#include <gtest/gtest.h>

#include "PictureTestSupport.h"

namespace {

const QRgb kRedTopLeft = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0);

// A picture of `colours` (at most 16) in diagonal bands three pixels wide, the first colour at
// the top left; the odd width makes every storage pad its rows.
QImage Bands(const std::vector<QRgb>& colours, int width = 17, int height = 9)
{
    QImage indexed(width, height, QImage::Format_Indexed8);
    indexed.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            indexed.setPixel(x, y, static_cast<uint>((x / 3 + 2 * y) % colours.size()));
    return indexed;
}

QImage Argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(BmpPicture, EveryStorageDecodesToThePictureTheRightWayUp)
{
    const std::vector<QRgb> six = {kRedTopLeft, qRgb(0, 128, 255), qRgb(250, 250, 0), qRgb(9, 200, 90), kBlack,
                                   qRgb(255, 255, 255)};
    const QImage picture = Bands(six);
    const std::string plain24 = BmpBytes(picture.convertToFormat(QImage::Format_RGB32));
    const std::pair<const char*, std::string> storages[] = {
        {"4 bits", IndexedBitmap(picture, 4)},
        {"8 bits", IndexedBitmap(picture, 8)},
        {"RLE4", IndexedBitmap(picture, 4, true)},
        {"RLE8", IndexedBitmap(picture, 8, true)},
        {"24 bits", plain24},
        {"24 bits, top-down", TopDownBitmap(plain24)},
        {"32 bits", BmpBytes(picture.convertToFormat(QImage::Format_ARGB32))},
        {"8 bits, top-down", TopDownBitmap(IndexedBitmap(picture, 8))},
    };
    for (const auto& [storage, bytes] : storages) {
        SCOPED_TRACE(storage);
        const QImage image = Decode("x.bmp", bytes)->Image();
        ASSERT_EQ(image.size(), QSize(17, 9));
        EXPECT_EQ(Pixel(image, 0, 0), kRedTopLeft);
        EXPECT_EQ(Pixel(image, 0, 8), kBlack);
        EXPECT_EQ(Argb(image), Argb(picture));
    }
    const QImage two = Bands({kBlack, qRgb(255, 255, 255)});
    EXPECT_EQ(Argb(Decode("x.bmp", IndexedBitmap(two, 1))->Image()), Argb(two));
}

TEST(BmpPicture, BadFiles)
{
    const std::string good = BmpBytes(Bands({kRedTopLeft, kBlack}).convertToFormat(QImage::Format_RGB32));
    std::string bad_bit_count = good;
    bad_bit_count[28] = 3;
    std::string really_big = good;
    really_big.replace(18, 8, std::string("\x00\x00\x01\x00\x00\x00\x01\x00", 8));  // 65536 x 65536
    for (const auto& [what, bytes] : {std::pair<const char*, std::string>{"bad bit count", bad_bit_count},
                                      {"really big", really_big},
                                      {"short file", good.substr(0, good.size() / 2)}}) {
        SCOPED_TRACE(what);
        EXPECT_THROW(Decode("x.bmp", bytes), PictureError);
    }
}

// A 4x2 bitmap of 8 bits a pixel stored as RLE8 `rle`, with two colours: index 0 blue, index 1
// red.
std::string Rle8Bitmap4x2(const std::string& rle)
{
    std::string b = "BM";
    PutLe32(b, static_cast<std::uint32_t>(14 + 40 + 8 + rle.size()));
    PutLe32(b, 0);
    PutLe32(b, 14 + 40 + 8);
    PutLe32(b, 40);
    PutLe32(b, 4);
    PutLe32(b, 2);
    PutLe16(b, 1);
    PutLe16(b, 8);
    PutLe32(b, 1);  // RLE8
    PutLe32(b, static_cast<std::uint32_t>(rle.size()));
    PutLe32(b, 0);
    PutLe32(b, 0);
    PutLe32(b, 2);  // colours used
    PutLe32(b, 0);
    PutLe32(b, 0x000000FF);  // index 0: blue (stored B, G, R, 0)
    PutLe32(b, 0x00FF0000);  // index 1: red
    b += rle;
    return b;
}

TEST(BmpPicture, SkippedRunLengthPixelsTakeColourZero)
{
    // A 4x2 RLE8 bitmap: bottom row "run of 2 x index 1, end of line", top row "move right 3,
    // then one pixel of index 1, end of bitmap". Everything skipped is index 0.
    std::string rle = std::string("\x02\x01\x00\x00", 4) + std::string("\x00\x02\x03\x00\x01\x01\x00\x01", 8);
    const std::string b = Rle8Bitmap4x2(rle);
    const QImage image = Decode("rle.bmp", b)->Image();
    ASSERT_EQ(image.size(), QSize(4, 2));
    EXPECT_EQ(Pixel(image, 0, 1), kRedTopLeft);
    EXPECT_EQ(Pixel(image, 2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(Pixel(image, 3, 0), kRedTopLeft);
    EXPECT_EQ(Pixel(image, 0, 0), qRgb(0, 0, 255));
}

TEST(BmpPicture, RunsPastTheEdgesAreCutOff)
{
    // A 4x2 RLE8 bitmap: bottom row "run of 9 x index 1" (five past the right edge), end of line;
    // then "move right 2 and up 5" (past the top), a run of 3 x index 1, end of bitmap.
    const std::string rle("\x09\x01\x00\x00\x00\x02\x02\x05\x03\x01\x00\x01", 12);
    const std::string b = Rle8Bitmap4x2(rle);
    const QImage image = Decode("rle.bmp", b)->Image();
    EXPECT_EQ(image, Decode("rle.bmp", b)->Image());
    ASSERT_EQ(image.size(), QSize(4, 2));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Pixel(image, x, 1), kRedTopLeft) << x;
        EXPECT_EQ(Pixel(image, x, 0), qRgb(0, 0, 255)) << x;
    }
}

}  // namespace
