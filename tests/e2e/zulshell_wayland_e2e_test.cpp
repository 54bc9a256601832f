// The menu in a Wayland session (sway on a headless output, as an ordinary user), once natively
// (the menu's own choice) and once through XWayland (a reader's or a desktop's choice): the menu
// takes the keyboard once the language is answered with a click, the wallpaper covers the whole
// screen without the compositor's title bar and stays behind the menu when it is clicked, the
// menu drags by its strip, opens its windows over itself, minimises with the wallpaper and comes
// back with it, and closes with 0.
#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "DemoDisc.h"
#include "WaylandSession.h"
#include "X11Session.h"

namespace {

using namespace std::chrono_literals;

const std::string kPointerTool = ZUL_SOURCE_DIR "/../shared/tools/wlpointer.py";

std::string At(QPoint p)
{
    return std::to_string(p.x()) + " " + std::to_string(p.y());
}

// A click as a hand gives it: the pointer comes near first. (XWayland places the first move into a
// window that has just come on the screen wrongly, which a real pointer's many small moves mend.)
std::string Click(QPoint p)
{
    return "move " + At(p - QPoint(2, 2)) + "\nwait 0.2\nclick " + At(p) + "\n";
}

class ZulshellInWayland : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { MakeOffscreenGuiApplication(); }
};

