// Discs kept as ISO 9660 images, read in place: the images are written here by libarchive's ISO
// writer (with Rock Ridge and Joliet names, either alone, or plain ISO 9660 names), or by hand.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "disc/CodePages.h"
#include "disc/DiscImage.h"
#include "disc/Files.h"
#include "support/ImageFormats.h"
#include "support/RunProgram.h"
#include "disc/PathResolver.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct IsoEntry {
    std::string path;  // UTF-8, '/'-separated
    std::string data;
    int perm = 0644;
    bool folder = false;
    std::string hardlink = {};  // the path of an earlier file whose data this one shares
    std::string symlink = {};   // the target of a symbolic link
};

enum class Names { kRockRidgeAndJoliet, kJolietOnly, kRockRidgeOnly, kZisofs, kPlain };

// Writes `entries` as an ISO image. The writer takes names in the thread's locale: UTF-8 here.
void WriteIso(const fs::path& image, const std::vector<IsoEntry>& entries, Names names)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    ASSERT_TRUE(utf8);
    const locale_t old = uselocale(utf8);
    archive* a = archive_write_new();
    ASSERT_EQ(archive_write_set_format_iso9660(a), ARCHIVE_OK);
    if (names == Names::kJolietOnly || names == Names::kPlain) {
        ASSERT_EQ(archive_write_set_option(a, "iso9660", "rockridge", nullptr), ARCHIVE_OK);
    }
    if (names == Names::kRockRidgeOnly || names == Names::kPlain) {
        ASSERT_EQ(archive_write_set_option(a, "iso9660", "joliet", nullptr), ARCHIVE_OK);
    }
    if (names == Names::kZisofs) {  // files packed by zisofs, with Rock Ridge names
        ASSERT_EQ(archive_write_set_option(a, "iso9660", "zisofs", "direct"), ARCHIVE_OK);
    }
    ASSERT_EQ(archive_write_open_filename(a, image.c_str()), ARCHIVE_OK);
    for (const IsoEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.path.c_str());  // the bytes as they are
        archive_entry_set_filetype(entry, e.folder ? AE_IFDIR : !e.symlink.empty() ? AE_IFLNK : AE_IFREG);
        archive_entry_set_perm(entry, e.folder ? 0755 : e.perm);
        archive_entry_set_size(entry, e.folder ? 0 : static_cast<la_int64_t>(e.data.size()));
        const bool linked = std::any_of(entries.begin(), entries.end(),
                                        [&e](const IsoEntry& other) { return other.hardlink == e.path; });
        if (linked || !e.hardlink.empty())
            archive_entry_set_nlink(entry, 2);
        if (!e.hardlink.empty())
            archive_entry_set_hardlink(entry, e.hardlink.c_str());
        if (!e.symlink.empty())
            archive_entry_set_symlink(entry, e.symlink.c_str());
        archive_entry_set_mtime(entry, 946684800, 0);
        const int written = archive_write_header(a, entry);
        if (!e.symlink.empty() && names == Names::kJolietOnly)
            EXPECT_EQ(written, ARCHIVE_WARN);  // Joliet names cannot record it: left out
        else
            EXPECT_EQ(written, ARCHIVE_OK) << archive_error_string(a);
        if (!e.folder) {
            EXPECT_EQ(archive_write_data(a, e.data.data(), e.data.size()),
                      static_cast<la_ssize_t>(e.data.size()));
        }
        archive_entry_free(entry);
    }
    EXPECT_EQ(archive_write_close(a), ARCHIVE_OK) << archive_error_string(a);
    archive_write_free(a);
    uselocale(old);
    freelocale(utf8);
}

// A pattern that tells every position of a file from every other one in a few hundred KiB.
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

std::string ReadAll(DiscReader& reader, std::size_t chunk)
{
    std::string bytes;
    std::string buffer(chunk, '\0');
    while (std::size_t n = reader.Read(buffer.data(), buffer.size()))
        bytes.append(buffer.data(), n);
    return bytes;
}

const std::string kBig = Pattern(300 * 1024 + 17);

std::vector<IsoEntry> SampleDisc()
{
    return {
        {"Graph", "", 0755, true},
        {"Graph/Image.dat", "picture"},
        {"Graph/DLL/UnRAR.dll", "module"},
        {"Soft/Setup.EXE", "MZ", 0755},
        {"Soft/run.sh", "#!/bin/sh\n", 0755},
        {"Soft/big.bin", kBig},
        {"Графика/Обои/Фон.jpg", "wallpaper"},
        {"empty.txt", ""},
        {"readme.txt", "read me"},
    };
}

class DiscImageTest : public ::testing::Test {
protected:
    fs::path Image(Names names = Names::kRockRidgeAndJoliet,
                   const std::vector<IsoEntry>& entries = SampleDisc())
    {
        const fs::path image = dir_.path() / (names == Names::kJolietOnly ? "joliet.iso" : "rr.iso");
        WriteIso(image, entries, names);
        return image;
    }
    TempDir dir_;
};

