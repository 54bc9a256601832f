#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>

#include "PictureTestSupport.h"
#include "demo/DemoFormats.h"
#include "disc/Files.h"
#include "pictures/PictureFile.h"
#include "support/MemoryDisc.h"

namespace {

TEST(MakePicture, TheExactExtensionAfterTheLastDotPicksTheKind)
{
    EXPECT_NE(dynamic_cast<BmpPicture*>(MakePicture("skin\\back.bmp").get()), nullptr);
    EXPECT_NE(dynamic_cast<GifPicture*>(MakePicture("a.b.gif").get()), nullptr);
    EXPECT_NE(dynamic_cast<JpegPicture*>(MakePicture("back.jpg").get()), nullptr);
    for (const char* refused : {"back.JPG", "back.jpeg", "back.Gif", "back.png", "", "back", "back.",
                                "back.jpg.", "dir.jpg\\back"})
        EXPECT_EQ(MakePicture(refused), nullptr) << refused;
}

// A small animation: two frames of a two-colour screen.
std::string TwoFrameGif()
{
    TestGif gif;
    gif.width = 2;
    gif.height = 1;
    gif.global = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    gif.images = {{0, 0, 2, 1, {}, {0, 1}}, {0, 0, 2, 1, {}, {1, 0}}};
    return WriteGif(gif);
}

// A GIF of a screen and its colour table but no image.
std::string GifWithoutImage()
{
    TestGif gif;
    gif.width = gif.height = 1;
    gif.global = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return WriteGif(gif);
}

TEST(Picture, LoadingAgainReplacesThePictureAndAFailureEmptiesIt)
{
    const std::string bytes = JpegBytes(TestPattern(48, 32));
    JpegPicture picture;
    picture.LoadFromBytes(bytes, "a.jpg");
    const QImage first = picture.Image();
    picture.LoadFromBytes(bytes, "a.jpg");
    EXPECT_EQ(picture.Image(), first);
    EXPECT_THROW(picture.LoadFromBytes("garbage", "a.jpg"), PictureError);
    EXPECT_TRUE(picture.Image().isNull());

    GifPicture gif;
    gif.LoadFromBytes(TwoFrameGif(), "two.gif");
    ASSERT_EQ(gif.FrameCount(), 2);
    EXPECT_THROW(gif.LoadFromBytes(GifWithoutImage(), "x.gif"), PictureError);
    EXPECT_TRUE(gif.Image().isNull());
    EXPECT_EQ(gif.FrameCount(), 0);
    EXPECT_TRUE(gif.Frames().empty());
}

// The message of the PictureError LoadPictureFile raises, or "" when it loads.
std::string LoadFailure(const PathResolver& resolver, const std::string& disc_path)
{
    try {
        LoadPictureFile(resolver, disc_path);
        return "";
    } catch (const PictureError& e) {
        return e.what();
    }
}

TEST(LoadPictureFile, PicturesOfADiscImageAreReadThroughTheDisc)
{
    auto image = std::make_shared<MemoryDisc>();
    image->Add("Pics/One.JPG", JpegBytes(TestPattern(48, 32)));
    image->Add("pics2/big.jpg", JpegBytes(TestPattern(4, 4)));
    image->ClaimSize("pics2/big.jpg", kMaxDiscFileBytes + 1);
    image->Add("pics2/cut.jpg", JpegBytes(TestPattern(48, 32)));
    image->FailAfter("pics2/cut.jpg", 100);
    const PathResolver resolver(image);
    EXPECT_EQ(LoadPictureFile(resolver, "pics\\one.jpg")->Width(), 48);
    EXPECT_EQ(image->Opened(), std::vector<std::string>{"Pics/One.JPG"});
    EXPECT_NE(LoadFailure(resolver, "pics\\none.jpg").find("the file does not exist"), std::string::npos);
    // Over the cap, or a read that fails: the file cannot be read, rather than a broken picture.
    for (const char* path : {"pics2\\big.jpg", "pics2\\cut.jpg"})
        EXPECT_NE(LoadFailure(resolver, path).find("cannot be read"), std::string::npos) << path;
}

// Pictures of every kind and storage, cut short at many places and with bytes changed, through
// every decoder: each either decodes or raises PictureError.
TEST(Picture, DamagedBytesNeverEscapeAsAnythingButPictureError)
{
    const QImage pattern = TestPattern(40, 24);
    TestGif local;
    local.width = 4;
    local.height = 4;
    local.loop = 0;
    TestGifImage framed{0, 0, 4, 4, {qRgb(1, 2, 3), qRgb(200, 0, 0)}, std::vector<std::uint8_t>(16, 1)};
    framed.control = true;
    framed.disposal = 3;
    framed.transparent = 0;
    framed.delay_cs = 7;
    TestGifImage interlaced{1, 1, 3, 9, {qRgb(9, 9, 9), qRgb(0, 99, 0)}, std::vector<std::uint8_t>(27, 1)};
    interlaced.interlaced = true;
    local.images = {framed, interlaced};
    const std::vector<std::pair<std::string, std::string>> pictures = {
        {"two-frame gif", TwoFrameGif()},
        {"gif with local tables, disposal, interlacing", WriteGif(local)},
        {"gif of the demo writer", GifFile({pattern, pattern.mirrored()}, {5, 5})},
        {"baseline jpeg", JpegBytes(pattern)},
        {"progressive jpeg", JpegBytes(pattern, true)},
        {"grey jpeg", JpegBytes(pattern.convertToFormat(QImage::Format_Grayscale8))},
        {"1-bit bmp", BmpBytes(pattern.convertToFormat(QImage::Format_Mono))},
        {"8-bit bmp", BmpBytes(pattern.convertToFormat(QImage::Format_Indexed8))},
        {"24-bit bmp", BmpBytes(pattern)},
        {"32-bit bmp", BmpBytes(pattern.convertToFormat(QImage::Format_ARGB32))},
        {"rle8 bmp", IndexedBitmap(pattern.convertToFormat(QImage::Format_Indexed8), 8, true)},
    };
    for (const auto& [label, bytes] : pictures)
        ExpectDamageGivesOnlyPictureErrors(label, bytes);
}

TEST(Picture, CopiesIntoAPixmap)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char arg0[] = "pictures_tests";
    char* argv[] = {arg0, nullptr};
    QGuiApplication app(argc, argv);
    TestGif see_through;
    see_through.width = 3;
    see_through.height = 2;
    see_through.global = {qRgb(0, 0, 0), qRgb(255, 0, 0)};
    TestGifImage image{0, 0, 3, 2, {}, {0, 1, 0, 1, 0, 1}};
    image.control = true;
    image.transparent = 0;
    see_through.images = {image};
    const QImage pattern = TestPattern(30, 20);
    const std::pair<const char*, std::string> files[] = {
        {"x.gif", WriteGif(see_through)},
        {"x.jpg", JpegBytes(pattern)},
        {"x.bmp", BmpBytes(pattern.convertToFormat(QImage::Format_Indexed8))},
    };
    for (const auto& [name, bytes] : files) {
        const auto picture = Decode(name, bytes);
        const QPixmap pixmap = picture->ToPixmap();
        EXPECT_EQ(pixmap.size(), picture->Image().size()) << name;
    }
    EXPECT_TRUE(Decode("x.gif", WriteGif(see_through))->ToPixmap().hasAlphaChannel());
}

}  // namespace
