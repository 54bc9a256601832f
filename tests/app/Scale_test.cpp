// The menu drawn twice as large: this executable's application is made at factor 2 by the
// program's own set-up (app/ScreenScale.h), on the offscreen platform. Pictures and edges must
// cover whole blocks of the screen's pixels, text must be drawn at the larger size, and every
// coordinate must stay in the skin's pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "app/MainForm.h"
#include "app/ScreenScale.h"
#include "elements/InfoBox.h"
#include "controls/Label.h"
#include "controls/StringGrid.h"
#include "controls/Zulwid.h"
#include "platform/CursorFile.h"
#include "platform/Cursors.h"
#include "platform/DiscText.h"
#include "platform/ScreenCursors.h"
#include "support/Golden.h"
#include "support/MouseDrag.h"
#include "support/RecordingOpener.h"
#include "support/RecordingSound.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "windows/Buttonwithcolor.h"
#include "windows/Options.h"

namespace {

constexpr int kFactor = 2;

class ScaledApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ScreenScaleSetting scale(kFactor);
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override { delete app_; }

private:
    int argc_ = 1;
    char arg0_[16] = "scale_tests";
    char* argv_[2] = {arg0_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ScaledApplication);

// The widget as the screen shows it, in the screen's pixels.
QImage Shown(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The widget drawn in the skin's own pixels, as at factor 1.
QImage InSkinPixels(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

// `image` with every pixel repeated kFactor times each way.
QImage Repeated(const QImage& image)
{
    QImage larger(image.size() * kFactor, QImage::Format_RGB32);
    for (int y = 0; y < larger.height(); ++y)
        for (int x = 0; x < larger.width(); ++x)
            larger.setPixel(x, y, image.pixel(x / kFactor, y / kFactor));
    return larger;
}

// Whether two pictures are the same, pixel for pixel; otherwise where they first differ.
::testing::AssertionResult SamePixels(const QImage& seen, const QImage& expected)
{
    if (seen.size() != expected.size())
        return ::testing::AssertionFailure() << "the size is " << seen.width() << "x" << seen.height()
                                             << ", not " << expected.width() << "x" << expected.height();
    for (int y = 0; y < seen.height(); ++y)
        for (int x = 0; x < seen.width(); ++x)
            if (seen.pixel(x, y) != expected.pixel(x, y))
                return ::testing::AssertionFailure() << std::hex << "at " << std::dec << x << "," << y
                                                     << std::hex << " #" << (seen.pixel(x, y) & 0xFFFFFF)
                                                     << " instead of #" << (expected.pixel(x, y) & 0xFFFFFF);
    return ::testing::AssertionSuccess();
}

// A picture whose neighbouring pixels all differ, so that any smoothing shows.
QImage Checkers(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255 - 20 * x));
    return image;
}

TEST(ScaledScreen, TheScreenIsDrawnAtTheFactorAndTheEnvironmentIsAsItWas)
{
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    EXPECT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), kFactor);
    // The set-up's settings went with it once the application was made.
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_SCALE_FACTOR"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"));
}

