#include "platform/DiscCopy.h"

#include "platform/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A name of a folder listing that is safe to create: one component, never leading out.
bool SafeName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

struct CopyState {
    const DiscFs& disc;
    const DiscCopyLimits& limits;
    std::uintmax_t bytes = 0;
    std::size_t entries = 0;
    std::string failure;
};

bool CopyFile(CopyState& state, const fs::path& from, const DiscEntry& entry, const fs::path& to)
{
    if (entry.size > state.limits.max_bytes - state.bytes) {
        state.failure = "the folder holds more than can be copied";
        return false;
    }
    std::unique_ptr<DiscReader> reader = state.disc.Open(from);
    if (!reader) {
        state.failure = "cannot read " + from.string();
        return false;
    }
    const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        state.failure = "cannot write " + to.string() + ": " + std::strerror(errno);
        return false;
    }
    std::string head;
    std::uintmax_t copied = 0;
    bool ok = true;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        const std::size_t n = reader->Read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        // Never more than the listing said: the cap was checked against that.
        if (n > entry.size - copied) {
            state.failure = from.string() + " is longer than its listed size";
            ok = false;
            break;
        }
        if (head.size() < 4)
            head.append(buffer.data(), std::min<std::size_t>(n, 4 - head.size()));
        if (!WriteAll(fd, buffer.data(), n)) {
            state.failure = "cannot write " + to.string() + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        copied += n;
    }
    if (ok && reader->Failed()) {
        state.failure = "cannot read " + from.string();
        ok = false;
    }
    const bool runnable = entry.executable ? *entry.executable
                                           : (head.starts_with("#!") || head.starts_with("\x7F" "ELF"));
    if (ok && runnable && fchmod(fd, 0700) != 0) {
        state.failure = "cannot mark " + to.string() + " executable";
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        state.failure = "cannot write " + to.string() + ": " + std::strerror(errno);
        ok = false;
    }
    state.bytes += copied;
    return ok;
}

bool CopyFolder(CopyState& state, const fs::path& from, const fs::path& to, std::size_t depth)
{
    if (depth > state.limits.max_depth) {
        state.failure = "the folder is nested too deep to be copied";
        return false;
    }
    std::error_code ec;
    fs::create_directory(to, ec);
    if (ec) {
        state.failure = "cannot make " + to.string() + ": " + ec.message();
        return false;
    }
    for (const std::string& name : state.disc.List(from)) {
        if (!SafeName(name))
            continue;
        if (++state.entries > state.limits.max_entries) {
            state.failure = "the folder holds more than can be copied";
            return false;
        }
        const fs::path child = from / name;
        const DiscEntry entry = state.disc.Stat(child);
        bool ok = true;
        if (entry.kind == DiscEntryKind::kFolder)
            ok = CopyFolder(state, child, to / name, depth + 1);
        else if (entry.kind == DiscEntryKind::kFile)
            ok = CopyFile(state, child, entry, to / name);
        // Links and other kinds are left out: they could point anywhere on this system.
        if (!ok)
            return false;
    }
    return true;
}

}  // namespace

void DiscCopies::Release(const fs::path& folder)
{
    std::erase(folders_, folder);
}

DiscCopies::~DiscCopies()
{
    for (const fs::path& folder : folders_) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
}

std::optional<fs::path> DiscCopies::Copy(const DiscFs& disc, const fs::path& disc_folder, std::string& failure)
{
    if (disc.Stat(disc_folder).kind != DiscEntryKind::kFolder) {
        failure = "it is not a folder of the disc";
        return std::nullopt;
    }
    // The place of the folder under the disc root, component by component, none leading out.
    fs::path relative;
    const fs::path inside = disc.Root().empty() ? disc_folder : disc_folder.lexically_relative(disc.Root());
    for (const fs::path& part : inside.lexically_normal()) {
        const std::string name = part.string();
        if (name.empty() || name == ".")
            continue;
        if (!SafeName(name)) {
            failure = "the folder is not inside the disc";
            return std::nullopt;
        }
        relative /= part;
    }

    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    if (ec) {
        failure = "no temporary folder: " + ec.message();
        return std::nullopt;
    }
    std::string pattern = (temp / "zulshell-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {  // made private: only this user may enter it
        failure = "cannot make a temporary folder in " + temp.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const fs::path root = pattern;
    folders_.push_back(root);

    // The folders above the copied one are made empty; the copied one is filled (for the disc
    // root, the new folder itself).
    const fs::path destination = root / relative;
    fs::create_directories(destination, ec);
    CopyState state{disc, limits_, 0, 0, {}};
    if (ec || !CopyFolder(state, disc_folder, destination, 0)) {
        failure = ec ? "cannot make " + destination.string() + ": " + ec.message() : state.failure;
        fs::remove_all(root, ec);
        folders_.pop_back();
        return std::nullopt;
    }
    return root;
}
