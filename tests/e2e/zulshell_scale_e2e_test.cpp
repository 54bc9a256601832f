// The real program drawn twice as large (--scale 2) on a big screen of a private X server: the
// window, its pictures and its cursor cover two screen pixels for every pixel of the skin, and a
// reader's clicks at the doubled places reach every control.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "DemoDisc.h"
#include "X11Session.h"
#include "archive/ZipGrFile.h"
#include "disc/Files.h"
#include "platform/CursorFile.h"
#include "script/Synter.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1200;
constexpr int kFactor = 2;

// Whether the block of the screen that shows the skin's pixel `skin` (of a window whose inside
// is at `origin`) is one colour, close to `expected`.
::testing::AssertionResult ShowsPixel(const QImage& shot, QPoint origin, QPoint skin, QRgb expected,
                                      int tolerance = 6)
{
    const QPoint corner = origin + skin * kFactor;
    for (int dy = 0; dy < kFactor; ++dy)
        for (int dx = 0; dx < kFactor; ++dx)
            if (shot.pixel(corner + QPoint(dx, dy)) != shot.pixel(corner))
                return ::testing::AssertionFailure() << "the block of " << skin.x() << "," << skin.y()
                                                     << " is not one colour";
    return SameColour(shot.pixel(corner), expected, tolerance) << " at " << skin.x() << "," << skin.y();
}


// The pointer's cursor as the X server shows it: its picture (ARGB) and hotspot.
struct ServerCursor {
    QImage image;
    QPoint hotspot;
};

// (At the end of the file: the X11 headers define names that Qt's headers use.)
ServerCursor CursorOnScreen(const std::string& display);

class ZulshellScaled : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MakeOffscreenGuiApplication(); }

    // The visible window whose inside (xwininfo) has `size`; its place on the screen.
    static QRect WaitForWindowOfSize(const X11Session& x, QSize size, std::string* id = nullptr)
    {
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < until) {
            for (const std::string& w : x.WaitForWindows(".", 1s)) {
                const QRect place = x.Placement(w);
                if (place.size() == size) {
                    if (id != nullptr)
                        *id = w;
                    return place;
                }
            }
            std::this_thread::sleep_for(200ms);
        }
        return {};
    }
};

