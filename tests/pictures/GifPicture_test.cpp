#include <gtest/gtest.h>

#include <QByteArray>

#include <vector>

#include "PictureTestSupport.h"
#include "demo/DemoFormats.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
           kGreen = qRgb(0, 255, 0);

GifPicture LoadGif(const std::string& bytes)
{
    GifPicture picture;
    picture.LoadFromBytes(bytes, "test.gif");
    return picture;
}

TEST(GifPicture, InterlacedAndPlainStorageGiveTheSamePixels)
{
    // Eleven rows, each of its own colour, so that a row put in the wrong pass shows.
    TestGif gif;
    gif.width = 3;
    gif.height = 11;
    gif.code_size = 4;
    for (int i = 0; i < 11; ++i)
        gif.global.push_back(qRgb(20 * i, 255 - 20 * i, 7 * i));
    TestGifImage image{0, 0, 3, 11, {}, {}};
    for (std::uint8_t y = 0; y < 11; ++y)
        image.indexes.insert(image.indexes.end(), 3, y);
    gif.images = {image};
    const QImage plain = LoadGif(WriteGif(gif)).Image();
    gif.images[0].interlaced = true;
    const QImage interlaced = LoadGif(WriteGif(gif)).Image();
    EXPECT_EQ(interlaced, plain);
    for (int y = 0; y < 11; ++y)
        EXPECT_EQ(Pixel(interlaced, 2, y), gif.global[static_cast<std::size_t>(y)]) << y;
}

TEST(GifPicture, AnImageOutsideTheScreenLeavesTheBackground)
{
    TestGif gif;
    gif.width = 2;
    gif.height = 2;
    gif.global = {kBlack, kWhite};
    gif.background = 1;
    gif.images.push_back({2, 2, 2, 2, {}, {0, 0, 0, 0}});
    const QImage image = LoadGif(WriteGif(gif)).Image();
    ASSERT_EQ(image.size(), QSize(2, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Pixel(image, x, y), kWhite) << x << "," << y;
}

TEST(GifPicture, BadFilesRaiseAnErrorNamingThePicture)
{
    TestGif no_image;
    no_image.width = no_image.height = 1;
    no_image.global = {kBlack, kWhite};
    // A 2x2 image whose first code (7, of 3 bits) stands for no string the decoder has.
    const std::string invalid_code("GIF89a\x02\x00\x02\x00\xF0\x00\x00"
                                   "\x00\x00\x00\xFF\xFF\xFF"
                                   "\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00"
                                   "\x02\x02\xFF\xFF\x00\x3B",
                                   35);
    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"skin\\no-image.gif", WriteGif(no_image)},
                                      {"skin\\invalid-code.gif", invalid_code}}) {
        SCOPED_TRACE(name);
        try {
            GifPicture().LoadFromBytes(bytes, name);
            ADD_FAILURE() << "decoded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
}

TEST(GifPicture, AnAnimationBeyond64MiBOfFramesIsRefusedBeforeAnythingIsComposed)
{
    // A logical screen of 4096 x 4096 (64 MiB as one frame) with two tiny images: the still
    // picture is fine, the whole animation is not.
    TestGif gif;
    gif.width = 4096;
    gif.height = 4096;
    gif.global = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    TestGifImage frame{0, 0, 2, 1, {}, {1, 2}};
    frame.control = true;
    frame.delay_cs = 5;
    gif.images = {frame, frame};
    const GifPicture picture = LoadGif(WriteGif(gif));
    EXPECT_EQ(picture.FrameCount(), 2);
    EXPECT_THROW(picture.Frames(), PictureError);
}

// Found by fuzzing: a single image of 512 x 35072, within a picture's limit but beyond an
// animation's, once made Frames() fail.
TEST(GifPicture, ALargeSingleImageIsItsOwnOnlyFrame)
{
    const QByteArray input = QByteArray::fromBase64(
        "SUdJRgsAAAAAAAAAAD0sAAIAAAAAAImTPSyPSUdJRgsAAAAAATQAAAAAAAAAiZc9LHSBuLa59P//AAABAAAAAAAAHwAAAAAAAAAACgoK"
        "CgpNCgoKCwoKCgoKCgoKCi8KCgoKCgpw");
    const GifPicture picture = LoadGif(input.mid(1).toStdString());  // the fuzzer's first byte picks the kind
    EXPECT_EQ(picture.Image().size(), QSize(512, 35072));
    const std::vector<GifFrame> frames = picture.Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames.front().image, picture.Image());
}

