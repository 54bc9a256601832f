#include "disc/DiscCopy.h"

#include "disc/PrivateFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMarker = "zulshell copy";
constexpr const char* kOwnerFile = "owner";
constexpr const char* kStartedFile = "started";
constexpr const char* kDiscFolder = "disc";

// A name of a folder listing that is safe to create: one component, never leading out.
bool SafeName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// The components of a disc path, "." and empty ones left out.
std::vector<std::string> Components(const fs::path& path)
{
    std::vector<std::string> parts;
    for (const fs::path& part : path.lexically_normal()) {
        const std::string name = part.string();
        if (!name.empty() && name != ".")
            parts.push_back(name);
    }
    return parts;
}

// The prefix of the names of this user's copies, and of this run's.
std::string UserPrefix()
{
    return "zulshell-" + std::to_string(getuid()) + "-";
}

// This boot of the machine: process numbers of another boot name nothing now.
std::string BootId()
{
    std::FILE* file = std::fopen("/proc/sys/kernel/random/boot_id", "re");
    if (!file)
        return {};
    char line[64] = {};
    const bool got = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    std::string id = got ? line : "";
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r'))
        id.pop_back();
    return id;
}

// Whether anything of the process group `pid` still runs (one that may not be signalled, having
// become another user's, runs too).
bool GroupRuns(pid_t pid)
{
    return kill(-pid, 0) == 0 || errno == EPERM;
}

