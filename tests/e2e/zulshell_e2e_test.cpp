// The real program on the demo disc in a private X server: what a reader sees and does.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPalette>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "DemoDisc.h"
#include "X11Session.h"
#include "rarwriter/RarWriter.h"
#include "archive/ZipGrFile.h"
#include "platform/DiscText.h"
#include "script/Synter.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

class ZulshellOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MakeOffscreenGuiApplication(); }

};

TEST_F(ZulshellOnScreen, TheDemoDiscOpensTheSkinnedWindowThatMovesByItsStripAndCloses)
{
    DemoDisc disc;
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display());
    const auto started = std::chrono::steady_clock::now();

    // Two languages on the disc: the dialog asks, Russian is preselected; Enter takes it.
    const std::vector<std::string> dialog = x.WaitForWindows("^\\.ZUL CD$", 30s);
    ASSERT_EQ(dialog.size(), 1u) << zulshell.Stderr();
    x.Key(dialog[0], "Return");

    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    QRect geometry = x.Geometry(window);
    EXPECT_EQ(geometry.topLeft(), QPoint((kScreenWidth - 648) / 2, (kScreenHeight - 511) / 2));

    // The splash goes 5 seconds after it came.
    std::this_thread::sleep_until(started + 6500ms);

    const Inf_window& skin = disc.description.cd.window;
    const QImage back = disc.Picture(skin.back.pic);
    const QImage min = disc.Picture(skin.min_btn.normal_pic);
    const QImage min_over = disc.Picture(skin.min_btn.over_pic);
    const QImage close = disc.Picture(skin.close_btn.normal_pic);
    QImage shot = x.Screenshot();
    const QPoint origin = geometry.topLeft();
    // The background where nothing covers it: the title strip.
    for (QPoint p : {QPoint(5, 5), QPoint(300, 6), QPoint(500, 20)})
        EXPECT_TRUE(SameColour(shot.pixel(origin + QPoint(skin.back.left, skin.back.top) + p),
                               back.pixel(p)))
            << p.x() << "," << p.y();
    const QPoint min_middle = Middle(skin.min_btn, min);
    const QPoint close_middle = Middle(skin.close_btn, close);
    EXPECT_TRUE(SameColour(shot.pixel(origin + min_middle), min.pixel(min.width() / 2, min.height() / 2)));
    EXPECT_TRUE(SameColour(shot.pixel(origin + close_middle),
                           close.pixel(close.width() / 2, close.height() / 2)));

    // Hovering shows the button's hover picture.
    x.MoveMouse(origin.x() + min_middle.x(), origin.y() + min_middle.y());
    std::this_thread::sleep_for(400ms);
    shot = x.Screenshot();
    EXPECT_TRUE(SameColour(shot.pixel(origin + min_middle),
                           min_over.pixel(min_over.width() / 2, min_over.height() / 2)));

    // Dragged by the title strip, the window follows the mouse ...
    const int strip = std::max(skin.cap_height / 2, 1);
    x.MoveMouse(origin.x() + 300, origin.y() + strip);
    x.MouseDown();
    x.MoveMouse(origin.x() + 330, origin.y() + strip + 20);
    x.MoveMouse(origin.x() + 360, origin.y() + strip + 40);
    x.MouseUp();
    std::this_thread::sleep_for(300ms);
    geometry = x.Geometry(window);
    EXPECT_EQ(geometry.topLeft(), origin + QPoint(60, 40));

    // ... but not by the rest of the background.
    const QPoint moved = geometry.topLeft();
    x.MoveMouse(moved.x() + 300, moved.y() + skin.cap_height + 40);
    x.MouseDown();
    x.MoveMouse(moved.x() + 350, moved.y() + skin.cap_height + 90);
    x.MouseUp();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(x.Geometry(window).topLeft(), moved);

    // The close button ends the program normally.
    x.Click(moved.x() + close_middle.x(), moved.y() + close_middle.y());
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
}

// A broken disc, given as the operand, ends with its message boxes: each box is echoed on
// standard error and answered with Enter; the program then ends with `exit_code`.
struct Box {
    std::string caption;
    std::string text;
    bool prefix = false;  // the line only starts with the text (a library's reason follows)
};

