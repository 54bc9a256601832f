#include <gtest/gtest.h>

#include <algorithm>

#include "disc/Files.h"
#include "disc/PathResolver.h"
#include "support/TempDir.h"

namespace {

TEST(PathResolver, FindsDiscPathsWhateverTheirLetterCase)
{
    TempDir disc;
    disc.Write("Graph/DLL/UnRAR.dll", "x");
    const PathResolver r(disc.path());
    EXPECT_EQ(r.Find("graph\\dll\\unrar.dll"), disc.path() / "Graph/DLL/UnRAR.dll");
    EXPECT_EQ(r.Find("GRAPH\\Dll\\UNRAR.DLL"), disc.path() / "Graph/DLL/UnRAR.dll");
    EXPECT_EQ(r.Find("\\graph\\\\dll\\.\\unrar.dll"), disc.path() / "Graph/DLL/UnRAR.dll");
    EXPECT_EQ(r.Find("graph/dll/unrar.dll"), disc.path() / "Graph/DLL/UnRAR.dll");
    EXPECT_EQ(r.Find("graph"), disc.path() / "Graph");
    EXPECT_FALSE(r.Find("graph\\dll\\unrar.dl"));
    EXPECT_FALSE(r.Find("graph\\nothing\\unrar.dll"));
    // Only ASCII letters fold; other bytes must match exactly.
    disc.Write("graph2/\xC8\xE3\xF0\xFB.txt", "x");
    EXPECT_TRUE(r.Find("GRAPH2\\\xC8\xE3\xF0\xFB.TXT"));
    EXPECT_FALSE(r.Find("graph2\\\xE8\xE3\xF0\xFB.txt"));
}

TEST(PathResolver, AnExactMatchWinsAndOtherwiseTheChoiceIsDeterministic)
{
    TempDir disc;
    disc.Write("skin/Back.jpg", "1");
    disc.Write("skin/BACK.jpg", "2");
    disc.Write("skin/back.JPG", "3");
    const PathResolver r(disc.path());
    EXPECT_EQ(r.Find("skin\\back.JPG"), disc.path() / "skin/back.JPG");
    EXPECT_EQ(r.Find("skin\\back.jpg"), disc.path() / "skin/BACK.jpg");  // bytewise smallest
}

TEST(PathResolver, ResolveFallsBackToTheLiteralPath)
{
    TempDir disc;
    const PathResolver r(disc.path());
    EXPECT_EQ(r.Resolve("graph\\shell.dat"), disc.path() / "graph" / "shell.dat");
}

TEST(PathResolver, DiscPathsNeverClimbAboveTheDiscRoot)
{
    TempDir top;
    top.Write("secret.txt", "s");
    const auto root = top.path() / "disc";
    const auto x = top.Write("disc/graph/x.bmp", "x");
    const PathResolver r(root);
    // ".." at the root stays there; "." is nothing.
    EXPECT_EQ(r.Find("..\\graph\\x.bmp"), x);
    EXPECT_EQ(r.Find("graph\\..\\..\\..\\Graph\\.\\X.BMP"), x);
    EXPECT_FALSE(r.Find("..\\secret.txt"));
    EXPECT_EQ(r.Resolve("..\\..\\secret.txt"), root / "secret.txt");
    EXPECT_EQ(SplitDiscPath("a\\..\\..\\b\\.\\c/.."), (std::vector<std::string>{"b"}));
}

// Links of a disc folder: those leading out of it are missing to every reader, those that stay
// inside (the disc itself reached through a link included) work.
TEST(FolderDiscFs, LinksLeadingOutOfTheDiscAreNoPartOfIt)
{
    TempDir top;
    top.Write("outside/secret.txt", "secret");
    top.Write("outside/id", "#!/bin/sh\n");
    top.Write("disc/docs/readme.txt", "readme");
    const auto disc = top.path() / "disc";
    std::filesystem::create_directory_symlink(top.path() / "outside", disc / "tools");
    std::filesystem::create_symlink("../../outside/secret.txt", disc / "docs/secret.txt");
    std::filesystem::create_directory_symlink("../docs", disc / "docs/again");
    std::filesystem::create_directory_symlink("disc", top.path() / "link");

    for (const auto& root : {disc, top.path() / "link"}) {
        const PathResolver r(root);
        const DiscFs& fs = r.Disc();
        EXPECT_EQ(fs.Stat(root / "tools").kind, DiscEntryKind::kMissing);
        EXPECT_EQ(fs.Stat(root / "tools/id").kind, DiscEntryKind::kMissing);
        EXPECT_EQ(fs.Stat(root / "docs/secret.txt").kind, DiscEntryKind::kMissing);
        EXPECT_FALSE(fs.Open(root / "docs/secret.txt"));
        EXPECT_TRUE(fs.List(root / "tools").empty());
        EXPECT_FALSE(r.Find("tools\\id"));
        EXPECT_FALSE(r.Find("TOOLS\\ID"));
        EXPECT_FALSE(r.Find("docs\\secret.txt"));
        EXPECT_FALSE(ReadWholeFile(fs, r.Resolve("docs\\secret.txt")));

        EXPECT_EQ(r.Find("DOCS\\AGAIN\\readme.txt"), root / "docs/again/readme.txt");
        EXPECT_EQ(ReadWholeFile(fs, root / "docs/again/readme.txt"), "readme");
        EXPECT_EQ(fs.List(root / "docs/again").size(), 3u);
    }
}

TEST(WildcardMatch, StarsAndQuestionMarksIgnoringCase)
{
    EXPECT_TRUE(WildcardMatch("image_*.dat", "image_ru.dat"));
    EXPECT_TRUE(WildcardMatch("image_*.dat", "IMAGE_ru.DAT"));
    EXPECT_TRUE(WildcardMatch("image_*.dat", "image_.dat"));
    EXPECT_TRUE(WildcardMatch("image_*.dat", "image_a.dat.dat"));
    EXPECT_FALSE(WildcardMatch("image_*.dat", "image_ru.dat2"));
    EXPECT_FALSE(WildcardMatch("image_*.dat", "image_ru.da"));
    EXPECT_TRUE(WildcardMatch("*.jpg", ".jpg"));
    EXPECT_TRUE(WildcardMatch("a?c", "abc"));
    EXPECT_FALSE(WildcardMatch("a?c", "ac"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("**a*", "bab"));
}

TEST(FindFiles, ListsMatchingEntriesOfTheFolderInListingOrder)
{
    TempDir disc;
    disc.Write("Graph/image_ru.dat", "");
    disc.Write("Graph/IMAGE_lit.DAT", "");
    disc.Write("Graph/image_ru.bak", "");
    disc.Write("Graph/sub/image_en.dat", "");
    const PathResolver r(disc.path());
    std::vector<std::string> found = FindFiles(r, "graph\\image_*.dat");
    std::vector<std::string> listing;
    for (const auto& e : std::filesystem::directory_iterator(disc.path() / "Graph")) {
        const std::string name = e.path().filename().string();
        if (name == "image_ru.dat" || name == "IMAGE_lit.DAT")
            listing.push_back(name);
    }
    EXPECT_EQ(found, listing);
    EXPECT_TRUE(FindFiles(r, "nowhere\\*.dat").empty());
    std::vector<std::string> all = FindFiles(r, "graph\\*");
    EXPECT_EQ(all.size(), 4u);
    EXPECT_EQ(std::count(all.begin(), all.end(), ".."), 0);
}

}  // namespace

namespace {

// "Обои\Фон.jpg" and "ОБОИ" as a Russian disc's script writes them (Windows-1251), and
// "žaidimai" as a Lithuanian one does (Windows-1257).
const std::string kWallsCp1251 = "\xCE\xE1\xEE\xE8";
const std::string kWallsUpperCp1251 = "\xCE\xC1\xCE\xC8";
const std::string kBackgroundCp1251 = "\xD4\xEE\xED.jpg";
const std::string kGamesCp1257 = "\xFE" "aidimai";

TEST(PathResolver, NamesBeyondAsciiAreReadInTheDiscsCodePage)
{
    TempDir disc;
    // A mounted disc image shows its names in UTF-8.
    disc.Write("graph/Обои/Фон.jpg", "x");
    disc.Write("soft/Žaidimai/setup.exe", "x");
    const PathResolver r(disc.path());

    current_charset = 0;
    EXPECT_FALSE(r.Find("graph\\" + kWallsCp1251));

    current_charset = 204;
    EXPECT_EQ(r.Find("graph\\" + kWallsCp1251 + "\\" + kBackgroundCp1251),
              disc.path() / "graph/Обои/Фон.jpg");
    EXPECT_EQ(r.Find("GRAPH\\" + kWallsUpperCp1251), disc.path() / "graph/Обои");
    EXPECT_FALSE(r.Find("graph\\" + kWallsCp1251 + "x"));

    current_charset = 186;
    EXPECT_EQ(r.Find("soft\\" + kGamesCp1257 + "\\SETUP.EXE"), disc.path() / "soft/Žaidimai/setup.exe");
    current_charset = 0;
}

}  // namespace
