#include <gtest/gtest.h>

#include "PictureTestSupport.h"

namespace {

const QRgb kRedTopLeft = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0);

TEST(BmpPicture, GoodSamplesDecodeTheRightWayUp)
{
    const char* files[] = {"g/pal1.bmp",    "g/pal1wb.bmp",      "g/pal4.bmp",       "g/pal4rle.bmp",
                           "g/pal8.bmp",    "g/pal8rle.bmp",     "g/pal8topdown.bmp", "g/pal8os2.bmp",
                           "g/pal8v5.bmp",  "g/rgb16.bmp",       "g/rgb16-565.bmp",   "g/rgb24.bmp",
                           "g/rgb32bf.bmp", "q/pal4rletrns.bmp", "q/rgba32.bmp"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const auto picture = DecodeSample(std::string("bmp/") + file);
        ASSERT_EQ(picture->Image().size(), QSize(127, 64));
        const bool one_bit = std::string(file).find("pal1") != std::string::npos;
        // 16-bit files hold 5 bits of red: 248 or 255 depending on how they are scaled.
        const QRgb top_left = Pixel(picture->Image(), 0, 0);
        EXPECT_GE(qRed(top_left), 248);
        EXPECT_EQ(qGreen(top_left), one_bit ? 255 : 0);
        EXPECT_EQ(qBlue(top_left), one_bit ? 255 : 0);
        EXPECT_EQ(Pixel(picture->Image(), 0, 63), kBlack);
    }
    EXPECT_EQ(Pixel(DecodeSample("bmp/g/pal8.bmp")->Image(), 126, 63), qRgb(102, 85, 102));
    EXPECT_EQ(Pixel(DecodeSample("bmp/g/rgb32bf.bmp")->Image(), 126, 0), qRgb(159, 159, 189));
}

TEST(BmpPicture, DifferentStoragesOfOnePictureDecodeAlike)
{
    const std::vector<std::vector<const char*>> groups = {
        {"g/pal8.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8os2.bmp", "g/pal8v5.bmp"},
        {"g/pal1.bmp", "g/pal1wb.bmp"},
        {"g/pal4.bmp", "g/pal4rle.bmp"},
        {"g/rgb24.bmp", "g/rgb32bf.bmp"},
    };
    for (const auto& group : groups) {
        const QImage first = DecodeSample(std::string("bmp/") + group[0])->Image().convertToFormat(QImage::Format_ARGB32);
        for (const char* other : group)
            EXPECT_EQ(DecodeSample(std::string("bmp/") + other)->Image().convertToFormat(QImage::Format_ARGB32), first)
                << other;
    }
}

TEST(BmpPicture, BadSamples)
{
    for (const char* file : {"b/badbitcount.bmp", "b/reallybig.bmp", "b/shortfile.bmp"}) {
        SCOPED_TRACE(file);
        EXPECT_THROW(DecodeSample(std::string("bmp/") + file), PictureError);
    }
    // Accepted or refused, but never undefined: runs past the edges are cut off, so two loads
    // give the same pixels. README: top-left (128,0,255), bottom-right (102,85,102).
    const QImage badrle = DecodeSample("bmp/b/badrle.bmp")->Image();
    EXPECT_EQ(badrle, DecodeSample("bmp/b/badrle.bmp")->Image());
    EXPECT_EQ(Pixel(badrle, 0, 0), qRgb(128, 0, 255));
    EXPECT_EQ(Pixel(badrle, 126, 63), qRgb(102, 85, 102));
    for (const char* file : {"b/badheadersize.bmp", "b/rletopdown.bmp"}) {
        try {
            DecodeSample(std::string("bmp/") + file);
        } catch (const PictureError&) {
        }
    }
}

TEST(BmpPicture, SkippedRunLengthPixelsTakeColourZero)
{
    // A 4x2 RLE8 bitmap: bottom row "run of 2 x index 1, end of line", top row "move right 3,
    // then one pixel of index 1, end of bitmap". Everything skipped is index 0.
    std::string rle = std::string("\x02\x01\x00\x00", 4) + std::string("\x00\x02\x03\x00\x01\x01\x00\x01", 8);
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
    const QImage image = Decode("rle.bmp", b)->Image();
    ASSERT_EQ(image.size(), QSize(4, 2));
    EXPECT_EQ(Pixel(image, 0, 1), kRedTopLeft);
    EXPECT_EQ(Pixel(image, 2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(Pixel(image, 3, 0), kRedTopLeft);
    EXPECT_EQ(Pixel(image, 0, 0), qRgb(0, 0, 255));
}

}  // namespace
