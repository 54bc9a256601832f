#include "windows/SplashForm.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include "support/TempDir.h"
#include "pictures/Picture.h"

namespace {

class CountingSoundOutput : public SoundOutput {
public:
    int stops = 0;
    void PlayFromMemory(std::shared_ptr<const std::string>) override {}
    void PlayLoop(const std::string&) override {}
    void StopAll() override { ++stops; }
};

const PathResolver kSamples("../shared/samples");

QRect Desktop()
{
    return QGuiApplication::primaryScreen()->geometry();
}

TEST(TSplashForm, SizedToItsPictureAndCentred)
{
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, kSamples, "GIF\\Welcome2.gif", sound);
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
    dir.Write("graph/splash/ru/Intro.png", ReadFileBytes("../shared/samples/gif/treescap.gif"));
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
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, kSamples, "gif\\porsche.gif", sound);
    splash.show();
    EXPECT_TRUE(splash.isVisible());
    GifPicture picture;
    picture.LoadFromBytes(ReadFileBytes("../shared/samples/gif/porsche.gif"), "porsche.gif");
    const QImage shown = splash.grab().toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(160, 100), QPoint(319, 199)})
        EXPECT_EQ(shown.pixel(p), picture.Image().pixel(p));
    EXPECT_FALSE(splash.Animated());
}

TEST(TSplashForm, AClickHidesItAndTheTimerStillDestroysIt)
{
    CountingSoundOutput sound;
    QPointer<TSplashForm> splash = new TSplashForm(nullptr, kSamples, "gif\\treescap.gif", sound, 1000);
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
    CountingSoundOutput sound;
    QPointer<TSplashForm> splash = new TSplashForm(nullptr, kSamples, "gif\\treescap.gif", sound, 200);
    splash->show();
    // Nothing happens before the event loop serves the timer.
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(sound.stops, 0);
    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
    EXPECT_EQ(sound.stops, 1);
}

TEST(TSplashForm, AnimatedGifPlaysWhileTheEventLoopRuns)
{
    CountingSoundOutput sound;
    TSplashForm splash(nullptr, kSamples, "gif\\fire.gif", sound);  // 33 frames of 50 ms
    EXPECT_TRUE(splash.Animated());
    splash.show();
    const QImage first = splash.Image1->pixmap().toImage();
    EXPECT_EQ(splash.FrameIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(splash.FrameIndex() >= 2, 3000);
    EXPECT_NE(splash.Image1->pixmap().toImage(), first);
    EXPECT_EQ(splash.size(), QSize(30, 60));
}

}  // namespace
