// Copying an image's folders out to temporary folders: contents, execute bits, limits, removal.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/DiscCopy.h"
#include "support/MemoryDisc.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool Executable(const fs::path& p)
{
    return (fs::status(p).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

TEST(DiscCopies, CopyTheWholeFolderWithTheExecuteBitsADiscRecordsOrItsProgramsNeed)
{
    TempDirAsSystemTemp temp;
    MemoryDisc disc;
    disc.Add("Soft/App/setup.sh", "#!/bin/sh\necho hi\n");
    disc.Add("Soft/App/setup.elf", std::string("\x7F" "ELF\x02\x01", 6));
    disc.Add("Soft/App/readme.txt", "words");
    disc.Add("Soft/App/data/big.bin", std::string(200000, 'x'));
    disc.Add("Soft/App/marked", "plain", true);
    disc.Add("Soft/App/unmarked.sh", "#!/bin/sh\n", false);
    disc.AddFolder("Soft/App/empty");
    disc.Add("Soft/Other/elsewhere.txt", "not copied");
    {
        DiscCopies copies;
        std::string failure;
        const std::optional<fs::path> root = copies.Copy(disc, "Soft/App", failure);
        ASSERT_TRUE(root) << failure;
        const fs::path app = *root / "Soft/App";
        EXPECT_EQ(ReadFileBytes(app / "readme.txt"), "words");
        EXPECT_EQ(ReadFileBytes(app / "data/big.bin"), std::string(200000, 'x'));
        EXPECT_TRUE(fs::is_directory(app / "empty"));
        EXPECT_FALSE(fs::exists(*root / "Soft/Other"));
        EXPECT_TRUE(Executable(app / "setup.sh"));
        EXPECT_TRUE(Executable(app / "setup.elf"));
        EXPECT_FALSE(Executable(app / "readme.txt"));
        EXPECT_TRUE(Executable(app / "marked"));        // as the disc records it
        EXPECT_FALSE(Executable(app / "unmarked.sh"));  // the same
        // Only this user may enter the copy.
        EXPECT_EQ(fs::status(*root).permissions() & fs::perms::all, fs::perms::owner_all);

        const std::optional<fs::path> whole = copies.Copy(disc, "", failure);
        ASSERT_TRUE(whole) << failure;
        EXPECT_NE(*whole, *root);
        EXPECT_EQ(ReadFileBytes(*whole / "Soft/Other/elsewhere.txt"), "not copied");
        EXPECT_EQ(copies.Folders().size(), 2u);
    }
    EXPECT_TRUE(temp.Empty());
}

// A copy of a disc folder holds what is on the disc: what a link leads to outside it stays out.
TEST(DiscCopies, ACopyLeavesOutWhatLinksLeadToOutsideTheDisc)
{
    TempDirAsSystemTemp temp;
    TempDir top;
    top.Write("outside/secret.txt", "secret");
    top.Write("disc/app/setup.sh", "#!/bin/sh\n");
    top.Write("disc/shared/data.cab", "cab");
    const auto disc = top.path() / "disc";
    fs::create_symlink(top.path() / "outside/secret.txt", disc / "app/secret.txt");
    fs::create_directory_symlink(top.path() / "outside", disc / "app/outside");
    fs::create_symlink("../shared/data.cab", disc / "app/data.cab");
    DiscCopies copies;
    std::string failure;
    const std::optional<fs::path> root = copies.Copy(*FolderDiscFs(disc), disc / "app", failure);
    ASSERT_TRUE(root) << failure;
    EXPECT_FALSE(fs::exists(*root / "app/secret.txt"));
    EXPECT_FALSE(fs::exists(*root / "app/outside"));
    EXPECT_EQ(ReadFileBytes(*root / "app/data.cab"), "cab");
    EXPECT_TRUE(fs::exists(*root / "app/setup.sh"));
}

TEST(DiscCopies, ACopyBeyondItsLimitsIsNotMadeAndLeavesNothing)
{
    TempDirAsSystemTemp temp;
    MemoryDisc disc;
    disc.Add("a/one", std::string(600, '1'));
    disc.Add("a/two", std::string(600, '2'));
    disc.Add("a/b/c/d/deep", "x");
    DiscCopies bytes({.max_bytes = 1000});
    DiscCopies entries({.max_entries = 2});
    DiscCopies depth({.max_depth = 2});
    std::string failure;
    EXPECT_FALSE(bytes.Copy(disc, "a", failure));
    EXPECT_EQ(failure, "the folder holds more than can be copied");
    EXPECT_FALSE(entries.Copy(disc, "a", failure));
    EXPECT_EQ(failure, "the folder holds more than can be copied");
    EXPECT_FALSE(depth.Copy(disc, "a", failure));
    EXPECT_EQ(failure, "the folder is nested too deep to be copied");
    EXPECT_FALSE(depth.Copy(disc, "a/one", failure));
    EXPECT_EQ(failure, "it is not a folder of the disc");
    EXPECT_FALSE(depth.Copy(disc, "../a", failure));
    EXPECT_TRUE(temp.Empty());
}

}  // namespace
