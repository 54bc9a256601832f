// The demo disc kept in the forms CD-ripping tools keep discs in: zulcheck reads each like the
// ISO image, and the menu starts from a cue sheet and from a Nero image and runs an installer.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "DemoDisc.h"
#include "X11Session.h"
#include "support/ImageFormats.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kZulcheck = ZUL_BINARY_DIR "/tools/zulcheck";

// The demo disc (Russian only) as an ISO image, and made into `format` beside it.
struct DemoImage {
    explicit DemoImage(ImageFormat format) : disc(true)
    {
        const fs::path iso = dir.path() / "demo.iso";
        const ProgramResult made = RunProgram(kMakeDemoDisc, {"--iso-of", disc.Root(), iso.string()});
        EXPECT_EQ(made.exit_code, 0) << made.err;
        image = WriteImageAs(ReadFileBytes(iso), format, dir.path() / "demo");
        iso_path = iso;
    }
    DemoDisc disc;
    TempDir dir;
    fs::path iso_path;
    fs::path image;
};

class DemoDiscImages : public ::testing::TestWithParam<ImageFormat> {};

INSTANTIATE_TEST_SUITE_P(Formats, DemoDiscImages,
                         ::testing::Values(ImageFormat::kCueMode1, ImageFormat::kCueMode2, ImageFormat::kBinMode1,
                                           ImageFormat::kMdfMds, ImageFormat::kMdf, ImageFormat::kImgCcd,
                                           ImageFormat::kImg, ImageFormat::kNrg),
                         [](const ::testing::TestParamInfo<ImageFormat>& param) {
                             return ImageFormatName(param.param);
                         });

TEST_P(DemoDiscImages, ZulcheckReportsWhatItReportsOfTheIso)
{
    const DemoImage demo(GetParam());
    const ProgramResult iso = RunProgram(kZulcheck, {demo.iso_path.string()});
    const ProgramResult image = RunProgram(kZulcheck, {demo.image.string()});
    EXPECT_EQ(image.exit_code, iso.exit_code) << image.out << image.err;
    // The same findings, where each names the image it was given.
    std::string expected = iso.out;
    for (std::size_t at = 0; (at = expected.find(demo.iso_path.string(), at)) != std::string::npos;) {
        expected.replace(at, demo.iso_path.string().size(), demo.image.string());
        at += demo.image.string().size();
    }
    EXPECT_EQ(image.out, expected);
    EXPECT_NE(iso.out.find(" errors, "), std::string::npos) << iso.out;
}

class MenuOnImages : public ::testing::TestWithParam<ImageFormat> {
protected:
    static void SetUpTestSuite() { MakeOffscreenGuiApplication(); }
};

INSTANTIATE_TEST_SUITE_P(Formats, MenuOnImages, ::testing::Values(ImageFormat::kCueMode1, ImageFormat::kNrg),
                         [](const ::testing::TestParamInfo<ImageFormat>& param) {
                             return ImageFormatName(param.param);
                         });

// The menu starts from the image and the first entry's setup window runs its native installer
// (which writes to ZUL_DEMO_MARKER) from the copy of its folder.
TEST_P(MenuOnImages, TheMenuStartsAndRunsAnInstaller)
{
    const DemoImage demo(GetParam());
    TempDir temp;
    TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    const fs::path marker = temp.path() / "installed.txt";
    X11Session x(1024, 768);
    RunningProgram zulshell(kZulshell, {demo.image.string()}, demo.dir.path().string(), x.display(),
                            {"ZUL_DEMO_MARKER=" + marker.string(), "TMPDIR=" + temp.path().string(),
                             "XDG_RUNTIME_DIR=" + runtime.path().string()});
    const auto started = std::chrono::steady_clock::now();
    const std::string window = WaitForMainWindow(x);
    ASSERT_FALSE(window.empty()) << zulshell.Stderr() << zulshell.ThreadDump();
    std::this_thread::sleep_until(started + 6500ms);  // the splash has gone
    const QPoint origin = x.Geometry(window).topLeft();
    const Inf_control_panel& c = demo.disc.description.control_panel;
    const QPoint setup = origin + Middle(c.setup_btn, demo.disc.Picture(c.setup_btn.normal_pic));
    const std::string setup_window = RunFirstSetup(x, setup);
    ASSERT_FALSE(setup_window.empty()) << zulshell.Stderr();
    for (int i = 0; i < 100 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_NE(ReadFileBytes(marker).find("Star Miner"), std::string::npos) << zulshell.Stderr();
    x.Key(setup_window, "Escape");
    std::this_thread::sleep_for(500ms);
    const Inf_window& skin = demo.disc.description.cd.window;
    const QPoint close = origin + Middle(skin.close_btn, demo.disc.Picture(skin.close_btn.normal_pic));
    x.Click(close.x(), close.y());
    EXPECT_EQ(zulshell.WaitForExit(15s), 0) << zulshell.Stderr();
}

}  // namespace
