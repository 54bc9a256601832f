// Windows programs on the disc: told by their content, and started through Wine when it is there.
// The real programs are made by NSIS, MinGW and wixl at test time; the lookalikes by hand.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Opener.h"
#include "platform/WindowsProgram.h"
#include "support/TempDir.h"
#include "support/WindowsPrograms.h"

namespace fs = std::filesystem;

namespace {

std::string Recognised(const std::string& name, const std::string& bytes)
{
    switch (RecogniseWindowsProgram(name, bytes)) {
    case WindowsProgram::kNone: return "none";
    case WindowsProgram::kExecutable: return "executable";
    case WindowsProgram::kInstaller: return "installer";
    case WindowsProgram::kBatch: return "batch";
    }
    return "?";
}

std::string Head(const fs::path& file)
{
    std::string bytes = ReadFileBytes(file);
    bytes.resize(std::min(bytes.size(), kWindowsProgramHeadBytes));
    return bytes;
}

TEST(WindowsProgram, RealProgramsAndPackagesAreToldByContentWhateverTheirNames)
{
    TempDir dir;
    const std::optional<fs::path> installer = MakeNsisInstaller(dir.path() / "nsis", "Zul Recognition");
    const std::optional<fs::path> program = MakeMingwProgram(dir.path() / "mingw");
    const std::optional<fs::path> package = MakeMsiPackage(dir.path() / "msi");
    if (!installer || !program || !package)
        GTEST_SKIP() << "needs makensis (nsis), x86_64-w64-mingw32-gcc and wixl";

    EXPECT_EQ(Recognised("SETUP.EXE", Head(*installer)), "executable");
    EXPECT_EQ(Recognised("install", Head(*installer)), "executable");
    EXPECT_EQ(Recognised("program.exe", Head(*program)), "executable");
    EXPECT_EQ(Recognised("package.msi", Head(*package)), "installer");
    EXPECT_EQ(Recognised("data1.bin", Head(*package)), "installer") << "by the package's class, not its name";
    // Cut inside the PE header, a program is no program any more.
    const std::string whole = Head(*program);
    const std::size_t pe = whole.find(std::string("PE\0\0", 4));
    ASSERT_NE(pe, std::string::npos);
    EXPECT_EQ(Recognised("program.exe", whole.substr(0, pe + 10)), "none");
}

TEST(WindowsProgram, LookalikesAreNotPrograms)
{
    EXPECT_EQ(Recognised("setup.exe", "This is a text file named setup.exe\r\n"), "none");
    EXPECT_EQ(Recognised("old.exe", HandMadeExecutable(false)), "none") << "a DOS program";
    EXPECT_EQ(Recognised("new.exe", HandMadeExecutable(true)), "executable");
    std::string far = HandMadeExecutable(true);
    far[0x3C] = '\xFF';
    far[0x3D] = '\xFF';
    far[0x3E] = '\xFF';
    far[0x3F] = '\x7F';
    EXPECT_EQ(Recognised("far.exe", far), "none") << "a header offset past the file";
    // A compound file is an installer package by its class or its name; an old Office document
    // is neither.
    std::string compound(1024, '\0');
    compound.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    compound[0x1E] = 9;
    EXPECT_EQ(Recognised("report.doc", compound), "none");
    EXPECT_EQ(Recognised("Product.MSI", compound), "installer");
    EXPECT_EQ(Recognised("INSTALL.BAT", "@echo off\r\n"), "batch");
    EXPECT_EQ(Recognised("go.Cmd", ""), "batch");
    EXPECT_EQ(Recognised(".bat", ""), "none");
}

void MakeExecutable(const fs::path& p)
{
    fs::permissions(p, fs::perms::owner_all);
}

TEST(WindowsProgram, StartsThroughWineFromTheDiscRootOrTellsTheReaderOnce)
{
    TempDir disc;
    const fs::path setup = disc.Write("soft/Setup.EXE", HandMadeExecutable(true));
    std::string package(1024, '\0');
    package.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    package[0x1E] = 9;
    disc.Write("soft/product.msi", package);
    disc.Write("soft/go.bat", "@echo off\r\n");
    disc.Write("soft/readme.exe", "just text");
    // A wine that writes its working folder, its arguments and the reader's WINEPREFIX.
    TempDir bin;
    const fs::path log = bin.path() / "wine.log";
    MakeExecutable(bin.Write("wine", "#!/bin/sh\nprintf '%s|' \"$PWD\" \"$WINEPREFIX\" \"$@\" >> '" + log.string() +
                                         "'\necho >> '" + log.string() + "'\n"));
    const std::string with_wine = "relative/bin:" + bin.path().string();
    const PathResolver resolver(disc.path());
    const std::string root = fs::canonical(disc.path()).string();
    const std::string wine = (bin.path() / "wine").string();

    const OpenPlan exe = PlanOpen("soft\\setup.exe", resolver, with_wine);
    EXPECT_EQ(exe.action, OpenPlan::Action::Start);
    EXPECT_EQ(exe.kind, OpenPlan::Kind::WindowsProgram);
    EXPECT_EQ(exe.argv, (std::vector<std::string>{wine, root + "/soft/Setup.EXE"}));
    EXPECT_EQ(exe.cwd, root);
    EXPECT_EQ(PlanOpen("soft\\product.msi", resolver, with_wine).argv,
              (std::vector<std::string>{wine, "msiexec", "/i", root + "/soft/product.msi"}));
    EXPECT_EQ(PlanOpen("soft\\GO.BAT", resolver, with_wine).argv,
              (std::vector<std::string>{wine, root + "/soft/go.bat"}));
    EXPECT_EQ(PlanOpen("soft\\readme.exe", resolver, with_wine).kind, OpenPlan::Kind::Document);
    EXPECT_EQ(PlanOpen("soft\\setup.exe", resolver, "relative/bin:/nonexistent").action, OpenPlan::Action::NoWine);
    // Links never start Windows programs, Wine or not.
    EXPECT_EQ(PlanOpen("soft\\setup.exe", resolver, with_wine, OpenAs::kLink).action, OpenPlan::Action::Fail);

    // For real: the reader's environment reaches Wine.
    setenv("WINEPREFIX", "/reader/prefix", 1);
    {
        SystemOpener opener(resolver, with_wine);
        opener.Open("soft\\setup.exe");
        ASSERT_TRUE(opener.WaitForChildren(std::chrono::seconds(20)));
    }
    unsetenv("WINEPREFIX");
    EXPECT_EQ(ReadFileBytes(log), root + "|/reader/prefix|" + root + "/soft/Setup.EXE|\n");

    // Without Wine: one box a run, then a line on standard error; the menu goes on.
    std::vector<std::string> told;
    SystemOpener without(resolver, "/nonexistent", [&told](const std::string& text) { told.push_back(text); });
    testing::internal::CaptureStderr();
    without.Open("soft\\setup.exe");
    without.Open("soft\\go.bat");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zulshell: cannot open \"soft\\go.bat\": it is a Windows program, and Wine is not installed\n");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0],
              "\"soft\\setup.exe\" is a Windows program. Windows programs run on this system through Wine, and Wine "
              "is not installed.\n\nTo install it on Debian or Ubuntu: sudo apt install wine");
}

}  // namespace
