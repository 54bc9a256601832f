#include "platform/Opener.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "disc/CodePages.h"
#include "platform/LinkDocuments.h"
#include "platform/WindowsProgram.h"

namespace fs = std::filesystem;

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `target` begins with a URI scheme and its ':'. One letter before the ':' is a drive
// letter, and anything but letters, digits, '+', '-' and '.' (a backslash, a space) makes it a
// disc path.
bool HasScheme(std::string_view target)
{
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2 || !IsAsciiLetter(target[0]))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = target[i];
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool StartsWithWww(std::string_view target)
{
    static constexpr std::string_view kWww = "www.";
    if (target.size() < kWww.size())
        return false;
    for (std::size_t i = 0; i < kWww.size(); ++i)
        if (AsciiLower(target[i]) != kWww[i])
            return false;
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A link without the blanks around it, which a script's line may leave there.
std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whether a target with a scheme (HasScheme) is a web or mail address, the only links followed.
bool IsWebOrMailLink(std::string_view target)
{
    const std::string_view scheme = target.substr(0, target.find(':'));
    for (const std::string_view allowed : {"http", "https", "ftp", "mailto"})
        if (EqualNoCase(scheme, allowed))
            return true;
    return false;
}

// Why the file `path` of `disc` may not be opened from a link, or nothing when it is a document: a
// program (native, or Windows by its "MZ" header) is never started from a link, and the desktop is
// handed only what it opens as a document (LinkDocuments.h), never what it would run.
std::optional<std::string> LinkRefusal(const DiscFs& disc, const fs::path& path)
{
    const std::optional<std::string> head = ReadDiscHead(disc, path, kLinkDocumentHeadBytes);
    if (!head)
        return "cannot read it";
    if (head->starts_with("#!") || head->starts_with("\x7F" "ELF") || head->starts_with("MZ"))
        return "it is a program, which a link does not start";
    return LinkDocumentRefusal(path.filename().string(), *head);
}

// `p` made absolute, without the "." components a relative disc root leaves in it.
fs::path Absolute(const fs::path& p)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(p, ec);
    if (ec)
        return p;
    fs::path tidy;
    for (const fs::path& part : absolute)
        if (!part.empty() && part != ".")
            tidy /= part;
    return tidy;
}

bool IsExecutableFile(const fs::path& p)
{
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(p.c_str(), X_OK) == 0;
}

// The first executable file named `name` in the absolute folders of the search path `path_env`.
std::optional<fs::path> FindOnPath(const std::string& name, const std::string& path_env)
{
    std::size_t start = 0;
    while (start <= path_env.size()) {
        std::size_t end = path_env.find(':', start);
        if (end == std::string::npos)
            end = path_env.size();
        const fs::path folder = path_env.substr(start, end - start);
        if (folder.is_absolute() && IsExecutableFile(folder / name))
            return folder / name;
        start = end + 1;
    }
    return std::nullopt;
}

