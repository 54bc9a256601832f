// ZipGrFile over the built-in module (archives written by the RAR writer, some of them made
// broken or encrypted) and over small native UnRAR libraries (each lacking an entry point or
// failing one step): the member map and every fatal message, recorded by the test double of the
// application.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "ZipGrFileTestSupport.h"
#include "support/MemoryDisc.h"

namespace {

// Puts a fake UnRAR library variant (a native shared object) in the disc's graph\dll\unrar.dll.
void InstallFake(const TempDir& disc, const std::string& variant)
{
    const auto target = disc.path() / "graph" / "dll" / "unrar.dll";
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::remove(target);  // a fresh file, never one still mapped by the loader
    std::filesystem::copy_file(std::string(FAKE_UNRAR_DIR) + "/" + variant + ".so", target);
}

TEST(ZipGrFile, ThreeMembersGiveThreeEntriesAtPositionZero)
{
    TempDir disc;
    MakeDisc(disc, {{"back.jpg", "jpeg bytes"}, {"btn.gif", std::string("GIF89a\0\x01", 8)}, {"x.bmp", ""}});
    RecordingApplication app;
    ZipGrFile zip(app, PathResolver(disc.path()));
    EXPECT_EQ(Keys(zip), (std::vector<std::string>{"back.jpg", "btn.gif", "x.bmp"}));
    EXPECT_EQ(Content(zip, "back.jpg"), "jpeg bytes");
    EXPECT_EQ(Content(zip, "btn.gif"), std::string("GIF89a\0\x01", 8));
    EXPECT_EQ(Content(zip, "x.bmp"), "");
    for (const auto& member : zip.Members())
        EXPECT_EQ(member.second->Position(), 0u);
    EXPECT_TRUE(app.calls.empty());
}

TEST(ZipGrFile, EmptyArchiveGivesEmptyMapAndNoMessage)
{
    TempDir disc;
    MakeDisc(disc, {});
    RecordingApplication app;
    {
        ZipGrFile zip(app, PathResolver(disc.path()));
        EXPECT_TRUE(zip.Members().empty());
    }
    EXPECT_TRUE(app.calls.empty());
}

TEST(ZipGrFile, NamesKeepFoldersCaseAndStoredBytes)
{
    TempDir disc;
    const std::string cyrillic = "\xF4\xEE\xED\\\xEA\xED\xEE\xEF\xEA\xE0.jpg";  // фон\кнопка.jpg in Windows-1251
    MakeDisc(disc, {{"pics\\", ""},
                    {"pics\\a.gif", "in pics"},
                    {"a.gif", "top"},
                    {"A.GIF", "upper"},
                    {"Skin\\Back.JPG", "mixed"},
                    {cyrillic, "code page bytes"}});
    RecordingApplication app;
    ZipGrFile zip(app, PathResolver(disc.path()));
    // Bytewise order; the folder entry yields no key.
    EXPECT_EQ(Keys(zip), (std::vector<std::string>{"A.GIF", "Skin\\Back.JPG", "a.gif", "pics\\a.gif", cyrillic}));
    EXPECT_EQ(Content(zip, "pics\\a.gif"), "in pics");
    EXPECT_EQ(Content(zip, "a.gif"), "top");
    EXPECT_EQ(Content(zip, "A.GIF"), "upper");
    EXPECT_EQ(Content(zip, cyrillic), "code page bytes");
}

TEST(ZipGrFile, RepeatedNameKeepsTheLaterMember)
{
    TempDir disc;
    MakeDisc(disc, {{"a.gif", "first"}, {"b.gif", "b"}, {"a.gif", "second, longer"}});
    RecordingApplication app;
    ZipGrFile zip(app, PathResolver(disc.path()));
    EXPECT_EQ(Keys(zip), (std::vector<std::string>{"a.gif", "b.gif"}));
    EXPECT_EQ(Content(zip, "a.gif"), "second, longer");
}

TEST(ZipGrFile, DiscPathsAreFoundWithoutRegardToCase)
{
    TempDir disc;
    disc.Write("GRAPH/DLL/UnRAR.DLL", std::string("MZ", 2));
    WriteRar(disc.path() / "GRAPH" / "Shell.DAT", {{"a.gif", "x"}});
    RecordingApplication app;
    ZipGrFile zip(app, PathResolver(disc.path()));
    EXPECT_EQ(Keys(zip), (std::vector<std::string>{"a.gif"}));
}

TEST(ZipGrFile, MissingLibraryOrOneWithoutStandIn)
{
    TempDir disc;
    WriteRar(disc.path() / "graph" / "shell.dat", {{"a.gif", "x"}});
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad unzip dll"));

    // A Windows library of another role, and a file that is no library at all.
    disc.Write("graph/dll/other.dll", std::string("MZ\x90\x00", 4));
    EXPECT_EQ(RunExpectingHalt(disc, "graph\\dll\\other.dll"), FatalCalls("Bad unzip dll"));
    disc.Write("graph/dll/unrar.dll", "not a library");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad unzip dll"));
}

TEST(ZipGrFile, MissingArchiveCannotBeOpened)
{
    TempDir disc;
    MakeDisc(disc, {});
    std::filesystem::remove(disc.path() / "graph" / "shell.dat");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad open rar archive: graph\\shell.dat"));
    disc.Write("graph/shell.dat", "GIF89a, not an archive");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad open rar archive: graph\\shell.dat"));
    // A good archive outside the disc, reached through a link, is none of the disc's.
    TempDir outside;
    MakeDisc(outside, {});
    std::filesystem::remove(disc.path() / "graph" / "shell.dat");
    std::filesystem::create_symlink(outside.path() / "graph" / "shell.dat", disc.path() / "graph" / "shell.dat");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad open rar archive: graph\\shell.dat"));
}

TEST(ZipGrFile, BrokenAndEncryptedArchivesEndInTheirMessages)
{
    const struct {
        BadRar kind;
        std::string text;
    } cases[] = {
        {BadRar::HeadersEncrypted, "Bad open rar archive: graph\\shell.dat"},
        {BadRar::Rar5HeadersEncrypted, "Bad open rar archive: graph\\shell.dat"},
        {BadRar::CutInAHeader, " File header broken: graph\\shell.dat"},
        {BadRar::MemberEncrypted, "Bad extracting file"},
        {BadRar::DamagedData, "Bad extracting file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir disc;
        disc.Write("graph/dll/unrar.dll", std::string("MZ", 2));
        WriteBadRar(disc.path() / "graph" / "shell.dat", c.kind);
        EXPECT_EQ(RunExpectingHalt(disc), FatalCalls(c.text));
    }
}

TEST(ZipGrFile, NativeLibraryServesTheMembers)
{
    TempDir disc;
    disc.Write("graph/shell.dat", "the fake library does not read it");
    InstallFake(disc, "WORKING");
    RecordingApplication app;
    {
        ZipGrFile zip(app, PathResolver(disc.path()));
        // Data came one byte at a time; the repeated a.gif replaced the first one.
        EXPECT_EQ(Keys(zip), (std::vector<std::string>{"A.GIF", "a.gif", "b.gif"}));
        EXPECT_EQ(Content(zip, "a.gif"), "second");
        EXPECT_EQ(Content(zip, "b.gif"), "bb");
    }
    EXPECT_TRUE(app.calls.empty());
}

TEST(ZipGrFile, EachMissingEntryPointIsNamed)
{
    TempDir disc;
    disc.Write("graph/shell.dat", "x");
    for (const char* entry : {"RAROpenArchive", "RARCloseArchive", "RARSetProcessDataProc", "RARReadHeader",
                              "RARProcessFile"}) {
        SCOPED_TRACE(entry);
        InstallFake(disc, std::string("NO_") + entry);
        EXPECT_EQ(RunExpectingHalt(disc),
                  FatalCalls(std::string("Bad function ") + entry));
    }
}

TEST(ZipGrFile, FailingStepsOfTheLibrary)
{
    TempDir disc;
    disc.Write("graph/shell.dat", "x");
    InstallFake(disc, "OPEN_FAILS");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad open rar archive: graph\\shell.dat"));
    InstallFake(disc, "HEADER_BROKEN");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls(" File header broken: graph\\shell.dat"));
    InstallFake(disc, "PROCESS_FAILS");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad extracting file"));
    // A library that never stops answering with an unexplained status still ends the loop.
    InstallFake(disc, "ODD_STATUS");
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls(" File header broken: graph\\shell.dat"));
}