void ExpectEndsWith(X11Session& x, const std::string& root, const std::vector<Box>& boxes, int exit_code)
{
    RunningProgram zulshell(kZulshell, {root}, root, x.display());
    for (const Box& b : boxes) {
        ASSERT_TRUE(zulshell.WaitForStderr(b.caption + ": " + b.text + (b.prefix ? "" : "\n"), 30s))
            << zulshell.Stderr();
        const std::vector<std::string> box = x.WaitForWindows("^" + b.caption + "$", 10s);
        ASSERT_FALSE(box.empty()) << b.text;
        x.Key(box[0], "Return");
        // The answered box is gone before the next one is looked for.
        for (int i = 0; i < 50 && !x.WaitForWindows("^" + b.caption + "$", 0ms).empty(); ++i)
            std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(zulshell.WaitForExit(15s), exit_code) << zulshell.Stderr();
}

TEST_F(ZulshellOnScreen, BrokenDiscsEndWithTheirMessages)
{
    X11Session x(kScreenWidth, kScreenHeight);
    const Box no_main_file{"Fatal Error", "Can't find main file!!!"};
    {
        TempDir empty;
        ExpectEndsWith(x, empty.path().string(), {no_main_file}, 1);
    }
    {
        TempDir unknown;
        unknown.Write("graph/image_en.dat", "cd\r\n/cd\r\n");
        ExpectEndsWith(x, unknown.path().string(), {no_main_file}, 1);
    }
    {
        // Line 12 holds a key the cd section does not accept. The start goes on with what was
        // read, and the close button it never got has no picture: the next message ends it.
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        const Inf_window& w = disc.description.cd.window;
        disc.dir.Write("graph/image_ru.dat",
                       "cd\r\nimage\r\n/image\r\nimage\r\npic = " + w.back.pic + "\r\n/image\r\n"
                       "button\r\nnormal_pic = " + w.min_btn.normal_pic + "\r\nover_pic = " +
                           w.min_btn.over_pic + "\r\ndown_pic = " + w.min_btn.down_pic +
                           "\r\n/button\r\nhint = misplaced\r\n/cd\r\n");
        ExpectEndsWith(x, disc.Root(), {{"Error", "Error: 102 in line: 12"}, {"Error", "Bad ext: "}}, 1);
    }
    {
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        fs::remove(disc.dir.path() / "graph" / "shell.dat");
        ExpectEndsWith(x, disc.Root(), {{"Error", "Bad open rar archive: graph\\shell.dat"}}, 1);
    }
    {
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        disc.dir.Write("graph/image_ru.dat",
                       "cd\r\nimage\r\n/image\r\nimage\r\npic = " + disc.description.cd.window.back.pic +
                           "\r\n/image\r\nbutton\r\nnormal_pic = skin\\nothing.bmp\r\n/button\r\n/cd\r\n");
        ExpectEndsWith(x, disc.Root(), {{"Error", "Bad file: skin\\nothing.bmp"}}, 1);
    }
}

// Started from the applications menu: no disc given, the home folder current. The mounted discs
// come from a private mount table, in which the demo disc's folder stands for a mounted CD.
TEST_F(ZulshellOnScreen, StartedWithoutADiscItFindsTheMountedOneOrAsks)
{
    DemoDisc disc(true);
    TempDir home;
    const std::string root_line = "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
    X11Session x(kScreenWidth, kScreenHeight);
    const auto start = [&](const std::string& table) {
        const fs::path file = home.Write(".mountinfo", table);
        return std::make_unique<RunningProgram>(kZulshell, std::vector<std::string>{}, home.path().string(),
                                                x.display(),
                                                std::vector<std::string>{"ZUL_MOUNTINFO=" + file.string()});
    };
    {
        // One disc: the menu opens on it without a question; the session's end closes it.
        auto zulshell = start(root_line + "90 21 11:0 / " + disc.Root() + " ro shared:9 - iso9660 /dev/sr0 ro\n");
        ASSERT_FALSE(WaitForMainWindow(x).empty()) << zulshell->Stderr();
        ASSERT_EQ(kill(zulshell->Pid(), SIGTERM), 0);
        EXPECT_EQ(zulshell->WaitForExit(10s), 0) << zulshell->Stderr();
    }
    // None: the file dialog, whose Cancel ends the program with one line.
    auto zulshell = start(root_line);
    const std::vector<std::string> dialog = x.WaitForWindows("^Open a cover disc", 30s);
    ASSERT_EQ(dialog.size(), 1u) << zulshell->Stderr();
    x.Key(dialog[0], "Escape");
    EXPECT_EQ(zulshell->WaitForExit(10s), 1);
    const std::string err = zulshell->Stderr();
    EXPECT_EQ(err.size() - err.rfind("zulshell: no disc chosen\n"), 25u) << err;
}

// The catalogue's tests run on the demo disc's folder and on an image of it.
class ZulshellOnEachDisc : public ZulshellOnScreen, public ::testing::WithParamInterface<bool> {
protected:
    bool Image() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(FolderAndImage, ZulshellOnEachDisc, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& form) {
                             return form.param ? "Image" : "Folder";
                         });

// A reader browses the catalogue of the demo disc: lists, tabs and sub-tabs, the info box and the
// picture viewer, the setup window with a real installer, and a link through the question. A
// recording xdg-open stands first on PATH; the demo's installers write to ZUL_DEMO_MARKER. From an
// image, the installer runs from a temporary copy, and nothing is left once the menu ends.
TEST_P(ZulshellOnEachDisc, AReaderBrowsesTheCatalogue)
{
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    const Inf_shell& d = disc.description;
    // The second full-size picture of the first entry is missing: stepping to it reports the
    // failure and the menu goes on.
    const std::vector<PicPair>& pics = d.main_frame.tabs[0].sels[0].entries[0].pics;
    ASSERT_EQ(pics.size(), 2u);
    ASSERT_TRUE(PathResolver(disc.dir.path()).Find(pics[1].pic));
    fs::remove(*PathResolver(disc.dir.path()).Find(pics[1].pic));
    TempDir tools;
    const fs::path opened = tools.path() / "opened.txt";
    const fs::path marker = tools.path() / "installed.txt";
    tools.Write("bin/xdg-open", "#!/bin/sh\necho \"$@\" >> " + opened.string() + "\n");
    fs::permissions(tools.path() / "bin/xdg-open", fs::perms::owner_all);

    // The system's temporary folder, where the copies of an image's files go; Qt keeps its own
    // files in the runtime folder, given apart.
    TempDir temp;
    TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    const DemoDisc::Given given = disc.AsGiven(Image());
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, given.args, given.cwd, x.display(),
                            {"PATH=" + (tools.path() / "bin").string() + ":" + std::getenv("PATH"),
                             "ZUL_DEMO_MARKER=" + marker.string(), "TMPDIR=" + temp.path().string(),
                             "XDG_RUNTIME_DIR=" + runtime.path().string()});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    const QPoint origin = x.Geometry(window).topLeft();
    std::this_thread::sleep_until(started + 6500ms);
    auto at = [&](int px, int py) { return origin + QPoint(px, py); };
    auto click = [&](int px, int py) {
        x.Click(origin.x() + px, origin.y() + py);
        std::this_thread::sleep_for(400ms);
    };
    const QRgb list_colour = qRgb(230, 225, 208);
    auto row_selected = [&](const QImage& shot, int row) {
        return !SameColour(shot.pixel(at(300, 77 + 2 + 19 * row + 9)), list_colour);
    };

    // The first tab is pressed and its first entry selected; a click selects another.
    QImage shot = x.Screenshot();
    EXPECT_TRUE(row_selected(shot, 0));
    EXPECT_FALSE(row_selected(shot, 1));
    click(300, 77 + 2 + 19 + 9);
    shot = x.Screenshot();
    EXPECT_FALSE(row_selected(shot, 0));
    EXPECT_TRUE(row_selected(shot, 1));
    // Previous and next: the control panel's first and last buttons.
    const Inf_control_panel& c = d.control_panel;
    const QPoint previous = Middle(c.prev_btn, disc.Picture(c.prev_btn.normal_pic));
    const QPoint next = Middle(c.next_btn, disc.Picture(c.next_btn.normal_pic));
    click(previous.x(), previous.y());
    EXPECT_TRUE(row_selected(x.Screenshot(), 0));
    click(next.x(), next.y());
    click(next.x(), next.y());
    EXPECT_TRUE(row_selected(x.Screenshot(), 2));

    // The second tab and its second sub-tab: their ribbons come up in the corner of the frame.
    const Inf_button& tab1 = d.side_panel.tab_buttons[1];
    click(tab1.left + 20, tab1.top + 10);
    const Inf_image& ribbon1 = d.main_frame.tab_images[1][0];
    const QImage ribbon1_picture = disc.Picture(ribbon1.pic);
    EXPECT_TRUE(SameColour(x.Screenshot().pixel(at(ribbon1.left + 40, ribbon1.top + 14)),
                           ribbon1_picture.pixel(40, 14)));
    const Inf_button& sub2 = d.top_panel.tab_rows[1].buttons[1];
    click(sub2.left + 20, sub2.top + 10);
    const Inf_image& ribbon2 = d.main_frame.tab_images[1][1];
    EXPECT_TRUE(SameColour(x.Screenshot().pixel(at(ribbon2.left + 40, ribbon2.top + 14)),
                           disc.Picture(ribbon2.pic).pixel(40, 14)));

    // Back to the first tab, whose entries have full information: a click on the title opens the
    // info box, and its first thumbnail the picture viewer.
    const Inf_button& tab0 = d.side_panel.tab_buttons[0];
    click(tab0.left + 20, tab0.top + 10);
    click(previous.x(), previous.y());
    click(previous.x(), previous.y());
    click(400, 85);
    click(550, 185);
    std::vector<std::string> viewer = x.WaitForWindows("\\(1/2\\)$", 10s);
    ASSERT_EQ(viewer.size(), 1u) << zulshell.Stderr();
    EXPECT_EQ(x.XdoTool({"getwindowname", viewer[0]}), pics[0].pic + " (1/2)\n");
    // Enter steps on: the next picture is missing, which is reported in a box under the disc's
    // title, and the menu stays up.
    x.Key(viewer[0], "Return");
    ASSERT_TRUE(zulshell.WaitForStderr("Bad picture ", 10s)) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    for (const std::string& w : x.WaitForWindows(".", 1s))
        if (w != window && w != viewer[0] && x.Geometry(w).width() > 50)
            x.Key(w, "Return");
    std::this_thread::sleep_for(500ms);
    x.Key(viewer[0], "Escape");
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(x.WaitForWindows("\\(1/2\\)$", 0ms).empty());

    // The first entry has two setups: the setup window lists them and Run starts the first.
    click(400, 85);  // back from the info box to the entry's view
    const QPoint setup = Middle(c.setup_btn, disc.Picture(c.setup_btn.normal_pic));
    const std::string setup_window = RunFirstSetup(x, origin + setup);
    ASSERT_FALSE(setup_window.empty()) << zulshell.Stderr();
    for (int i = 0; i < 50 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_NE(ReadFileBytes(marker).find("Star Miner"), std::string::npos);
    x.Key(setup_window, "Escape");
    std::this_thread::sleep_for(500ms);

    // The side panel's link: No opens nothing, Yes opens it through xdg-open.
    const Inf_button& link = d.side_panel.link_btn;
    const std::string link_caption = "^" + DiscText(d.link_box.link_caption, 204).toStdString() + "$";
    click(link.left + 20, link.top + 10);
    std::vector<std::string> question = x.WaitForWindows(link_caption, 10s);
    ASSERT_EQ(question.size(), 1u) << zulshell.Stderr();
    x.Key(question[0], "Escape");
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(fs::exists(opened));
    click(link.left + 20, link.top + 10);
    question = x.WaitForWindows(link_caption, 10s);
    ASSERT_EQ(question.size(), 1u);
    x.Key(question[0], "Return");
    for (int i = 0; i < 50 && !fs::exists(opened); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ReadFileBytes(opened), link.hint + "\n");

    // The menu is still up and ends normally by its close button.
    const QPoint close = Middle(d.cd.window.close_btn, disc.Picture(d.cd.window.close_btn.normal_pic));
    click(close.x(), close.y());
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
    // A copy goes with the menu, or (should the installer still run) a second after the installer.
    for (int i = 0; i < 50 && !fs::is_empty(temp.path()); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(fs::is_empty(temp.path())) << "the copies of the image's files are gone";
}

// The loudest sample of the device's output (SDL's disk driver: raw stereo 16-bit) from byte
// `from` on.
int Peak(const DiskAudioCapture& audio, std::size_t from)
{
    const std::string bytes = audio.Bytes();
    int peak = 0;
    for (std::size_t i = from & ~std::size_t{1}; i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) |
                                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
        peak = std::max(peak, std::abs(int{sample}));
    }
    return peak;
}

// Writes `count` bits of `value`, highest first, from bit `at` of `bytes` on.
void PutBits(std::string& bytes, std::size_t& at, std::uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i, ++at) {
        if (value >> i & 1)
            bytes[at / 8] = static_cast<char>(bytes[at / 8] | 0x80 >> (at % 8));
    }
}