TEST_F(ZulshellScaled, AtScaleTwoTheMenuIsTwiceAsLargeAndEveryControlWorks)
{
    DemoDisc disc(/*russian_only=*/true);
    const Inf_shell& d = disc.description;
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, {"--scale", "2", disc.Root()}, disc.Root(), x.display(),
                            {"SDL_AUDIODRIVER=dummy"});
    const auto started = std::chrono::steady_clock::now();
    std::string window;
    const QRect place = WaitForWindowOfSize(x, QSize(648, 511) * kFactor, &window);
    ASSERT_FALSE(place.isEmpty()) << zulshell.Stderr();
    // Centred on the screen as the skin's pixels measure it (960 x 600 of them).
    EXPECT_EQ(place.topLeft(),
              QPoint((kScreenWidth / kFactor - 648) / 2, (kScreenHeight / kFactor - 511) / 2) * kFactor);
    std::this_thread::sleep_until(started + 6500ms);
    QPoint origin = place.topLeft();
    auto click = [&](QPoint skin) {
        const QPoint at = origin + skin * kFactor;
        x.Click(at.x(), at.y());
        std::this_thread::sleep_for(400ms);
    };

    // The skin's pictures, each pixel a block of the screen's.
    const Inf_window& skin = d.cd.window;
    const QImage back = disc.Picture(skin.back.pic);
    const QImage close_picture = disc.Picture(skin.close_btn.normal_pic);
    QImage shot = x.Screenshot();
    for (QPoint p : {QPoint(5, 5), QPoint(300, 6), QPoint(500, 20), QPoint(540, 8)})
        EXPECT_TRUE(ShowsPixel(shot, origin, QPoint(skin.back.left, skin.back.top) + p, back.pixel(p)));
    for (QPoint p : {QPoint(2, 2), QPoint(close_picture.width() / 2, close_picture.height() / 2)})
        EXPECT_TRUE(ShowsPixel(shot, origin, QPoint(skin.close_btn.left, skin.close_btn.top) + p,
                               close_picture.pixel(p)));
    // The wallpaper around the menu, its pixels doubled too (the desktop is 960 x 600 of the
    // skin's pixels, wide enough for it).
    {
        bool tiled = false;
        for (const auto& entry : fs::directory_iterator(disc.dir.path() / "graph" / "wallpapers" / "space")) {
            const QImage tile = QImage(QString::fromStdString(entry.path().string())).convertToFormat(QImage::Format_RGB32);
            bool all = !tile.isNull();
            for (QPoint p : {QPoint(3, 3), QPoint(700, 20), QPoint(20, 550), QPoint(900, 580)})
                all = all && ShowsPixel(shot, QPoint(0, 0), p, tile.pixel(p.x() % tile.width(), p.y() % tile.height()), 24);
            tiled = tiled || all;
        }
        EXPECT_TRUE(tiled) << "the wallpaper, its pixels doubled";
    }

    // The disc's cursor over the window: twice as large, its pixels repeated, its hotspot moved
    // with them.
    x.MoveMouse(origin.x() + 300 * kFactor, origin.y() + 8 * kFactor);
    std::this_thread::sleep_for(300ms);
    {
        const std::optional<fs::path> file = PathResolver(disc.dir.path()).Find(d.cd.main_cursor);
        ASSERT_TRUE(file) << d.cd.main_cursor;
        const std::optional<std::string> bytes = ReadWholeFile(*file, 1 << 20);
        ASSERT_TRUE(bytes);
        const std::optional<CursorImage> cur = DecodeCursorFile(*bytes);
        ASSERT_TRUE(cur);
        const ServerCursor shown = CursorOnScreen(x.display());
        ASSERT_EQ(shown.image.size(), cur->image.size() * kFactor);
        EXPECT_EQ(shown.hotspot, QPoint(cur->hotspot_x, cur->hotspot_y) * kFactor);
        const QImage expected = cur->image.convertToFormat(QImage::Format_ARGB32);
        int differing = 0;
        for (int y = 0; y < shown.image.height(); ++y)
            for (int x_ = 0; x_ < shown.image.width(); ++x_) {
                const QRgb a = shown.image.pixel(x_, y);
                const QRgb b = expected.pixel(x_ / kFactor, y / kFactor);
                // The server keeps colours premultiplied: compare opacity, and colour where opaque.
                if (qAlpha(a) != qAlpha(b) || (qAlpha(b) == 255 && (a & 0xFFFFFF) != (b & 0xFFFFFF)))
                    ++differing;
            }
        EXPECT_EQ(differing, 0);
    }

    // The list: a click on the second entry selects it.
    const QRgb list_colour = qRgb(230, 225, 208);
    auto row_selected = [&](const QImage& s, int row) {
        return !SameColour(s.pixel(origin + QPoint(300, 77 + 2 + 19 * row + 9) * kFactor), list_colour);
    };
    shot = x.Screenshot();
    EXPECT_TRUE(row_selected(shot, 0));
    EXPECT_FALSE(row_selected(shot, 1));
    click({300, 77 + 2 + 19 + 9});
    shot = x.Screenshot();
    EXPECT_FALSE(row_selected(shot, 0));
    EXPECT_TRUE(row_selected(shot, 1));

    // A tab and a sub-tab bring up their ribbons.
    const Inf_button& tab1 = d.side_panel.tab_buttons[1];
    click({tab1.left + 20, tab1.top + 10});
    const Inf_image& ribbon1 = d.main_frame.tab_images[1][0];
    EXPECT_TRUE(ShowsPixel(x.Screenshot(), origin, QPoint(ribbon1.left + 40, ribbon1.top + 14),
                           disc.Picture(ribbon1.pic).pixel(40, 14)));
    const Inf_button& sub2 = d.top_panel.tab_rows[1].buttons[1];
    click({sub2.left + 20, sub2.top + 10});
    const Inf_image& ribbon2 = d.main_frame.tab_images[1][1];
    EXPECT_TRUE(ShowsPixel(x.Screenshot(), origin, QPoint(ribbon2.left + 40, ribbon2.top + 14),
                           disc.Picture(ribbon2.pic).pixel(40, 14)));

    // The first tab's first entry: its info box, and a thumbnail opens the full-size picture,
    // twice as large and centred (the desktop is wide enough for it in the skin's pixels).
    const Inf_button& tab0 = d.side_panel.tab_buttons[0];
    click({tab0.left + 20, tab0.top + 10});
    const Inf_control_panel& c = d.control_panel;
    const QPoint previous = Middle(c.prev_btn, disc.Picture(c.prev_btn.normal_pic));
    click(previous);
    click(previous);
    click({400, 85});
    click({550, 185});
    const std::vector<std::string> viewer = x.WaitForWindows("\\(1/2\\)$", 10s);
    ASSERT_EQ(viewer.size(), 1u) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    const QImage picture = disc.File(d.main_frame.tabs[0].sels[0].entries[0].pics[0].pic);
    ASSERT_FALSE(picture.isNull());
    const QRect viewer_place = x.Placement(viewer[0]);
    EXPECT_EQ(viewer_place.size(), picture.size() * kFactor);
    const QPoint off_centre = viewer_place.center() - QRect(0, 0, kScreenWidth, kScreenHeight).center();
    EXPECT_LE(std::abs(off_centre.x()), 2);
    EXPECT_LE(std::abs(off_centre.y()), 2);
    shot = x.Screenshot();
    for (QPoint p : {QPoint(picture.width() / 2, picture.height() / 2), QPoint(picture.width() / 4, picture.height() / 3)})
        EXPECT_TRUE(ShowsPixel(shot, viewer_place.topLeft(), p, picture.pixel(p), 24));
    x.Key(viewer[0], "Escape");
    for (int i = 0; i < 50 && !x.WaitForWindows("\\(1/2\\)$", 0ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(x.WaitForWindows("\\(1/2\\)$", 0ms).empty()) << "the viewer is closed";
    std::this_thread::sleep_for(300ms);

    // The options window, twice as large, cancelled by its button at the doubled place.
    const QPoint options_btn = Middle(c.options_btn, disc.Picture(c.options_btn.normal_pic));
    click({400, 85});  // back from the info box
    click(options_btn);
    const std::vector<std::string> options = x.WaitForWindows("^Опции$", 10s);
    ASSERT_EQ(options.size(), 1u) << zulshell.Stderr();
    std::this_thread::sleep_for(300ms);
    const QRect options_place = x.Placement(options[0]);
    const QImage options_back = disc.Picture(d.cd.opts_window.back.pic);
    EXPECT_EQ(options_place.size(), options_back.size() * kFactor);
    EXPECT_TRUE(ShowsPixel(x.Screenshot(), options_place.topLeft(), QPoint(60, 100), options_back.pixel(60, 100)));
    const QPoint cancel = options_place.topLeft() + QPoint(168 + 104 + 37, 27 + 272 + 12) * kFactor;
    x.Click(cancel.x(), cancel.y());
    for (int i = 0; i < 50 && !x.WaitForWindows("^Опции$", 0ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(x.WaitForWindows("^Опции$", 0ms).empty()) << "Cancel closes the options window";
    std::this_thread::sleep_for(300ms);

    // Dragged by the strip: the window follows the mouse by as many screen pixels.
    const int strip = std::max(skin.cap_height / 2, 1);
    x.MoveMouse(origin.x() + 300 * kFactor, origin.y() + strip * kFactor);
    x.MouseDown();
    x.MoveMouse(origin.x() + 300 * kFactor + 30, origin.y() + strip * kFactor + 20);
    x.MoveMouse(origin.x() + 300 * kFactor + 60, origin.y() + strip * kFactor + 40);
    x.MouseUp();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(x.Placement(window).topLeft(), origin + QPoint(60, 40));
    origin = x.Placement(window).topLeft();
    // Below the strip, the background does not drag.
    x.MoveMouse(origin.x() + 300 * kFactor, origin.y() + (skin.cap_height + 20) * kFactor);
    x.MouseDown();
    x.MoveMouse(origin.x() + 300 * kFactor + 50, origin.y() + (skin.cap_height + 20) * kFactor + 50);
    x.MouseUp();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(x.Placement(window).topLeft(), origin);

    // The close button ends the program normally.
    click(Middle(skin.close_btn, close_picture));
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
}

}  // namespace

// The X11 part, after everything that includes Qt.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace {

ServerCursor CursorOnScreen(const std::string& display)
{
    ServerCursor cursor;
    Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr)
        return cursor;
    if (XFixesCursorImage* shown = XFixesGetCursorImage(x)) {
        cursor.image = QImage(shown->width, shown->height, QImage::Format_ARGB32);
        for (int y = 0; y < shown->height; ++y)
            for (int x_ = 0; x_ < shown->width; ++x_)
                cursor.image.setPixel(x_, y, static_cast<QRgb>(shown->pixels[y * shown->width + x_]));
        cursor.hotspot = QPoint(shown->xhot, shown->yhot);
        XFree(shown);
    }
    XCloseDisplay(x);
    return cursor;
}

}  // namespace
