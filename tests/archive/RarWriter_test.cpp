// The RAR writer proved against readers that are not ours: libarchive (names and bytes),
// lsar/unar from the unar package (listing, CRC test, extraction), and the header fields and
// CRCs checked against the format.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "ArchiveTestSupport.h"
#include "archive/Crc32.h"

namespace {

const std::vector<FixtureMember> kMembers = {
    {"skin\\", ""},
    {"skin\\back.jpg", std::string("\xFF\xD8\xFF\xE0 picture-like bytes \x00\x01\x02", 27)},
    {"skin\\Btn.GIF", "GIF89a"},
    {"readme.txt", "plain text\r\n"},
    {"empty.bin", ""},
};

std::map<std::string, std::string> ReadWithLibarchive(const std::filesystem::path& path)
{
    std::map<std::string, std::string> files;
    archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    EXPECT_EQ(archive_read_open_filename(a, path.c_str(), 10240), ARCHIVE_OK);
    archive_entry* entry = nullptr;
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        std::string name = archive_entry_pathname(entry);
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            files[name + "/"] = "";
            continue;
        }
        std::string data;
        char buf[4096];
        la_ssize_t n;
        while ((n = archive_read_data(a, buf, sizeof buf)) > 0)
            data.append(buf, static_cast<size_t>(n));
        EXPECT_EQ(n, 0) << archive_error_string(a);
        files[name] = data;
    }
    EXPECT_EQ(r, ARCHIVE_EOF) << archive_error_string(a);
    archive_read_free(a);
    return files;
}

TEST(RarWriter, LibarchiveReadsNamesAndBytes)
{
    TempDir dir;
    WriteRar(dir.path() / "a.rar", kMembers);
    const std::map<std::string, std::string> expected = {
        {"skin/", ""}, {"skin/back.jpg", kMembers[1].second}, {"skin/Btn.GIF", "GIF89a"},
        {"readme.txt", "plain text\r\n"}, {"empty.bin", ""}};
    EXPECT_EQ(ReadWithLibarchive(dir.path() / "a.rar"), expected);
}

int RunShell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RarWriter, LsarListsAndTestsUnarExtractsTheSameBytes)
{
    if (RunShell("command -v lsar >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "lsar (package unar) is not installed";
    TempDir dir;
    const auto rar = dir.path() / "a.rar";
    WriteRar(rar, kMembers);
    const auto listing = dir.path() / "list.txt";
    ASSERT_EQ(RunShell("lsar '" + rar.string() + "' > '" + listing.string() + "' 2>&1"), 0);
    const std::string text = ReadFileBytes(listing);
    for (const char* name : {"skin/back.jpg", "skin/Btn.GIF", "readme.txt", "empty.bin"})
        EXPECT_NE(text.find(std::string("\n") + name + "\n"), std::string::npos) << name << " in\n" << text;
    // -t checks every member against its stored CRC.
    EXPECT_EQ(RunShell("lsar -t '" + rar.string() + "' >/dev/null 2>&1"), 0);

    const auto out = dir.path() / "out";
    ASSERT_EQ(RunShell("unar -q -D -o '" + out.string() + "' '" + rar.string() + "' >/dev/null 2>&1"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(out / "skin"));
    EXPECT_EQ(ReadFileBytes(out / "skin" / "back.jpg"), kMembers[1].second);
    EXPECT_EQ(ReadFileBytes(out / "skin" / "Btn.GIF"), "GIF89a");
    EXPECT_EQ(ReadFileBytes(out / "readme.txt"), "plain text\r\n");
    EXPECT_EQ(ReadFileBytes(out / "empty.bin"), "");
}

uint32_t Le(const std::string& s, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

TEST(RarWriter, HeadersCarryTheirCrcsWindowsHostAndBackslashNames)
{
    TempDir dir;
    WriteRar(dir.path() / "a.rar", {{"pics\\", ""}, {"pics\\a.gif", "GIF data"}});
    const std::string raw = ReadFileBytes(dir.path() / "a.rar");
    ASSERT_EQ(raw.substr(0, 7), std::string("Rar!\x1A\x07\x00", 7));
    size_t at = 7;
    std::vector<int> types;
    while (at + 7 <= raw.size()) {
        const uint32_t size = Le(raw, at + 5, 2);
        ASSERT_LE(at + size, raw.size());
        EXPECT_EQ(Le(raw, at, 2), Crc32(std::string_view(raw).substr(at + 2, size - 2)) & 0xFFFF);
        const int type = static_cast<unsigned char>(raw[at + 2]);
        types.push_back(type);
        uint32_t data = 0;
        if (type == 0x74) {
            data = Le(raw, at + 7, 4);
            EXPECT_EQ(static_cast<unsigned char>(raw[at + 15]), 2);  // Windows
            const std::string name = raw.substr(at + 32, Le(raw, at + 26, 2));
            EXPECT_EQ(Le(raw, at + 16, 4), Crc32(raw.substr(at + size, data)));
            if (name == "pics")
                EXPECT_EQ(Le(raw, at + 3, 2) & 0xE0, 0xE0u);  // folder
            else
                EXPECT_EQ(name, "pics\\a.gif");
        }
        at += size + data;
    }
    EXPECT_EQ(at, raw.size());
    EXPECT_EQ(types, (std::vector<int>{0x73, 0x74, 0x74, 0x7B}));
}

}  // namespace