TEST(ZipGrFile, AFailingCloseIsFatalWhenTheArchiveIsClosedAndNeverInADestructor)
{
    TempDir disc;
    disc.Write("graph/shell.dat", "x");
    InstallFake(disc, "CLOSE_FAILS");
    RecordingApplication app;
    try {
        ZipGrFile zip(app, PathResolver(disc.path()));
        EXPECT_EQ(zip.Members().size(), 3u);
        EXPECT_TRUE(app.calls.empty());
        zip.Close();
        ADD_FAILURE() << "Close came back";
    } catch (const ProgramHalted& halted) {
        EXPECT_EQ(halted.exit_code, 1);
    }
    EXPECT_EQ(app.calls, FatalCalls("Bad close rar archive: graph\\shell.dat"));

    // A picture error unwinding past an open archive closes it quietly.
    app.calls.clear();
    try {
        ZipGrFile zip(app, PathResolver(disc.path()));
        throw std::runtime_error("Bad picture a.gif");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(app.calls.empty());
}

}  // namespace

namespace {

TEST(ZipGrFile, DamagedMemberDataIsAnExtractionFailure)
{
    TempDir disc;
    MakeDisc(disc, {{"a.gif", "GIF89a original picture bytes"}});
    const auto archive = disc.path() / "graph" / "shell.dat";
    std::string raw = ReadFileBytes(archive);
    raw[raw.find("original")] ^= 0x01;  // the stored CRC no longer matches
    disc.Write("graph/shell.dat", raw);
    EXPECT_EQ(RunExpectingHalt(disc), FatalCalls("Bad extracting file"));
}

}  // namespace