TEST_P(ZulshellInWayland, TheMenuBehavesAsOnX11)
{
    const bool xwayland = GetParam();
    if (!std::filesystem::exists(kPointerTool))
        GTEST_SKIP() << "no virtual pointer tool at " << kPointerTool;
    std::unique_ptr<WaylandSession> session;
    try {
        session = std::make_unique<WaylandSession>(xwayland);
    } catch (const WaylandSession::SessionUnavailable& e) {
        GTEST_SKIP() << "no Wayland session here: " << e.why;
    }
    WaylandSession& s = *session;
    DemoDisc disc;
    s.Share(disc.Root());
    const std::vector<std::string> command = s.AsUser(kZulshell);
    std::vector<std::string> env = s.Settings();
    env.push_back("SDL_AUDIODRIVER=dummy");
    // Natively by its own choice; through XWayland as a reader (or a desktop) chooses it.
    if (xwayland)
        env.push_back("QT_QPA_PLATFORM=xcb");
    RunningProgram zulshell(command[0], {command.begin() + 1, command.end()}, disc.Root(), "", env);
    const auto started = std::chrono::steady_clock::now();

    // The language question, answered with a click on OK.
    const auto dialog = s.WaitForView([](const WaylandView& v) { return v.name == ".ZUL CD"; }, 30s);
    ASSERT_TRUE(dialog) << zulshell.Stderr();
    ASSERT_TRUE(s.Pointer(Click(dialog->rect.topLeft() + QPoint(184 + 37, 21 + 12))));

    // Every window of the start but the question (wallpaper, splash, menu) comes without the
    // compositor's decoration; the menu takes the keyboard.
    std::vector<std::string> decorated;
    const auto menu = s.WaitForView([&](const WaylandView& v) {
        if (v.name != ".ZUL CD" && v.decoration_height > 0)
            decorated.push_back(v.name);
        return v.rect.size() == QSize(648, 511);
    }, 30s);
    ASSERT_TRUE(menu) << zulshell.Stderr() << zulshell.ThreadDump();
    EXPECT_TRUE(decorated.empty()) << decorated.front();
    EXPECT_EQ(menu->shell, xwayland ? "xwayland" : "xdg_shell");
    auto find_menu = [&s] {
        return s.WaitForView([](const WaylandView& v) { return v.rect.size() == QSize(648, 511); }, 5s);
    };
    auto wallpaper = [&s](std::chrono::milliseconds timeout) {
        return s.WaitForView([](const WaylandView& v) { return v.rect == QRect(0, 0, 1024, 768) && v.visible; },
                             timeout);
    };
    const auto wp = wallpaper(5s);
    ASSERT_TRUE(wp);
    EXPECT_EQ(wp->decoration_height, 0);

    // Once the splash has gone: the menu shows over the wallpaper, also after a click on it.
    std::this_thread::sleep_until(started + 7s);
    const Inf_shell& d = disc.description;
    const QImage back = disc.Picture(d.cd.window.back.pic);
    const QPoint inside(540, 8);  // a place of the caption strip that no control covers
    QPoint origin = menu->rect.topLeft();
    auto menu_in_front = [&] { return SameColour(s.Screenshot().pixel(origin + inside), back.pixel(inside)); };
    EXPECT_TRUE(menu_in_front());
    // The keyboard goes to the menu: a key steps on in its list, whose entry's description changes.
    const QRect entry(origin + QPoint(380, 80), QSize(250, 100));
    bool at_end = false;  // End and Home take turns, each moving to another entry
    auto keyboard_on_menu = [&] {
        const QImage before = s.Screenshot().copy(entry);
        at_end = !at_end;
        if (!s.Keys({"-k", at_end ? "End" : "Home"}))
            return false;
        std::this_thread::sleep_for(500ms);
        return s.Screenshot().copy(entry) != before;
    };
    EXPECT_TRUE(keyboard_on_menu()) << "the language answered with a click";
    ASSERT_TRUE(s.Pointer("click 5 5\nwait 0.5\n"));
    EXPECT_TRUE(menu_in_front()) << "after a click on the wallpaper";
    EXPECT_TRUE(keyboard_on_menu()) << "after a click on the wallpaper";

    // Dragged by its strip, the menu follows the pointer.
    {
        const int strip = std::max(d.cd.window.cap_height / 2, 1);
        const QPoint grip = origin + QPoint(300, strip);
        ASSERT_TRUE(s.Pointer("move " + At(grip - QPoint(2, 2)) + "\nwait 0.2\ndrag " + At(grip) + " 60 40\nwait 0.5\n"));
        const auto moved = find_menu();
        ASSERT_TRUE(moved);
        EXPECT_EQ(moved->rect.topLeft(), origin + QPoint(60, 40));
        origin = moved->rect.topLeft();
        EXPECT_TRUE(menu_in_front());
    }

    // The options window opens over the menu, and its own close button closes it.
    const Inf_control_panel& c = d.control_panel;
    const QPoint options_btn = Middle(c.options_btn, disc.Picture(c.options_btn.normal_pic));
    ASSERT_TRUE(s.Pointer(Click(origin + options_btn)));
    const auto options = s.WaitForView([](const WaylandView& v) { return v.name == "Опции" && v.visible; }, 10s);
    ASSERT_TRUE(options) << zulshell.Stderr();
    EXPECT_TRUE(options->rect.intersects(QRect(origin, QSize(648, 511))));
    std::this_thread::sleep_for(500ms);
    const QImage with_options = s.Screenshot();
    const QPoint middle = options->rect.center();
    EXPECT_FALSE(SameColour(with_options.pixel(middle), back.pixel(middle - origin), 0))
        << "the options window is not over the menu";
    ASSERT_TRUE(s.Pointer(Click(options->rect.topLeft() + QPoint(472 + 10, 2 + 10))));
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(s.WaitForView([](const WaylandView& v) { return v.name == "Опции"; }, 0ms))
        << "the options stayed";

    // Minimised, the menu takes the wallpaper along; sway keeps no window minimised that has the
    // keyboard, and the menu turned to again at once brings it back, behind it.
    {
        const QPoint min_middle = Middle(d.cd.window.min_btn, disc.Picture(d.cd.window.min_btn.normal_pic));
        ASSERT_TRUE(s.Pointer(Click(origin + min_middle) + "wait 1\n"));
        if (!wallpaper(0ms)) {
            ASSERT_TRUE(s.Pointer(Click(origin + inside) + "wait 1\n"));
        }
        EXPECT_TRUE(wallpaper(5s));
        const auto restored = find_menu();
        ASSERT_TRUE(restored);
        origin = restored->rect.topLeft();
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(menu_in_front()) << "the menu under the wallpaper after it came back";
        EXPECT_TRUE(keyboard_on_menu()) << "after the wallpaper came back";
    }

    // The close button ends the program normally.
    const QPoint close = Middle(d.cd.window.close_btn, disc.Picture(d.cd.window.close_btn.normal_pic));
    ASSERT_TRUE(s.Pointer(Click(origin + close)));
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
}

INSTANTIATE_TEST_SUITE_P(Sessions, ZulshellInWayland, ::testing::Values(true, false),
                         [](const auto& session) { return session.param ? "XWayland" : "Native"; });

}  // namespace
