#include "platform/Files.h"

#include <algorithm>
#include <fstream>
#include <system_error>

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::uintmax_t max_bytes)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > max_bytes)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
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
        in.read(bytes.data() + old, static_cast<std::streamsize>(n));
        bytes.resize(old + static_cast<std::size_t>(in.gcount()));
        if (!in)
            break;
    }
    if (in.bad() || bytes.size() > max_bytes)
        return std::nullopt;
    return bytes;
}