// ---- the archive of a disc image, read through the disc

namespace {

// The files of the folder disc `dir`, as a disc image.
std::shared_ptr<MemoryDisc> ImageOf(const TempDir& dir)
{
    auto image = std::make_shared<MemoryDisc>();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
        if (entry.is_regular_file())
            image->Add(entry.path().lexically_relative(dir.path()).generic_string(), ReadFileBytes(entry.path()));
    return image;
}

// What the application recorded when reading the archive of `image` ended the program.
std::vector<std::string> ImageRunExpectingHalt(const std::shared_ptr<MemoryDisc>& image)
{
    RecordingApplication app;
    try {
        ZipGrFile zip(app, PathResolver(image));
        ADD_FAILURE() << "no failure";
    } catch (const ProgramHalted& halted) {
        EXPECT_EQ(halted.exit_code, 1);
    }
    return app.calls;
}

TEST(ZipGrFile, TheArchiveOfADiscImageIsReadFromMemory)
{
    TempDir disc;
    std::string big(300 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 13 + i / 509);
    MakeDisc(disc, {{"skin\\back.jpg", big}, {"a.gif", "gif"}, {"x.bmp", ""}});
    const auto image = ImageOf(disc);
    TempDirAsSystemTemp temp;
    RecordingApplication app;
    {
        ZipGrFile zip(app, PathResolver(image));
        EXPECT_EQ(Keys(zip), (std::vector<std::string>{"a.gif", "skin\\back.jpg", "x.bmp"}));
        EXPECT_EQ(Content(zip, "skin\\back.jpg"), big);
        EXPECT_EQ(Content(zip, "a.gif"), "gif");
        zip.Close();
    }
    EXPECT_TRUE(app.calls.empty());
    EXPECT_TRUE(temp.Empty());  // nothing was copied out
    EXPECT_EQ(image->Opened(), (std::vector<std::string>{"graph/dll/unrar.dll", "graph/shell.dat"}));
}

TEST(ZipGrFile, ArchivesOfADiscImageFailAsTheSameArchivesInAFolder)
{
    for (const BadRar kind : {BadRar::HeadersEncrypted, BadRar::Rar5HeadersEncrypted, BadRar::CutInAHeader,
                              BadRar::MemberEncrypted, BadRar::DamagedData}) {
        TempDir disc;
        disc.Write("graph/dll/unrar.dll", std::string("MZ", 2));
        WriteBadRar(disc.path() / "graph" / "shell.dat", kind);
        const std::vector<std::string> in_folder = RunExpectingHalt(disc);
        EXPECT_EQ(ImageRunExpectingHalt(ImageOf(disc)), in_folder);
    }

    // Missing, larger than what is read into memory, failing as it is read, or no archive.
    TempDir disc;
    MakeDisc(disc, {{"a.gif", "gif"}});
    const std::vector<std::string> bad_open = FatalCalls("Bad open rar archive: graph\\shell.dat");
    auto big = ImageOf(disc);
    big->ClaimSize("graph/shell.dat", kMaxImageArchiveBytes + 1);
    auto cut = ImageOf(disc);
    cut->FailAfter("graph/shell.dat", 30);
    auto foreign = ImageOf(disc);
    foreign->Add("graph/shell.dat", "GIF89a, not an archive");
    for (const auto& broken : {big, cut, foreign})
        EXPECT_EQ(ImageRunExpectingHalt(broken), bad_open);
    auto no_archive = std::make_shared<MemoryDisc>();
    no_archive->Add("graph/dll/unrar.dll", "MZ");
    EXPECT_EQ(ImageRunExpectingHalt(no_archive), bad_open);
    EXPECT_EQ(big->Opened(), std::vector<std::string>{"graph/dll/unrar.dll"});  // refused by its size
}

TEST(ZipGrFile, ANativeLibraryOfADiscImageReadsItsPrivateCopies)
{
    TempDir disc;
    disc.Write("graph/shell.dat", "the fake library does not read it");
    InstallFake(disc, "WORKING");
    const auto image = ImageOf(disc);
    TempDirAsSystemTemp temp;
    RecordingApplication app;
    {
        ZipGrFile zip(app, PathResolver(image));
        EXPECT_EQ(Keys(zip), (std::vector<std::string>{"A.GIF", "a.gif", "b.gif"}));
        EXPECT_FALSE(temp.Empty());  // the archive's copy, while the archive is open
        zip.Close();
        EXPECT_TRUE(temp.Empty());
    }
    EXPECT_TRUE(app.calls.empty());

    // A copy that cannot be made is an archive that does not open.
    image->ClaimSize("graph/shell.dat", kMaxImageArchiveBytes + 1);
    EXPECT_EQ(ImageRunExpectingHalt(image), FatalCalls("Bad open rar archive: graph\\shell.dat"));
    EXPECT_TRUE(temp.Empty());
}

}  // namespace