TEST_F(DiscImageTest, StatListAndOpenFilesAndNestedFolders)
{
    for (Names names : {Names::kRockRidgeAndJoliet, Names::kJolietOnly}) {
        const fs::path image = Image(names);
        const std::shared_ptr<const DiscFs> disc = OpenDiscImage(image);
        EXPECT_TRUE(disc->IsImage());
        EXPECT_EQ(disc->Name(), image.string());
        EXPECT_EQ(disc->Root(), fs::path());

        EXPECT_EQ(disc->Stat(disc->Root()).kind, DiscEntryKind::kFolder);
        EXPECT_EQ(disc->List(disc->Root()),
                  (std::vector<std::string>{"Graph", "Soft", "empty.txt", "readme.txt", "Графика"}));
        EXPECT_EQ(disc->List(disc->Root() / "Graph"), (std::vector<std::string>{"DLL", "Image.dat"}));
        EXPECT_EQ(disc->List("Графика/Обои"), (std::vector<std::string>{"Фон.jpg"}));
        EXPECT_EQ(disc->Stat("Graph/DLL").kind, DiscEntryKind::kFolder);
        EXPECT_TRUE(disc->List("readme.txt").empty());
        EXPECT_TRUE(disc->List("nothing").empty());

        const DiscEntry file = disc->Stat(disc->Root() / "Graph" / "DLL" / "UnRAR.dll");
        EXPECT_EQ(file.kind, DiscEntryKind::kFile);
        EXPECT_EQ(file.size, 6u);
        EXPECT_EQ(disc->Stat("Soft/big.bin").size, kBig.size());
        EXPECT_EQ(disc->Stat("graph/image.dat").kind, DiscEntryKind::kMissing);  // exact names only
        EXPECT_EQ(disc->Stat("Graph/Image.dat/x").kind, DiscEntryKind::kMissing);

        EXPECT_EQ(ReadWholeFile(*disc, "Graph/DLL/UnRAR.dll"), "module");
        EXPECT_EQ(ReadWholeFile(*disc, "Графика/Обои/Фон.jpg"), "wallpaper");
        EXPECT_EQ(ReadWholeFile(*disc, "empty.txt"), "");
        EXPECT_EQ(disc->Open("Graph"), nullptr);
        EXPECT_EQ(disc->Open("Graph/nothing"), nullptr);
    }
}

TEST_F(DiscImageTest, PathsAreNormalisedAndNeverLeaveTheRoot)
{
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Image());
    EXPECT_EQ(ReadWholeFile(*disc, "./Graph/../readme.txt"), "read me");
    EXPECT_EQ(ReadWholeFile(*disc, "Graph/DLL/../../Soft/./Setup.EXE"), "MZ");
    EXPECT_EQ(disc->Stat("Graph/").kind, DiscEntryKind::kFolder);
    EXPECT_EQ(disc->Stat(".").kind, DiscEntryKind::kFolder);
    EXPECT_EQ(disc->Stat("..").kind, DiscEntryKind::kMissing);
    EXPECT_EQ(disc->Stat("../rr.iso").kind, DiscEntryKind::kMissing);
    EXPECT_EQ(disc->Stat("Graph/../../readme.txt").kind, DiscEntryKind::kMissing);
    EXPECT_EQ(disc->Stat("/readme.txt").kind, DiscEntryKind::kMissing);
    EXPECT_EQ(disc->Open("../readme.txt"), nullptr);
    EXPECT_TRUE(disc->List("..").empty());
}

TEST_F(DiscImageTest, TheResolverFindsDiscPathsInsideTheImage)
{
    for (Names names : {Names::kRockRidgeAndJoliet, Names::kJolietOnly}) {
        const PathResolver r(OpenDiscImage(Image(names)));
        EXPECT_EQ(r.Find("graph\\dll\\unrar.DLL"), fs::path("Graph/DLL/UnRAR.dll"));
        EXPECT_EQ(r.Find("SOFT\\setup.exe"), fs::path("Soft/Setup.EXE"));
        EXPECT_EQ(r.Find("\\graph\\.\\image.dat"), fs::path("Graph/Image.dat"));
        EXPECT_FALSE(r.Find("graph\\image.da"));
        EXPECT_EQ(FindFiles(r, "soft\\*.EXE"), (std::vector<std::string>{"Setup.EXE"}));

        // Names beyond ASCII: a disc script writes them in the disc's code page (windows-1251).
        const std::string walls_cp1251 = "\xEE\xE1\xEE\xE8";       // "обои"
        const std::string background_cp1251 = "\xD4\xEE\xED.JPG";  // "Фон.JPG"
        const std::string graphics_cp1251 = "\xC3\xD0\xC0\xD4\xC8\xCA\xC0";  // "ГРАФИКА"
        current_charset = 0;
        EXPECT_FALSE(r.Find(graphics_cp1251));
        current_charset = 204;
        const std::optional<fs::path> found =
            r.Find(graphics_cp1251 + "\\" + walls_cp1251 + "\\" + background_cp1251);
        current_charset = 0;
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, fs::path("Графика/Обои/Фон.jpg"));
        EXPECT_EQ(ReadWholeFile(r.Disc(), *found), "wallpaper");
        // The UTF-8 name itself, as a mounted image shows it, is found as it is.
        EXPECT_EQ(r.Find("Графика/Обои/Фон.jpg"), fs::path("Графика/Обои/Фон.jpg"));
    }
}