// An mp3 file that is heard: `frames` MPEG-1 Layer III frames (128 kbit/s, 44,100 Hz, stereo),
// each granule of each channel holding one spectral line (a low hum, about a third of full
// scale).
std::string HummingMp3(int frames)
{
    std::string frame(417, '\0');
    frame[0] = '\xFF';  // frame sync, MPEG-1, Layer III, no CRC
    frame[1] = '\xFB';
    frame[2] = '\x90';  // 128 kbit/s, 44,100 Hz, no padding; stereo
    std::size_t at = 32;
    PutBits(frame, at, 0, 9 + 3 + 8);  // main data here, private bits, no shared scale factors
    for (int granule_channel = 0; granule_channel < 4; ++granule_channel) {
        PutBits(frame, at, 3, 12);    // three bits of main data
        PutBits(frame, at, 1, 9);     // one pair of big values
        PutBits(frame, at, 206, 8);   // global gain
        PutBits(frame, at, 0, 4 + 1);  // no scale factors, a normal window
        PutBits(frame, at, 0b000010000100001, 15);  // Huffman table 1 in every region
        PutBits(frame, at, 0, 4 + 3 + 3);
    }
    for (int granule_channel = 0; granule_channel < 4; ++granule_channel)
        PutBits(frame, at, 0b010, 3);  // the pair (1, 0): code 01, then its sign, +
    std::string file;
    for (int i = 0; i < frames; ++i)
        file += frame;
    return file;
}

// How many of a process's threads are SDL's audio threads (one while the device is open).
int AudioThreads(pid_t pid)
{
    int count = 0;
    std::error_code ec;
    for (const fs::directory_entry& task : fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec))
        count += ReadFileBytes(task.path() / "comm").rfind("SDLAudio", 0) == 0 ? 1 : 0;
    return count;
}

// The menu heard through SDL's disk driver: a silent start, a tab's sound, and the music tab's
// tracks with their strip.
// The session ends the menu (a logout's SIGTERM) after an installer ran from its copy out of the
// image, the setup window still open: the menu closes as by its close button, with its status,
// and the temporary folder keeps nothing of the run, nor the copy an earlier run left there.
TEST_F(ZulshellOnScreen, SigtermEndsTheMenuInOrderAndLeavesNoCopies)
{
    DemoDisc disc(true);
    const Inf_control_panel& c = disc.description.control_panel;
    TempDir tools;
    const fs::path marker = tools.path() / "installed.txt";
    TempDir temp;
    TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    const std::string stale = "zulshell-" + std::to_string(getuid()) + "-1-abcdef";
    temp.Write(stale + "/owner", "zulshell copy\nboot none\n");
    temp.Write(stale + "/disc/setup.sh", "#!/bin/sh\n");
    const DemoDisc::Given given = disc.AsGiven(true);
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, given.args, given.cwd, x.display(),
                            {"ZUL_DEMO_MARKER=" + marker.string(), "TMPDIR=" + temp.path().string(),
                             "XDG_RUNTIME_DIR=" + runtime.path().string()});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    EXPECT_FALSE(fs::exists(temp.path() / stale));
    const QPoint origin = x.Geometry(window).topLeft();
    std::this_thread::sleep_until(started + 6500ms);

    const QPoint setup = Middle(c.setup_btn, disc.Picture(c.setup_btn.normal_pic));
    ASSERT_FALSE(RunFirstSetup(x, origin + setup).empty()) << zulshell.Stderr();
    for (int i = 0; i < 50 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_NE(ReadFileBytes(marker).find(temp.path().string() + "/zulshell-"), std::string::npos)
        << "the installer ran from its copy";
    EXPECT_FALSE(fs::is_empty(temp.path()));

    ASSERT_EQ(kill(zulshell.Pid(), SIGTERM), 0);
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
    EXPECT_TRUE(fs::is_empty(temp.path())) << "the copies of the image's files are gone";
}

