// The program's command line, run as a reader's shell would run it: every answer comes before
// any window-system connection, so these run without a display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "version/Version.h"

namespace {

const std::string kZulshell = ZUL_BINARY_DIR "/src/app/zulshell";
const std::string kUsage =
    "usage: zulshell [DISC_ROOT]\n"
    "       zulshell --help | --version\n";

class ZulshellCommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Were a window-system connection tried, the X11 platform without a display would end
        // the program abnormally.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
};

TEST_F(ZulshellCommandLine, HelpAndVersionAnswerOnStandardOutput)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"--help", "--bogus"}, {"/nowhere", "--help"}}) {
        const ProgramResult r = RunProgram(kZulshell, args);
        EXPECT_EQ(r.exit_code, 0) << args[0];
        EXPECT_EQ(r.out, kUsage) << args[0];
        EXPECT_EQ(r.err, "") << args[0];
    }
    const ProgramResult version = RunProgram(kZulshell, {"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, std::string("zulshell ") + ZUL_VERSION + "\n");
    EXPECT_EQ(version.err, "");
}

TEST_F(ZulshellCommandLine, WrongCommandLinesEndWithStatusTwoAndTheUsage)
{
    TempDir dir;
    const std::string a = dir.MakeDir("a").string();
    const std::string b = dir.MakeDir("b").string();
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"--bogus"}, "zulshell: unknown option: --bogus\n" + kUsage},
        // Options Qt would otherwise take for itself are the menu's unknown options too.
        {{"-style", "fusion"}, "zulshell: unknown option: -style\n" + kUsage},
        {{"-platform", "offscreen", a}, "zulshell: unknown option: -platform\n" + kUsage},
        {{a, b}, "zulshell: more than one disc root: " + a + ", " + b + "\n" + kUsage},
    };
    for (const Case& c : cases) {
        const ProgramResult r = RunProgram(kZulshell, c.args);
        EXPECT_EQ(r.exit_code, 2) << c.args[0];
        EXPECT_EQ(r.out, "") << c.args[0];
        EXPECT_EQ(r.err, c.err) << c.args[0];
    }
}

TEST_F(ZulshellCommandLine, ADiscRootThatIsNoFolderIsToldAsSuch)
{
    TempDir dir;
    const std::string file = dir.Write("image_ru.dat", "cd{}").string();
    const std::string missing = (dir.path() / "no-such-disc").string();
    struct Case {
        std::vector<std::string> args;
        std::string path;
    };
    // After "--" a path may begin with a hyphen and is no option.
    const Case cases[] = {{{file}, file}, {{missing}, missing}, {{"--", "-disc"}, "-disc"}};
    for (const Case& c : cases) {
        const ProgramResult r = RunProgram(kZulshell, c.args, dir.path().string());
        EXPECT_EQ(r.exit_code, 2) << c.path;
        EXPECT_EQ(r.out, "") << c.path;
        EXPECT_EQ(r.err, "zulshell: " + c.path + ": not a folder\n") << c.path;
    }
}

}  // namespace