// A regular file opened for reading its header; never blocks on opening.
class HeaderReader {
public:
    explicit HeaderReader(const fs::path& p)
        : fd_(open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK))
    {
        struct stat st {};
        if (fd_ >= 0 && (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~HeaderReader()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    HeaderReader(const HeaderReader&) = delete;
    HeaderReader& operator=(const HeaderReader&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // Up to `size` bytes from `offset`; fewer at the end of the file or on a read error.
    std::string Read(std::uint64_t offset, std::size_t size) const
    {
        std::string bytes(size, '\0');
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = pread(fd_, bytes.data() + got, size - got,
                                    static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

private:
    int fd_;
};

// The length of the header the kernel reads to find a script's interpreter line.
constexpr std::size_t kScriptHeaderBytes = 256;

bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// The interpreter a "#!" line names and its one optional argument (the rest of the line, spaces
// inside it kept), read the way the kernel reads it; empty when the line names none or is too long
// to hold the whole interpreter name.
std::vector<std::string> ScriptInterpreter(std::string_view head)
{
    std::string_view line = head.substr(2);
    const std::size_t newline = line.find('\n');
    if (newline != std::string_view::npos) {
        line = line.substr(0, newline);
    } else if (head.size() >= kScriptHeaderBytes) {
        // The line goes on past what the kernel reads: usable only when the interpreter name ends
        // inside it.
        const std::size_t name = line.find_first_not_of(" \t");
        if (name == std::string_view::npos ||
            line.find_first_of(std::string_view(" \t\0", 3), name) == std::string_view::npos)
            return {};
        line = line.substr(0, line.size() - 1);
    }
    line = line.substr(0, line.find('\0'));  // the kernel reads the line as a C string
    while (!line.empty() && IsSpaceOrTab(line.back()))
        line.remove_suffix(1);
    while (!line.empty() && IsSpaceOrTab(line.front()))
        line.remove_prefix(1);
    if (line.empty())
        return {};
    std::size_t name_end = 0;
    while (name_end < line.size() && !IsSpaceOrTab(line[name_end]))
        ++name_end;
    std::vector<std::string> words{std::string(line.substr(0, name_end))};
    std::string_view argument = line.substr(name_end);
    while (!argument.empty() && IsSpaceOrTab(argument.front()))
        argument.remove_prefix(1);
    if (!argument.empty())
        words.emplace_back(argument);
    return words;
}

std::uint64_t ReadUnsigned(std::string_view bytes, std::size_t at, std::size_t size, bool big_endian)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t index = big_endian ? at + i : at + size - 1 - i;
        value = (value << 8) | static_cast<unsigned char>(bytes[index]);
    }
    return value;
}

// The program interpreter (PT_INTERP) an ELF file names, checked as the kernel checks it; nothing
// when it names none (a static program) or its headers are broken.
std::optional<std::string> ElfInterpreter(const HeaderReader& file)
{
    constexpr std::uint64_t kProgramInterpreter = 3;  // PT_INTERP
    constexpr std::uint64_t kMaxInterpreterBytes = 4096;
    constexpr std::uint64_t kMaxProgramHeaderBytes = 65536;

    const std::string header = file.Read(0, 64);
    if (header.size() < 52 || (header[4] != 1 && header[4] != 2) || (header[5] != 1 && header[5] != 2))
        return std::nullopt;
    const bool wide = header[4] == 2;  // 64-bit
    const bool big = header[5] == 2;
    if (wide && header.size() < 64)
        return std::nullopt;
    auto field = [&](std::string_view bytes, std::size_t at, std::size_t size) {
        return ReadUnsigned(bytes, at, size, big);
    };
    const std::uint64_t table_offset = wide ? field(header, 0x20, 8) : field(header, 0x1C, 4);
    const std::uint64_t entry_size = field(header, wide ? 0x36 : 0x2A, 2);
    const std::uint64_t entries = field(header, wide ? 0x38 : 0x2C, 2);
    if (entry_size != (wide ? 56u : 32u) || entries == 0 || entries * entry_size > kMaxProgramHeaderBytes)
        return std::nullopt;
    const std::string table = file.Read(table_offset, static_cast<std::size_t>(entries * entry_size));
    if (table.size() != entries * entry_size)
        return std::nullopt;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::size_t entry = static_cast<std::size_t>(i * entry_size);
        if (field(table, entry, 4) != kProgramInterpreter)
            continue;
        const std::uint64_t offset = wide ? field(table, entry + 8, 8) : field(table, entry + 4, 4);
        const std::uint64_t size = wide ? field(table, entry + 32, 8) : field(table, entry + 16, 4);
        if (size < 2 || size > kMaxInterpreterBytes)
            return std::nullopt;
        std::string name = file.Read(offset, static_cast<std::size_t>(size));
        if (name.size() != size || name.back() != '\0')
            return std::nullopt;
        name.resize(name.find('\0'));
        if (name.empty())
            return std::nullopt;
        return name;
    }
    return std::nullopt;
}

OpenPlan Failure(std::string reason)
{
    OpenPlan plan;
    plan.action = OpenPlan::Action::Fail;
    plan.failure = std::move(reason);
    return plan;
}

OpenPlan Start(std::vector<std::string> argv, fs::path cwd, std::string runs)
{
    OpenPlan plan;
    plan.action = OpenPlan::Action::Start;
    plan.argv = std::move(argv);
    plan.cwd = std::move(cwd);
    plan.runs = std::move(runs);
    return plan;
}

// The folder the desktop's programs start in: the reader's home folder, or "/" without one. Never
// the disc: what a program looks up in its working folder (a library search path with an empty
// element makes the dynamic loader do that) must not be found on it.
fs::path DesktopFolder()
{
    const char* home = std::getenv("HOME");
    std::error_code ec;
    if (home && fs::path(home).is_absolute() && fs::is_directory(home, ec))
        return home;
    return "/";
}

OpenPlan HandToDesktop(std::string argument, const std::string& path_env)
{
    const std::optional<fs::path> xdg_open = FindOnPath("xdg-open", path_env);
    if (!xdg_open)
        return Failure("no xdg-open on PATH");
    OpenPlan plan;
    plan.action = OpenPlan::Action::Hand;
    plan.argv = {xdg_open->string(), std::move(argument)};
    plan.cwd = DesktopFolder();
    plan.runs = "xdg-open";
    return plan;
}

OpenPlan Kind(OpenPlan plan, OpenPlan::Kind kind)
{
    plan.kind = kind;
    return plan;
}

// The plan for the Windows program `program`: Wine starts it, an installer package through its
// own msiexec; without Wine on the search path the reader is to be told.
OpenPlan StartThroughWine(WindowsProgram windows, const fs::path& program, fs::path cwd, const std::string& path_env)
{
    const std::optional<fs::path> wine = FindOnPath("wine", path_env);
    if (!wine) {
        OpenPlan plan;
        plan.action = OpenPlan::Action::NoWine;
        plan.failure = "it is a Windows program, and Wine is not installed";
        return plan;
    }
    std::vector<std::string> argv{wine->string()};
    if (windows == WindowsProgram::kInstaller)
        argv.insert(argv.end(), {"msiexec", "/i"});
    argv.push_back(program.string());
    return Start(std::move(argv), std::move(cwd), "Wine");
}

// `list` (a PATH or LD_LIBRARY_PATH value) with its absolute folders only: an empty or relative
// element is looked up from the working folder, which for a setup is the disc.
std::string AbsoluteFoldersOnly(std::string_view list)
{
    std::string kept;
    while (true) {
        const std::size_t end = std::min(list.find(':'), list.size());
        const std::string_view folder = list.substr(0, end);
        if (folder.starts_with('/'))
            kept.append(kept.empty() ? "" : ":").append(folder);
        if (end == list.size())
            return kept;
        list.remove_prefix(end + 1);
    }
}

// This process's environment as its children get it: PATH and LD_LIBRARY_PATH hold only their
// absolute folders, and one left with none is not passed on.
std::vector<std::string> ChildEnvironment()
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string variable = *entry;
        for (const std::string_view name : {"PATH=", "LD_LIBRARY_PATH="}) {
            if (variable.starts_with(name)) {
                const std::string folders = AbsoluteFoldersOnly(std::string_view(variable).substr(name.size()));
                variable = folders.empty() ? std::string() : std::string(name) + folders;
            }
        }
        if (!variable.empty())
            variables.push_back(std::move(variable));
    }
    return variables;
}

