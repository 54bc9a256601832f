#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>

#include "PictureTestSupport.h"

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

TEST(Picture, LoadingAgainReplacesThePictureAndAFailureEmptiesIt)
{
    const std::string bytes = Sample("jpeg/testorig.jpg");
    JpegPicture picture;
    picture.LoadFromBytes(bytes, "a.jpg");
    const QImage first = picture.Image();
    picture.LoadFromBytes(bytes, "a.jpg");
    EXPECT_EQ(picture.Image(), first);
    EXPECT_THROW(picture.LoadFromBytes("garbage", "a.jpg"), PictureError);
    EXPECT_TRUE(picture.Image().isNull());

    GifPicture gif;
    gif.LoadFromBytes(Sample("gif/fire.gif"), "fire.gif");
    EXPECT_THROW(gif.LoadFromBytes(Sample("gif/suite-no-data.gif"), "x.gif"), PictureError);
    EXPECT_TRUE(gif.Image().isNull());
    EXPECT_EQ(gif.FrameCount(), 0);
    EXPECT_TRUE(gif.Frames().empty());
}

// Every sample, cut short at many places and with bytes changed, through every decoder: each
// either decodes or raises PictureError (run under the sanitizers, this also finds bad reads).
TEST(Picture, DamagedBytesNeverEscapeAsAnythingButPictureError)
{
    std::vector<std::string> files;
    for (const char* folder : {"gif", "jpeg", "bmp/g", "bmp/b"})
        for (const auto& entry : std::filesystem::directory_iterator(std::string("../shared/samples/") + folder))
            if (entry.path().extension() != ".md")
                files.push_back(entry.path().string());
    ASSERT_GT(files.size(), 30u);
    std::uint32_t seed = 12345;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
    for (const std::string& file : files) {
        const std::string bytes = ReadFileBytes(file);
        std::vector<std::string> variants;
        for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{6}, std::size_t{13},
                                std::size_t{40}, bytes.size() / 3, bytes.size() / 2, bytes.size() - 1})
            variants.push_back(bytes.substr(0, std::min(cut, bytes.size())));
        for (int round = 0; round < 6; ++round) {
            std::string changed = bytes;
            for (int i = 0; i < 4; ++i)
                changed[next() % changed.size()] = static_cast<char>(next() >> 24);
            variants.push_back(changed);
        }
        for (const std::string& v : variants) {
            for (const char* name : {"x.bmp", "x.gif", "x.jpg"}) {
                std::unique_ptr<Picture> picture = MakePicture(name);
                try {
                    picture->LoadFromBytes(v, name);
                    EXPECT_FALSE(picture->Image().isNull()) << file;
                } catch (const PictureError&) {
                    EXPECT_TRUE(picture->Image().isNull()) << file;
                }
            }
        }
    }
}

TEST(Picture, CopiesIntoAPixmap)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char arg0[] = "pictures_tests";
    char* argv[] = {arg0, nullptr};
    QGuiApplication app(argc, argv);
    for (const char* file : {"gif/x-trans.gif", "jpeg/testorig.jpg", "bmp/g/pal8.bmp"}) {
        const auto picture = DecodeSample(file);
        const QPixmap pixmap = picture->ToPixmap();
        EXPECT_EQ(pixmap.size(), picture->Image().size()) << file;
    }
    EXPECT_TRUE(DecodeSample("gif/x-trans.gif")->ToPixmap().hasAlphaChannel());
}

}  // namespace