TEST_F(DiscImageTest, NamesComeOutAsUtf8WhateverTheLocale)
{
    // The program may run in the C locale, where nothing beyond ASCII can be represented.
    const locale_t c = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    ASSERT_TRUE(c);
    const fs::path rr = Image(Names::kRockRidgeAndJoliet);
    const fs::path joliet = Image(Names::kJolietOnly);
    const locale_t old = uselocale(c);
    const std::shared_ptr<const DiscFs> rr_disc = OpenDiscImage(rr);
    const std::shared_ptr<const DiscFs> joliet_disc = OpenDiscImage(joliet);
    const std::optional<std::string> rr_data = ReadWholeFile(*rr_disc, "Графика/Обои/Фон.jpg");
    const std::optional<std::string> joliet_data = ReadWholeFile(*joliet_disc, "Графика/Обои/Фон.jpg");
    uselocale(old);
    freelocale(c);
    EXPECT_EQ(rr_disc->List("Графика"), (std::vector<std::string>{"Обои"}));
    EXPECT_EQ(joliet_disc->List("Графика"), (std::vector<std::string>{"Обои"}));
    EXPECT_EQ(rr_data, "wallpaper");
    EXPECT_EQ(joliet_data, "wallpaper");
}

TEST_F(DiscImageTest, RockRidgeNamesInACodePageAreKeptByteForByte)
{
    // Written on a system whose names were windows-1251: no UTF-8 to convert them to.
    const std::string walls_cp1251 = "\xCE\xC1\xCE\xC8";
    const std::string background_cp1251 = "\xD4\xEE\xED.jpg";
    const std::shared_ptr<const DiscFs> disc =
        OpenDiscImage(Image(Names::kRockRidgeOnly, {{walls_cp1251 + "/" + background_cp1251, "wallpaper"}}));
    EXPECT_EQ(disc->List(""), (std::vector<std::string>{walls_cp1251}));
    const PathResolver r(disc);
    const std::optional<fs::path> found = r.Find(walls_cp1251 + "\\" + "\xD4\xEE\xED.JPG");
    ASSERT_TRUE(found);
    EXPECT_EQ(ReadWholeFile(*disc, *found), "wallpaper");
}

TEST_F(DiscImageTest, AFileOfManyBlocksReadsWholeInAnyPieces)
{
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Image());
    for (std::size_t chunk : {1u, 511u, 2048u, 65536u, 1u << 20}) {
        if (chunk == 1) {
            // A byte at a time across the first blocks only: the rest is the same code.
            const std::unique_ptr<DiscReader> reader = disc->Open("Soft/big.bin");
            ASSERT_TRUE(reader);
            std::string head(5000, '\0');
            for (char& c : head)
                ASSERT_EQ(reader->Read(&c, 1), 1u);
            EXPECT_EQ(head, kBig.substr(0, head.size()));
            continue;
        }
        const std::unique_ptr<DiscReader> reader = disc->Open("Soft/big.bin");
        ASSERT_TRUE(reader);
        EXPECT_EQ(ReadAll(*reader, chunk), kBig) << "pieces of " << chunk;
        EXPECT_FALSE(reader->Failed());
        char more = 0;
        EXPECT_EQ(reader->Read(&more, 1), 0u);  // stays at the end
        EXPECT_FALSE(reader->Failed());
    }
    EXPECT_EQ(ReadWholeFile(*disc, "Soft/big.bin"), kBig);
    EXPECT_EQ(ReadWholeFile(*disc, "Soft/big.bin", kBig.size() - 1), std::nullopt);  // over the cap
}

