// Every fatal message of the archive and of picture loading, seen from outside: a real process
// (the console application) writes "Error: TEXT" to standard error and exits with code 1.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include <QImage>

#include "ArchiveTestSupport.h"
#include "demo/DemoFormats.h"
#include "support/RunProgram.h"

namespace {

// Runs the probe program on the disc (with the member `picture` to load, if any), the library
// being the built-in module or the fake UnRAR library `fake`.
ProgramResult RunProbe(const TempDir& disc, const std::string& picture = "", const std::string& fake = "")
{
    std::vector<std::string> args{disc.path().string(), "graph\\dll\\unrar.dll", "graph\\shell.dat"};
    if (!fake.empty())
        args.insert(args.begin(), {"--fake", fake});
    if (!picture.empty())
        args.push_back(picture);
    return RunProgram(ARCHIVE_EXIT_PROBE, args);
}

bool HasLine(const std::string& text, const std::string& line)
{
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l == line)
            return true;
    return false;
}

void ExpectExit(const TempDir& disc, const std::string& text, const std::string& picture = "",
                const std::string& fake = "")
{
    const ProgramResult r = RunProbe(disc, picture, fake);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(HasLine(r.err, "Error: " + text)) << r.err;
}

TEST(ArchiveExit, GoodArchiveAndPictureExitZero)
{
    TempDir disc;
    QImage picture(16, 8, QImage::Format_RGB32);
    picture.fill(qRgb(40, 90, 200));
    MakeDisc(disc, {{"x.gif", GifFile({picture})}});
    EXPECT_EQ(RunProbe(disc, "x.gif").exit_code, 0);
}

TEST(ArchiveExit, BadUnzipDll)
{
    TempDir disc;
    WriteRar(disc.path() / "graph" / "shell.dat", {});
    ExpectExit(disc, "Bad unzip dll");
}

TEST(ArchiveExit, BadFunctionForEachEntryPoint)
{
    for (const char* entry : {"RAROpenArchive", "RARCloseArchive", "RARSetProcessDataProc", "RARReadHeader",
                              "RARProcessFile"}) {
        TempDir disc;
        disc.Write("graph/shell.dat", "read by the fake library only");
        ExpectExit(disc, std::string("Bad function ") + entry, "", std::string("NO_") + entry);
    }
}

TEST(ArchiveExit, BadOpenRarArchive)
{
    TempDir disc;
    MakeDisc(disc, {});
    std::filesystem::remove(disc.path() / "graph" / "shell.dat");
    ExpectExit(disc, "Bad open rar archive: graph\\shell.dat");
}

TEST(ArchiveExit, FileHeaderBroken)
{
    TempDir disc;
    disc.Write("graph/dll/unrar.dll", "MZ");
    WriteBadRar(disc.path() / "graph" / "shell.dat", BadRar::CutInAHeader);
    ExpectExit(disc, " File header broken: graph\\shell.dat");
}

TEST(ArchiveExit, BadExtractingFile)
{
    TempDir disc;
    disc.Write("graph/dll/unrar.dll", "MZ");
    WriteBadRar(disc.path() / "graph" / "shell.dat", BadRar::MemberEncrypted);
    ExpectExit(disc, "Bad extracting file");
}

TEST(ArchiveExit, BadCloseRarArchive)
{
    TempDir disc;
    disc.Write("graph/shell.dat", "read by the fake library only");
    ExpectExit(disc, "Bad close rar archive: graph\\shell.dat", "", "CLOSE_FAILS");
}

TEST(ArchiveExit, BadExtAndBadFile)
{
    TempDir disc;
    MakeDisc(disc, {{"back.JPG", "x"}});
    ExpectExit(disc, "Bad ext: back.JPG", "back.JPG");
    ExpectExit(disc, "Bad file: btn.gif", "btn.gif");
}

}  // namespace