TEST_F(ZulshellOnScreen, TheMenuIsHeard)
{
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    const Inf_shell& d = disc.description;
    // Everything played, over every opening of the device (it closes while the menu is silent).
    DiskAudioCapture raw;
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(), {"SDL_AUDIODRIVER=disk", raw.Setting()});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    const QPoint origin = x.Geometry(window).topLeft();
    std::this_thread::sleep_until(started + 6500ms);
    auto click = [&](int px, int py) { x.Click(origin.x() + px, origin.y() + py); };

    // Event sounds come on only once the screen is built: the start is silent (and the device,
    // open at the start, closes during it).
    std::size_t heard = raw.Size();
    EXPECT_GT(heard, 0u);
    EXPECT_EQ(Peak(raw, 0), 0);
    EXPECT_EQ(AudioThreads(zulshell.Pid()), 0) << "the silent menu's device is closed";
    const Inf_button& programs = d.side_panel.tab_buttons[1];
    click(programs.left + 20, programs.top + 10);
    std::this_thread::sleep_for(1500ms);
    EXPECT_GT(Peak(raw, heard), 1000) << "the tab's sound";

    // The music tab: play, and the track is heard with its strip up.
    const Inf_button& music = d.side_panel.tab_buttons.back();
    click(music.left + 20, music.top + 10);
    std::this_thread::sleep_for(1000ms);
    const Inf_mcontrol_panel& m = d.mcontrol_panel;
    const QPoint play = Middle(m.play_btn, disc.Picture(m.play_btn.normal_pic));
    heard = raw.Size();
    click(play.x(), play.y());
    std::this_thread::sleep_for(3000ms);
    EXPECT_GT(Peak(raw, heard), 500) << "the track";
    const Inf_image& strip = d.main_frame.music_strip;
    const QImage strip_picture = disc.Picture(strip.pic);
    const QPoint strip_corner = origin + QPoint(strip.left + 2, strip.top + 2);
    EXPECT_TRUE(SameColour(x.Screenshot().pixel(strip_corner), strip_picture.pixel(2, 2)));
    // The time left on the strip falls.
    const QRect strip_area(origin + QPoint(strip.left, strip.top), strip_picture.size());
    const QImage before = x.Screenshot().copy(strip_area);
    std::this_thread::sleep_for(2100ms);
    EXPECT_NE(x.Screenshot().copy(strip_area), before) << "the strip's time";

    // Next changes the track; stop hides the strip and silences the music.
    const QPoint next = Middle(m.next_btn, disc.Picture(m.next_btn.normal_pic));
    click(next.x(), next.y());
    std::this_thread::sleep_for(500ms);
    const QRgb list_colour = qRgb(230, 225, 208);
    const SEL& tracks = d.main_frame.tabs.back().sels[0];
    const QImage shot = x.Screenshot();
    EXPECT_FALSE(SameColour(shot.pixel(origin + QPoint(tracks.grid_left + 100, tracks.grid_top + 2 + 15 + 7)),
                            list_colour)) << "the second track is selected";

    // The tracks follow each other: the second (a MIDI file in an .rmi wrapper) ends and the
    // third, the six-second mp3 interlude of silence, starts; when its last sample has been heard
    // the decoder module closes itself and the advance starts the fourth, a MIDI piece, heard.
    auto row = [&](int i) { return origin + QPoint(tracks.grid_left + 100, tracks.grid_top + 2 + 15 * i + 7); };
    auto wait_for_row = [&](int i) {
        const auto until = std::chrono::steady_clock::now() + 14s;
        while (SameColour(x.Screenshot().pixel(row(i)), list_colour) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(250ms);
        return !SameColour(x.Screenshot().pixel(row(i)), list_colour);
    };
    EXPECT_TRUE(wait_for_row(2)) << "the interlude follows the second track";
    std::this_thread::sleep_for(1000ms);
    heard = raw.Size();
    std::this_thread::sleep_for(2000ms);
    EXPECT_LT(Peak(raw, heard), 100) << "the interlude is silence";
    EXPECT_TRUE(wait_for_row(3)) << "the fourth track follows the mp3";
    EXPECT_TRUE(SameColour(x.Screenshot().pixel(row(2)), list_colour)) << "the interlude is no longer selected";
    heard = raw.Size();
    std::this_thread::sleep_for(2000ms);
    EXPECT_GT(Peak(raw, heard), 500) << "the fourth track is heard";
    const QPoint stop = Middle(m.stop_btn, disc.Picture(m.stop_btn.normal_pic));
    click(stop.x(), stop.y());
    std::this_thread::sleep_for(1000ms);
    EXPECT_FALSE(SameColour(x.Screenshot().pixel(strip_corner), strip_picture.pixel(2, 2)));
    heard = raw.Size();
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(Peak(raw, heard), 0) << "silence after stop";

    // Closing while a track plays ends the program promptly and normally (every player and the
    // device let go; under the sanitizers, nothing leaks).
    click(play.x(), play.y());
    std::this_thread::sleep_for(1000ms);
    const QPoint close = Middle(d.cd.window.close_btn, disc.Picture(d.cd.window.close_btn.normal_pic));
    click(close.x(), close.y());
    EXPECT_EQ(zulshell.WaitForExit(8s), 0) << zulshell.Stderr();
}

// An mp3 track paused is silent at once, and the resume goes on.
TEST_F(ZulshellOnScreen, AnMp3PausedIsSilentAtOnce)
{
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    ASSERT_TRUE(fs::exists(disc.dir.path() / "music" / "interlude.mp3"));
    disc.dir.Write("music/interlude.mp3", HummingMp3(500));  // 13 s
    const Inf_shell& d = disc.description;
    DiskAudioCapture raw;
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(), {"SDL_AUDIODRIVER=disk", raw.Setting()});
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    const QPoint origin = x.Geometry(window).topLeft();
    std::this_thread::sleep_for(2000ms);
    auto click = [&](int px, int py) { x.Click(origin.x() + px, origin.y() + py); };

    const Inf_button& music = d.side_panel.tab_buttons.back();
    click(music.left + 20, music.top + 10);
    std::this_thread::sleep_for(1000ms);
    const SEL& tracks = d.main_frame.tabs.back().sels[0];
    click(tracks.grid_left + 100, tracks.grid_top + 2 + 15 * 2 + 7);  // the interlude
    std::this_thread::sleep_for(500ms);
    const Inf_mcontrol_panel& m = d.mcontrol_panel;
    const QPoint play = Middle(m.play_btn, disc.Picture(m.play_btn.normal_pic));
    // Heard within `limit` from byte `from` of the output on.
    auto heard_from = [&raw](std::size_t from, std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (Peak(raw, from) <= 500 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(100ms);
        return Peak(raw, from) > 500;
    };
    std::size_t heard = raw.Size();
    click(play.x(), play.y());
    EXPECT_TRUE(heard_from(heard, 5s)) << "the mp3 track";
    std::this_thread::sleep_for(1000ms);

    // The pointer leaves the button first: a move to where it already is would wait for ever.
    x.MoveMouse(origin.x() + 5, origin.y() + 5);
    click(play.x(), play.y());  // pause
    std::this_thread::sleep_for(200ms);
    heard = raw.Size();
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(Peak(raw, heard), 0) << "silent 0.2 s after the pause";

    heard = raw.Size();
    x.MoveMouse(origin.x() + 5, origin.y() + 5);
    click(play.x(), play.y());  // resume
    EXPECT_TRUE(heard_from(heard, 5s)) << "the track goes on";

    const QPoint close = Middle(d.cd.window.close_btn, disc.Picture(d.cd.window.close_btn.normal_pic));
    click(close.x(), close.y());
    EXPECT_EQ(zulshell.WaitForExit(8s), 0) << zulshell.Stderr();
}

