// Real archives made by other people's tools (libarchive's test archives, from WinRAR and rar
// on several systems), read through the built-in UnRAR module and through ZipGrFile: every
// member byte-exact (CRC-32 and size as the samples' README gives them), and the encrypted and
// broken ones ending in a failing status or the menu's message, never a crash or a hang.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "UnrarTestSupport.h"
#include "ZipGrFileTestSupport.h"

namespace {

struct GoodArchive {
    const char* file;
    std::vector<UnpackedMember> members;
};

// The archive's name stands for the whole case in the test list.
void PrintTo(const GoodArchive& archive, std::ostream* out)
{
    *out << archive.file;
}

// Names as an archive made on Windows gives them: '\' between folders, bytes as stored (for
// the Japanese names the CP932 bytes of the 8-bit name). Folder entries are not reported.
const std::string kKanjiDir = "\x95\x5C\x82\xBE\x82\xE6";  // 表だよ in CP932
const std::vector<GoodArchive> kGood = {
    {"test_read_format_rar.rar",
     {{"test.txt", 20, 0xBEC8A242}, {"testlink", 8, 0xB6C9447B}, {"testdir\\test.txt", 20, 0xBEC8A242}}},
    {"test_read_format_rar_subblock.rar", {{"test.txt", 20, 0xBEC8A242}}},
    {"test_read_format_rar_noeof.rar", {{"test.txt", 20, 0xBEC8A242}}},
    {"test_read_format_rar_windows.rar",
     {{"testdir\\test.txt", 16, 0x97D612F1}, {"test.txt", 16, 0x97D612F1}, {"testshortcut.lnk", 441, 0x5B5CD737}}},
    {"test_read_format_rar_unicode.rar",
     {{kKanjiDir + "\\\x90V\x82\xB5\x82\xA2\x83t\x83H\x83\x8B\x83_\\\x90V\x8BK\x83""e\x83L\x83X\x83g \x83h\x83L\x83\x85\x83\x81\x83\x93\x83g.txt", 0, 0},
      {kKanjiDir + "\\\x8A\xBF\x8E\x9A\x92\xB7\x82\xA2\x83t\x83@\x83""C\x83\x8B\x96\xBClong-filename-in-\x8A\xBF\x8E\x9A.txt", 5, 0x426F9DDC},
      {"\xE8\xA1\xA8\xE3\x81\xA0\xE3\x82\x88\\\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB", 54, 0x5DFB8225},
      {"abcdefghijklmnopqrs\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.txt", 16, 0x15B6D005}}},
    {"test_read_format_rar_compress_normal.rar",
     {{"LibarchiveAddingTest.html", 20111, 0x5E05A663}, {"testlink", 25, 0x11FCD3F1},
      {"testdir\\test.txt", 20, 0xBEC8A242}, {"testdir\\LibarchiveAddingTest.html", 20111, 0x5E05A663}}},
    {"test_read_format_rar_compress_best.rar",
     {{"LibarchiveAddingTest.html", 20111, 0x5E05A663}, {"testlink", 25, 0x11FCD3F1},
      {"testdir\\test.txt", 20, 0xBEC8A242}, {"testdir\\LibarchiveAddingTest.html", 20111, 0x5E05A663}}},
    {"test_read_format_rar_multi_lzss_blocks.rar", {{"multi_lzss_blocks_test.txt", 20131111, 0x6BA21570}}},
    {"test_read_format_rar_ppmd_lzss_conversion.rar",
     {{"ppmd_lzss_conversion_test.txt", 241647978, 0xF72B4477}}},
    {"test_read_format_rar_filter.rar", {{"bsdcat.exe", 204288, 0x4DB10349}}},
    {"test_read_format_rar5_stored.rar", {{"helloworld.txt", 29, 0x95A043B4}}},
    {"test_read_format_rar5_compressed.rar", {{"test.bin", 1200, 0x7CCA70CD}}},
    {"test_read_format_rar5_multiple_files.rar",
     {{"test1.bin", 4096, 0x7E13B2C6}, {"test2.bin", 4096, 0xF166AFCB}, {"test3.bin", 4096, 0x9FB123D9},
      {"test4.bin", 4096, 0x10C43ED4}}},
    {"test_read_format_rar5_multiple_files_solid.rar",
     {{"test1.bin", 4096, 0x7E13B2C6}, {"test2.bin", 4096, 0xF166AFCB}, {"test3.bin", 4096, 0x9FB123D9},
      {"test4.bin", 4096, 0x10C43ED4}}},
    {"test_read_format_rar5_solid.rar",
     {{"test.bin", 1200, 0x7CCA70CD}, {"test1.bin", 4096, 0x7E13B2C6}, {"test2.bin", 4096, 0xF166AFCB},
      {"test3.bin", 4096, 0x9FB123D9}, {"test4.bin", 4096, 0x10C43ED4}, {"test5.bin", 4096, 0xB9D155F2},
      {"test6.bin", 4096, 0x36A448FF}}},
    {"test_read_format_rar5_win32.rar",
     {{"test.bin", 1200, 0x7CCA70CD}, {"test1.bin", 4096, 0x7E13B2C6}, {"test2.bin", 4096, 0xF166AFCB},
      {"test3.bin", 4096, 0x9FB123D9}, {"test4.bin", 4096, 0x10C43ED4}, {"test5.bin", 4096, 0xB9D155F2},
      {"test6.bin", 4096, 0x36A448FF}}},
    // RAR 5 keeps link targets in the header: both links come out empty.
    {"test_read_format_rar5_unicode.rar",
     {{"\xF0\x9F\x91\x8B\xF0\x9F\x8C\x8E.txt", 13, 0xEBE6C6E6},
      {"\xE2\x92\xBD\xE2\x93\x90\xE2\x93\xA1\xE2\x93\x93 \xE2\x93\x81\xE2\x93\x98\xE2\x93\x9D\xE2\x93\x9A.txt", 0, 0},
      {"\xF0\x9D\x92\xAE\xF0\x9D\x93\x8E\xF0\x9D\x93\x82\xF0\x9D\x92\xB7\xF0\x9D\x91\x9C\xF0\x9D\x93\x81\xF0\x9D\x92\xBE\xF0\x9D\x92\xB8 \xF0\x9D\x90\xBF\xF0\x9D\x92\xBE\xF0\x9D\x93\x83\xF0\x9D\x93\x80.txt", 0, 0}}},
};

class GoodSample : public SamplesTestWithParam<GoodArchive> {};

TEST_P(GoodSample, EveryMemberByteExactInArchiveOrder)
{
    const GoodArchive& sample = GetParam();
    const ReadOutcome out = ReadAll(SampleRar(sample.file));
    EXPECT_EQ(out.open_result, 0u);
    EXPECT_EQ(out.last_status, ERAR_END_ARCHIVE);
    EXPECT_EQ(out.members, sample.members);
    EXPECT_LE(out.largest_block, 64u * 1024u);  // handed over block by block
}

INSTANTIATE_TEST_SUITE_P(Samples, GoodSample, testing::ValuesIn(kGood),
                         [](const testing::TestParamInfo<GoodArchive>& param_info) {
                             std::string n = param_info.param.file;
                             n = n.substr(std::string("test_read_format_").size());
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

struct BadArchive {
    const char* file;
    unsigned open_result;       // non-zero: the open itself fails
    size_t members_before;      // members read fine before the failure
    bool fails_in_process;      // else a header read fails
};

const BadArchive kBad[] = {
    {"test_read_format_rar4_encrypted.rar", 0, 1, true},            // b.txt needs a password
    {"test_read_format_rar_encryption_partially.rar", 0, 0, true},  // foo.txt needs a password
    {"test_read_format_rar4_solid_encrypted.rar", 0, 0, true},
    {"test_read_format_rar4_encrypted_filenames.rar", ERAR_MISSING_PASSWORD, 0, false},
    {"test_read_format_rar5_encrypted.rar", 0, 1, true},
    {"test_read_format_rar5_encrypted_filenames.rar", ERAR_MISSING_PASSWORD, 0, false},
    {"test_read_format_rar_invalid1.rar", 0, 0, true},           // data cut short
    {"test_read_format_rar5_truncated_huff.rar", 0, 0, false},   // broken header data
    // A hand-made decoder edge case that libunarr cannot unpack: it must fail, not give wrong bytes.
    {"test_read_format_rar3_lowdist_reset.rar", 0, 0, true},
};

using UnrarModuleSamples = SamplesTest;

TEST_F(UnrarModuleSamples, EncryptedTruncatedAndBrokenArchivesFail)
{
    for (const BadArchive& bad : kBad) {
        SCOPED_TRACE(bad.file);
        const ReadOutcome out = ReadAll(SampleRar(bad.file));
        EXPECT_EQ(out.open_result, bad.open_result);
        if (bad.open_result != 0)
            continue;
        EXPECT_EQ(out.members.size(), bad.members_before);
        EXPECT_EQ(out.failed_in_process, bad.fails_in_process);
        EXPECT_NE(out.last_status, ERAR_SUCCESS);
        EXPECT_NE(out.last_status, ERAR_END_ARCHIVE);
        if (!bad.fails_in_process) {
            EXPECT_EQ(out.last_status, ERAR_BAD_DATA);
        }
    }
}

using ZipGrFileSamples = SamplesTest;

TEST_F(ZipGrFileSamples, ReadsSampleArchivesOfBothFormats)
{
    TempDir disc;
    disc.Write("graph/dll/unrar.dll", std::string("MZ", 2));
    std::filesystem::copy_file(SampleRar("test_read_format_rar_compress_best.rar"), disc.path() / "graph/shell.dat");
    std::filesystem::copy_file(SampleRar("test_read_format_rar5_solid.rar"), disc.path() / "graph/five.dat");
    RecordingApplication app;
    {
        ZipGrFile zip(app, PathResolver(disc.path()));
        EXPECT_EQ(Keys(zip), (std::vector<std::string>{"LibarchiveAddingTest.html", "testdir\\LibarchiveAddingTest.html",
                                                       "testdir\\test.txt", "testlink"}));
        EXPECT_EQ(Content(zip, "testdir\\test.txt"), "test text document\r\n");
        EXPECT_EQ(Content(zip, "testlink"), "LibarchiveAddingTest.html");
    }
    {
        ZipGrFile zip(app, PathResolver(disc.path()), kUnrarLibraryPath, "graph\\five.dat");
        EXPECT_EQ(zip.Members().size(), 7u);
        EXPECT_EQ(zip.Members().at("test6.bin")->Size(), 4096u);
    }
    EXPECT_TRUE(app.calls.empty());
}

TEST_F(ZipGrFileSamples, BrokenAndEncryptedSamplesEndInTheirMessages)
{
    struct Case {
        const char* sample;
        std::string text;
    };
    const Case cases[] = {
        {"test_read_format_rar4_encrypted_filenames.rar", "Bad open rar archive: graph\\shell.dat"},
        {"test_read_format_rar5_encrypted_filenames.rar", "Bad open rar archive: graph\\shell.dat"},
        {"test_read_format_rar5_truncated_huff.rar", " File header broken: graph\\shell.dat"},
        {"test_read_format_rar4_encrypted.rar", "Bad extracting file"},
        {"test_read_format_rar4_solid_encrypted.rar", "Bad extracting file"},
        {"test_read_format_rar5_encrypted.rar", "Bad extracting file"},
        {"test_read_format_rar_invalid1.rar", "Bad extracting file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        TempDir disc;
        disc.Write("graph/dll/unrar.dll", std::string("MZ", 2));
        std::filesystem::copy_file(SampleRar(c.sample), disc.path() / "graph/shell.dat");
        EXPECT_EQ(RunExpectingHalt(disc), FatalCalls(c.text));
    }
}

}  // namespace
