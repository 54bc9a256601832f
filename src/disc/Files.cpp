#include "disc/Files.h"

#include "disc/DiscFs.h"

#include <algorithm>
#include <memory>
#include <system_error>

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::uintmax_t max_bytes)
{
    return ReadWholeFile(*FolderDiscFs(file.parent_path()), file, max_bytes);
}

std::optional<std::string> ReadWholeFile(const DiscFs& disc, const std::filesystem::path& file,
                                         std::uintmax_t max_bytes)
{
    const DiscEntry entry = disc.Stat(file);
    if (entry.kind != DiscEntryKind::kFile || entry.size > max_bytes)
        return std::nullopt;
    std::unique_ptr<DiscReader> reader = disc.Open(file);
    if (!reader)
        return std::nullopt;
    // The file may grow between the size check and the read: read at most one byte past the
    // cap, which tells a file that is now too large from one that is exactly at it.
    const std::uintmax_t want = max_bytes + 1;
    std::string bytes;
    constexpr std::size_t kChunk = 64 * 1024;
    while (bytes.size() < want) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(kChunk, want - bytes.size()));
        const std::size_t old = bytes.size();
        bytes.resize(old + n);
        const std::size_t got = reader->Read(bytes.data() + old, n);
        bytes.resize(old + got);
        if (got < n)
            break;
    }
    if (reader->Failed() || bytes.size() > max_bytes)
        return std::nullopt;
    return bytes;
}