// Every start that fails ends with status 1 once its box is answered, whatever failed.
TEST_F(ZulshellOnScreen, AStartThatFailsEndsWithStatusOne)
{
    X11Session x(kScreenWidth, kScreenHeight);
    {
        // A mistake after a complete skin: the window is built, and the event loop then ends.
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        std::string script = ReadFileBytes(disc.Script("image_ru.dat"));
        const std::size_t last_entry_end = script.rfind("/p\r\n");
        ASSERT_NE(last_entry_end, std::string::npos);
        script.insert(last_entry_end, "hint = misplaced\r\n");
        const int line = static_cast<int>(std::count(script.begin(), script.begin() + last_entry_end, '\n')) + 1;
        disc.dir.Write("graph/image_ru.dat", script);
        ExpectEndsWith(x, disc.Root(), {{"Error", "Error: 666 in line: " + std::to_string(line)}}, 1);
    }
    {
        // A splash that is no picture: the application's exception display under the title of
        // that moment.
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        disc.dir.Write("graph/splash/ru/Intro.gif", "GIF89a, but nothing more");
        ExpectEndsWith(x, disc.Root(), {{".ZUL CD", "Bad picture graph\\splash\\ru\\Intro.gif: ", true}}, 1);
    }
    {
        // A skin picture whose bytes do not decode.
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        {
            RarWriter archive(disc.dir.path() / "graph" / "shell.dat");
            archive.AddFile("skin\\back.jpg", "no JPEG here");
        }
        disc.dir.Write("graph/image_ru.dat", "cd\r\nimage\r\n/image\r\nimage\r\npic = skin\\back.jpg\r\n/image\r\n/cd\r\n");
        ExpectEndsWith(x, disc.Root(), {{"Loading...", "Bad picture skin\\back.jpg: ", true}}, 1);
    }
}

// Whether the screen shows, at a few points away from the menu, tiles of one of the pictures of
// wallpaper folder `folder` (of the demo disc), laid from the screen's top-left corner.
bool ShowsWallpaperOf(const DemoDisc& disc, const QImage& shot, const std::string& folder)
{
    const QPoint points[] = {{5, 5}, {1000, 20}, {30, 740}, {990, 700}};
    for (const auto& entry : fs::directory_iterator(disc.dir.path() / "graph" / "wallpapers" / folder)) {
        const QImage tile = QImage(QString::fromStdString(entry.path().string())).convertToFormat(QImage::Format_RGB32);
        if (tile.isNull())
            continue;
        bool all = true;
        for (const QPoint& p : points) {
            const QRgb want = tile.pixel(p.x() % tile.width(), p.y() % tile.height());
            const QRgb seen = shot.pixel(p);
            all = all && std::abs(qRed(seen) - qRed(want)) + std::abs(qGreen(seen) - qGreen(want)) +
                                 std::abs(qBlue(seen) - qBlue(want)) <= 24;
        }
        if (all)
            return true;
    }
    return false;
}

// The options window, found by its caption; its place on the screen.
QRect WaitForOptionsWindow(const X11Session& x)
{
    const std::vector<std::string> found = x.WaitForWindows("^Опции$", 10s);
    return found.size() == 1 ? x.Geometry(found[0]) : QRect();
}

// Opens the options window with the button at `button` (main-window coordinates), lets `edit`
// click in it (its own coordinates) and closes it with the button at `closing` (its own
// coordinates); false when the window does not come.
template <class Edit>
bool RunOptionsWindow(const X11Session& x, QPoint origin, QPoint button, Edit edit, QPoint closing)
{
    x.Click(origin.x() + button.x(), origin.y() + button.y());
    const QRect options = WaitForOptionsWindow(x);
    if (options.isEmpty())
        return false;
    std::this_thread::sleep_for(300ms);
    auto click = [&](int px, int py) {
        x.Click(options.x() + px, options.y() + py);
        std::this_thread::sleep_for(150ms);
    };
    edit(click);
    click(closing.x(), closing.y());
    for (int i = 0; i < 50 && !x.WaitForWindows("^Опции$", 0ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(300ms);
    return true;
}

// Places in the options window: its check boxes (their square), the wallpaper list, and the OK,
// Cancel and close buttons.
const QPoint kSoundBox(168 + 8 + 6, 27 + 48 + 8);
const QPoint kWallpaperBox(168 + 8 + 6, 27 + 80 + 8);
const QPoint kWallpaperList(168 + 96 + 60, 27 + 112 + 10);
const QPoint kMusicBox(168 + 8 + 6, 27 + 176 + 8);
const QPoint kOk(168 + 8 + 37, 27 + 272 + 12);
const QPoint kCancel(168 + 104 + 37, 27 + 272 + 12);
const QPoint kCloseButton(472 + 10, 2 + 10);

// The wallpaper behind the menu, and the options window that switches it and the background
// music; on a bare X server, where nothing but the program keeps the menu in front.
TEST_F(ZulshellOnScreen, TheOptionsSwitchTheMusicAndTheWallpaper)
{
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    const Inf_shell& d = disc.description;
    // Everything played, over every opening of the device (it closes while the menu is silent).
    DiskAudioCapture raw;
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(), {"SDL_AUDIODRIVER=disk", raw.Setting()});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    const QPoint origin = x.Geometry(window).topLeft();
    std::this_thread::sleep_until(started + 6500ms);
    const QImage back = disc.Picture(d.cd.window.back.pic);
    const QPoint inside(540, 8);  // a place of the caption strip that no control covers
    auto menu_in_front = [&] {
        return SameColour(x.Screenshot().pixel(origin + inside), back.pixel(inside));
    };

    // The wallpaper of the first folder covers the desktop around the menu, and a click on it
    // leaves the menu in front.
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));
    x.Click(5, 5);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(menu_in_front());
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));

    const Inf_control_panel& c = d.control_panel;
    const QPoint options_btn = Middle(c.options_btn, disc.Picture(c.options_btn.normal_pic));
    // Event sounds off, then background music on, and OK: the loop is heard.
    std::size_t heard = raw.Size();
    ASSERT_TRUE(RunOptionsWindow(x, origin, options_btn, [](auto click) {
        click(kSoundBox.x(), kSoundBox.y());
        click(kMusicBox.x(), kMusicBox.y());
    }, kOk)) << zulshell.Stderr();
    heard = raw.Size();
    std::this_thread::sleep_for(1500ms);
    EXPECT_GT(Peak(raw, heard), 500) << "the background loop";

    // Cancel changes nothing, whatever was clicked: the loop goes on.
    ASSERT_TRUE(RunOptionsWindow(x, origin, options_btn, [](auto click) {
        click(kMusicBox.x(), kMusicBox.y());
        click(kWallpaperBox.x(), kWallpaperBox.y());
    }, kCancel));
    heard = raw.Size();
    std::this_thread::sleep_for(1000ms);
    EXPECT_GT(Peak(raw, heard), 500) << "the loop after Cancel";
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));

    // The wallpaper box hides the tiles.
    ASSERT_TRUE(RunOptionsWindow(x, origin, options_btn, [](auto click) {
        click(kWallpaperBox.x(), kWallpaperBox.y());
    }, kOk));
    EXPECT_FALSE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));
    EXPECT_TRUE(menu_in_front());

    // On again with the second folder (picked from the list by keys): its tiles come.
    ASSERT_TRUE(RunOptionsWindow(x, origin, options_btn, [&](auto click) {
        click(kWallpaperBox.x(), kWallpaperBox.y());
        click(kWallpaperList.x(), kWallpaperList.y());
        for (const std::string& w : x.WaitForWindows("^Опции$", 1s))
            x.Key(w, "Down");
        std::this_thread::sleep_for(200ms);
        for (const std::string& w : x.WaitForWindows("^Опции$", 1s))
            x.Key(w, "Return");
    }, kOk));
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "retro"));
    EXPECT_TRUE(menu_in_front());

    // The music tab's panel opens the same window; its close button applies nothing.
    const Inf_button& music = d.side_panel.tab_buttons.back();
    x.Click(origin.x() + music.left + 20, origin.y() + music.top + 10);
    std::this_thread::sleep_for(500ms);
    const Inf_mcontrol_panel& m = d.mcontrol_panel;
    ASSERT_TRUE(RunOptionsWindow(x, origin, Middle(m.options_btn, disc.Picture(m.options_btn.normal_pic)),
                                 [](auto click) { click(kWallpaperBox.x(), kWallpaperBox.y()); }, kCloseButton));
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "retro"));

    const QPoint close = Middle(d.cd.window.close_btn, disc.Picture(d.cd.window.close_btn.normal_pic));
    x.Click(origin.x() + close.x(), origin.y() + close.y());
    EXPECT_EQ(zulshell.WaitForExit(8s), 0) << zulshell.Stderr();
}