// Starts the plan's program in a session of its own, with standard input from /dev/null, every
// signal at its default and none blocked, none of this process's other files open, and the
// environment of ChildEnvironment. 0, or the error number of what failed (posix_spawn reports a
// failed exec too).
int Spawn(const OpenPlan& plan, pid_t& pid)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int error = posix_spawn_file_actions_init(&actions);
    if (error != 0)
        return error;
    error = posix_spawnattr_init(&attributes);
    if (error != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return error;
    }
    error = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (error == 0 && !plan.cwd.empty())
        error = posix_spawn_file_actions_addchdir_np(&actions, plan.cwd.c_str());
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    if (error == 0)
        error = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    if (error == 0)
        error = posix_spawnattr_setsigmask(&attributes, &none);
    if (error == 0)
        error = posix_spawnattr_setsigdefault(&attributes, &all);
    if (error == 0)
        error = posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (error == 0) {
        std::vector<char*> argv;
        for (const std::string& word : plan.argv)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> variables = ChildEnvironment();
        std::vector<char*> environment;
        for (std::string& variable : variables)
            environment.push_back(variable.data());
        environment.push_back(nullptr);
        error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environment.data());
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Writes the one line that says `target` (already printable) could not be opened, and why.
void ReportFailure(const std::string& printable_target, const std::string& reason)
{
    const std::string line = "zulshell: cannot open \"" + printable_target + "\": " + reason + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string NoWineNotice(const std::string& target)
{
    return "\"" + target +
           "\" is a Windows program. Windows programs run on this system through Wine, "
           "and Wine is not installed.\n\n"
           "To install it on Debian or Ubuntu: sudo apt install wine";
}


}  // namespace