// Reads at most `limit` bytes of the file `fd`.
std::string ReadSome(int fd, std::size_t limit)
{
    std::string bytes(limit, '\0');
    std::size_t got = 0;
    while (got < limit) {
        const ssize_t n = read(fd, bytes.data() + got, limit - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::string ReadSmallFile(const fs::path& path, std::size_t limit)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return {};
    std::string bytes = ReadSome(fd, limit);
    close(fd);
    return bytes;
}

// What the sizes the disc records for a folder add up to, before anything is copied. On a slow
// drive the walk takes as long as the listings do: a cancel stops it between two entries.
struct Measure {
    const DiscFs& disc;
    const DiscCopyLimits& limits;
    const CopyProgress* progress;
    std::uintmax_t bytes = 0;
    std::size_t entries = 0;
    std::string failure;
    bool cancelled = false;
};

// Whether the reader cancelled the copy; once seen, `cancelled` and `failure` say so.
bool SeeCancel(const CopyProgress* progress, bool& cancelled, std::string& failure)
{
    if (progress && progress->cancelled.load()) {
        cancelled = true;
        failure = "the copy was cancelled";
    }
    return cancelled;
}

bool MeasureCancelled(Measure& m)
{
    return SeeCancel(m.progress, m.cancelled, m.failure);
}

bool MeasureFolder(Measure& m, const fs::path& folder, std::size_t depth)
{
    if (depth > m.limits.max_depth) {
        m.failure = "the folder is nested too deep to be copied";
        return false;
    }
    if (MeasureCancelled(m))
        return false;
    for (const std::string& name : m.disc.List(folder)) {
        if (!SafeName(name))
            continue;
        if (MeasureCancelled(m))
            return false;
        if (++m.entries > m.limits.max_entries) {
            m.failure = "the folder holds more than can be copied";
            return false;
        }
        const fs::path child = folder / name;
        const DiscEntry entry = m.disc.Stat(child);
        if (entry.kind == DiscEntryKind::kFolder) {
            if (!MeasureFolder(m, child, depth + 1))
                return false;
        } else if (entry.kind == DiscEntryKind::kFile) {
            m.bytes = entry.size > std::numeric_limits<std::uintmax_t>::max() - m.bytes
                          ? std::numeric_limits<std::uintmax_t>::max()
                          : m.bytes + entry.size;
        }
    }
    return true;
}

struct CopyState {
    const DiscFs& disc;
    std::uintmax_t budget;  // what the measure found: never more is written
    CopyProgress* progress;
    std::uintmax_t bytes = 0;
    std::string failure;
    bool cancelled = false;
};

bool Cancelled(CopyState& state)
{
    return SeeCancel(state.progress, state.cancelled, state.failure);
}

bool CopyFile(CopyState& state, const fs::path& from, const DiscEntry& entry, const fs::path& to)
{
    if (entry.size > state.budget - state.bytes) {
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
        if (Cancelled(state)) {
            ok = false;
            break;
        }
        const std::size_t n = reader->Read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        // Never more than the listing said: the limit was checked against that.
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
        if (state.progress)
            state.progress->done += n;
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

// Copies what the measure walked (the same names, the same limits, already checked).
bool CopyFolder(CopyState& state, const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::create_directory(to, ec);
    if (ec) {
        state.failure = "cannot make " + to.string() + ": " + ec.message();
        return false;
    }
    for (const std::string& name : state.disc.List(from)) {
        if (!SafeName(name))
            continue;
        if (Cancelled(state))
            return false;
        const fs::path child = from / name;
        const DiscEntry entry = state.disc.Stat(child);
        if (state.progress)
            state.progress->done += CopyProgress::kEntryWeight;
        bool ok = true;
        if (entry.kind == DiscEntryKind::kFolder)
            ok = CopyFolder(state, child, to / name);
        else if (entry.kind == DiscEntryKind::kFile)
            ok = CopyFile(state, child, entry, to / name);
        // Links and other kinds are left out: they could point anywhere on this system.
        if (!ok)
            return false;
    }
    return true;
}

// Makes the copy's own private folder with its marker, locked while this run lasts: the marker is
// written and locked under another name and then renamed, so that it is never seen unlocked while
// the run lives. The folder and the locked descriptor; nothing, with `failure`, when it cannot.
std::optional<std::pair<fs::path, int>> MakeCopyFolder(std::string& failure)
{
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    if (ec) {
        failure = "no temporary folder: " + ec.message();
        return std::nullopt;
    }
    std::string pattern = (temp / (UserPrefix() + std::to_string(getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {  // made private: only this user may enter it
        failure = "cannot make a temporary folder in " + temp.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const fs::path folder = pattern;
    const fs::path making = folder / "owner.new";
    const int fd = open(making.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    const std::string marker = std::string(kMarker) + "\nboot " + BootId() + "\n";
    if (fd < 0 || flock(fd, LOCK_EX) != 0 || !WriteAll(fd, marker.data(), marker.size()) ||
        rename(making.c_str(), (folder / kOwnerFile).c_str()) != 0 ||
        mkdir((folder / kDiscFolder).c_str(), 0700) != 0) {
        failure = "cannot make a temporary folder in " + temp.string() + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        fs::remove_all(folder, ec);
        return std::nullopt;
    }
    return std::pair{folder, fd};
}

}  // namespace

bool DiscFolderHolds(const fs::path& outer, const fs::path& inner)
{
    const std::vector<std::string> a = Components(outer);
    const std::vector<std::string> b = Components(inner);
    return a.size() <= b.size() && std::equal(a.begin(), a.end(), b.begin());
}

std::string ReadableSize(std::uintmax_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

void DiscCopies::Release(const fs::path& folder)
{
    std::lock_guard lock(mutex_);
    for (Made& made : made_)
        if (made.folder == folder)
            made.released = true;
}

std::vector<fs::path> DiscCopies::Folders() const
{
    std::lock_guard lock(mutex_);
    std::vector<fs::path> folders;
    for (const Made& made : made_)
        if (!made.released)
            folders.push_back(made.folder);
    return folders;
}

DiscCopies::~DiscCopies()
{
    for (const Made& made : made_) {
        if (!made.released) {
            std::error_code ec;
            fs::remove_all(made.folder, ec);
        }
        close(made.owner_fd);  // the lock goes with it
    }
}

std::optional<fs::path> DiscCopies::Find(const fs::path& disc_folder) const
{
    std::lock_guard lock(mutex_);
    for (const Made& made : made_) {
        // A copy someone removed (a cleaner of the temporary folder) is made again.
        std::error_code ec;
        if (DiscFolderHolds(made.disc_folder, disc_folder) && fs::is_directory(made.folder / kDiscFolder, ec))
            return made.folder / kDiscFolder;
    }
    return std::nullopt;
}

void DiscCopies::Started(const fs::path& root, pid_t pid)
{
    const std::string line = std::to_string(pid) + "\n";
    const int fd = open((FolderOf(root) / kStartedFile).c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    WriteAll(fd, line.data(), line.size());
    close(fd);
}

std::optional<fs::path> DiscCopies::Copy(const DiscFs& disc, const fs::path& disc_folder, CopyFailure& failure,
                                         CopyProgress* progress)
{
    failure = {};
    auto fail = [&failure](CopyFailure::Kind kind, std::string text) {
        failure = {kind, std::move(text)};
        return std::nullopt;
    };
    if (disc.Stat(disc_folder).kind != DiscEntryKind::kFolder)
        return fail(CopyFailure::Kind::kFailed, "it is not a folder of the disc");
    // The place of the folder under the disc root, component by component, none leading out.
    fs::path relative;
    const fs::path inside = disc.Root().empty() ? disc_folder : disc_folder.lexically_relative(disc.Root());
    for (const std::string& name : Components(inside)) {
        if (!SafeName(name))
            return fail(CopyFailure::Kind::kFailed, "the folder is not inside the disc");
        relative /= name;
    }
    if (std::optional<fs::path> made = Find(disc_folder))
        return made;

    // The sizes the disc records, added up before anything is written, and set aside from what
    // the run may copy in all.
    Measure measure{disc, limits_, progress, 0, 0, {}, false};
    if (!MeasureFolder(measure, disc_folder, 0))
        return fail(measure.cancelled ? CopyFailure::Kind::kCancelled : CopyFailure::Kind::kFailed, measure.failure);
    {
        std::lock_guard lock(mutex_);
        if (measure.bytes > limits_.max_bytes - used_) {
            std::string text = "its folder holds " + ReadableSize(measure.bytes) + ", more than the " +
                               ReadableSize(limits_.max_bytes) +
                               " the menu copies out of a disc image while it runs";
            if (used_ > 0)
                text += " (" + ReadableSize(used_) + " of that is taken already)";
            return fail(CopyFailure::Kind::kTooLarge, std::move(text));
        }
        used_ += measure.bytes;
    }
    if (progress)
        progress->total = measure.bytes + measure.entries * CopyProgress::kEntryWeight;

    std::string why;
    std::optional<std::pair<fs::path, int>> folder = MakeCopyFolder(why);
    CopyState state{disc, measure.bytes, progress, 0, {}, false};
    std::error_code ec;
    bool ok = folder.has_value();
    if (ok) {
        // The folders above the copied one are made empty; the copied one is filled (for the disc
        // root, the disc folder itself).
        const fs::path destination = folder->first / kDiscFolder / relative;
        fs::create_directories(destination, ec);
        if (ec)
            why = "cannot make " + destination.string() + ": " + ec.message();
        ok = !ec && CopyFolder(state, disc_folder, destination);
        if (!ok && !ec)
            why = state.failure;
    }
    std::lock_guard lock(mutex_);
    if (!ok) {
        used_ -= measure.bytes;
        if (folder) {
            fs::remove_all(folder->first, ec);
            close(folder->second);
        }
        return fail(state.cancelled ? CopyFailure::Kind::kCancelled : CopyFailure::Kind::kFailed, why);
    }
    made_.push_back({folder->first, disc_folder, folder->second, false});
    return folder->first / kDiscFolder;
}

namespace {

// Every path the processes this user may look at hold: working folders, programs, open and
// mapped files, and the words of their command lines.
std::vector<std::string> PathsInUse()
{
    std::vector<std::string> paths;
    std::error_code ec;
    auto link = [&paths](const fs::path& at) {
        std::error_code lec;
        const fs::path target = fs::read_symlink(at, lec);
        if (!lec)
            paths.push_back(target.string());
    };
    for (const fs::directory_entry& process : fs::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        link(process.path() / "cwd");
        link(process.path() / "exe");
        std::error_code fec;
        for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", fec))
            link(fd.path());
        const std::string maps = ReadSmallFile(process.path() / "maps", 1 << 20);
        for (std::size_t at = maps.find(" /"); at != std::string::npos; at = maps.find(" /", at + 1)) {
            const std::size_t end = maps.find('\n', at);
            paths.push_back(maps.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1));
        }
        const std::string cmdline = ReadSmallFile(process.path() / "cmdline", 1 << 16);
        for (std::size_t at = 0; at < cmdline.size();) {
            const std::size_t end = std::min(cmdline.find('\0', at), cmdline.size());
            paths.push_back(cmdline.substr(at, end - at));
            at = end + 1;
        }
    }
    return paths;
}

bool Inside(const std::string& path, const std::string& folder)
{
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

std::size_t SweepStaleCopies(const fs::path& given_temp)
{
    std::error_code ec;
    const fs::path temp = given_temp.empty() ? fs::temp_directory_path(ec) : given_temp;
    if (ec)
        return 0;
    // This user's copies by their names: the prefix, the run's process number, '-', mkdtemp's six.
    const std::string prefix = UserPrefix();
    std::vector<fs::path> candidates;
    for (const fs::directory_entry& entry : fs::directory_iterator(temp, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix))
            continue;
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || rest.size() - dash - 1 != 6 ||
            !std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(dash),
                         [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        struct stat st {};
        if (lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
            continue;
        candidates.push_back(entry.path());
    }
    if (candidates.empty())
        return 0;

    const std::vector<std::string> in_use = PathsInUse();
    const std::string boot = BootId();
    std::size_t removed = 0;
    for (const fs::path& folder : candidates) {
        const int fd = open((folder / kOwnerFile).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;  // not marked: not a copy, or one being made
        struct stat st {};
        const std::string marker = ReadSome(fd, 4096);
        bool stale = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid() &&
                     marker.starts_with(std::string(kMarker) + "\n") && flock(fd, LOCK_EX | LOCK_NB) == 0;
        // Its programs, while this boot lasts.
        if (stale && !boot.empty() && marker.find("\nboot " + boot + "\n") != std::string::npos) {
            const std::string started = ReadSmallFile(folder / kStartedFile, 1 << 16);
            std::size_t at = 0;
            while (stale && at < started.size()) {
                const std::size_t end = std::min(started.find('\n', at), started.size());
                const std::string number = started.substr(at, end - at);
                const long pid = number.empty() || number.size() > 9 ? 0 : std::strtol(number.c_str(), nullptr, 10);
                stale = pid > 0 && !GroupRuns(static_cast<pid_t>(pid));
                at = end + 1;
            }
        }
        const std::string lexical = folder.string();
        const std::string real = fs::weakly_canonical(folder, ec).string();
        for (std::size_t i = 0; stale && i < in_use.size(); ++i)
            stale = !Inside(in_use[i], lexical) && !Inside(in_use[i], real);
        if (stale && fs::remove_all(folder, ec) > 0)
            ++removed;
        close(fd);
    }
    return removed;
}