TEST_F(DiscImageTest, ReadersAreIndependentOfEachOtherAndOfThreads)
{
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Image());
    // Two readers of the same image interleaved: of the same file and of files before and after it.
    const std::unique_ptr<DiscReader> big = disc->Open("Soft/big.bin");
    const std::unique_ptr<DiscReader> again = disc->Open("Soft/big.bin");
    const std::unique_ptr<DiscReader> small = disc->Open("readme.txt");
    ASSERT_TRUE(big && again && small);
    std::string a(1000, '\0'), b(3000, '\0'), c(3, '\0');
    ASSERT_EQ(big->Read(a.data(), a.size()), a.size());
    ASSERT_EQ(again->Read(b.data(), b.size()), b.size());
    ASSERT_EQ(small->Read(c.data(), c.size()), c.size());
    EXPECT_EQ(a, kBig.substr(0, 1000));
    EXPECT_EQ(b, kBig.substr(0, 3000));
    EXPECT_EQ(c, "rea");
    EXPECT_EQ(ReadAll(*big, 4096), kBig.substr(1000));
    EXPECT_EQ(ReadAll(*small, 4096), "d me");
    EXPECT_EQ(ReadAll(*again, 4096), kBig.substr(3000));

    // Several threads, each opening and reading on its own.
    std::vector<std::optional<std::string>> got(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i) {
        threads.emplace_back([&, i] {
            got[i] = ReadWholeFile(*disc, i % 2 ? "Soft/big.bin" : "Графика/Обои/Фон.jpg");
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], i % 2 ? kBig : "wallpaper");
}

TEST_F(DiscImageTest, FilesPackedByZisofsReadUnpacked)
{
    const fs::path image = Image(Names::kZisofs);
    ASSERT_EQ(ReadFileBytes(image).find(kBig.substr(0, 4096)), std::string::npos);  // it is packed
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(image);
    EXPECT_EQ(disc->Stat("Soft/big.bin").size, kBig.size());
    EXPECT_EQ(ReadWholeFile(*disc, "Soft/big.bin"), kBig);
    EXPECT_EQ(ReadWholeFile(*disc, "readme.txt"), "read me");

    // A block that does not unpack, or a table of blocks pointing past the file: a failure.
    const std::string bytes = ReadFileBytes(image);
    const std::uint32_t size = static_cast<std::uint32_t>(kBig.size());
    const std::size_t head = bytes.find(std::string("\x37\xE4\x53\x96\xC9\xDB\xD6\x07", 8) +
                                        std::string{static_cast<char>(size), static_cast<char>(size >> 8),
                                                    static_cast<char>(size >> 16), static_cast<char>(size >> 24)});
    ASSERT_NE(head, std::string::npos);
    const std::size_t table = head + static_cast<unsigned char>(bytes[head + 12]) * 4;
    std::string damaged = bytes;
    damaged[head + static_cast<unsigned char>(bytes[table]) + 10] ^= 0x55;  // inside the first block
    std::string far = bytes;
    far[table + 7] = '\x7F';  // the first block ends 2 GB on
    for (const std::string& broken : {damaged, far}) {
        const std::shared_ptr<const DiscFs> bad = OpenDiscImage(dir_.Write("broken.iso", broken));
        const std::unique_ptr<DiscReader> reader = bad->Open("Soft/big.bin");
        ASSERT_TRUE(reader);
        EXPECT_LT(ReadAll(*reader, 65536).size(), kBig.size());
        EXPECT_TRUE(reader->Failed());
    }
}

TEST_F(DiscImageTest, PlainIsoNamesComeOutAsAMountedImageShowsThem)
{
    // Without Rock Ridge or Joliet the image holds "GRAPH/IMAGE_RU.DAT;1" and "SETUP/README.;1".
    const fs::path image = Image(Names::kPlain, {{"graph/image_ru.dat", "script"},
                                                 {"graph/Shell.dat", "shell"},
                                                 {"setup/readme", "read me"},
                                                 {"setup/Setup.exe", "MZ", 0755}});
    ASSERT_NE(ReadFileBytes(image).find("IMAGE_RU.DAT;1"), std::string::npos);
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(image);
    EXPECT_EQ(disc->List(""), (std::vector<std::string>{"graph", "setup"}));
    EXPECT_EQ(disc->List("graph"), (std::vector<std::string>{"image_ru.dat", "shell.dat"}));
    EXPECT_EQ(disc->List("setup"), (std::vector<std::string>{"readme", "setup.exe"}));
    EXPECT_EQ(disc->Stat("setup/setup.exe").executable, std::nullopt);
    const PathResolver r(disc);
    EXPECT_EQ(r.Find("GRAPH\\IMAGE_RU.DAT"), fs::path("graph/image_ru.dat"));
    EXPECT_EQ(ReadWholeFile(*disc, "graph/image_ru.dat"), "script");
    EXPECT_EQ(ReadWholeFile(*disc, *r.Find("setup\\README")), "read me");
}

TEST_F(DiscImageTest, ExecuteBitsComeFromRockRidgeOnly)
{
    const std::shared_ptr<const DiscFs> rr = OpenDiscImage(Image(Names::kRockRidgeAndJoliet));
    EXPECT_EQ(rr->Stat("Soft/run.sh").executable, true);
    EXPECT_EQ(rr->Stat("Soft/Setup.EXE").executable, true);
    EXPECT_EQ(rr->Stat("readme.txt").executable, false);
    EXPECT_EQ(rr->Stat("Graph").executable, true);
    EXPECT_EQ(rr->Stat("nothing").executable, std::nullopt);

    const std::shared_ptr<const DiscFs> joliet = OpenDiscImage(Image(Names::kJolietOnly));
    EXPECT_EQ(joliet->Stat("Soft/run.sh").kind, DiscEntryKind::kFile);
    EXPECT_EQ(joliet->Stat("Soft/run.sh").executable, std::nullopt);
    EXPECT_EQ(joliet->Stat("readme.txt").executable, std::nullopt);
    EXPECT_EQ(joliet->Stat("Graph").executable, std::nullopt);
}

