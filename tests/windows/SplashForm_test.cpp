#include "windows/SplashForm.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include "demo/DemoFormats.h"
#include "pictures/Picture.h"
#include "support/TempDir.h"

namespace {

class CountingSoundOutput : public SoundOutput {
public:
    int stops = 0;
    void PlayFromMemory(std::shared_ptr<const std::string>) override {}
    void PlayLoop(const std::string&) override {}
    void StopAll() override { ++stops; }
};

// A picture of smooth colours and a few sharp edges.
QImage Pattern(int width, int height, int shade = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((255 * x / width + shade) % 256, 255 * y / height, x < width / 2 ? 40 : 220));
    return image;
}

// A disc folder with the splash pictures the tests show: still ones of several sizes (the path's
// letter case differs from the name the tests ask for) and an animation of five 50 ms frames.
class SplashDisc {
public:
    SplashDisc()
    {
        dir_.Write("gif/welcome2.gif", GifFile({Pattern(290, 48)}));
        dir_.Write("gif/still.gif", GifFile({Pattern(320, 200)}));
        dir_.Write("gif/small.gif", GifFile({Pattern(40, 40)}));
        std::vector<QImage> frames;
        for (int i = 0; i < 5; ++i)
            frames.push_back(Pattern(30, 60, 50 * i));
        dir_.Write("gif/fire.gif", GifFile(frames, {5, 5, 5, 5, 5}));
    }
    PathResolver Resolver() const { return PathResolver(dir_.path()); }
    std::string Bytes(const std::string& rel) const { return ReadFileBytes(dir_.path() / rel); }

private:
    TempDir dir_;
};

QRect Desktop()
{
    return QGuiApplication::primaryScreen()->geometry();
}

TEST(TSplashForm, SizedToItsPictureAndCentred)
{
    SplashDisc disc;
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, disc.Resolver(), "GIF\\Welcome2.gif", sound);
    EXPECT_EQ(splash.size(), QSize(290, 48));
    EXPECT_EQ(splash.Image1->geometry(), QRect(0, 0, 290, 48));
    const QRect desktop = Desktop();
    EXPECT_EQ(splash.pos(), QPoint(desktop.left() + (desktop.width() - 290) / 2,
                                   desktop.top() + (desktop.height() - 48) / 2));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash.Timer1->interval(), 5000);
    EXPECT_TRUE(splash.Timer1->isActive());
    EXPECT_FALSE(splash.testAttribute(Qt::WA_QuitOnClose));
}

TEST(TSplashForm, PictureLargerThanTheDesktopIsCentredTowardZero)
{
    const QRect desktop = Desktop();
    QImage big(desktop.width() + 101, desktop.height() + 3, QImage::Format_RGB32);
    big.fill(qRgb(200, 10, 10));
    TempDir dir;
    dir.MakeDir("graph/splash/ru");
    ASSERT_TRUE(big.save(QString::fromStdString((dir.path() / "graph/splash/ru/Intro.bmp").string()), "BMP"));
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, PathResolver(dir.path()), "graph\\splash\\ru\\Intro.bmp", sound);
    EXPECT_EQ(splash.size(), big.size());
    EXPECT_EQ(splash.pos(), QPoint(desktop.left() - 50, desktop.top() - 1));
}

TEST(TSplashForm, APictureThatCannotBeReadRaisesThePictureError)
{
    TempDir dir;
    dir.Write("graph/splash/ru/Intro.gif", "GIF89a this is not a picture");
    dir.Write("graph/splash/ru/Intro.png", GifFile({Pattern(40, 40)}));
    CountingSoundOutput sound;
    const PathResolver resolver(dir.path());
    EXPECT_THROW(TSplashForm(nullptr, resolver, "graph\\splash\\ru\\Intro.gif", sound), PictureError);
    EXPECT_THROW(TSplashForm(nullptr, resolver, "graph\\splash\\lit\\Intro.gif", sound), PictureError);
    EXPECT_THROW(TSplashForm(nullptr, resolver, "graph\\splash\\ru\\Intro.png", sound), PictureError);
    EXPECT_THROW(TSplashForm(nullptr, resolver, "graph\\splash\\ru", sound), PictureError);
    try {
        TSplashForm(nullptr, resolver, "graph\\splash\\lit\\Intro.gif", sound);
    } catch (const PictureError& error) {
        EXPECT_NE(std::string(error.what()).find("graph\\splash\\lit\\Intro.gif"), std::string::npos);
    }
}

TEST(TSplashForm, ShowsItsPictureAtOnce)
{
    SplashDisc disc;
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, disc.Resolver(), "gif\\still.gif", sound);
    splash.show();
    EXPECT_TRUE(splash.isVisible());
    GifPicture picture;
    picture.LoadFromBytes(disc.Bytes("gif/still.gif"), "still.gif");
    const QImage shown = splash.grab().toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(160, 100), QPoint(319, 199)})
        EXPECT_EQ(shown.pixel(p), picture.Image().pixel(p));
    EXPECT_FALSE(splash.Animated());
}

TEST(TSplashForm, AClickHidesItAndTheTimerStillDestroysIt)
{
    SplashDisc disc;
    CountingSoundOutput sound;
    QPointer<TSplashForm> splash = new TSplashForm(nullptr, disc.Resolver(), "gif\\small.gif", sound, 1000);
    splash->show();
    // A release alone (the press began elsewhere) is no click.
    QTest::mouseRelease(splash, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(splash->isVisible());
    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_FALSE(splash.isNull());
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(sound.stops, 0);
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
    EXPECT_EQ(sound.stops, 1);
}

TEST(TSplashForm, TheTimerStopsAllSoundAndDestroysIt)
{
    SplashDisc disc;
    CountingSoundOutput sound;
    QPointer<TSplashForm> splash = new TSplashForm(nullptr, disc.Resolver(), "gif\\small.gif", sound, 200);
    splash->show();
    // Nothing happens before the event loop serves the timer.
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(sound.stops, 0);
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
    EXPECT_EQ(sound.stops, 1);
}

TEST(TSplashForm, AnimatedGifPlaysWhileTheEventLoopRuns)
{
    SplashDisc disc;
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, disc.Resolver(), "gif\\fire.gif", sound);  // 5 frames of 50 ms
    EXPECT_TRUE(splash.Animated());
    splash.show();
    const QImage first = splash.Image1->pixmap().toImage();
    EXPECT_EQ(splash.FrameIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(splash.FrameIndex() >= 2, 3000);
    EXPECT_NE(splash.Image1->pixmap().toImage(), first);
    EXPECT_EQ(splash.size(), QSize(30, 60));
}

}  // namespace
