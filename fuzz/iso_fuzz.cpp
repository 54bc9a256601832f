// Any bytes, as a disc image: opened the way the program opens a disc kept as an image, then
// every folder listed and every file read through to its end. Nothing may crash, hang or leak;
// opening either works or throws DiscImageError naming the image; a file never gives more bytes
// than its size, and gives exactly its size unless its reader reports a failure.
//
// The bytes are the image file itself (a plain, raw or Nero image, recognised by its content), or
// a sheet and its data file joined by kSplit: the sheet is then written as disc.cue, disc.ccd or
// disc.mds (by its first bytes) and the data as disc.bin, disc.img and disc.mdf beside it, and the
// sheet is opened.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "disc/DiscImage.h"

namespace {

// Enough files and bytes to show what reading does, few enough to keep each run short.
constexpr int kMaxFilesRead = 64;
constexpr std::uintmax_t kMaxBytesRead = 16u << 20;

constexpr std::string_view kSplit = "\n--zul-data--\n";

const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = [] {
        char name[] = "/tmp/iso_fuzz.XXXXXX";
        if (mkdtemp(name) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return std::filesystem::path(name);
    }();
    return folder;
}

void WriteFile(const std::filesystem::path& path, const char* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");  // truncates
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
        std::abort();
}

// Writes the input as described above; gives the path to open.
std::filesystem::path WriteImage(const uint8_t* bytes, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = input.find(kSplit);
    for (const char* name : {"disc.iso", "disc.cue", "disc.ccd", "disc.mds", "disc.bin", "disc.img", "disc.mdf"})
        std::filesystem::remove(Folder() / name);
    if (split == std::string_view::npos) {
        WriteFile(Folder() / "disc.iso", input.data(), input.size());
        return Folder() / "disc.iso";
    }
    const std::string_view sheet = input.substr(0, split);
    const std::string_view data = input.substr(split + kSplit.size());
    const char* name = sheet.substr(0, 9) == "[CloneCD]"          ? "disc.ccd"
                       : sheet.substr(0, 16) == "MEDIA DESCRIPTOR" ? "disc.mds"
                                                                   : "disc.cue";
    WriteFile(Folder() / name, sheet.data(), sheet.size());
    WriteFile(Folder() / "disc.bin", data.data(), data.size());
    std::filesystem::create_hard_link(Folder() / "disc.bin", Folder() / "disc.img");
    std::filesystem::create_hard_link(Folder() / "disc.bin", Folder() / "disc.mdf");
    return Folder() / name;
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
    const std::filesystem::path image = WriteImage(data, size);
    std::shared_ptr<const DiscFs> disc;
    try {
        disc = OpenDiscImage(image);
    } catch (const DiscImageError& e) {
        if (std::string(e.what()).find(image.string()) == std::string::npos)
            std::abort();
        return 0;
    }
    if (!disc->IsImage() || disc->Stat(disc->Root()).kind != DiscEntryKind::kFolder)
        std::abort();
    Walk walk{*disc};
    walk.Folder(disc->Root(), 0);
    return 0;
}
