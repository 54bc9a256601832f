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

// Runs the probe program on the disc (with the member `picture` to load, if any).
ProgramResult RunProbe(const TempDir& disc, const std::string& picture = "")
{
    std::vector<std::string> args{disc.path().string(), "graph\\dll\\unrar.dll", "graph\\shell.dat"};
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

void InstallFake(const TempDir& disc, const std::string& variant)
{
    const auto target = disc.path() / "graph" / "dll" / "unrar.dll";
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::remove(target);
    std::filesystem::copy_file(std::string(FAKE_UNRAR_DIR) + "/" + variant + ".so", target);
    disc.Write("graph/shell.dat", "read by the fake library only");
}

void ExpectExit(const TempDir& disc, const std::string& text, const std::string& picture = "")
{
    const ProgramResult r = RunProbe(disc, picture);
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
        InstallFake(disc, std::string("NO_") + entry);
        ExpectExit(disc, std::string("Bad function ") + entry);
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
    InstallFake(disc, "CLOSE_FAILS");
    ExpectExit(disc, "Bad close rar archive: graph\\shell.dat");
}

TEST(ArchiveExit, BadExtAndBadFile)
{
    TempDir disc;
    MakeDisc(disc, {{"back.JPG", "x"}});
    ExpectExit(disc, "Bad ext: back.JPG", "back.JPG");
    ExpectExit(disc, "Bad file: btn.gif", "btn.gif");
}

}  // namespace