TEST_F(DiscImageTest, HardLinksReadTheDataTheyShareAndSymbolicLinksAreNoFiles)
{
    const std::vector<IsoEntry> entries = {
        {"a/orig.txt", "hello"},
        {"b/link.txt", "", 0644, false, "a/orig.txt"},
        {"c/sym", "", 0777, false, "", "../a/orig.txt"},
    };
    for (Names names : {Names::kRockRidgeAndJoliet, Names::kJolietOnly}) {
        const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Image(names, entries));
        // The image records the data once, at whichever of the two names comes first.
        for (const char* path : {"a/orig.txt", "b/link.txt"}) {
            EXPECT_EQ(disc->Stat(path).kind, DiscEntryKind::kFile) << path;
            EXPECT_EQ(disc->Stat(path).size, 5u) << path;
            EXPECT_EQ(ReadWholeFile(*disc, path), "hello") << path;
        }
        // Joliet names cannot record a symbolic link at all.
        const DiscEntryKind sym = disc->Stat("c/sym").kind;
        EXPECT_EQ(sym, names == Names::kJolietOnly ? DiscEntryKind::kMissing : DiscEntryKind::kOther);
        EXPECT_EQ(disc->Open("c/sym"), nullptr);
    }
}

TEST_F(DiscImageTest, EntriesPastTheLengthCapsAreLeftOut)
{
    // Paths of folders with long names, about 100 bytes a level: up to a kilobyte is a path.
    std::string near, far;
    for (int i = 0; i < 12; ++i) {
        const std::string level = std::string(97, static_cast<char>('a' + i)) + std::to_string(i + 10) + "/";
        if (i < 9)
            near += level;
        far += level;
    }
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(
        Image(Names::kRockRidgeOnly, {{near + "near.txt", "near"}, {far + "far.txt", "far"}}));
    EXPECT_EQ(ReadWholeFile(*disc, near + "near.txt"), "near");
    EXPECT_EQ(disc->Stat(far + "far.txt").kind, DiscEntryKind::kMissing);
    EXPECT_EQ(disc->Stat(far.substr(0, 1000)).kind, DiscEntryKind::kFolder);  // 10 levels
    EXPECT_EQ(disc->Stat(far.substr(0, 1100)).kind, DiscEntryKind::kMissing);  // 11 levels
    EXPECT_EQ(disc->List(near), (std::vector<std::string>{far.substr(near.size(), 99), "near.txt"}));
}

// The message of the DiscImageError that opening `image` throws; nothing when it opens.
std::optional<std::string> OpenError(const fs::path& image)
{
    try {
        OpenDiscImage(image);
    } catch (const DiscImageError& e) {
        return e.what();
    }
    return std::nullopt;
}

void Truncate(const fs::path& from, const fs::path& to, std::uintmax_t size)
{
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::resize_file(to, size);
}

TEST_F(DiscImageTest, ImagesThatAreNoneOrDamagedAreRefusedNamingTheImage)
{
    const fs::path image = Image();
    const std::string bytes = ReadFileBytes(image);
    const std::uintmax_t big_end = bytes.find(kBig.substr(0, 4096)) + kBig.size();
    ASSERT_LT(big_end, bytes.size());

    std::vector<fs::path> bad = {
        dir_.Write("empty.iso", ""),
        dir_.Write("garbage.iso", Pattern(100000)),
        dir_.Write("short.iso", "CD001"),
        dir_.path() / "missing.iso",
        dir_.path(),  // a folder
    };
    // No volume descriptors where they belong.
    std::string moved = bytes;
    moved[32769] = 'X';
    bad.push_back(dir_.Write("moved.iso", moved));
    // Cut inside the descriptors, inside the folders, inside the data of the largest file.
    for (std::uintmax_t size : {std::uintmax_t{34000}, std::uintmax_t{40960}, big_end - 1}) {
        bad.push_back(dir_.path() / ("cut" + std::to_string(size) + ".iso"));
        Truncate(image, bad.back(), size);
    }
    for (const fs::path& path : bad) {
        const std::optional<std::string> error = OpenError(path);
        ASSERT_TRUE(error) << path;
        EXPECT_NE(error->find(path.string()), std::string::npos) << *error;
    }
    // An image that lacks only the padding after the last file's data still opens.
    const std::uintmax_t data_end = bytes.find_last_not_of('\0') + 1;
    ASSERT_LT(data_end + 2048, bytes.size());
    const fs::path padless = dir_.path() / "padless.iso";
    Truncate(image, padless, (data_end + 2047) / 2048 * 2048);
    const std::optional<std::string> error = OpenError(padless);
    EXPECT_FALSE(error) << *error;
    EXPECT_EQ(ReadWholeFile(*OpenDiscImage(padless), "Soft/big.bin"), kBig);
}

