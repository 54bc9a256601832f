// What reading a picture archive may cost and what it leaves on standard error: the bytes one
// archive may unpack are bounded (past the bound the menu ends with "Bad extracting file"), the
// size a header announces neither sets aside nor keeps more room than the member needs, and the
// lines libunarr logs on its own never reach standard error.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ArchiveTestSupport.h"
#include "archive/Crc32.h"
#include "platform/QuietStderr.h"
#include "platform/ThreadQuietStderr.h"
#include "archive/ZipGrFile.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"

namespace {

const std::vector<std::string> kBadExtracting = {"box[okcancel] Error: Bad extracting file", "halt: 1"};

// Reads the disc's archive with `limit` as the unpacking bound; gives back what the application
// recorded, and the member sizes when the archive was read.
struct Reading {
    std::vector<std::string> calls;
    std::vector<std::pair<std::string, size_t>> sizes;
};

Reading ReadDisc(const TempDir& disc, uint64_t limit)
{
    Reading r;
    RecordingApplication app;
    try {
        ZipGrFile zip(app, PathResolver(disc.path()), kUnrarLibraryPath, kPictureArchivePath, limit);
        for (const auto& [name, stream] : zip.Members())
            r.sizes.emplace_back(name, stream->Size());
    } catch (const ProgramHalted& halted) {
        EXPECT_EQ(halted.exit_code, 1);
    }
    r.calls = app.calls;
    return r;
}

TEST(ArchiveCaps, UnpackedTotalIsBoundedPerArchive)
{
    const std::string a(600, 'a'), b(400, 'b');
    {
        SCOPED_TRACE("exactly at the bound, folder entries counting for nothing");
        TempDir disc;
        MakeDisc(disc, {{"skin\\", ""}, {"skin\\a.gif", a}, {"b.gif", b}});
        const Reading r = ReadDisc(disc, 1000);
        EXPECT_TRUE(r.calls.empty());
        EXPECT_EQ(r.sizes, (std::vector<std::pair<std::string, size_t>>{{"b.gif", 400}, {"skin\\a.gif", 600}}));
    }
    {
        SCOPED_TRACE("one byte past it, over two members");
        TempDir disc;
        MakeDisc(disc, {{"a.gif", a}, {"b.gif", b + "!"}});
        EXPECT_EQ(ReadDisc(disc, 1000).calls, kBadExtracting);
    }
    {
        SCOPED_TRACE("one member larger than the bound, in many 64 KiB blocks");
        TempDir disc;
        MakeDisc(disc, {{"big.bmp", std::string(300000, 'x')}, {"after.gif", "never read"}});
        EXPECT_EQ(ReadDisc(disc, 200000).calls, kBadExtracting);
    }
}

// The RAR writer's archive with the first member's unpacked size rewritten in its header (and
// the header's CRC made right again), so only the data contradicts it.
TEST(ArchiveCaps, HugeAnnouncedSizeOfAStoredMemberFailsCleanly)
{
    TempDir disc;
    MakeDisc(disc, {{"a.gif", "0123456789"}});
    std::string raw = ReadFileBytes(disc.path() / "graph" / "shell.dat");
    constexpr size_t kHeader = 7 + 13;  // after the signature and the archive header
    const size_t header_size = static_cast<uint8_t>(raw[kHeader + 5]) | static_cast<uint8_t>(raw[kHeader + 6]) << 8;
    for (size_t i = 0; i < 4; ++i)
        raw[kHeader + 11 + i] = '\xF0';
    const uint32_t crc = Crc32(std::string_view(raw).substr(kHeader + 2, header_size - 2));
    raw[kHeader] = static_cast<char>(crc & 0xFF);
    raw[kHeader + 1] = static_cast<char>((crc >> 8) & 0xFF);
    disc.Write("graph/shell.dat", raw);
    EXPECT_EQ(ReadDisc(disc, kMaxUnpackedBytes).calls, kBadExtracting);
}

// An UnRAR library inside the test: it serves `g_members`, handing each member's bytes over in
// blocks of 1000, and says what a header announces as it is told. One that ignores a cancel
// goes on delivering and reports success.
struct FakeMember {
    std::string name;
    unsigned announced;
    std::string data;
};
std::vector<FakeMember> g_members;
bool g_ignores_cancel = false;
size_t g_next = 0;
PROCESSDATAPROC g_callback = nullptr;
int g_handle;

RARHANDLE FakeOpen(RAROpenArchiveData* data)
{
    data->OpenResult = ERAR_SUCCESS;
    g_next = 0;
    return &g_handle;
}

int FakeClose(RARHANDLE)
{
    return ERAR_SUCCESS;
}

void FakeSetCallback(RARHANDLE, PROCESSDATAPROC proc)
{
    g_callback = proc;
}

int FakeReadHeader(RARHANDLE, RARHeaderData* header)
{
    if (g_next >= g_members.size())
        return ERAR_END_ARCHIVE;
    const FakeMember& m = g_members[g_next];
    std::snprintf(header->FileName, sizeof header->FileName, "%s", m.name.c_str());
    header->UnpSize = m.announced;
    return ERAR_SUCCESS;
}

int FakeProcess(RARHANDLE, int, char*, char*)
{
    std::string& data = g_members.at(g_next++).data;
    for (size_t at = 0; at < data.size(); at += 1000) {
        const int n = static_cast<int>(std::min<size_t>(1000, data.size() - at));
        if (g_callback(reinterpret_cast<unsigned char*>(data.data() + at), n) < 0 && !g_ignores_cancel)
            return ERAR_UNKNOWN;
    }
    return ERAR_SUCCESS;
}

class FakeLibrary : public LoadedLibrary {
public:
    void* GetProcAddress(const std::string& name) const override
    {
        if (name == "RAROpenArchive")
            return reinterpret_cast<void*>(&FakeOpen);
        if (name == "RARCloseArchive")
            return reinterpret_cast<void*>(&FakeClose);
        if (name == "RARSetProcessDataProc")
            return reinterpret_cast<void*>(&FakeSetCallback);
        if (name == "RARReadHeader")
            return reinterpret_cast<void*>(&FakeReadHeader);
        if (name == "RARProcessFile")
            return reinterpret_cast<void*>(&FakeProcess);
        return nullptr;
    }
    bool IsBuiltin() const override { return false; }
};

TEST(ArchiveCaps, AnnouncedSizesLeaveNoRoomBehind)
{
    g_ignores_cancel = false;
    g_members = {{"liar.gif", 0xFFFFFFFFu, "tiny"},
                 {"empty.gif", 0x80000000u, ""},
                 {"fair.bmp", 100000, std::string(100000, 'f')},
                 {"modest.jpg", 10, std::string(50000, 'm')}};  // announces less than comes
    RecordingApplication app;
    ZipGrFile zip(app, std::make_unique<FakeLibrary>(), "unused", "shell.dat");
    EXPECT_TRUE(app.calls.empty());
    ASSERT_EQ(zip.Members().size(), 4u);
    for (const FakeMember& m : g_members) {
        SCOPED_TRACE(m.name);
        const MemoryStream& stream = *zip.Members().at(m.name);
        EXPECT_EQ(stream.Bytes(), m.data);
        EXPECT_LE(stream.Capacity(), std::max<size_t>(stream.Size(), 32));
    }
}

TEST(ArchiveCaps, CancelOverTheBoundIsFinalEvenForALibraryThatIgnoresIt)
{
    g_members = {{"a.gif", 3000, std::string(3000, 'a')}};
    for (const bool ignores : {false, true}) {
        SCOPED_TRACE(ignores ? "library ignores the cancel" : "library stops");
        g_ignores_cancel = ignores;
        RecordingApplication app;
        try {
            ZipGrFile zip(app, std::make_unique<FakeLibrary>(), "unused", "shell.dat", 2500);
            ADD_FAILURE() << "a member past the bound was kept";
        } catch (const ProgramHalted& halted) {
            EXPECT_EQ(halted.exit_code, 1);
        }
        EXPECT_EQ(app.calls, kBadExtracting);
    }
    g_ignores_cancel = false;
}

// Descriptor 2 pointed at a file for the test's duration.
class CapturedStderr {
public:
    explicit CapturedStderr(const std::filesystem::path& file)
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~CapturedStderr()
    {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }

private:
    int saved_;
};

TEST(QuietStderr, SilencesDescriptorTwoOnlyWhileItLives)
{
    TempDir dir;
    const auto file = dir.path() / "err.txt";
    {
        CapturedStderr captured(file);
        std::fputs("before\n", stderr);
        {
            QuietStderr quiet;
            std::fputs("hidden\n", stderr);
            {
                QuietStderr inner;
                EXPECT_EQ(::write(STDERR_FILENO, "raw\n", 4), 4);
            }
            std::fputs("still hidden\n", stderr);
        }
        std::fputs("after\n", stderr);
    }
    EXPECT_EQ(ReadFileBytes(file), "before\nafter\n");
}

// The archive is read on its own thread while the rest of the start reports on standard error:
// the reading thread's library lines are dropped, every other thread's lines arrive, and nothing
// stays silenced afterwards, however the quiet spans of several threads overlap.
TEST(ThreadQuietStderr, SilencesOnlyTheHoldingThread)
{
    ASSERT_TRUE(ThreadQuietStderr::Filtering());
    EXPECT_EQ(::fileno(stderr), STDERR_FILENO);
    TempDir dir;
    const auto file = dir.path() / "err.txt";
    constexpr int kLines = 2000;
    {
        CapturedStderr captured(file);
        std::atomic<bool> reading{true};
        std::vector<std::thread> readers;
        for (int r = 0; r < 2; ++r)
            readers.emplace_back([&] {
                while (reading) {
                    ThreadQuietStderr quiet;
                    std::fputs("library line\n", stderr);
                    {
                        ThreadQuietStderr inner;
                        std::fprintf(stderr, "nested %d\n", 1);
                    }
                    std::fputs("still quiet\n", stderr);
                }
            });
        for (int i = 0; i < kLines; ++i)
            std::fprintf(stderr, "menu %d\n", i);
        reading = false;
        for (std::thread& reader : readers)
            reader.join();
        {
            ThreadQuietStderr quiet;
            std::fputs("quiet here\n", stderr);
        }
        std::fputs("after\n", stderr);
    }
    std::string expected;
    for (int i = 0; i < kLines; ++i)
        expected += "menu " + std::to_string(i) + "\n";
    EXPECT_EQ(ReadFileBytes(file), expected + "after\n");
}

TEST(ListArchiveStderr, FolderEntriesLeaveStandardErrorEmpty)
{
    TempDir dir;
    const auto archive = dir.path() / "shell.dat";
    WriteRar(archive, {{"skin\\", ""}, {"skin\\back.jpg", "jpeg"}, {"skin\\buttons\\", ""},
                       {"skin\\buttons\\ok.gif", "gif"}, {"empty\\", ""}});
    ProgramResult r = RunProgram(ZULCHECK_EXE, {"--list-archive", archive.string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "4 ea72cb32 skin\\back.jpg\n3 a2371034 skin\\buttons\\ok.gif\n");

    // A damaged member after the folders: the program's own line and nothing else.
    std::string raw = ReadFileBytes(archive);
    raw[raw.find("jpeg")] ^= 0x01;
    dir.Write("shell.dat", raw);
    r = RunProgram(ZULCHECK_EXE, {"--list-archive", archive.string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "Error: Bad extracting file\n");
}

}  // namespace
