// The built-in UnRAR module through its five entry points, on archives of the RAR writer and on
// those archives made broken or encrypted: the members byte-exact, every failure a failing
// status, never a crash or a hang. Real archives of other tools: ArchiveSamples_test.cpp.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "UnrarTestSupport.h"

namespace {

TEST(UnrarModule, MembersOfTheWriterComeOutByteExactBlockByBlock)
{
    TempDir dir;
    std::string big(200 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    WriteRar(dir.path() / "a.rar", {{"skin\\", ""}, {"skin\\back.jpg", big}, {"empty.gif", ""}, {"x.bmp", "BM"}});
    const ReadOutcome out = ReadAll((dir.path() / "a.rar").string());
    EXPECT_EQ(out.open_result, 0u);
    EXPECT_EQ(out.last_status, ERAR_END_ARCHIVE);
    // Folder entries are not reported.
    const std::vector<UnpackedMember> expected = {
        {"skin\\back.jpg", big.size(), Crc32(big)}, {"empty.gif", 0, 0}, {"x.bmp", 2, Crc32("BM")}};
    EXPECT_EQ(out.members, expected);
    EXPECT_LE(out.largest_block, 64u * 1024u);
}

TEST(UnrarModule, EncryptedCutAndDamagedArchivesFail)
{
    const UnpackedMember good{"a.txt", 15, Crc32("readable member")};
    const struct {
        BadRar kind;
        const char* what;
        unsigned open_result;    // non-zero: the open itself fails
        bool fails_in_process;   // else a header read fails, after the good member
        int status;
    } cases[] = {
        {BadRar::HeadersEncrypted, "RAR 4 headers encrypted", ERAR_MISSING_PASSWORD, false, 0},
        {BadRar::Rar5HeadersEncrypted, "RAR 5 headers encrypted", ERAR_MISSING_PASSWORD, false, 0},
        {BadRar::CutInAHeader, "cut in a header", 0, false, ERAR_BAD_DATA},
        {BadRar::MemberEncrypted, "member encrypted", 0, true, ERAR_MISSING_PASSWORD},
        {BadRar::DamagedData, "member damaged", 0, true, ERAR_BAD_DATA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteBadRar(dir.path() / "bad.rar", c.kind);
        const ReadOutcome out = ReadAll((dir.path() / "bad.rar").string());
        EXPECT_EQ(out.open_result, c.open_result);
        if (c.open_result != 0)
            continue;
        EXPECT_EQ(out.members, std::vector<UnpackedMember>{good});
        EXPECT_EQ(out.failed_in_process, c.fails_in_process);
        EXPECT_EQ(out.last_status, c.status);
    }
}

TEST(UnrarModule, OpenFailsOnMissingOrForeignFiles)
{
    TempDir dir;
    EXPECT_EQ(ReadAll((dir.path() / "missing.rar").string()).open_result, unsigned{ERAR_EOPEN});
    const auto zip = dir.Write("pics.rar", std::string("PK\x03\x04") + " not a rar archive");
    EXPECT_EQ(ReadAll(zip.string()).open_result, unsigned{ERAR_BAD_ARCHIVE});
    const auto empty = dir.Write("empty.rar", "");
    EXPECT_EQ(ReadAll(empty.string()).open_result, unsigned{ERAR_BAD_ARCHIVE});
}

int Cancel(unsigned char*, int)
{
    return -1;
}

TEST(UnrarModule, ProtocolMisuseAndCancelGiveFailingStatuses)
{
    TempDir dir;
    WriteRar(dir.path() / "a.rar", {{"one.bin", "1111"}, {"two.bin", "2222"}});
    std::string name = (dir.path() / "a.rar").string();
    RAROpenArchiveData open{};
    open.ArcName = name.data();
    open.OpenMode = RAR_OM_EXTRACT;
    RARHANDLE h = BuiltinRAROpenArchive(&open);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(BuiltinRARProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_SUCCESS);  // no header read yet

    RARHeaderData header{};
    ASSERT_EQ(BuiltinRARReadHeader(h, &header), ERAR_SUCCESS);
    EXPECT_STREQ(header.ArcName, name.c_str());
    BuiltinRARSetProcessDataProc(h, &Cancel);
    EXPECT_EQ(BuiltinRARProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_UNKNOWN);

    ASSERT_EQ(BuiltinRARReadHeader(h, &header), ERAR_SUCCESS);
    EXPECT_STREQ(header.FileName, "two.bin");
    EXPECT_EQ(BuiltinRARProcessFile(h, RAR_EXTRACT, nullptr, nullptr), ERAR_ECREATE);  // writes no files
    EXPECT_EQ(BuiltinRARReadHeader(h, &header), ERAR_END_ARCHIVE);
    EXPECT_EQ(BuiltinRARCloseArchive(h), ERAR_SUCCESS);
}

TEST(UnrarModule, SkippedMembersAreNotUnpacked)
{
    TempDir dir;
    WriteRar(dir.path() / "a.rar", {{"one.bin", "1111"}, {"two.bin", "22"}});
    const ReadOutcome none_skipped = ReadAll((dir.path() / "a.rar").string());
    ASSERT_EQ(none_skipped.members.size(), 2u);

    std::string name = (dir.path() / "a.rar").string();
    RAROpenArchiveData open{};
    open.ArcName = name.data();
    RARHANDLE h = BuiltinRAROpenArchive(&open);
    ASSERT_NE(h, nullptr);
    RARHeaderData header{};
    ASSERT_EQ(BuiltinRARReadHeader(h, &header), ERAR_SUCCESS);
    EXPECT_EQ(BuiltinRARProcessFile(h, RAR_SKIP, nullptr, nullptr), ERAR_SUCCESS);
    ASSERT_EQ(BuiltinRARReadHeader(h, &header), ERAR_SUCCESS);
    EXPECT_STREQ(header.FileName, "two.bin");
    EXPECT_EQ(header.UnpSize, 2u);
    EXPECT_EQ(header.HostOS, 2u);
    EXPECT_EQ(BuiltinRARCloseArchive(h), ERAR_SUCCESS);
}

}  // namespace