TEST(GifPicture, AnimationsKeepEveryFrameWithItsDelay)
{
    // The demo writer's animation: five frames of 50 ms, looping for ever.
    std::vector<QImage> pictures;
    for (int i = 0; i < 5; ++i) {
        QImage frame(30, 60, QImage::Format_RGB32);
        frame.fill(qRgb(50 * i, 0, 255 - 50 * i));
        pictures.push_back(frame);
    }
    const GifPicture fire = LoadGif(GifFile(pictures, {5, 5, 5, 5, 5}));
    const std::vector<GifFrame> frames = fire.Frames();
    ASSERT_EQ(frames.size(), 5u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].delay_ms, 50);
        EXPECT_EQ(frames[i].image.size(), QSize(30, 60));
        EXPECT_EQ(Pixel(frames[i].image, 10, 10), pictures[i].pixel(10, 10)) << i;
    }
    EXPECT_EQ(fire.LoopCount(), 0);
    EXPECT_EQ(frames.front().image, fire.Image().convertToFormat(frames.front().image.format()));

    // A loop count, and frames with a local table whose own index is their see-through colour.
    TestGif welcome;
    welcome.width = 2;
    welcome.height = 1;
    welcome.global = {kBlack, kWhite};
    welcome.loop = 1000;
    TestGifImage first{0, 0, 2, 1, {}, {1, 1}};
    first.control = true;
    first.delay_cs = 100;
    TestGifImage local{0, 0, 2, 1, {kRed, kGreen, kBlack, kWhite}, {2, 1}};
    local.control = true;
    local.delay_cs = 100;
    local.transparent = 2;
    local.disposal = 2;
    welcome.images = {first, local, local};
    const GifPicture animation = LoadGif(WriteGif(welcome));
    const std::vector<GifFrame> wframes = animation.Frames();
    ASSERT_EQ(wframes.size(), 3u);
    for (const GifFrame& f : wframes)
        EXPECT_EQ(f.delay_ms, 1000);
    EXPECT_EQ(animation.LoopCount(), 1000);
    EXPECT_EQ(qAlpha(Pixel(wframes[2].image, 0, 0)), 0);
    EXPECT_EQ(Pixel(wframes[1].image, 1, 0), kGreen);

    EXPECT_EQ(LoadGif(GifFile({pictures[0]})).LoopCount(), -1);
}

TEST(GifPicture, RestorePreviousPutsBackWhatTheFrameCovered)
{
    // A 2x2 first image without delay, then four 1x1 images, one on each spot, each with
    // "restore previous" and 50 cs.
    TestGif gif;
    gif.width = 2;
    gif.height = 2;
    gif.global = {kBlack, kWhite, kRed, kGreen};
    gif.loop = 0;
    gif.images.push_back({0, 0, 2, 2, {}, {0, 1, 2, 3}});
    const QPoint spots[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const QPoint& p : spots) {
        const auto covered = static_cast<std::uint8_t>(p.y() * 2 + p.x());
        TestGifImage spot{p.x(), p.y(), 1, 1, {}, {static_cast<std::uint8_t>((covered + 1) % 4)}};
        spot.control = true;
        spot.disposal = 3;
        spot.delay_cs = 50;
        gif.images.push_back(spot);
    }
    const std::vector<GifFrame> frames = LoadGif(WriteGif(gif)).Frames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].delay_ms, 0);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(frames[i].delay_ms, 500);
        // Each 1x1 image changes only its own spot of the first frame, and is undone after.
        for (const QPoint& p : spots) {
            const QRgb before = Pixel(frames[0].image, p.x(), p.y());
            if (p != spots[i - 1]) {
                EXPECT_EQ(Pixel(frames[i].image, p.x(), p.y()), before) << "frame " << i << " at " << p.x() << "," << p.y();
            } else {
                EXPECT_NE(Pixel(frames[i].image, p.x(), p.y()), before) << "frame " << i;
            }
        }
    }
}

