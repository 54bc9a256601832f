#include <gtest/gtest.h>

#include "PictureTestSupport.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
           kGreen = qRgb(0, 255, 0);

GifPicture LoadGif(const std::string& bytes)
{
    GifPicture picture;
    picture.LoadFromBytes(bytes, "test.gif");
    return picture;
}

TEST(GifPicture, EveryGoodSampleDecodesToItsScreenSize)
{
    const struct {
        const char* file;
        int width, height;
        QRgb top_left;  // as ImageMagick reports it
    } samples[] = {
        {"porsche.gif", 320, 200, kBlack},  // with 631 bytes after the trailer
        {"treescap.gif", 40, 40, qRgb(231, 231, 231)},
        {"treescap-interlaced.gif", 40, 40, qRgb(231, 231, 231)},
        {"solid2.gif", 640, 400, qRgb(0, 0, 255)},
        {"gifgrid.gif", 100, 100, qRgb(165, 17, 4)},
        {"x-trans.gif", 100, 100, 0},
        {"fire.gif", 30, 60, kBlack},
        {"welcome2.gif", 290, 48, 0},
        {"suite-local-color-table.gif", 1, 1, kWhite},
        {"suite-no-global-color-table.gif", 1, 1, kWhite},
        {"suite-dispose-restore-previous.gif", 2, 2, 0xdead},
        {"suite-image-outside-bg.gif", 2, 2, kWhite},
        {"suite-max-width.gif", 65535, 1, 0xdead},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const auto picture = DecodeSample(std::string("gif/") + s.file);
        EXPECT_EQ(picture->Width(), s.width);
        EXPECT_EQ(picture->Height(), s.height);
        if (s.top_left != 0xdead) {
            EXPECT_EQ(Pixel(picture->Image(), 0, 0), s.top_left);
        }
    }
}

TEST(GifPicture, InterlacedAndPlainStorageGiveTheSamePixels)
{
    EXPECT_EQ(DecodeSample("gif/treescap-interlaced.gif")->Image(), DecodeSample("gif/treescap.gif")->Image());
}

TEST(GifPicture, AnImageOutsideTheScreenLeavesTheBackground)
{
    const QImage image = DecodeSample("gif/suite-image-outside-bg.gif")->Image();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Pixel(image, x, y), kWhite) << x << "," << y;
}

TEST(GifPicture, BadSamplesRaiseAnErrorNamingThePicture)
{
    for (const char* file : {"suite-no-data.gif", "suite-invalid-code.gif"}) {
        SCOPED_TRACE(file);
        try {
            GifPicture().LoadFromBytes(Sample(std::string("gif/") + file), file);
            ADD_FAILURE() << "decoded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
        }
    }
}

TEST(GifPicture, AnimationsKeepEveryFrameWithItsDelay)
{
    const GifPicture fire = LoadGif(Sample("gif/fire.gif"));
    const std::vector<GifFrame> frames = fire.Frames();
    ASSERT_EQ(frames.size(), 33u);
    for (const GifFrame& f : frames) {
        EXPECT_EQ(f.delay_ms, 50);
        EXPECT_EQ(f.image.size(), QSize(30, 60));
    }
    EXPECT_EQ(fire.LoopCount(), 0);
    EXPECT_EQ(frames.front().image, fire.Image().convertToFormat(frames.front().image.format()));

    const GifPicture welcome = LoadGif(Sample("gif/welcome2.gif"));
    const std::vector<GifFrame> wframes = welcome.Frames();
    ASSERT_EQ(wframes.size(), 6u);
    for (const GifFrame& f : wframes)
        EXPECT_EQ(f.delay_ms, 1000);
    EXPECT_EQ(welcome.LoopCount(), 1000);
    // Frames with the local table use index 210 as their see-through colour.
    EXPECT_EQ(qAlpha(Pixel(wframes[1].image, 0, 0)), 0);

    EXPECT_EQ(LoadGif(Sample("gif/treescap.gif")).LoopCount(), -1);
}

TEST(GifPicture, RestorePreviousPutsBackWhatTheFrameCovered)
{
    const GifPicture picture = LoadGif(Sample("gif/suite-dispose-restore-previous.gif"));
    const std::vector<GifFrame> frames = picture.Frames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].delay_ms, 0);
    const QPoint spots[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(frames[i].delay_ms, 500);
        // Each 1x1 image changes only its own spot of the first frame, and is undone after.
        for (const QPoint& p : spots) {
            if (p != spots[i - 1]) {
                EXPECT_EQ(Pixel(frames[i].image, p.x(), p.y()), Pixel(frames[0].image, p.x(), p.y()))
                    << "frame " << i << " at " << p.x() << "," << p.y();
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
