#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/DiscSearch.h"
#include "support/TempDir.h"

namespace {

using Strings = std::vector<std::string>;

TEST(DiscSearch, MountInfoLinesGiveTheirUnescapedMountPointAndType)
{
    const std::string table =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "98 22 11:0 / /media/ann/COVER\\040DISC\\134x ro,nosuid master:7 propagation:x - iso9660 /dev/sr0 ro\n"
        "too short - x\n"
        "99 22 0:5 / /no/type rw -\n"
        "100 22 0:6 / /run/media/ann/a\\011b rw - udf /dev/sr1 ro";
    const std::vector<MountPoint> mounts = ParseMountInfo(table);
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].path, "/");
    EXPECT_EQ(mounts[0].fs_type, "ext4");
    EXPECT_EQ(mounts[1].path, "/media/ann/COVER DISC\\x");
    EXPECT_EQ(mounts[1].fs_type, "iso9660");
    EXPECT_EQ(mounts[2].path, "/run/media/ann/a\tb");
}

TEST(DiscSearch, CdFileSystemsAndTheUsersRemovableMediaHoldingADiscAreFound)
{
    const std::string table =
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:2 / /home rw - ext4 /dev/sda2 rw\n"  // holds a disc, but is no CD or medium
        "3 1 11:0 / /mnt/cd ro - iso9660 /dev/sr0 ro\n"
        "4 1 8:17 / /media/ann/STICK rw - vfat /dev/sdb1 rw\n"
        "5 1 8:18 / /media/bob/STICK rw - vfat /dev/sdc1 rw\n"       // another user's
        "6 1 8:19 / /media/ann/a/deeper rw - vfat /dev/sdd1 rw\n"    // not a medium's own folder
        "7 1 8:20 / /run/media/ann/EMPTY rw - exfat /dev/sde1 rw\n"  // holds no disc
        "8 1 11:1 / /srv/dvd ro - udf /dev/sr1 ro\n"
        "9 1 0:40 / /run/media/ann/Image\\040disc rw - fuse.fuseiso fuseiso rw\n"
        "10 3 11:0 / /mnt/cd ro - iso9660 /dev/sr0 ro\n";  // mounted twice: found once
    const std::set<std::string> discs = {"/home",      "/mnt/cd",  "/media/ann/STICK", "/media/bob/STICK",
                                         "/media/ann/a/deeper", "/srv/dvd", "/run/media/ann/Image disc"};
    Strings tested;
    const auto holds_disc = [&](const std::string& folder) {
        tested.push_back(folder);
        return discs.count(folder) > 0;
    };
    EXPECT_EQ(FindCoverDiscs(table, "ann", holds_disc),
              (Strings{"/mnt/cd", "/media/ann/STICK", "/srv/dvd", "/run/media/ann/Image disc"}));
    // Only the candidates are looked into, each once.
    EXPECT_EQ(tested, (Strings{"/mnt/cd", "/media/ann/STICK", "/run/media/ann/EMPTY", "/srv/dvd",
                               "/run/media/ann/Image disc"}));
    // Without a user name, only the CD file systems count.
    EXPECT_EQ(FindCoverDiscs(table, "", holds_disc), (Strings{"/mnt/cd", "/srv/dvd", "/run/media/ann/Image disc"}));
    EXPECT_EQ(FindCoverDiscs("", "ann", holds_disc), Strings{});
}

TEST(DiscSearch, ACoverDiscFolderHasThePictureArchiveAndAScriptInAKnownLanguage)
{
    TempDir dir;
    const auto disc = [&](const std::string& name, const Strings& files) {
        for (const std::string& file : files)
            dir.Write(name + "/" + file, "x");
        return IsCoverDiscFolder(dir.path() / name);
    };
    EXPECT_TRUE(disc("plain", {"graph/shell.dat", "graph/image_lit.dat"}));
    // A disc mounted without its Joliet names, in capitals and with version suffixes.
    EXPECT_TRUE(disc("capitals", {"GRAPH/SHELL.DAT;1", "GRAPH/IMAGE_RU.DAT;1"}));
    EXPECT_FALSE(disc("archive_only", {"graph/shell.dat"}));
    EXPECT_FALSE(disc("script_only", {"graph/image_ru.dat"}));
    EXPECT_FALSE(disc("unknown_language", {"graph/shell.dat", "graph/image_en.dat"}));
    EXPECT_FALSE(disc("elsewhere", {"shell.dat", "image_ru.dat"}));
    EXPECT_FALSE(IsCoverDiscFolder(dir.path() / "missing"));

    // Started in a folder, the menu takes it for its disc when it has a graph folder at all.
    EXPECT_TRUE(IsDiscFolder(dir.path() / "script_only"));
    dir.MakeDir("being_made/Graph");
    EXPECT_TRUE(IsDiscFolder(dir.path() / "being_made"));
    dir.Write("home/graph", "a file");
    EXPECT_FALSE(IsDiscFolder(dir.path() / "home"));
    EXPECT_FALSE(IsDiscFolder(dir.path() / "elsewhere"));
}

// Records the questions and answers them as told.
class RecordingDiscChooser : public DiscChooser {
public:
    Strings asked;
    std::optional<std::string> answer;

    std::optional<std::string> ChooseMounted(const Strings& discs) override
    {
        std::string question = "list:";
        for (const std::string& disc : discs)
            question += " " + disc;
        asked.push_back(question);
        return answer;
    }
    std::optional<std::string> ChooseFolderOrImage() override
    {
        asked.push_back("file dialog");
        return answer;
    }
};

TEST(DiscSearch, OneDiscStartsAtOnceSeveralAreListedNoneBringsTheFileDialog)
{
    RecordingDiscChooser chooser;
    chooser.answer = "/chosen";
    EXPECT_EQ(ChooseStartDisc({"/mnt/cd"}, chooser), "/mnt/cd");
    EXPECT_EQ(chooser.asked, Strings{});
    EXPECT_EQ(ChooseStartDisc({"/mnt/cd", "/media/ann/X"}, chooser), "/chosen");
    EXPECT_EQ(ChooseStartDisc({}, chooser), "/chosen");
    EXPECT_EQ(chooser.asked, (Strings{"list: /mnt/cd /media/ann/X", "file dialog"}));
    chooser.answer.reset();
    EXPECT_EQ(ChooseStartDisc({"/a", "/b"}, chooser), std::nullopt);
    EXPECT_EQ(ChooseStartDisc({}, chooser), std::nullopt);
}

}  // namespace
