// The real program on a hostile variant of the demo disc: native shared objects at the disc's
// library paths, markup in a hint and in the link question, a link of a scheme no browser serves,
// and setups that lead out of the disc. The menu runs as ever and none of it does anything.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "DemoDisc.h"
#include "X11Session.h"
#include "platform/DiscText.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The most memory the process has held so far, in MiB.
long PeakMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6)) / 1024;
    return -1;
}

// Far above the menu's own peak (about 100 MiB; some more under the sanitizers), far below what
// a picture read from /dev/zero takes within a second.
constexpr long kBoundedMiB = 1024;

// What reaches this program's library paths from a disc is never loaded, whatever it is: zulcheck
// checks the disc's mp3 track and the menu plays it through the built-in module.
TEST(UntrustedDisc, TheMenuRunsNoneOfTheDiscsOwnCodeAndOpensNothingItShouldNot)
{
    MakeOffscreenGuiApplication();
    DemoDisc disc(true);
    const Inf_shell& d = disc.description;
    const fs::path script = disc.Script("image_ru.dat");
    TempDir outside;
    const fs::path loaded = outside.path() / "loaded.txt";
    const fs::path ran = outside.path() / "ran-outside.txt";
    const fs::path installed = outside.path() / "installed.txt";
    const fs::path opened = outside.path() / "opened.txt";
    for (const char* library : {"graph/dll/unrar.dll", "graph/dll/elamp.esp"})
        fs::copy_file(UNTRUSTED_MODULE, disc.dir.path() / library, fs::copy_options::overwrite_existing);
    outside.Write("evil.sh", "#!/bin/sh\necho \"$0\" >> " + ran.string() + "\n");
    fs::permissions(outside.path() / "evil.sh", fs::perms::owner_all);
    outside.Write("bin/xdg-open", "#!/bin/sh\necho \"$@\" >> " + opened.string() + "\n");
    fs::permissions(outside.path() / "bin/xdg-open", fs::perms::owner_all);

    // zulcheck reads the disc, its archive and its mp3 tracks as the menu does, on the folder and
    // on an image of it, and finds nothing wrong.
    setenv("ZUL_UNTRUSTED_MARKER", loaded.string().c_str(), 1);
    const DemoDisc::Given image = disc.AsGiven(true);
    for (const std::string& checked : {disc.Root(), image.args[0]}) {
        const ProgramResult check = RunProgram(ZUL_BINARY_DIR "/tools/zulcheck", {checked});
        EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
    }
    EXPECT_FALSE(fs::exists(loaded)) << "zulcheck ran the disc's library";

    // Markup where the menu shows disc text: the first tab's hint and the link question. The site
    // link is a scheme a browser does not serve.
    const std::string markup = "<img src=\"/dev/zero\">";
    EditScript(script, "tab_games.bmp", "hint = ", "hint = " + markup);
    EditScript(script, "link_caption", "link_message = ", "link_message = " + markup + "?");
    EditScript(script, "site.bmp", "hint = ", "hint = apt:zulshell-untrusted-test");
    // The first entry keeps one installer (it runs), the second climbs out of the disc, the third
    // goes out through a link inside it; the music list starts with the mp3 track.
    EditScript(script, "Setup.sh", "setup = soft\\starminer\\readme.txt\r\nsetup_description = ", "");
    std::string climb;
    for (int i = 0; i < 12; ++i)
        climb += "..\\";
    for (const auto& part : (outside.path() / "evil.sh").relative_path())
        climb += part.string() + "\\";
    climb.pop_back();
    EditScript(script, "Turbo Drift", "setup = ", "setup = " + climb);
    EditScript(script, "Dungeon of Echoes", "setup = ", "setup = soft\\outside\\evil.sh");
    EditScript(script, "Orbit Waltz", "setup = ", "setup = music\\interlude.mp3");

    fs::create_directory_symlink(outside.path(), disc.dir.path() / "soft" / "outside");

    X11Session x(1024, 768);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(),
                            {"PATH=" + (outside.path() / "bin").string() + ":" + std::getenv("PATH"),
                             "ZUL_UNTRUSTED_MARKER=" + loaded.string(), "ZUL_DEMO_MARKER=" + installed.string(),
                             "SDL_AUDIODRIVER=dummy"});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    const QPoint origin = x.Geometry(window).topLeft();
    std::this_thread::sleep_until(started + 6500ms);
    auto click = [&](QPoint p) {
        x.Click(origin.x() + p.x(), origin.y() + p.y());
        std::this_thread::sleep_for(500ms);
    };
    auto middle = [&](const Inf_button& b) { return Middle(b, disc.Picture(b.normal_pic)); };

    // The hint with markup: the pointer rests on the tab and its tooltip comes, as text.
    const Inf_button& games = d.side_panel.tab_buttons[0];
    x.MoveMouse(origin.x() + games.left + 20, origin.y() + games.top + 10);
    std::this_thread::sleep_for(4s);
    EXPECT_LT(PeakMiB(zulshell.Pid()), kBoundedMiB) << "after the hint";

    // The entries' setups: the first installer runs; the two that lead out start nothing.
    const Inf_control_panel& c = d.control_panel;
    click(middle(c.setup_btn));
    click(middle(c.next_btn));
    click(middle(c.setup_btn));
    click(middle(c.next_btn));
    click(middle(c.setup_btn));
    for (int i = 0; i < 50 && !fs::exists(installed); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_NE(ReadFileBytes(installed).find("Star Miner"), std::string::npos) << zulshell.Stderr();
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(fs::exists(ran)) << "a setup ran a program outside the disc";

    // The link question with markup comes at once and Esc closes it; after Yes, the link of an
    // unserved scheme reaches no opener.
    const Inf_button& link = d.side_panel.link_btn;
    const std::string caption = "^" + DiscText(d.link_box.link_caption, 204).toStdString() + "$";
    click(QPoint(link.left + 20, link.top + 10));
    std::vector<std::string> question = x.WaitForWindows(caption, 10s);
    ASSERT_EQ(question.size(), 1u) << zulshell.Stderr();
    std::this_thread::sleep_for(2s);
    EXPECT_LT(PeakMiB(zulshell.Pid()), kBoundedMiB) << "with the question up";
    x.Key(question[0], "Escape");
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(x.WaitForWindows(caption, 0ms).empty());
    click(QPoint(link.left + 20, link.top + 10));
    question = x.WaitForWindows(caption, 10s);
    ASSERT_EQ(question.size(), 1u);
    x.Key(question[0], "Return");
    EXPECT_TRUE(zulshell.WaitForStderr("apt:zulshell-untrusted-test", 5s)) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(fs::exists(opened)) << ReadFileBytes(opened);

    // The mp3 track plays through the built-in module: its time on the strip goes on.
    const Inf_button& music = d.side_panel.tab_buttons.back();
    click(QPoint(music.left + 20, music.top + 10));
    click(middle(d.mcontrol_panel.play_btn));
    std::this_thread::sleep_for(1s);
    const Inf_image& strip = d.main_frame.music_strip;
    const QRect strip_area(origin + QPoint(strip.left, strip.top), disc.Picture(strip.pic).size());
    const QImage before = x.Screenshot().copy(strip_area);
    std::this_thread::sleep_for(2100ms);
    EXPECT_NE(x.Screenshot().copy(strip_area), before) << "the mp3 track's time";

    const QPoint close = middle(d.cd.window.close_btn);
    click(close);
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
    EXPECT_FALSE(fs::exists(loaded)) << "the menu ran the disc's library";
    EXPECT_FALSE(fs::exists(ran));
}

}  // namespace