// A Nero track table gives each track's sector size: one that no disc has (a damaged table) is
// refused rather than read past the ends of the sectors; raw sectors, with sub-channel data or
// without, are read.
TEST_F(DiscImageTest, ANeroTrackOfSectorsNoDiscHasIsRefusedNamingTheImage)
{
    const std::string iso = ReadFileBytes(Image());
    for (unsigned size : {2000u, 17u, 2352u, 2448u}) {
        const fs::path image = WriteNrgWithSectorSize(iso, dir_.path() / ("sectors" + std::to_string(size)), size);
        const std::optional<std::string> error = OpenError(image);
        if (size == 2352 || size == 2448) {
            EXPECT_FALSE(error) << *error;
            EXPECT_EQ(ReadWholeFile(*OpenDiscImage(image), "Soft/big.bin"), kBig);
            continue;
        }
        ASSERT_TRUE(error) << size;
        EXPECT_EQ(*error, image.string() + ": the Nero image lists a track of " + std::to_string(size) +
                              "-byte sectors, which no disc has");
    }
}

TEST_F(DiscImageTest, AFolderOfMoreRecordsThanTheCapEndsInAnErrorAndOneUnderItOpens)
{
    // 200001 records of empty files, 8 MB of folder: refused as it is read, not after.
    const fs::path huge = dir_.Write("huge.iso", IsoOfOneBigFolder(200001));
    const std::optional<std::string> error = OpenError(huge);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(huge.string() + ": holds more entries"), std::string::npos) << *error;

    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(dir_.Write("many.iso", IsoOfOneBigFolder(5000)));
    EXPECT_EQ(disc->List("").size(), 1u);
    EXPECT_EQ(disc->List("big").size(), 5000u);
    EXPECT_EQ(disc->Stat("big/f004999").kind, DiscEntryKind::kFile);
    EXPECT_EQ(ReadWholeFile(*disc, "big/f000000"), "");
    EXPECT_EQ(disc->Stat("big/loop").kind, DiscEntryKind::kMissing);  // the root again: left out
}

TEST_F(DiscImageTest, AFileCutShortAfterOpeningFailsRatherThanEndingEarly)
{
    const fs::path image = Image();
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(image);
    const std::string bytes = ReadFileBytes(image);
    fs::resize_file(image, bytes.find(kBig.substr(0, 4096)) + 100000);
    const std::unique_ptr<DiscReader> reader = disc->Open("Soft/big.bin");
    ASSERT_TRUE(reader);
    const std::string got = ReadAll(*reader, 65536);
    EXPECT_TRUE(reader->Failed());
    EXPECT_LT(got.size(), kBig.size());
    EXPECT_EQ(ReadWholeFile(*disc, "Soft/big.bin"), std::nullopt);

    // An image replaced by another one: its files are not read as if they were the old ones.
    WriteIso(image, {{"Other/file.txt", "other"}}, Names::kRockRidgeAndJoliet);
    EXPECT_EQ(disc->Open("readme.txt"), nullptr);
}

}  // namespace

// --- The same disc kept in the formats of CD-ripping tools -------------------------------------

class DiscImageFormatTest : public DiscImageTest, public ::testing::WithParamInterface<ImageFormat> {
protected:
    // The sample disc as an ISO image, and as GetParam() made of it.
    fs::path Written()
    {
        iso_ = Image();
        return WriteImageAs(ReadFileBytes(iso_), GetParam(), dir_.path() / "disc");
    }
    fs::path iso_;
};

INSTANTIATE_TEST_SUITE_P(Formats, DiscImageFormatTest, ::testing::ValuesIn(AllImageFormats()),
                         [](const ::testing::TestParamInfo<ImageFormat>& param) {
                             return ImageFormatName(param.param);
                         });

// Every folder and file of `disc` as "path/" or "path=bytes" lines.
std::vector<std::string> Everything(const DiscFs& disc, const fs::path& folder = {})
{
    std::vector<std::string> all;
    for (const std::string& name : disc.List(folder)) {
        const fs::path path = folder / name;
        if (disc.Stat(path).kind == DiscEntryKind::kFolder) {
            all.push_back(path.string() + "/");
            for (std::string& inner : Everything(disc, path))
                all.push_back(std::move(inner));
        } else {
            all.push_back(path.string() + "=" + ReadWholeFile(disc, path).value_or("(unreadable)"));
        }
    }
    return all;
}

TEST_P(DiscImageFormatTest, OpensWithTheFilesOfTheIso)
{
    const fs::path image = Written();
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(image);
    EXPECT_EQ(disc->Name(), image.string());
    EXPECT_EQ(Everything(*disc), Everything(*OpenDiscImage(iso_)));
    EXPECT_EQ(ReadWholeFile(*disc, "Soft/big.bin"), kBig);
    EXPECT_EQ(disc->Stat("Soft/run.sh").executable, true);
}

