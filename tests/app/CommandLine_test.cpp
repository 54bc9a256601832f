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
    "usage: zulshell [--scale N] [DISC_ROOT | DISC_IMAGE]\n"
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
         {std::vector<std::string>{"--help"}, {"--help", "--bogus"}, {"/nowhere", "--help"},
          {"--scale", "2", "--help"}}) {
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
        // The scale takes the next argument, which is then no disc root; it is one digit from 1
        // to 4, given after a space or an equals sign.
        {{"--scale", "3", a, b}, "zulshell: more than one disc root: " + a + ", " + b + "\n" + kUsage},
        {{"--scale=3", a, b}, "zulshell: more than one disc root: " + a + ", " + b + "\n" + kUsage},
        {{a, "--scale"}, "zulshell: --scale needs a factor from 1 to 4\n" + kUsage},
        {{"--scale", "0", a}, "zulshell: wrong scale: 0 (a whole factor from 1 to 4)\n" + kUsage},
        {{"--scale", "5"}, "zulshell: wrong scale: 5 (a whole factor from 1 to 4)\n" + kUsage},
        {{"--scale", "1.5"}, "zulshell: wrong scale: 1.5 (a whole factor from 1 to 4)\n" + kUsage},
        {{"--scale", "02"}, "zulshell: wrong scale: 02 (a whole factor from 1 to 4)\n" + kUsage},
        {{"--scale", "--help"}, "zulshell: wrong scale: --help (a whole factor from 1 to 4)\n" + kUsage},
        {{"--scale="}, "zulshell: --scale needs a factor from 1 to 4\n" + kUsage},
        {{"--scale2"}, "zulshell: unknown option: --scale2\n" + kUsage},
        // After "--" it is an operand like any other.
        {{"--", "--scale", "2"}, "zulshell: more than one disc root: --scale, 2\n" + kUsage},
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
    // A file is no mistake of the command line: it is opened as a disc image (which needs the
    // display for its box when it cannot be read; see the tests on screen).
    TempDir dir;
    const std::string missing = (dir.path() / "no-such-disc").string();
    struct Case {
        std::vector<std::string> args;
        std::string path;
    };
    // After "--" a path may begin with a hyphen and is no option.
    const Case cases[] = {{{missing}, missing}, {{"--", "-disc"}, "-disc"}, {{"/dev/null"}, "/dev/null"}};
    for (const Case& c : cases) {
        const ProgramResult r = RunProgram(kZulshell, c.args, dir.path().string());
        EXPECT_EQ(r.exit_code, 2) << c.path;
        EXPECT_EQ(r.out, "") << c.path;
        EXPECT_EQ(r.err, "zulshell: " + c.path + ": not a folder\n") << c.path;
    }
}

}  // namespace