TEST(ScaledScreen, PicturesArePixelRepeatedWhereverTheyArePlaced)
{
    QWidget window;
    window.resize(40, 30);
    const QImage picture = Checkers(5, 3);
    TImage image(&window);
    image.move(3, 4);
    image.SetAutoSize(true);
    image.ShowPicture(QPixmap::fromImage(picture));
    EXPECT_EQ(image.size(), QSize(5, 3));  // the control keeps the skin's size
    EXPECT_TRUE(SamePixels(Shown(image), Repeated(picture)));
    const QRect placed(QPoint(3, 4) * kFactor, picture.size() * kFactor);
    EXPECT_TRUE(SamePixels(Shown(window).copy(placed), Repeated(picture)));

    // Centred in a larger control, and clipped by a smaller one, as the label places it.
    image.SetAutoSize(false);
    image.setAlignment(Qt::AlignCenter);
    image.resize(9, 7);
    QImage expected(9, 7, QImage::Format_RGB32);
    expected.fill(window.palette().color(QPalette::Window));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            expected.setPixel(x + 2, y + 2, picture.pixel(x, y));
    EXPECT_TRUE(SamePixels(Shown(image), Repeated(expected)));
    image.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image.resize(3, 2);
    EXPECT_TRUE(SamePixels(Shown(image), Repeated(picture.copy(0, 0, 3, 2))));

    // Disabled, it is the style's disabled look of the picture, no less crisp.
    image.resize(5, 3);
    image.setEnabled(false);
    const QImage disabled = Shown(image);
    EXPECT_FALSE(disabled == Repeated(picture));
    QImage one(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            one.setPixel(x, y, disabled.pixel(x * kFactor, y * kFactor));
    EXPECT_TRUE(SamePixels(disabled, Repeated(one)));
}

TEST(ScaledScreen, EdgesOfOnePixelCoverWholeBlocks)
{
    // The info box's bevel, the options window's bevels and panel, and the coloured button in
    // its looks (no caption: only edges, face and the dotted focus rectangle).
    QWidget window;
    window.resize(200, 100);
    std::vector<std::pair<const char*, QWidget*>> widgets;
    auto* bevel = new TBevel(&window);
    bevel->setGeometry(2, 2, 50, 3);
    widgets.emplace_back("info box bevel", bevel);
    auto* box = new TOptionsBevel(&window, TOptionsBevel::bsBox, TOptionsBevel::bsRaised);
    box->setGeometry(2, 10, 30, 20);
    widgets.emplace_back("options box", box);
    auto* line = new TOptionsBevel(&window, TOptionsBevel::bsTopLine, TOptionsBevel::bsLowered);
    line->setGeometry(40, 10, 30, 2);
    widgets.emplace_back("options line", line);
    auto* panel = new TOptionsPanel(&window);
    panel->setGeometry(80, 10, 30, 20);
    widgets.emplace_back("options panel", panel);
    auto* button = new TBitBtnWithColor(&window);
    button->setGeometry(2, 40, 60, 24);
    button->SetColor(ColorFromValue(10137246));
    widgets.emplace_back("button", button);
    window.show();
    for (const auto& [name, widget] : widgets)
        EXPECT_TRUE(SamePixels(Shown(*widget), Repeated(InSkinPixels(*widget)))) << name;
    button->setDown(true);
    EXPECT_TRUE(SamePixels(Shown(*button), Repeated(InSkinPixels(*button)))) << "pressed";
    button->setDown(false);
    button->SetDefault(true);  // the frame and the dotted focus rectangle
    EXPECT_TRUE(SamePixels(Shown(*button), Repeated(InSkinPixels(*button)))) << "default";
}

TEST(ScaledScreen, PictureCursorsComeOutLargerAndCrisp)
{
    QImage picture = Checkers(6, 4).convertToFormat(QImage::Format_ARGB32);
    picture.setPixel(0, 0, 0);  // a transparent pixel
    const QCursor cursor = CursorForScreen(QCursor(QPixmap::fromImage(picture), 3, 1));
    ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
    const QPixmap larger = cursor.pixmap();
    EXPECT_EQ(larger.devicePixelRatio(), kFactor);
    EXPECT_EQ(larger.deviceIndependentSize().toSize(), picture.size());
    const QImage seen = larger.toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(seen.size(), picture.size() * kFactor);
    bool same = true;
    for (int y = 0; y < seen.height(); ++y)
        for (int x = 0; x < seen.width(); ++x)
            same = same && seen.pixel(x, y) == picture.pixel(x / kFactor, y / kFactor);
    EXPECT_TRUE(same);
    // This platform takes the hotspot in the skin's pixels (the X11 one in the picture's: the
    // end-to-end test sees it there).
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 1));

    // The slots hold them that way; a standard shape and a picture of its own ratio stay.
    SetScreenCursor(kMainCursorSlot, QCursor(QPixmap::fromImage(picture), 3, 1));
    EXPECT_EQ(ScreenCursor(kMainCursorSlot).pixmap().size(), picture.size() * kFactor);
    EXPECT_EQ(CursorForScreen(QCursor(Qt::CrossCursor)).shape(), Qt::CrossCursor);
    QPixmap fine = larger;
    EXPECT_EQ(CursorForScreen(QCursor(fine, 3, 1)).pixmap().size(), fine.size());
}

TEST(ScaledScreen, TextOfTheFixedSizeFaceIsDrawnInAScalableOne)
{
    if (!std::filesystem::exists("/usr/share/wine/fonts/tahoma.ttf"))
        GTEST_SKIP() << "Wine's fonts are not installed";
    RegisterSkinFonts();
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Tahoma"));
}