// Whether a window (its inside, as placed on the screen) is centred on `area`. Its frame is not
// known when a window is first placed, so the window manager's title bar may push it down.
::testing::AssertionResult CentredOn(QRect window, QRect area)
{
    const QPoint d = window.center() - area.center();
    if (std::abs(d.x()) <= 2 && d.y() >= -2 && d.y() <= 24)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window's middle is off by " << d.x() << "," << d.y();
}

// Under a real window manager (openbox), as readers run the menu: the wallpaper stays below the
// menu and its windows, the main and options windows move by their strips, and the picture
// viewer and the setup window come up centred and in front.
TEST_F(ZulshellOnScreen, UnderAWindowManagerTheWallpaperStaysBehind)
{
    if (!fs::exists("/usr/bin/openbox") || !fs::exists("/usr/bin/xwininfo"))
        GTEST_SKIP() << "openbox or xwininfo is not installed";
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    const Inf_shell& d = disc.description;
    // The first entry's second picture is larger than the screen.
    const std::vector<PicPair>& pics = d.main_frame.tabs[0].sels[0].entries[0].pics;
    ASSERT_EQ(pics.size(), 2u);
    QImage large(kScreenWidth + 200, kScreenHeight + 100, QImage::Format_RGB32);
    large.fill(QColor(40, 90, 160));
    const fs::path large_file = *PathResolver(disc.dir.path()).Find(pics[1].pic);
    ASSERT_TRUE(large.save(QString::fromStdString(large_file.string()), "JPG"));
    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram wm("/usr/bin/openbox", {"--sm-disable"}, disc.Root(), x.display());
    std::this_thread::sleep_for(1000ms);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(), {"SDL_AUDIODRIVER=dummy"});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    std::this_thread::sleep_until(started + 6500ms);
    QPoint origin = x.Geometry(window).topLeft();
    const QImage back = disc.Picture(d.cd.window.back.pic);
    const QPoint inside(540, 8);
    auto menu_in_front = [&] {
        return SameColour(x.Screenshot().pixel(origin + inside), back.pixel(inside));
    };
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));
    EXPECT_TRUE(menu_in_front());
    x.Click(5, 5);
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(menu_in_front()) << "after a click on the wallpaper";

    // The main window moves by its strip.
    x.MoveMouse(origin.x() + 300, origin.y() + 5);
    x.MouseDown();
    for (int i = 1; i <= 10; ++i) {
        x.MoveMouse(origin.x() + 300 + 4 * i, origin.y() + 5 + 3 * i);
        std::this_thread::sleep_for(30ms);
    }
    x.MouseUp();
    std::this_thread::sleep_for(500ms);
    const QPoint moved = x.Geometry(window).topLeft();
    EXPECT_EQ(moved, origin + QPoint(40, 30));
    origin = moved;
    EXPECT_TRUE(menu_in_front());
    auto click = [&](QPoint p) {
        x.Click(origin.x() + p.x(), origin.y() + p.y());
        std::this_thread::sleep_for(400ms);
    };

    // The options window comes up in front of everything, centred on the screen, and moves by
    // its strip: also when the window manager framed it just as it was placed (the window
    // system's record of its place can then lag behind, and the window must not leap).
    const Inf_control_panel& c = d.control_panel;
    click(Middle(c.options_btn, disc.Picture(c.options_btn.normal_pic)));
    const QRect options = WaitForOptionsWindow(x);
    ASSERT_FALSE(options.isEmpty()) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(CentredOn(options, QRect(0, 0, kScreenWidth, kScreenHeight)));
    const QImage options_back = disc.Picture(d.cd.opts_window.back.pic);
    EXPECT_TRUE(SameColour(x.Screenshot().pixel(options.topLeft() + QPoint(60, 100)),
                           options_back.pixel(60, 100)));
    x.MoveMouse(options.x() + 200, options.y() + 5);
    x.MouseDown();
    for (int i = 1; i <= 10; ++i) {
        x.MoveMouse(options.x() + 200 - 3 * i, options.y() + 5 + 2 * i);
        std::this_thread::sleep_for(30ms);
    }
    x.MouseUp();
    std::this_thread::sleep_for(500ms);
    const std::vector<std::string> found = x.WaitForWindows("^Опции$", 1s);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(x.Geometry(found[0]).topLeft(), options.topLeft() + QPoint(-30, 20));
    x.Key(found[0], "Escape");
    for (int i = 0; i < 50 && !x.WaitForWindows("^Опции$", 0ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(menu_in_front());
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));

    // The picture viewer (the first entry's info box, its thumbnails) comes up in front, centred
    // on the screen frame and all, from the first picture it shows on. Its first picture here
    // is larger than the screen: the window is as wide as the screen and one pixel less high.
    const QRect screen(0, 0, kScreenWidth, kScreenHeight);
    auto centred = [&](QRect outside) {
        return outside.topLeft() == QPoint((screen.width() - outside.width()) / 2,
                                           (screen.height() - outside.height()) / 2);
    };
    click({400, 85});
    click({550, 320});
    const std::vector<std::string> large_viewer = x.WaitForWindows("\\(2/2\\)$", 10s);
    ASSERT_EQ(large_viewer.size(), 1u) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(x.Outside(large_viewer[0]), QRect(0, 0, kScreenWidth, kScreenHeight - 1));
    x.Key(large_viewer[0], "Escape");
    for (int i = 0; i < 50 && !x.WaitForWindows("\\(2/2\\)$", 0ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(300ms);

    // The first thumbnail: its picture on the screen where it is.
    click({550, 185});
    const std::vector<std::string> viewer = x.WaitForWindows("\\(1/2\\)$", 10s);
    ASSERT_EQ(viewer.size(), 1u) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    const QRect viewer_place = x.Placement(viewer[0]);
    const fs::path picture_file = *PathResolver(disc.dir.path()).Find(pics[0].pic);
    const QImage picture =
        QImage(QString::fromStdString(picture_file.string())).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(viewer_place.size(), picture.size());
    const QRect viewer_outside = x.Outside(viewer[0]);
    EXPECT_GT(viewer_outside.height(), viewer_place.height()) << "framed by the window manager";
    EXPECT_TRUE(centred(viewer_outside)) << viewer_outside.x() << "," << viewer_outside.y();
    QImage shot = x.Screenshot();
    for (QPoint p : {QPoint(picture.width() / 2, picture.height() / 2),
                     QPoint(picture.width() / 4, picture.height() / 3)})
        EXPECT_TRUE(SameColour(shot.pixel(viewer_place.topLeft() + p), picture.pixel(p), 24))
            << p.x() << "," << p.y();
    EXPECT_TRUE(ShowsWallpaperOf(disc, shot, "space"));
    // On to the large picture in the open window.
    x.Key(viewer[0], "space");
    ASSERT_EQ(x.WaitForWindows("\\(2/2\\)$", 5s).size(), 1u);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(x.Outside(viewer[0]), QRect(0, 0, kScreenWidth, kScreenHeight - 1));
    x.Key(viewer[0], "Escape");
    for (int i = 0; i < 50 && !x.WaitForWindows("\\(2/2\\)$", 0ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(menu_in_front());

    // The setup window (the entry's setup button) comes up in front, centred over the menu: its
    // first setup is selected, in the highlight colour.
    click({400, 85});  // back from the info box to the entry's view
    click(Middle(c.setup_btn, disc.Picture(c.setup_btn.normal_pic)));
    std::string setup_window;
    for (int i = 0; i < 50 && setup_window.empty(); ++i) {
        // Untitled: found among the program's own windows by its size.
        std::istringstream ours(x.XdoTool({"search", "--onlyvisible", "--classname", "^zulshell$"}));
        for (std::string w; ours >> w;)
            if (x.Placement(w).size() == QSize(585, 109))
                setup_window = w;
        if (setup_window.empty())
            std::this_thread::sleep_for(200ms);
    }
    ASSERT_FALSE(setup_window.empty()) << zulshell.Stderr();
    std::this_thread::sleep_for(500ms);
    const QRect setup_place = x.Placement(setup_window);
    EXPECT_TRUE(CentredOn(setup_place, QRect(origin, QSize(648, 511))));
    shot = x.Screenshot();
    const QPoint first_setup(450, 8 + 1 + 16 + 9);  // a blank part of the grid's first row
    EXPECT_TRUE(SameColour(shot.pixel(setup_place.topLeft() + first_setup),
                           QGuiApplication::palette().color(QPalette::Highlight).rgb()));
    EXPECT_TRUE(ShowsWallpaperOf(disc, shot, "space"));
    x.Key(setup_window, "Escape");
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(menu_in_front());
    EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));

    const QPoint close = Middle(d.cd.window.close_btn, disc.Picture(d.cd.window.close_btn.normal_pic));
    x.Click(origin.x() + close.x(), origin.y() + close.y());
    EXPECT_EQ(zulshell.WaitForExit(8s), 0) << zulshell.Stderr();
}

// Minimising the menu takes the wallpaper along, and restoring it brings the wallpaper back
// behind it: under a window manager (openbox), which takes the menu off the screen and gives it
// back, and without one, where the menu stays on the screen until the reader presses on it.
TEST_F(ZulshellOnScreen, MinimisingTheMenuTakesTheWallpaperAlong)
{
    for (const bool managed : {false, true}) {
        if (managed && !fs::exists("/usr/bin/openbox"))
            GTEST_SKIP() << "openbox is not installed";
        SCOPED_TRACE(managed ? "under openbox" : "without a window manager");
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        const Inf_window& skin = disc.description.cd.window;
        X11Session x(kScreenWidth, kScreenHeight);
        std::optional<RunningProgram> wm;
        if (managed) {
            wm.emplace("/usr/bin/openbox", std::vector<std::string>{"--sm-disable"}, disc.Root(), x.display());
            std::this_thread::sleep_for(1000ms);
        }
        RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(), {"SDL_AUDIODRIVER=dummy"});
        const auto started = std::chrono::steady_clock::now();
        const std::string window = WaitForMainWindow(x);
        ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
        std::this_thread::sleep_until(started + 6500ms);
        const QPoint origin = x.Geometry(window).topLeft();
        const QImage back = disc.Picture(skin.back.pic);
        const QPoint inside(540, 8);
        auto menu_in_front = [&] { return SameColour(x.Screenshot().pixel(origin + inside), back.pixel(inside)); };
        ASSERT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));

        const QPoint min = origin + Middle(skin.min_btn, disc.Picture(skin.min_btn.normal_pic));
        x.Click(min.x(), min.y());
        std::this_thread::sleep_for(1000ms);
        EXPECT_FALSE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));
        EXPECT_EQ(menu_in_front(), !managed);

        if (managed)
            x.XdoTool({"windowactivate", window});
        else
            x.Click(origin.x() + inside.x(), origin.y() + inside.y());
        std::this_thread::sleep_for(1000ms);
        EXPECT_TRUE(ShowsWallpaperOf(disc, x.Screenshot(), "space"));
        EXPECT_TRUE(menu_in_front());

        const QPoint close = origin + Middle(skin.close_btn, disc.Picture(skin.close_btn.normal_pic));
        x.Click(close.x(), close.y());
        EXPECT_EQ(zulshell.WaitForExit(8s), 0) << zulshell.Stderr();
    }
}

