// The disc's Windows setups on the real menu: a real NSIS installer and a MinGW program started
// through Wine, from the disc's folder and from an image of it; and without Wine, the reader told.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "DemoDisc.h"
#include "X11Session.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/WindowsPrograms.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kInstallerTitle = "Zul Wine Check";

// The demo disc whose first entry's one setup is `first` and whose second's is `second`.
void SetSetups(const DemoDisc& disc, const std::string& first, const std::string& second)
{
    const fs::path script = disc.Script("image_ru.dat");
    EditScript(script, "Setup.sh", "setup = soft\\starminer\\readme.txt\r\nsetup_description = ", "");
    EditScript(script, "Star Miner", "setup = ", "setup = " + first);
    EditScript(script, "Turbo Drift", "setup = ", "setup = " + second);
}

// The menu on `x`, started on `given` with `env`, its window up and the splash gone.
struct Menu {
    Menu(X11Session& session, const DemoDisc& demo, const DemoDisc::Given& given, const std::vector<std::string>& env)
        : x(session), disc(demo), started(std::chrono::steady_clock::now()),
          zulshell(kZulshell, given.args, given.cwd, x.display(), env)
    {
        window = WaitForMainWindow(x);
        if (!window.empty())
            origin = x.Geometry(window).topLeft();
        std::this_thread::sleep_until(started + 6500ms);
    }

    void Press(const Inf_button& b) const
    {
        const QPoint p = origin + Middle(b, disc.Picture(b.normal_pic));
        x.Click(p.x(), p.y());
        std::this_thread::sleep_for(500ms);
    }

    X11Session& x;
    const DemoDisc& disc;
    std::chrono::steady_clock::time_point started;
    RunningProgram zulshell;
    std::string window;  // empty when it never came
    QPoint origin;
};

TEST(WindowsSetups, StartThroughWineFromTheFolderAndFromTheImage)
{
    if (const std::optional<std::string> missing = WineMissing())
        GTEST_SKIP() << "Wine cannot start here: " << *missing;
    MakeOffscreenGuiApplication();
    TempDir tools;
    const std::optional<fs::path> installer = MakeNsisInstaller(tools.path() / "nsis", kInstallerTitle);
    const std::optional<fs::path> program = MakeMingwProgram(tools.path() / "mingw");
    if (!installer || !program)
        GTEST_SKIP() << "needs makensis (nsis) and x86_64-w64-mingw32-gcc";

    DemoDisc disc(true);
    fs::copy_file(*program, disc.dir.path() / "soft/starminer/INSTALL.EXE");
    disc.dir.Write("soft/starminer/neighbour.txt", "beside the program");
    fs::copy_file(*installer, disc.dir.path() / "soft/turbodrift/Setup.exe");
    SetSetups(disc, "soft\\starminer\\install.exe", "soft\\turbodrift\\setup.exe");
    const Inf_shell& d = disc.description;

    // A private Wine prefix, no Mono or Gecko prompt, no Wine chatter; the test stops Wine with
    // the same prefix.
    TempDir prefix;
    const fs::path marker = prefix.path() / "marker.txt";
    setenv("WINEPREFIX", (prefix.path() / "wine").c_str(), 1);
    const std::vector<std::string> env{"WINEPREFIX=" + (prefix.path() / "wine").string(),
                                       "WINEDLLOVERRIDES=mscoree,mshtml=", "WINEDEBUG=-all",
                                       "ZUL_WINE_MARKER=" + WinePath(marker), "SDL_AUDIODRIVER=dummy"};
    for (const bool image : {false, true}) {
        SCOPED_TRACE(image ? "from the image" : "from the folder");
        fs::remove(marker);
        const DemoDisc::Given given = disc.AsGiven(image);
        X11Session x(1024, 768);
        Menu menu(x, disc, given, env);
        ASSERT_FALSE(menu.window.empty()) << menu.zulshell.Stderr();
        RunningProgram& zulshell = menu.zulshell;

        // The program finds the file beside it (a new prefix takes Wine a while to make).
        menu.Press(d.control_panel.setup_btn);
        for (int i = 0; i < 300 && !fs::exists(marker); ++i)
            std::this_thread::sleep_for(100ms);
        ASSERT_TRUE(fs::exists(marker)) << zulshell.Stderr();
        EXPECT_EQ(ReadFileBytes(marker), "ran; neighbour: beside the program");

        // The installer's wizard comes up.
        menu.Press(d.control_panel.next_btn);
        menu.Press(d.control_panel.setup_btn);
        EXPECT_EQ(x.WaitForWindows(std::string("^") + kInstallerTitle + " Setup", 120s).size(), 1u)
            << zulshell.Stderr();

        RunProgram("wineserver", {"-k"});
        std::this_thread::sleep_for(1s);
        menu.Press(d.cd.window.close_btn);
        EXPECT_EQ(zulshell.WaitForExit(20s), 0) << zulshell.Stderr();
    }
    RunProgram("wineserver", {"-k"});
    unsetenv("WINEPREFIX");
}

// Without Wine the first Windows setup brings one box; the second says so on standard error only,
// and the menu goes on.
TEST(WindowsSetups, WithoutWineTheReaderIsToldOnce)
{
    MakeOffscreenGuiApplication();
    DemoDisc disc(true);
    disc.dir.Write("soft/starminer/setup.exe", HandMadeExecutable());
    disc.dir.Write("soft/turbodrift/setup.bat", "@echo off\r\n");
    SetSetups(disc, "soft\\starminer\\setup.exe", "soft\\turbodrift\\setup.bat");
    const Inf_shell& d = disc.description;

    X11Session x(1024, 768);
    Menu menu(x, disc, disc.AsGiven(false), {"PATH=/nonexistent", "SDL_AUDIODRIVER=dummy"});
    ASSERT_FALSE(menu.window.empty()) << menu.zulshell.Stderr();
    RunningProgram& zulshell = menu.zulshell;
    const std::string& window = menu.window;
    std::string name = x.XdoTool({"getwindowname", window});
    while (!name.empty() && name.back() == '\n')
        name.pop_back();
    std::string title = "^";
    for (const char c : name)
        title += std::string(std::string_view("\\^$.|?*+()[]{}").find(c) == std::string_view::npos ? "" : "\\") + c;
    title += "$";
    auto boxes = [&] {
        std::vector<std::string> found;
        for (const std::string& w : x.WaitForWindows(title, 0ms))
            if (w != window)
                found.push_back(w);
        return found;
    };

    menu.Press(d.control_panel.setup_btn);
    ASSERT_TRUE(zulshell.WaitForStderr("\"soft\\starminer\\setup.exe\" is a Windows program.", 10s)) << zulshell.Stderr();
    std::vector<std::string> box;
    for (int i = 0; i < 50 && box.empty(); ++i, std::this_thread::sleep_for(100ms))
        box = boxes();
    ASSERT_EQ(box.size(), 1u) << title << "\n" << zulshell.Stderr();
    x.Key(box[0], "Return");
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(boxes().empty());

    menu.Press(d.control_panel.next_btn);
    menu.Press(d.control_panel.setup_btn);
    EXPECT_TRUE(zulshell.WaitForStderr(
        "cannot open \"soft\\turbodrift\\setup.bat\": it is a Windows program, and Wine is not installed", 10s))
        << zulshell.Stderr();
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(boxes().empty()) << "a second box";
    menu.Press(d.cd.window.close_btn);
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
}

}  // namespace
