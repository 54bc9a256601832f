#include "platform/OpenPlan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>
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

// The plan for a target that is an address rather than a disc path: one that begins with a URI
// scheme, or with "www." (opened as "http://www."); nothing for a disc path. As a link, only a web
// or mail address opens.
std::optional<OpenPlan> PlanAddress(std::string_view target, const std::string& path_env, OpenAs as)
{
    if (HasScheme(target)) {
        if (as == OpenAs::kLink && !IsWebOrMailLink(target))
            return Failure("it is not an http, https, ftp or mailto link");
        return Kind(HandToDesktop(std::string(target), path_env), OpenPlan::Kind::WebLink);
    }
    if (StartsWithWww(target))
        return Kind(HandToDesktop("http://" + std::string(target), path_env), OpenPlan::Kind::WebLink);
    return std::nullopt;
}

}  // namespace

std::string_view LinkWithoutBlanks(std::string_view link)
{
    while (!link.empty() && IsBlank(link.front()))
        link.remove_prefix(1);
    while (!link.empty() && IsBlank(link.back()))
        link.remove_suffix(1);
    return link;
}

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

OpenPlan PlanLink(std::string_view link, const PathResolver& resolver, const std::string& path_env)
{
    link = LinkWithoutBlanks(link);
    if (link.empty())
        return {};
    if (std::optional<OpenPlan> address = PlanAddress(link, path_env, OpenAs::kLink))
        return std::move(*address);
    // The disc says what is its own: nothing it finds lies outside it.
    const std::optional<fs::path> found = resolver.Find(link);
    if (!found)
        return Failure("nothing of that name on the disc");
    const DiscEntry entry = resolver.Disc().Stat(*found);
    if (entry.kind == DiscEntryKind::kFolder)
        return Kind(HandToDesktop(Absolute(*found).string(), path_env), OpenPlan::Kind::Folder);
    if (entry.kind != DiscEntryKind::kFile)
        return Failure("it is neither a file nor a folder");
    if (std::optional<std::string> refusal = LinkRefusal(resolver.Disc(), *found))
        return Failure(std::move(*refusal));
    return Kind(HandToDesktop(Absolute(*found).string(), path_env), OpenPlan::Kind::Document);
}

OpenPlan PlanSetup(std::string_view target, const PathResolver& resolver, const std::string& path_env)
{
    if (target.empty())
        return {};
    if (std::optional<OpenPlan> address = PlanAddress(target, path_env, OpenAs::kSetup))
        return std::move(*address);
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
    fs::path root = Absolute(resolver.Root());

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

OpenPlan PlanOpen(std::string_view target, const PathResolver& resolver, const std::string& path_env, OpenAs as)
{
    return as == OpenAs::kLink ? PlanLink(target, resolver, path_env) : PlanSetup(target, resolver, path_env);
}

ImageTarget PlanImageTarget(std::string_view target, const PathResolver& resolver, const std::string& path_env,
                            OpenAs as)
{
    if (as == OpenAs::kLink)
        target = LinkWithoutBlanks(target);
    if (target.empty() || HasScheme(target) || StartsWithWww(target))
        return {std::nullopt, PlanOpen(target, resolver, path_env, as)};
    const std::optional<fs::path> found = resolver.Find(target);
    if (!found)
        return {std::nullopt, Failure("nothing of that name on the disc")};
    const DiscEntry entry = resolver.Disc().Stat(*found);
    if (entry.kind != DiscEntryKind::kFile && entry.kind != DiscEntryKind::kFolder)
        return {std::nullopt, Failure("it is neither a file nor a folder")};
    // A link to a program is refused before anything is copied for it.
    if (as == OpenAs::kLink && entry.kind == DiscEntryKind::kFile)
        if (std::optional<std::string> refusal = LinkRefusal(resolver.Disc(), *found))
            return {std::nullopt, Failure(std::move(*refusal))};
    return {entry.kind == DiscEntryKind::kFolder ? *found : found->parent_path(), {}};
}
