#include "disc/PrivateFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}


std::unique_ptr<PrivateFileCopy> PrivateFileCopy::Make(const DiscFs& disc, const fs::path& path,
                                                       std::uintmax_t max_bytes)
{
    const DiscEntry entry = disc.Stat(path);
    if (entry.kind != DiscEntryKind::kFile || entry.size > max_bytes)
        return nullptr;
    std::unique_ptr<DiscReader> reader = disc.Open(path);
    if (!reader)
        return nullptr;

    std::error_code ec;
    fs::path folder = fs::temp_directory_path(ec);
    if (ec)
        folder = "/tmp";
    std::string name = (folder / "zulshell-XXXXXX").string();
    // mkstemp makes the file with the owner's read and write permission only.
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    std::unique_ptr<PrivateFileCopy> copy(new PrivateFileCopy(name));

    // The size the disc gave may be wrong: no more than the cap is written whatever comes.
    std::vector<char> block(64 * 1024);
    std::uintmax_t written = 0;
    bool ok = true;
    for (;;) {
        const std::size_t got = reader->Read(block.data(), block.size());
        if (got == 0)
            break;
        written += got;
        if (written > max_bytes || !WriteAll(fd, block.data(), got)) {
            ok = false;
            break;
        }
    }
    ok = ok && !reader->Failed();
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        return nullptr;  // the destructor removes the partial copy
    return copy;
}

PrivateFileCopy::~PrivateFileCopy()
{
    std::error_code ec;
    fs::remove(path_, ec);
}