TEST(GifPicture, ImagesAreClippedToTheScreen)
{
    TestGif gif;
    gif.width = 2;
    gif.height = 2;
    gif.global = {kBlack, kWhite, kRed, kGreen};
    gif.images.push_back({1, 1, 2, 2, {}, {2, 2, 2, 2}});
    const QImage image = LoadGif(WriteGif(gif)).Image();
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(Pixel(image, 1, 1), kRed);
    EXPECT_EQ(Pixel(image, 0, 0), kBlack);  // background colour, index 0
    EXPECT_EQ(Pixel(image, 1, 0), kBlack);
}

TEST(GifPicture, ColourTableChecks)
{
    TestGif none;
    none.width = none.height = 1;
    none.images.push_back({0, 0, 1, 1, {}, {0}});
    EXPECT_THROW(LoadGif(WriteGif(none)), PictureError);

    // A two-colour table with 2-bit codes: indexes 2 and 3 point past the table.
    TestGif past;
    past.width = 2;
    past.height = 1;
    past.images.push_back({0, 0, 2, 1, {kWhite, kRed}, {1, 3}});
    const QImage image = LoadGif(WriteGif(past)).Image();
    EXPECT_EQ(Pixel(image, 0, 0), kRed);
    EXPECT_EQ(Pixel(image, 1, 0), kBlack);
}

TEST(GifPicture, DisposalToBackgroundAndTransparency)
{
    TestGif gif;
    gif.width = 2;
    gif.height = 1;
    gif.global = {kBlack, kWhite, kRed, kGreen};
    TestGifImage first{0, 0, 2, 1, {}, {1, 1}};
    first.control = true;
    first.disposal = 2;
    TestGifImage second{1, 0, 1, 1, {}, {2}};
    gif.images = {first, second};
    std::vector<GifFrame> frames = LoadGif(WriteGif(gif)).Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Pixel(frames[1].image, 0, 0), kBlack);
    EXPECT_EQ(Pixel(frames[1].image, 1, 0), kRed);

    // With a see-through index the screen starts clear instead of in the background colour.
    gif.images[1].control = true;
    gif.images[1].transparent = 3;
    gif.images[1].indexes = {3};
    frames = LoadGif(WriteGif(gif)).Frames();
    EXPECT_EQ(qAlpha(Pixel(frames[1].image, 0, 0)), 0);
    EXPECT_EQ(qAlpha(Pixel(frames[1].image, 1, 0)), 0);
}

TEST(GifPicture, ACutFileKeepsItsWholeImagesOnly)
{
    TestGif gif;
    gif.width = 4;
    gif.height = 4;
    gif.global = {kBlack, kWhite};
    const std::vector<std::uint8_t> pixels(16, 1);
    gif.images = {{0, 0, 4, 4, {}, pixels}, {0, 0, 4, 4, {}, pixels}};
    const std::string bytes = WriteGif(gif);
    const std::size_t first_image = 6 + 7 + 6;  // header, screen, two-colour table
    const std::size_t image_length = (bytes.size() - 1 - first_image) / 2;

    const GifPicture cut_in_second = LoadGif(bytes.substr(0, bytes.size() - 6));
    EXPECT_EQ(cut_in_second.FrameCount(), 1);
    EXPECT_EQ(Pixel(cut_in_second.Image(), 3, 3), kWhite);
    EXPECT_THROW(LoadGif(bytes.substr(0, first_image + image_length - 5)), PictureError);  // inside the first image
    EXPECT_THROW(LoadGif(bytes.substr(0, 10)), PictureError);
}

TEST(GifPicture, ScreenSizeRules)
{
    TestGif zero;  // no screen size: the first image gives it
    zero.global = {kBlack, kWhite};
    zero.images.push_back({0, 0, 3, 2, {}, std::vector<std::uint8_t>(6, 1)});
    EXPECT_EQ(LoadGif(WriteGif(zero)).Image().size(), QSize(3, 2));

    TestGif huge = zero;  // refused before anything is allocated
    huge.width = huge.height = 60000;
    EXPECT_THROW(LoadGif(WriteGif(huge)), PictureError);
}

}  // namespace