std::string DefaultSearchPath()
{
    if (const char* path = std::getenv("PATH"))
        return path;
    const std::size_t size = confstr(_CS_PATH, nullptr, 0);
    if (size == 0)
        return "/bin:/usr/bin";
    std::string path(size, '\0');
    confstr(_CS_PATH, path.data(), size);
    path.resize(size - 1);
    return path;
}

OpenPlan PlanOpen(std::string_view target, const PathResolver& resolver, const std::string& path_env, OpenAs as)
{
    if (as == OpenAs::kLink)
        target = TrimBlanks(target);
    if (target.empty())
        return {};
    fs::path root = Absolute(resolver.Root());
    if (HasScheme(target)) {
        if (as == OpenAs::kLink && !IsWebOrMailLink(target))
            return Failure("it is not an http, https, ftp or mailto link");
        return Kind(HandToDesktop(std::string(target), path_env), OpenPlan::Kind::WebLink);
    }
    if (StartsWithWww(target))
        return Kind(HandToDesktop("http://" + std::string(target), path_env), OpenPlan::Kind::WebLink);

    // The disc says what is its own: nothing it finds lies outside it.
    const std::optional<fs::path> found = resolver.Find(target);
    if (!found)
        return Failure("nothing of that name on the disc");
    const fs::path path = Absolute(*found);
    const DiscEntry entry = resolver.Disc().Stat(*found);
    if (entry.kind == DiscEntryKind::kFolder)
        return Kind(HandToDesktop(path.string(), path_env), OpenPlan::Kind::Folder);
    if (entry.kind != DiscEntryKind::kFile)
        return Failure("it is neither a file nor a folder");
    if (as == OpenAs::kLink) {
        if (std::optional<std::string> refusal = LinkRefusal(resolver.Disc(), *found))
            return Failure(std::move(*refusal));
        return Kind(HandToDesktop(path.string(), path_env), OpenPlan::Kind::Document);
    }

    // A program is known by its first bytes: on a disc copied from or mounted as a Windows file
    // system every file may carry the executable bit, documents included. The bit (which a noexec
    // mount takes away) only decides whether the kernel can start a native program itself.
    const bool executable = resolver.Disc().IsImage() ? entry.executable.value_or(false)
                                                      : access(path.c_str(), X_OK) == 0;
    const std::optional<std::string> head = ReadDiscHead(resolver.Disc(), *found, kWindowsProgramHeadBytes);
    if (!head) {
        if (executable)  // unreadable yet executable: only the kernel can look inside
            return Kind(Start({path.string()}, std::move(root), "the program"), OpenPlan::Kind::NativeProgram);
        return Kind(HandToDesktop(path.string(), path_env), OpenPlan::Kind::Document);
    }
    const bool script = head->starts_with("#!");
    const bool elf = head->starts_with("\x7F" "ELF");
    if (!script && !elf) {
        const WindowsProgram windows = RecogniseWindowsProgram(found->filename().string(), *head);
        if (windows == WindowsProgram::kNone)
            return Kind(HandToDesktop(path.string(), path_env), OpenPlan::Kind::Document);
        return Kind(StartThroughWine(windows, path, std::move(root), path_env), OpenPlan::Kind::WindowsProgram);
    }
    // An image's program is started from its copy, which the kernel can start (or, when its
    // mode says otherwise, runs as below): what it is is all an image's plan can say.
    if (executable || resolver.Disc().IsImage())
        return Kind(Start({path.string()}, std::move(root), "the program"), OpenPlan::Kind::NativeProgram);

    if (script) {
        std::vector<std::string> argv = ScriptInterpreter(head->substr(0, kScriptHeaderBytes));
        if (argv.empty())
            return Failure("its \"#!\" line names no interpreter");
        std::string runs = "the interpreter \"" + PrintableDiscText(argv[0]) + "\"";
        argv.push_back(path.string());
        return Kind(Start(std::move(argv), std::move(root), std::move(runs)), OpenPlan::Kind::NativeProgram);
    }
    const HeaderReader file(path);
    const std::optional<std::string> interpreter = file.IsOpen() ? ElfInterpreter(file) : std::nullopt;
    if (!interpreter)
        return Failure("it is not marked executable and names no program interpreter");
    std::string runs = "the program interpreter \"" + PrintableDiscText(*interpreter) + "\"";
    return Kind(Start({*interpreter, path.string()}, std::move(root), std::move(runs)), OpenPlan::Kind::NativeProgram);
}