// Two tabs without sub-tabs added to the demo disc, a software one and a music one: going to
// them leaves no picture of another tab, and every button of their panels raises no box.
TEST_F(ZulshellOnScreen, TabsWithoutSubTabsRaiseNothing)
{
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    const Inf_shell& d = disc.description;
    const Inf_button& music = d.side_panel.tab_buttons.back();
    auto empty_tab = [&](int top, const std::string& keys) {
        return "tab\r\nbutton\r\nnormal_pic = " + music.normal_pic + "\r\nover_pic = " + music.over_pic +
               "\r\ndown_pic = " + music.down_pic + "\r\nleft = " + std::to_string(music.left) +
               "\r\ntop = " + std::to_string(top) + "\r\n/button\r\n" + keys + "/tab\r\n";
    };
    std::string script = ReadFileBytes(disc.Script("image_ru.dat"));
    const std::size_t last_tab_end = script.rfind("/tab\r\n");
    ASSERT_NE(last_tab_end, std::string::npos);
    script.insert(last_tab_end + 6, empty_tab(music.top + 40, "") + empty_tab(music.top + 80, "music = 1\r\n"));
    disc.dir.Write("graph/image_ru.dat", script);

    X11Session x(kScreenWidth, kScreenHeight);
    RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(), {"SDL_AUDIODRIVER=dummy"});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    std::this_thread::sleep_until(started + 6500ms);
    const QPoint origin = x.Geometry(window).topLeft();
    auto click = [&](QPoint p) {
        x.Click(origin.x() + p.x(), origin.y() + p.y());
        std::this_thread::sleep_for(300ms);
    };
    auto middle = [&](const Inf_button& b) { return Middle(b, disc.Picture(b.normal_pic)); };
    // A box comes under the disc's title, as the main window does, and is echoed on standard
    // error after that title.
    const std::string caption = DiscText(d.cd.title, 204).toStdString();
    const std::string title = "^" + caption + "$";
    const std::size_t titled = x.WaitForWindows(title, 0ms).size();
    const std::size_t said = zulshell.Stderr().size();

    // From the second tab, whose sub-tab has a ribbon, to the empty software tab.
    const Inf_button& tab1 = d.side_panel.tab_buttons[1];
    click({tab1.left + 20, tab1.top + 10});
    const Inf_image& ribbon = d.main_frame.tab_images[1][0];
    const QPoint on_ribbon = origin + QPoint(ribbon.left + 40, ribbon.top + 14);
    const QRgb ribbon_colour = disc.Picture(ribbon.pic).pixel(40, 14);
    ASSERT_TRUE(SameColour(x.Screenshot().pixel(on_ribbon), ribbon_colour));
    click({music.left + 20, music.top + 40 + 10});
    EXPECT_FALSE(SameColour(x.Screenshot().pixel(on_ribbon), ribbon_colour));
    const Inf_control_panel& c = d.control_panel;
    for (const Inf_button* b : {&c.prev_btn, &c.next_btn, &c.setup_btn})
        click(middle(*b));
    // The empty music tab.
    click({music.left + 20, music.top + 80 + 10});
    const Inf_mcontrol_panel& m = d.mcontrol_panel;
    for (const Inf_button* b : {&m.play_btn, &m.prev_btn, &m.next_btn, &m.stop_btn})
        click(middle(*b));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(x.WaitForWindows(title, 0ms).size(), titled) << "no box came up";
    const std::string later = zulshell.Stderr().substr(said);
    EXPECT_EQ(later.find(caption + ": "), std::string::npos) << later;
    EXPECT_EQ(later.find("index out of range"), std::string::npos) << later;

    click(middle(d.cd.window.close_btn));
    EXPECT_EQ(zulshell.WaitForExit(8s), 0) << zulshell.Stderr();
}