// The main window on the demo disc (Russian only), at factor 2.
class ScaledMainForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterSkinFonts();
        ASSERT_EQ(RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()}).exit_code, 0);
        std::filesystem::remove(disc.path() / "graph" / "image_lit.dat");
        form = std::make_unique<TMainForm>(app, PathResolver(disc.path()), sound, opener);
    }

    TempDir disc;
    QtApplication app;
    RecordingSoundOutput sound;
    RecordingOpener opener;
    std::unique_ptr<TMainForm> form;
};

// Where the window draws text: its labels and its lists.
std::vector<QRect> TextAreas(QWidget& form)
{
    // (The skin's widget classes have no meta-object of their own: they are told apart by
    // their C++ type.)
    std::vector<QRect> areas;
    for (QWidget* widget : form.findChildren<QWidget*>())
        if ((dynamic_cast<TLabel*>(widget) != nullptr || dynamic_cast<TStringGrid*>(widget) != nullptr) &&
            widget->isVisibleTo(&form))
            areas.emplace_back(widget->mapTo(&form, QPoint(0, 0)), widget->size());
    return areas;
}

TEST_F(ScaledMainForm, TheWindowIsTwiceAsLargeCrispAndReviewed)
{
    ZUL_shell& shell = *form->shell();
    shell.Side().PanelBanner()->hide();
    shell.MainBanner()->hide();
    form->show();
    EXPECT_EQ(form->size(), QSize(648, 511));
    const QImage shot = Shown(*form);
    ASSERT_EQ(shot.size(), QSize(648, 511) * kFactor);
    EXPECT_TRUE(MatchesGolden(shot, "software_view_x2"));

    // Away from text, every pixel of the window in the skin's pixels covers its block.
    const QImage one = InSkinPixels(*form);
    const std::vector<QRect> text = TextAreas(*form);
    ASSERT_FALSE(text.empty());
    auto in_text = [&](int x, int y) {
        for (const QRect& area : text)
            if (area.contains(x, y))
                return true;
        return false;
    };
    long long compared = 0;
    long long differing = 0;
    long long sharper = 0;  // blocks of text that are not one pixel repeated
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = shot.pixel(kFactor * x, kFactor * y);
            const bool block = a == shot.pixel(kFactor * x + 1, kFactor * y) &&
                               a == shot.pixel(kFactor * x, kFactor * y + 1) &&
                               a == shot.pixel(kFactor * x + 1, kFactor * y + 1);
            if (in_text(x, y)) {
                sharper += block ? 0 : 1;
                continue;
            }
            ++compared;
            if (!block || a != one.pixel(x, y))
                ++differing;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(compared, one.width() * one.height() / 2);
    // Text is drawn at the larger size, not as larger pixels.
    EXPECT_GT(sharper, 1000);
}

TEST_F(ScaledMainForm, TheStripAndTheControlsKeepTheSkinsCoordinates)
{
    form->show();
    const int cap = form->description().cd.window.cap_height;
    ASSERT_GT(cap, 0);
    const QPoint start = form->pos();
    SendDrag(form->back, form->pos(), QPoint(300, cap), QPoint(10, 5));  // the strip's last row
    EXPECT_EQ(form->pos(), start + QPoint(10, 5));
    SendDrag(form->back, form->pos(), QPoint(300, cap + 1), QPoint(10, 5));
    EXPECT_EQ(form->pos(), start + QPoint(10, 5));

    // The buttons are where the script places them, in the skin's pixels.
    const Inf_window& skin = form->description().cd.window;
    EXPECT_EQ(form->close_btn->pos(), QPoint(skin.close_btn.left, skin.close_btn.top));
    EXPECT_EQ(form->childAt(skin.close_btn.left + 2, skin.close_btn.top + 2), form->close_btn);

    // The disc's own cursor, twice as large.
    ASSERT_TRUE(form->startup().cursors_ok);
    const QCursor cursor = ScreenCursor(kMainCursorSlot);
    ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.pixmap().devicePixelRatio(), kFactor);
    EXPECT_EQ(cursor.pixmap().size(), cursor.pixmap().deviceIndependentSize().toSize() * kFactor);
}

}  // namespace