namespace {

// Whether anything of what was started as `pid` still runs. Every program is started in a session
// of its own, so its process group has its number: an installer's own children (a setup script
// that starts the real installer and ends) count too. A group that exists but may not be signalled
// (the program became another user's, as through pkexec) runs too. Linux hands out no process
// number still in use as a group's, so an ended group is never taken for another.
bool StillRuns(pid_t pid)
{
    return kill(-pid, 0) == 0 || errno == EPERM;
}

// The shell commands that remove a copied folder (its first argument) once the process groups
// named by the others have ended (by StillRuns' rule; a leader that became another user's shows in
// /proc). The outer shell ends at once, so the remover is nobody's child to wait for; it polls once
// a second, which costs nothing while an installer runs.
constexpr const char* kRemoveWhenEnded =
    "folder=$1; shift\n"
    "( for pid in \"$@\"; do\n"
    "    while kill -0 \"-$pid\" 2>/dev/null || [ -d \"/proc/$pid\" ]; do sleep 1; done\n"
    "  done\n"
    "  rm -rf -- \"$folder\" ) >/dev/null 2>&1 &\n";

// Removes `folder` once the process groups `pids` have ended, in a process of its own that
// outlives this one; false when it cannot be started.
bool RemoveWhenEnded(const fs::path& folder, const std::vector<pid_t>& pids)
{
    OpenPlan plan;
    // The remover works in "/" (it must not hold the disc's folder), so a folder under a relative
    // temporary folder is named in full.
    plan.argv = {"/bin/sh", "-c", kRemoveWhenEnded, "zulshell", fs::absolute(folder).string()};
    for (const pid_t pid : pids)
        plan.argv.push_back(std::to_string(pid));
    plan.cwd = "/";
    pid_t pid = 0;
    if (Spawn(plan, pid) != 0)
        return false;
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = waitpid(pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    return reaped == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

struct SystemOpener::Children {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

SystemOpener::SystemOpener(PathResolver resolver, std::optional<std::string> path_env, Notice notice,
                           std::unique_ptr<CopyRunner> copier)
    : resolver_(std::move(resolver)),
      path_env_(path_env ? std::move(*path_env) : DefaultSearchPath()),
      notice_(std::move(notice)),
      copier_(copier ? std::move(copier) : std::make_unique<InPlaceCopyRunner>()),
      children_(std::make_shared<Children>())
{
}

SystemOpener::~SystemOpener()
{
    // Copies under way are cancelled (their partial folders go) and waited for; what waited for
    // them is not opened.
    copier_.reset();
    // An installer started from a copy usually still runs when the reader closes the menu, and
    // reads its neighbours later: such a folder goes once its programs have ended, not now.
    for (const auto& [root, pids] : started_in_) {
        std::vector<pid_t> running;
        for (const pid_t pid : pids)
            if (StillRuns(pid))
                running.push_back(pid);
        const fs::path folder = DiscCopies::FolderOf(root);
        if (!running.empty() && RemoveWhenEnded(folder, running))
            copies_.Release(folder);
    }
}

std::optional<OpenPlan> SystemOpener::Plan(std::string_view target, OpenAs as, std::optional<fs::path>& copy)
{
    if (!resolver_.Disc().IsImage() || target.empty() || HasScheme(target) || StartsWithWww(target))
        return PlanOpen(target, resolver_, path_env_, as);
    const std::optional<fs::path> found = resolver_.Find(target);
    if (!found)
        return PlanOpen(target, resolver_, path_env_, as);  // says that nothing has that name
    const DiscEntry entry = resolver_.Disc().Stat(*found);
    if (entry.kind != DiscEntryKind::kFile && entry.kind != DiscEntryKind::kFolder)
        return Failure("it is neither a file nor a folder");
    // A link to a program is refused before anything is copied for it.
    if (as == OpenAs::kLink && entry.kind == DiscEntryKind::kFile)
        if (std::optional<std::string> refusal = LinkRefusal(resolver_.Disc(), *found))
            return Failure(std::move(*refusal));
    const fs::path folder = entry.kind == DiscEntryKind::kFolder ? *found : found->parent_path();
    copy = copies_.Find(folder);
    if (!copy) {
        AwaitCopy(folder, std::string(target), as);
        return std::nullopt;
    }
    return PlanOpen(target, PathResolver(*copy), path_env_, as);
}

void SystemOpener::AwaitCopy(const fs::path& folder, const std::string& target, OpenAs as)
{
    const std::pair<std::string, OpenAs> wish{target, as};
    for (PendingCopy& pending : pending_) {
        if (DiscFolderHolds(pending.folder, folder)) {
            // A second click while the copy runs opens the target once all the same.
            if (std::find(pending.waiting.begin(), pending.waiting.end(), wish) == pending.waiting.end())
                pending.waiting.push_back(wish);
            return;
        }
    }
    auto progress = std::make_shared<CopyProgress>();
    auto failure = std::make_shared<CopyFailure>();
    pending_.push_back({folder, progress, failure, {wish}});
    // The copy reads the disc and fills copies_, which outlive the runner; nothing else is shared.
    auto work = [this, folder, progress, failure] {
        try {
            copies_.Copy(resolver_.Disc(), folder, *failure, progress.get());
        } catch (const std::exception& e) {
            *failure = {CopyFailure::Kind::kFailed, e.what()};
        }
    };
    const std::string name = folder.empty() ? resolver_.Disc().Name() : folder.filename().string();
    copier_->Run(PrintableDiscText(name), progress, std::move(work), [this, progress] { CopyDone(progress); });
}

void SystemOpener::CopyDone(const std::shared_ptr<CopyProgress>& progress)
{
    const auto it = std::find_if(pending_.begin(), pending_.end(),
                                 [&](const PendingCopy& pending) { return pending.progress == progress; });
    if (it == pending_.end())
        return;
    const PendingCopy done = std::move(*it);
    pending_.erase(it);
    // A cancel that came after the copy's last look at it (the copy made all the same) is the
    // reader's choice too: nothing opens.
    if (progress->cancelled)
        return;
    switch (done.failure->kind) {
    case CopyFailure::Kind::kNone:
        // Each target is now planned from the copy. One that went missing already (a cleaner of
        // the temporary folder) is not copied again in a loop.
        if (!copies_.Find(done.folder)) {
            for (const auto& [target, as] : done.waiting)
                ReportFailure(PrintableDiscText(target), "its copy out of the disc image went missing");
            return;
        }
        for (const auto& [target, as] : done.waiting)
            Carry(target, as);
        return;
    case CopyFailure::Kind::kCancelled:
        return;  // the reader's choice: nothing opens
    case CopyFailure::Kind::kTooLarge:
        // Something the reader did not expect and cannot do much about: a box, once for the copy.
        if (notice_)
            // The box reads the disc's bytes in the disc's code page.
            notice_("\"" + done.waiting.front().first + "\" is not opened: " + done.failure->text + ".");
        else
            ReportFailure(PrintableDiscText(done.waiting.front().first),
                          "cannot copy it out of the disc image: " + done.failure->text);
        return;
    case CopyFailure::Kind::kFailed:
        for (const auto& [target, as] : done.waiting)
            ReportFailure(PrintableDiscText(target), "cannot copy it out of the disc image: " + done.failure->text);
        return;
    }
}

void SystemOpener::CancelCopies()
{
    copier_->CancelAll();
}

void SystemOpener::Open(const std::string& target)
{
    Carry(target, OpenAs::kSetup);
}

void SystemOpener::OpenLink(const std::string& link)
{
    // The blanks around a link are no part of it, in what is opened and in what is reported.
    Carry(std::string(TrimBlanks(link)), OpenAs::kLink);
}

void SystemOpener::Carry(const std::string& target, OpenAs as)
{
    std::optional<fs::path> copy;
    const std::optional<OpenPlan> planned = Plan(target, as, copy);
    if (!planned)
        return;  // its folder is being copied out of the image: carried out once that is done
    const OpenPlan& plan = *planned;
    switch (plan.action) {
    case OpenPlan::Action::Nothing:
        return;
    case OpenPlan::Action::Fail:
        ReportFailure(PrintableDiscText(target), plan.failure);
        return;
    case OpenPlan::Action::NoWine:
        // The reader pressed the button and nothing would come: they are told what it takes, once.
        if (!told_no_wine_ && notice_) {
            told_no_wine_ = true;
            notice_(NoWineNotice(target));  // disc bytes: the box reads them in the disc's code page
        } else {
            ReportFailure(PrintableDiscText(target), plan.failure);
        }
        return;
    case OpenPlan::Action::Start:
    case OpenPlan::Action::Hand:
        break;
    }

    pid_t pid = 0;
    const int error = Spawn(plan, pid);
    if (error != 0) {
        ReportFailure(PrintableDiscText(target),
                      "cannot start " + plan.runs + ": " + std::generic_category().message(error));
        return;
    }

    {
        std::lock_guard lock(children_->mutex);
        ++children_->running;
    }
    if (copy) {
        started_in_[*copy].push_back(pid);
        copies_.Started(*copy, pid);
    }
    // The target is made printable here, where the disc's code page is read, not in the waiter.
    const bool report_status = plan.action == OpenPlan::Action::Hand;
    auto wait = [pid, report_status, runs = plan.runs, printable_target = PrintableDiscText(target),
                 children = children_] {
        int status = 0;
        pid_t reaped = 0;
        do {
            reaped = waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        if (reaped == pid && report_status) {
            if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
                ReportFailure(printable_target,
                              runs + " ended with status " + std::to_string(WEXITSTATUS(status)));
            else if (WIFSIGNALED(status))
                ReportFailure(printable_target,
                              runs + " was ended by signal " + std::to_string(WTERMSIG(status)));
        }
        std::lock_guard lock(children->mutex);
        --children->running;
        children->ended.notify_all();
    };
    try {
        std::thread(std::move(wait)).detach();
    } catch (const std::system_error&) {
        // No thread to wait with: the process runs on, and is reaped by no one until the menu ends.
        std::lock_guard lock(children_->mutex);
        --children_->running;
    }
}

bool SystemOpener::WaitForChildren(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(children_->mutex);
    return children_->ended.wait_for(lock, timeout, [this] { return children_->running == 0; });
}