// The path of the file that holds the sectors of `image` (itself, or the data file of its sheet).
fs::path DataFile(const fs::path& image)
{
    const std::string ext = image.extension().string();
    if (ext == ".cue")
        return fs::path(image).replace_extension(".bin");
    if (ext == ".mds")
        return fs::path(image).replace_extension(".mdf");
    if (ext == ".ccd")
        return fs::path(image).replace_extension(".img");
    return image;
}

TEST_P(DiscImageFormatTest, DamagedAndTruncatedFormsEndInAnErrorNamingTheImage)
{
    const fs::path image = Written();
    const fs::path data = DataFile(image);
    const std::string bytes = ReadFileBytes(data);
    const auto refused = [&image](const std::string& what) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<std::string> error = OpenError(image);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << what;
        ASSERT_TRUE(error) << what;
        EXPECT_NE(error->find(image.string()), std::string::npos) << *error;
    };
    // Cut inside the volume descriptors, inside the folders, and before the largest file's end.
    const std::size_t descriptor = bytes.find("\x01" "CD001");
    const std::size_t big_end = bytes.rfind(kBig.substr(kBig.size() - 17));
    ASSERT_NE(descriptor, std::string::npos);
    ASSERT_NE(big_end, std::string::npos);
    for (std::size_t size : {std::size_t{0}, descriptor, descriptor + 6000, big_end}) {
        std::ofstream(data, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
        refused("cut at " + std::to_string(size));
    }
    // Every sixteenth byte around the first volume descriptor turned; a Nero footer pointing anywhere.
    std::string damaged = bytes;
    for (std::size_t i = descriptor > 40000 ? descriptor - 40000 : 0; i < descriptor + 30000; i += 16)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    if (GetParam() == ImageFormat::kNrg)
        damaged.replace(damaged.size() - 8, 8, "\xff\xff\xff\xff\xff\xff\xff\xf0", 8);
    std::ofstream(data, std::ios::binary | std::ios::trunc).write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
    refused("damaged");
    if (data != image) {
        fs::remove(data);
        refused("without its data file");
    }
}

