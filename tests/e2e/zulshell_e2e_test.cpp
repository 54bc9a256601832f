// The real program on the demo disc in a private X server: what a reader sees and does.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "X11Session.h"
#include "rarwriter/RarWriter.h"
#include "archive/ZipGrFile.h"
#include "script/Synter.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kZulshell = ZUL_BINARY_DIR "/src/app/zulshell";
const std::string kMakeDemoDisc = ZUL_BINARY_DIR "/tools/make_demo_disc";
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The demo disc in a temporary folder, and what its Russian script says.
class DemoDisc {
public:
    DemoDisc()
    {
        const ProgramResult made = RunProgram(kMakeDemoDisc, {dir.path().string()});
        if (made.exit_code != 0)
            throw std::runtime_error("make_demo_disc failed: " + made.err);
        Synter synter(Script("image_ru.dat"));
        synter.parse(description);
    }
    fs::path Script(const std::string& name) const { return dir.path() / "graph" / name; }
    std::string Root() const { return dir.path().string(); }

    // A skin picture of the disc's archive, decoded.
    QImage Picture(const std::string& member) const
    {
        RecordingApplication app;
        ZipGrFile archive(app, PathResolver(dir.path()));
        return archive.LoadPicture(member)->Image().convertToFormat(QImage::Format_RGB32);
    }

    TempDir dir;
    Inf_shell description;
};

// Colours as the screen shows them may differ by rounding; anything more is another picture.
::testing::AssertionResult SameColour(QRgb seen, QRgb expected)
{
    const int d = std::abs(qRed(seen) - qRed(expected)) + std::abs(qGreen(seen) - qGreen(expected)) +
                  std::abs(qBlue(seen) - qBlue(expected));
    if (d <= 6)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "seen #" << (seen & 0xFFFFFF) << ", expected #"
                                         << (expected & 0xFFFFFF);
}

// The middle of a button as placed on the window.
QPoint Middle(const Inf_button& b, const QImage& picture)
{
    return {b.left + picture.width() / 2, b.top + picture.height() / 2};
}

class ZulshellOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char arg0[] = "e2e";
        static char* argv[] = {arg0, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QGuiApplication::instance())
            new QGuiApplication(argc, argv);
    }

    // The main window: the visible window of the menu's size.
    std::string WaitForMainWindow(X11Session& x)
    {
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < until) {
            for (const std::string& w : x.WaitForWindows(".", 1s))
                if (x.Geometry(w).size() == QSize(648, 511))
                    return w;
            std::this_thread::sleep_for(200ms);
        }
        return {};
    }
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
    ASSERT_FALSE(window.empty()) << zulshell.Stderr();
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
    // The background where no button covers it: the title strip's left end and the middle.
    for (QPoint p : {QPoint(5, 5), QPoint(200, 300), QPoint(600, 480)})
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

// A broken disc ends with its message boxes: each box is echoed on standard error and answered
// with Enter; the program then ends with `exit_code`.
struct Box {
    std::string caption;
    std::string text;
    bool prefix = false;  // the line only starts with the text (a library's reason follows)
};

void ExpectEndsWith(X11Session& x, const std::string& root, const std::vector<Box>& boxes, int exit_code)
{
    RunningProgram zulshell(kZulshell, {}, root, x.display());
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

}  // namespace
