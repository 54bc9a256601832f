// Any bytes, as a disc image: opened the way the program opens a disc kept as an image, then
// every folder listed and every file read through to its end. Nothing may crash, hang or leak;
// opening either works or throws DiscImageError naming the image; a file never gives more bytes
// than its size, and gives exactly its size unless its reader reports a failure.
//
// Images are opened by path: the bytes go to an in-memory file, named through /proc.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/DiscImage.h"

namespace {

// Opening a file walks the image's headers up to it: a few dozen files show what reading does
// without making a large index cost the square of its size.
constexpr int kMaxFilesRead = 48;
constexpr std::uintmax_t kMaxBytesRead = 16u << 20;

const std::string& ImagePath()
{
    static const std::string path = [] {
        const int fd = memfd_create("iso_fuzz", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void WriteImage(const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(ImagePath().c_str(), "wb");  // truncates
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
        std::abort();
}

struct Walk {
    const DiscFs& disc;
    int files = 0;
    std::uintmax_t bytes = 0;

    void ReadFile(const std::filesystem::path& path, const DiscEntry& entry)
    {
        if (files >= kMaxFilesRead || bytes >= kMaxBytesRead)
            return;
        ++files;
        const std::unique_ptr<DiscReader> reader = disc.Open(path);
        if (!reader)
            return;
        std::vector<char> buffer(7919);  // an odd size, so pieces straddle the image's blocks
        std::uintmax_t got = 0;
        while (bytes < kMaxBytesRead) {
            const std::size_t n = reader->Read(buffer.data(), buffer.size());
            if (n > buffer.size())
                std::abort();
            if (n == 0)
                break;
            got += n;
            bytes += n;
            if (got > entry.size)
                std::abort();  // more than the file holds
        }
        if (bytes < kMaxBytesRead && !reader->Failed() && got != entry.size)
            std::abort();  // ended early without saying so
    }

    void Folder(const std::filesystem::path& folder, int depth)
    {
        if (depth > 64)
            std::abort();  // deeper than the index allows
        for (const std::string& name : disc.List(folder)) {
            if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
                std::abort();  // not a name of a folder's entry
            const std::filesystem::path path = folder / name;
            const DiscEntry entry = disc.Stat(path);
            if (entry.kind == DiscEntryKind::kMissing)
                std::abort();  // listed but not there
            if (entry.kind == DiscEntryKind::kFolder)
                Folder(path, depth + 1);
            else if (entry.kind == DiscEntryKind::kFile)
                ReadFile(path, entry);
        }
    }
};

}  // namespace

// libarchive's ISO reader allocates what a damaged image's records ask for and checks the
// answer; the sanitizer's allocator is told to answer an impossible request with NULL the way
// glibc does instead of stopping the run. Our own `new` still reports an allocation that fails.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteImage(data, size);
    std::shared_ptr<const DiscFs> disc;
    try {
        disc = OpenDiscImage(ImagePath());
    } catch (const DiscImageError& e) {
        if (std::string(e.what()).find(ImagePath()) == std::string::npos)
            std::abort();
        return 0;
    }
    if (!disc->IsImage() || disc->Stat(disc->Root()).kind != DiscEntryKind::kFolder)
        std::abort();
    Walk walk{*disc};
    walk.Folder(disc->Root(), 0);
    return 0;
}
