// zulcheck --list-archive: one "SIZE CRC32 NAME" line per member in the map's order, and the
// reader's fatal messages on standard error with exit status 1.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "ArchiveTestSupport.h"

namespace {

int ListArchive(const std::filesystem::path& archive, const TempDir& dir, std::string& out, std::string& err)
{
    const auto out_file = dir.path() / "out.txt";
    const auto err_file = dir.path() / "err.txt";
    const std::string command = std::string("'") + ZULCHECK_EXE + "' --list-archive '" + archive.string() + "' >'" +
                                out_file.string() + "' 2>'" + err_file.string() + "'";
    const int status = std::system(command.c_str());
    out = ReadFileBytes(out_file);
    err = ReadFileBytes(err_file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ListArchive, OneLinePerMemberInKeyOrder)
{
    TempDir dir;
    WriteRar(dir.path() / "shell.dat", {{"b.gif", "bb"}, {"A\\x.jpg", "123456789"}, {"a.gif", ""},
                                        {"b.gif", "second"}, {"\xE0\xE1.bmp", "x"}});
    std::string out, err;
    EXPECT_EQ(ListArchive(dir.path() / "shell.dat", dir, out, err), 0) << err;
    EXPECT_EQ(out, "9 cbf43926 A\\x.jpg\n"
                   "0 00000000 a.gif\n"
                   "6 b61f1169 b.gif\n"
                   "1 8cdc1683 \xE0\xE1.bmp\n");
}

TEST(ListArchive, FailuresGoToStandardErrorWithStatusOne)
{
    TempDir dir;
    std::string out, err;
    EXPECT_EQ(ListArchive(dir.path() / "missing.rar", dir, out, err), 1);
    EXPECT_NE(err.find("Error: Bad open rar archive: " + (dir.path() / "missing.rar").string() + "\n"),
              std::string::npos) << err;
    EXPECT_EQ(out, "");
    WriteBadRar(dir.path() / "damaged.rar", BadRar::DamagedData);
    EXPECT_EQ(ListArchive(dir.path() / "damaged.rar", dir, out, err), 1);
    EXPECT_NE(err.find("Error: Bad extracting file\n"), std::string::npos) << err;
}

}  // namespace