// A desktop of higher font resolution (150%, as Xft.dpi says it) leaves the menu at its own size,
// the factor rounded down; the forms' text keeps the size their layout was made for, so the setup
// window looks as it does at 96 dots per inch.
TEST_F(ZulshellOnScreen, AtAHigherFontResolutionTheSetupWindowKeepsItsLayout)
{
    auto setup_window_at = [this](int dpi) {
        DemoDisc disc;
        fs::remove(disc.Script("image_lit.dat"));
        const Inf_control_panel& c = disc.description.control_panel;
        X11Session x(kScreenWidth, kScreenHeight);
        RunningProgram zulshell(kZulshell, {}, disc.Root(), x.display(),
                                {"SDL_AUDIODRIVER=dummy", "QT_FONT_DPI=" + std::to_string(dpi)});
        const auto started = std::chrono::steady_clock::now();
        const std::string window = WaitForMainWindow(x);
        EXPECT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
        if (window.empty())
            return QImage();
        std::this_thread::sleep_until(started + 6500ms);
        const QPoint origin = x.Geometry(window).topLeft();
        const QPoint setup = origin + Middle(c.setup_btn, disc.Picture(c.setup_btn.normal_pic));
        x.Click(setup.x(), setup.y());
        for (int i = 0; i < 50; ++i) {
            for (const std::string& w : x.WaitForWindows("^.*$", 200ms)) {  // it has no caption text
                const QRect place = x.Geometry(w);
                if (place.size() == QSize(585, 109)) {
                    std::this_thread::sleep_for(500ms);
                    return x.Screenshot().copy(place);
                }
            }
        }
        ADD_FAILURE() << "no setup window at " << dpi << " dpi: " << zulshell.Stderr();
        return QImage();
    };
    const QImage plain = setup_window_at(96);
    const QImage higher = setup_window_at(144);
    ASSERT_FALSE(plain.isNull());
    ASSERT_FALSE(higher.isNull());
    int differing = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            differing += plain.pixel(x, y) != higher.pixel(x, y);
    EXPECT_EQ(differing, 0);
    if (differing != 0) {
        plain.save("/tmp/zul-setup-96.png");
        higher.save("/tmp/zul-setup-144.png");
    }
}

}  // namespace

namespace {

// A disc kept as an image file runs the menu without being mounted; an image that cannot be read
// ends with its message, like every start that fails.
TEST_F(ZulshellOnScreen, ADiscImageOpensTheMenuAndADamagedOneEndsWithItsMessage)
{
    X11Session x(kScreenWidth, kScreenHeight);
    TempDir elsewhere;
    {
        const std::string junk = elsewhere.Write("junk.iso", std::string(40000, 'x')).string();
        RunningProgram zulshell(kZulshell, {junk}, elsewhere.path().string(), x.display());
        ASSERT_TRUE(zulshell.WaitForStderr(".ZUL CD: ", 30s)) << zulshell.Stderr();
        const std::vector<std::string> box = x.WaitForWindows("^\\.ZUL CD$", 10s);
        ASSERT_FALSE(box.empty()) << zulshell.Stderr();
        x.Key(box[0], "Return");
        EXPECT_EQ(zulshell.WaitForExit(15s), 1) << zulshell.Stderr();
        // One line, naming the image.
        const std::string err = zulshell.Stderr();
        const std::size_t line = err.find(".ZUL CD: ");
        ASSERT_NE(line, std::string::npos) << err;
        EXPECT_EQ(err.find(".ZUL CD: ", line + 1), std::string::npos) << err;
        EXPECT_NE(err.substr(line, err.find('\n', line) - line).find(junk), std::string::npos) << err;
    }
    DemoDisc disc;
    fs::remove(disc.Script("image_lit.dat"));
    const std::string image = (elsewhere.path() / "demo.iso").string();
    const ProgramResult made = RunProgram(kMakeDemoDisc, {"--iso-of", disc.Root(), image});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    RunningProgram zulshell(kZulshell, {image}, elsewhere.path().string(), x.display());
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    std::this_thread::sleep_until(started + 6500ms);  // the splash has gone

    // The skin from the image's archive.
    const Inf_window& skin = disc.description.cd.window;
    const QImage back = disc.Picture(skin.back.pic);
    const QImage close = disc.Picture(skin.close_btn.normal_pic);
    const QPoint origin = x.Geometry(window).topLeft();
    const QImage shot = x.Screenshot();
    for (QPoint p : {QPoint(5, 5), QPoint(300, 6), QPoint(500, 20)})
        EXPECT_TRUE(SameColour(shot.pixel(origin + QPoint(skin.back.left, skin.back.top) + p), back.pixel(p)))
            << p.x() << "," << p.y();
    const QPoint close_middle = Middle(skin.close_btn, close);
    x.Click(origin.x() + close_middle.x(), origin.y() + close_middle.y());
    EXPECT_EQ(zulshell.WaitForExit(10s), 0) << zulshell.Stderr();
}

}  // namespace
