// Copying an image's folders out to temporary folders: contents, execute bits, limits, removal.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "disc/DiscCopy.h"
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
        CopyFailure failure;
        const std::optional<fs::path> root = copies.Copy(disc, "Soft/App", failure);
        ASSERT_TRUE(root) << failure.text;
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
        ASSERT_TRUE(whole) << failure.text;
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
    CopyFailure failure;
    const std::optional<fs::path> root = copies.Copy(*FolderDiscFs(disc), disc / "app", failure);
    ASSERT_TRUE(root) << failure.text;
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
    disc.Add("small/file", std::string(300, 's'));
    disc.Add("other/file", std::string(800, 'o'));
    CopyFailure failure;
    {
        // One limit for all the copies of a run, checked against the sizes the disc records
        // before anything is copied: what is copied counts against the next.
        DiscCopies bytes({.max_bytes = 1000});
        EXPECT_FALSE(bytes.Copy(disc, "a", failure));
        EXPECT_EQ(failure.kind, CopyFailure::Kind::kTooLarge);
        EXPECT_EQ(failure.text, "its folder holds 1.2 KB, more than the 1000 bytes the menu copies out of a "
                                "disc image while it runs");
        EXPECT_TRUE(bytes.Copy(disc, "small", failure)) << failure.text;
        EXPECT_FALSE(bytes.Copy(disc, "other", failure));
        EXPECT_EQ(failure.text, "its folder holds 800 bytes, more than the 1000 bytes the menu copies out of a "
                                "disc image while it runs (300 bytes of that is taken already)");
        EXPECT_EQ(bytes.Folders().size(), 1u);
    }
    DiscCopies entries({.max_entries = 2});
    DiscCopies depth({.max_depth = 2});
    EXPECT_FALSE(entries.Copy(disc, "a", failure));
    EXPECT_EQ(failure.text, "the folder holds more than can be copied");
    EXPECT_FALSE(depth.Copy(disc, "a", failure));
    EXPECT_EQ(failure.text, "the folder is nested too deep to be copied");
    EXPECT_FALSE(depth.Copy(disc, "a/one", failure));
    EXPECT_EQ(failure.text, "it is not a folder of the disc");
    EXPECT_FALSE(depth.Copy(disc, "../a", failure));
    EXPECT_TRUE(temp.Empty());
}

// At start the copies earlier runs left are removed: only this user's, marked as copies, whose run
// has ended and that no process still uses.
TEST(DiscCopies, TheSweepRemovesOnlyCopiesNoRunNorProgramStillHolds)
{
    TempDirAsSystemTemp temp;
    MemoryDisc disc;
    disc.Add("app/setup.sh", "#!/bin/sh\n");
    CopyFailure failure;
    auto left_behind = [&] {
        // A run that handed its copy to a remover and ended: the copy stays, its lock goes.
        DiscCopies copies;
        const std::optional<fs::path> root = copies.Copy(disc, "app", failure);
        copies.Release(DiscCopies::FolderOf(*root));
        return *root;
    };
    const fs::path stale = left_behind();
    const fs::path used = left_behind();
    const fs::path started = left_behind();
    DiscCopies living;
    const fs::path alive = *living.Copy(disc, "app", failure);
    // Not made by the menu: a look-alike name without the marker, another user's number.
    fs::create_directories(temp.path() / ("zulshell-" + std::to_string(getuid()) + "-1-abcdef"));
    fs::create_directories(temp.path() / ("zulshell-" + std::to_string(getuid() + 1) + "-1-abcdef/disc"));
    fs::create_directory_symlink(DiscCopies::FolderOf(stale), temp.path() / "zulshell-0-2-linked");

    // A program working in one copy; a running process group noted as started from another.
    const pid_t worker = fork();
    if (worker == 0) {
        if (chdir(used.c_str()) == 0)
            pause();
        _exit(0);
    }
    const pid_t group = fork();
    if (group == 0) {
        setpgid(0, 0);
        pause();
        _exit(0);
    }
    setpgid(group, group);
    {
        DiscCopies noting;  // the note goes where the copy's run wrote it
        noting.Started(started, group);
    }
    for (int i = 0; i < 100 && fs::read_symlink("/proc/" + std::to_string(worker) + "/cwd") != used; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    EXPECT_EQ(SweepStaleCopies(), 1u);
    EXPECT_FALSE(fs::exists(DiscCopies::FolderOf(stale)));
    for (const fs::path& kept : {used, started, alive})
        EXPECT_TRUE(fs::exists(kept / "app/setup.sh")) << kept;
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 6);

    for (const pid_t pid : {worker, group}) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(SweepStaleCopies(temp.path()), 2u);
    EXPECT_TRUE(fs::exists(alive / "app/setup.sh"));
}

}  // namespace
