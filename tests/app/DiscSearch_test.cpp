#include <gtest/gtest.h>

#include <set>

#include "app/DiscSearch.h"
#include "support/TempDir.h"

namespace {

using Strings = std::vector<std::string>;

TEST(DiscSearch, CdFileSystemsAndTheUsersRemovableMediaHoldingADiscAreFound)
{
    const std::string table =
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:2 / /home rw - ext4 /dev/sda2 rw\n"  // holds a disc, but is no CD or medium
        "3 1 11:0 / /mnt/COVER\\040DISC\\134x ro master:7 propagation:x - iso9660 /dev/sr0 ro\n"
        "4 1 8:17 / /media/ann/STICK rw - vfat /dev/sdb1 rw\n"
        "5 1 8:18 / /media/bob/STICK rw - vfat /dev/sdc1 rw\n"     // another user's
        "6 1 8:19 / /media/ann/a/deeper rw - vfat /dev/sdd1 rw\n"  // not a medium's own folder
        "7 1 8:20 / /run/media/ann/EMPTY rw - exfat /dev/sde1 rw\n"
        "too short - udf\n"
        "8 1 11:1 / /srv/dvd ro - udf /dev/sr1 ro\n"
        "9 1 0:40 / /run/media/ann/a\\011b rw - fuse.fuseiso fuseiso rw\n"
        "10 3 11:0 / /mnt/COVER\\040DISC\\134x ro - iso9660 /dev/sr0 ro";  // mounted twice: found once
    const std::set<std::string> discs = {"/home", "/mnt/COVER DISC\\x", "/media/ann/STICK", "/media/bob/STICK",
                                         "/media/ann/a/deeper", "/srv/dvd", "/run/media/ann/a\tb"};
    Strings tested;
    const auto holds_disc = [&](const std::string& folder) {
        tested.push_back(folder);
        return discs.count(folder) > 0;
    };
    EXPECT_EQ(FindCoverDiscs(table, "ann", holds_disc),
              (Strings{"/mnt/COVER DISC\\x", "/media/ann/STICK", "/srv/dvd", "/run/media/ann/a\tb"}));
    // Only the candidates are looked into, each once.
    EXPECT_EQ(tested.size(), 5u);
    // Without a user name, only the CD file systems count.
    EXPECT_EQ(FindCoverDiscs(table, "", holds_disc), (Strings{"/mnt/COVER DISC\\x", "/srv/dvd", "/run/media/ann/a\tb"}));
}

TEST(DiscSearch, ACoverDiscFolderHasThePictureArchiveAndAScriptInAKnownLanguage)
{
    TempDir dir;
    const auto disc = [&](const std::string& name, const Strings& files) {
        for (const std::string& file : files)
            dir.Write(name + "/" + file, "x");
        return IsCoverDiscFolder(dir.path() / name);
    };
    // A disc mounted without its Joliet names has capitals and version suffixes.
    EXPECT_TRUE(disc("capitals", {"GRAPH/SHELL.DAT;1", "GRAPH/IMAGE_RU.DAT;1"}));
    EXPECT_FALSE(disc("archive_only", {"graph/shell.dat"}));
    EXPECT_FALSE(disc("unknown_language", {"graph/shell.dat", "graph/image_en.dat"}));
    // Started in a folder, the menu takes it for its disc when it has a graph folder at all.
    EXPECT_TRUE(IsDiscFolder(dir.path() / "archive_only"));
    dir.Write("home/graph", "a file");
    EXPECT_FALSE(IsDiscFolder(dir.path() / "home"));
}

class RecordingDiscChooser : public DiscChooser {
public:
    Strings asked;
    std::optional<std::string> ChooseMounted(const Strings& discs) override
    {
        asked.push_back("list of " + std::to_string(discs.size()));
        return std::nullopt;  // cancelled
    }
    std::optional<std::string> ChooseFolderOrImage() override
    {
        asked.push_back("file dialog");
        return "/chosen.iso";
    }
};

TEST(DiscSearch, OneDiscStartsAtOnceSeveralAreListedNoneBringsTheFileDialog)
{
    RecordingDiscChooser chooser;
    EXPECT_EQ(ChooseStartDisc({"/mnt/cd"}, chooser), "/mnt/cd");
    EXPECT_EQ(ChooseStartDisc({"/mnt/cd", "/media/ann/X"}, chooser), std::nullopt);
    EXPECT_EQ(ChooseStartDisc({}, chooser), "/chosen.iso");
    EXPECT_EQ(chooser.asked, (Strings{"list of 2", "file dialog"}));
}

}  // namespace
