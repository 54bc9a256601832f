// Any bytes, as a whole picture archive, read through the built-in UnRAR module the way
// ZipGrFile reads it: open, set the data callback, then header and test of each member in turn
// until a status ends it, and close. Nothing may crash, hang or leak, every block must be one the
// module promises (1 to 64 KiB), a member read in full must not bring more bytes than a size its
// header announced, and a cancel by the callback (past its bound) must end the member.
//
// The module opens archives by path: the bytes go to an in-memory file, named through /proc.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/UnrarModule.h"

namespace {

constexpr uint64_t kArchiveBound = 16u << 20;
constexpr int kMaxBlock = 64 * 1024;

struct Unpacking {
    uint64_t total = 0;   // bytes the archive has unpacked so far
    uint64_t member = 0;  // bytes of the member being tested
    bool cancelled = false;
};
Unpacking g_unpacking;

int CountData(unsigned char* addr, int size)
{
    if (addr == nullptr || size <= 0 || size > kMaxBlock)
        std::abort();
    // Touch the block's first and last bytes: the sanitizer sees a block that is not all there.
    volatile unsigned char edge = static_cast<unsigned char>(addr[0] ^ addr[size - 1]);
    (void)edge;
    if (g_unpacking.cancelled)
        std::abort();  // the module went on after a cancel
    g_unpacking.total += static_cast<uint64_t>(size);
    g_unpacking.member += static_cast<uint64_t>(size);
    if (g_unpacking.total > kArchiveBound) {
        g_unpacking.cancelled = true;
        return -1;
    }
    return 1;
}

const std::string& ArchivePath()
{
    static const std::string path = [] {
        const int fd = memfd_create("archive_fuzz", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void WriteArchive(const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(ArchivePath().c_str(), "wb");  // truncates
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
        std::abort();
}

}  // namespace

// A damaged RAR 5 header can make libarchive ask malloc for an impossible size (it computes one
// near 2^64); glibc answers such a request with NULL, which libarchive checks. The sanitizer's
// allocator is told to answer the same way instead of stopping the run. Our own `new` still
// reports an allocation that fails.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteArchive(data, size);
    std::string name = ArchivePath();
    RAROpenArchiveData open{};
    open.ArcName = name.data();
    open.OpenMode = RAR_OM_EXTRACT;
    RARHANDLE handle = BuiltinRAROpenArchive(&open);
    if ((handle == nullptr) != (open.OpenResult != ERAR_SUCCESS))
        std::abort();
    if (handle == nullptr)
        return 0;
    g_unpacking = Unpacking{};
    BuiltinRARSetProcessDataProc(handle, &CountData);
    for (;;) {
        RARHeaderData header{};
        if (BuiltinRARReadHeader(handle, &header) != ERAR_SUCCESS)
            break;
        if (header.FileName[sizeof header.FileName - 1] != '\0')
            std::abort();
        g_unpacking.member = 0;
        const int status = BuiltinRARProcessFile(handle, RAR_TEST, nullptr, nullptr);
        if (g_unpacking.cancelled != (status == ERAR_UNKNOWN))
            std::abort();  // a cancel must end the member with its own status, and only a cancel
        if (status != ERAR_SUCCESS)
            break;
        if (header.UnpSize != 0 && header.UnpSize != 0xFFFFFFFFu && g_unpacking.member > header.UnpSize)
            std::abort();
    }
    if (BuiltinRARCloseArchive(handle) != ERAR_SUCCESS)
        std::abort();
    return 0;
}