// A cue sheet whose data track is `file`, in the folder of the test.
fs::path CueFor(const TempDir& dir, const std::string& file)
{
    return dir.Write("sheet.cue", "FILE \"" + file + "\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
}

TEST_F(DiscImageTest, ACueSheetFindsItsDataFileBesideItAndNowhereElse)
{
    const fs::path bin = WriteImageAs(ReadFileBytes(Image()), ImageFormat::kBinMode1, dir_.path() / "disc");
    const fs::path inner = dir_.MakeDir("inner");
    fs::copy_file(bin, inner / "DISC.BIN");
    // Found in another letter case, and in a folder below the sheet.
    EXPECT_EQ(ReadWholeFile(*OpenDiscImage(CueFor(dir_, "Disc.Bin")), "readme.txt"), "read me");
    EXPECT_EQ(ReadWholeFile(*OpenDiscImage(CueFor(dir_, "inner\\DISC.BIN")), "readme.txt"), "read me");
    fs::create_symlink(bin, inner / "link.bin");
    fs::create_symlink("/etc/passwd", inner / "out.bin");
    EXPECT_EQ(ReadWholeFile(*OpenDiscImage(CueFor(dir_, "inner/link.bin")), "readme.txt"), "read me");
    // A data track after an audio track (a CD-Extra disc) counts its sectors from the start of
    // the disc, not of the track: refused rather than read wrong.
    const std::optional<std::string> extra = OpenError(dir_.Write(
        "extra.cue", "FILE \"disc.bin\" BINARY\n TRACK 01 AUDIO\n INDEX 01 00:00:00\n TRACK 02 MODE1/2352\n"
                     " INDEX 01 00:00:00\n"));
    ASSERT_TRUE(extra);
    EXPECT_NE(extra->find("audio track"), std::string::npos) << *extra;
    fs::copy_file(bin, inner / "disc.bin");
    for (const char* outside :
         {"../disc.bin", "a/../../disc.bin", "/etc/passwd", "C:\\disc.bin", "out.bin", "", "missing.bin"}) {
        const fs::path in_inner = inner / "sheet.cue";
        std::ofstream(in_inner) << "FILE \"" << std::string(outside) << "\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
        const std::optional<std::string> error = OpenError(in_inner);
        ASSERT_TRUE(error) << outside;
        EXPECT_NE(error->find(in_inner.string()), std::string::npos) << *error;
    }
}

// The program `name` on the PATH; nothing when it is not installed.
std::optional<std::string> Tool(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return std::nullopt;
}

// What other tools that read these formats give back is the ISO image the writer started from.
TEST_P(DiscImageFormatTest, OtherToolsReadTheWrittenImageBackAsTheIso)
{
    const fs::path image = Written();
    const std::string iso = ReadFileBytes(iso_);
    const std::string sectors = std::to_string(iso.size() / 2048);
    const std::string data = DataFile(image).string();
    const std::string back = (dir_.path() / "back").string();
    struct Check {
        std::string tool;
        std::vector<std::string> args;
        std::string output;        // the ISO image it writes, or nothing
        std::string listing = {};  // what it says otherwise
        bool trailer = false;      // it copies what follows the track as well
    };
    std::vector<Check> checks;
    const auto cd_read = [&](const std::string& source, const std::string& mode) {
        checks.push_back({"cd-read", {"--no-header", source + "=" + image.string(), "--mode=" + mode, "--start=0",
                                      "--number=" + sectors, "--output-file=" + back + ".read"},
                          back + ".read"});
    };
    switch (GetParam()) {
    case ImageFormat::kIso:
        checks.push_back({"iso-info", {"--no-header", "-i", image.string(), "-f"}, "", "/Soft/big.bin"});
        break;
    case ImageFormat::kCueMode1:
        checks.push_back({"bchunk", {data, image.string(), back}, back + "01.iso"});
        cd_read("--cue-file", "m1f1");
        break;
    case ImageFormat::kCueMode2:
        cd_read("--cue-file", "m2f1");
        break;
    case ImageFormat::kBinMode1:
        cd_read("--bin-file", "m1f1");
        break;
    case ImageFormat::kMdfMds:
    case ImageFormat::kMdf:
        checks.push_back({"mdf2iso", {data, back + ".iso"}, back + ".iso"});
        break;
    case ImageFormat::kImgCcd:
    case ImageFormat::kImg:
        checks.push_back({"ccd2iso", {data, back + ".iso"}, back + ".iso"});
        break;
    case ImageFormat::kNrg:
        // nrg2iso copies the image from the end of the pregap on, the chunks at the end too.
        // libcdio reads the table right but would read the user data of Mode 1 as if it was
        // kept in 2336-byte sectors after the pregap: its track list is checked, not its bytes.
        checks.push_back({"nrg2iso", {data, back + ".iso"}, back + ".iso", "", true});
        checks.push_back({"cd-info", {"--no-header", "--no-device-info", "--nrg-file=" + data}, "",
                          "  1: 00:02:00  000000 data"});
        checks.push_back({"cd-info", {"--no-header", "--no-device-info", "--nrg-file=" + data}, "",
                          std::string(6 - std::min<std::size_t>(6, sectors.size()), '0') + sectors + " leadout"});
        break;
    }
    std::vector<std::string> missing;
    for (const Check& check : checks) {
        const std::optional<std::string> tool = Tool(check.tool);
        if (!tool) {
            missing.push_back(check.tool);
            continue;
        }
        const ProgramResult result = RunProgram(*tool, check.args);
        EXPECT_EQ(result.exit_code, 0) << check.tool << ": " << result.out << result.err;
        if (check.output.empty()) {
            EXPECT_NE(result.out.find(check.listing), std::string::npos) << check.listing << " not in\n" << result.out;
            continue;
        }
        const std::string got = fs::exists(check.output) ? ReadFileBytes(check.output) : std::string();
        if (!check.trailer) {
            EXPECT_EQ(got.size(), iso.size()) << check.tool << ": " << result.out << result.err;
        }
        EXPECT_TRUE(got.substr(0, iso.size()) == iso) << check.tool << " gives other bytes back";
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed: " << ::testing::PrintToString(missing);
}

// A CD drive is a block device: an image of the disc attached to a loop device stands for one.
// Attaching needs root and losetup; the test skips without them.
TEST_F(DiscImageTest, ABlockDeviceHoldingTheDiscIsAnImage)
{
    EXPECT_TRUE(IsDiscImagePath(Image()));
    EXPECT_FALSE(IsDiscImagePath(dir_.path()));
    EXPECT_FALSE(IsDiscImagePath(dir_.path() / "missing.iso"));
    const std::optional<std::string> losetup = Tool("losetup");
    if (geteuid() != 0 || !losetup)
        GTEST_SKIP() << "attaching a loop device needs root and losetup";
    const ProgramResult attached = RunProgram(*losetup, {"--find", "--show", "--read-only", Image().string()});
    if (attached.exit_code != 0)
        GTEST_SKIP() << "no loop device: " << attached.err;
    const std::string device = attached.out.substr(0, attached.out.find('\n'));
    struct Detach {
        std::string losetup, device;
        ~Detach() { RunProgram(losetup, {"--detach", device}); }
    } detach{*losetup, device};
    EXPECT_TRUE(IsDiscImagePath(device));
    const std::shared_ptr<const DiscFs> disc = OpenDiscImage(device);
    EXPECT_EQ(disc->Name(), device);
    EXPECT_EQ(ReadWholeFile(*disc, "Soft/big.bin"), kBig);
}
