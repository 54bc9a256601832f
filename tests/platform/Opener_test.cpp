// Opening links, documents, folders and programs: what each target comes to, and the processes
// really started (a fake xdg-open, scripts, copies of system programs).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/Opener.h"
#include "support/MemoryDisc.h"
#include "support/RecordingCopyRunner.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using Action = OpenPlan::Action;
using Argv = std::vector<std::string>;

namespace {

constexpr std::chrono::seconds kWait{20};

void MakeExecutable(const fs::path& p)
{
    fs::permissions(p, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
}

// A folder holding an "xdg-open" that appends its working folder and its arguments, one a line,
// to xdg-open.log beside it, and then ends with `exit_code`.
struct FakeDesktop {
    TempDir bin;
    fs::path xdg_open;
    fs::path log;

    explicit FakeDesktop(int exit_code = 0, const std::string& extra = "")
    {
        log = bin.path() / "xdg-open.log";
        xdg_open = bin.Write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" >> '" + log.string() +
                                             "'\n" + extra + "exit " + std::to_string(exit_code) + "\n");
        MakeExecutable(xdg_open);
    }
    std::string Path() const { return "/nonexistent-folder:" + bin.path().string(); }
    std::string Log() const { return fs::exists(log) ? ReadFileBytes(log) : std::string(); }
};

Argv Hand(const FakeDesktop& desktop, const std::string& argument)
{
    return {desktop.xdg_open.string(), argument};
}

// The folder xdg-open starts in.
fs::path Home()
{
    const char* home = std::getenv("HOME");
    return home ? fs::path(home) : fs::path("/");
}

// Sets (or, with no value, removes) an environment variable while it lives.
struct ScopedEnv {
    const char* name;
    std::optional<std::string> old;
    ScopedEnv(const char* variable, const char* value) : name(variable)
    {
        if (const char* was = std::getenv(variable))
            old = was;
        value ? setenv(variable, value, 1) : unsetenv(variable);
    }
    ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
};

// An ELF file of the given width and byte order whose program headers come right after the ELF
// header, one for each of `segments` (type, content), the contents after them.
std::string MakeElf(bool wide, bool big, const std::vector<std::pair<std::uint32_t, std::string>>& segments)
{
    const std::size_t header = wide ? 64 : 52;
    const std::size_t entry = wide ? 56 : 32;
    std::string bytes(header + entry * segments.size(), '\0');
    auto put = [&](std::size_t at, std::uint64_t value, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            bytes[big ? at + size - 1 - i : at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    bytes.replace(0, 4, "\x7F" "ELF");
    bytes[4] = wide ? 2 : 1;
    bytes[5] = big ? 2 : 1;
    bytes[6] = 1;
    put(16, 2, 2);  // an executable
    put(wide ? 32 : 28, header, wide ? 8 : 4);
    put(wide ? 52 : 40, header, 2);
    put(wide ? 54 : 42, entry, 2);
    put(wide ? 56 : 44, segments.size(), 2);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::size_t at = header + i * entry;
        put(at, segments[i].first, 4);
        put(at + (wide ? 8 : 4), bytes.size(), wide ? 8 : 4);
        put(at + (wide ? 32 : 16), segments[i].second.size(), wide ? 8 : 4);
        bytes += segments[i].second;
    }
    return bytes;
}

constexpr std::uint32_t kLoad = 1;
constexpr std::uint32_t kInterp = 3;

TEST(PlanOpen, LinksGoToXdgOpenAsTheirOneArgument)
{
    TempDir disc;
    FakeDesktop desktop;
    const PathResolver resolver(disc.path());
    for (const std::string link : {"http://www.zul.ru/soft?a=1&b=2", "HTTPS://zul.ru", "mailto:cd@zul.ru",
                                   "ftp://ftp.zul.ru/pub", "ms-help+x.2:topic", "http://a b; touch pwned"}) {
        const OpenPlan plan = PlanOpen(link, resolver, desktop.Path());
        EXPECT_EQ(plan.action, Action::Hand) << link;
        EXPECT_EQ(plan.argv, Hand(desktop, link));
        EXPECT_EQ(plan.cwd, Home());
    }
    EXPECT_EQ(PlanOpen("www.zul.ru/soft", resolver, desktop.Path()).argv,
              Hand(desktop, "http://www.zul.ru/soft"));
    EXPECT_EQ(PlanOpen("WWW.Zul.Ru", resolver, desktop.Path()).argv, Hand(desktop, "http://WWW.Zul.Ru"));

    // A drive letter, a folder before the ':', a name that does not start with a letter: disc paths.
    disc.Write("soft/a:b", "text");
    disc.Write("1ab:c", "text");
    EXPECT_EQ(PlanOpen("c:\\setup.exe", resolver, desktop.Path()).failure, "nothing of that name on the disc");
    EXPECT_EQ(PlanOpen("Soft\\A:B", resolver, desktop.Path()).argv,
              Hand(desktop, (disc.path() / "soft/a:b").string()));
    EXPECT_EQ(PlanOpen("1AB:c", resolver, desktop.Path()).argv, Hand(desktop, (disc.path() / "1ab:c").string()));
    EXPECT_EQ(PlanOpen("wwwx", resolver, desktop.Path()).action, Action::Fail);
}

TEST(PlanOpen, ALinkOpensOnlyWebAndMailAddressesAndTheDiscsDocuments)
{
    TempDir disc;
    FakeDesktop desktop;
    const PathResolver resolver(disc.path());
    auto link = [&](const std::string& target) { return PlanOpen(target, resolver, desktop.Path(), OpenAs::kLink); };

    for (const auto& [target, opened] :
         {std::pair{" https://zul.ru/a b ", "https://zul.ru/a b"}, std::pair{"HTTP://X", "HTTP://X"},
          std::pair{"\t\r\nftp://ftp.zul.ru\r\n", "ftp://ftp.zul.ru"}, std::pair{"MailTo:cd@zul.ru", "MailTo:cd@zul.ru"},
          std::pair{" WWW.x ", "http://WWW.x"}}) {
        EXPECT_EQ(link(target).argv, Hand(desktop, opened)) << target;
        EXPECT_EQ(link(target).cwd, Home());
    }
    for (const std::string target : {"apt:firefox", "javascript:alert(1)", "smb://host/share", "steam://run/1",
                                     "file:///etc/passwd", "https-x://zul.ru"})
        EXPECT_EQ(link(target).failure, "it is not an http, https, ftp or mailto link") << target;
    EXPECT_EQ(link(" \r\n").action, Action::Nothing);
    // A setup is opened whatever its scheme, as the desktop sees fit.
    EXPECT_EQ(PlanOpen("apt:firefox", resolver, desktop.Path()).argv, Hand(desktop, "apt:firefox"));

    // Documents and folders of the disc go to the desktop; programs, by their content or their
    // name, are refused, though a setup starts them.
    const auto page = disc.Write("Docs/Index.HTM", "<html>");
    const auto folder = disc.MakeDir("Docs");
    const auto script = disc.Write("Soft/setup.sh", "#!/bin/sh\n");
    MakeExecutable(script);
    disc.Write("Soft/tool", ReadFileBytes("/bin/true"));
    disc.Write("Soft/setup.bin", "MZ\x90");
    disc.Write("Soft/readme.exe", "words");
    EXPECT_EQ(link(" docs\\index.htm\r\n").argv, Hand(desktop, page.string()));
    EXPECT_EQ(link("DOCS").argv, Hand(desktop, folder.string()));
    for (const std::string target : {"soft\\setup.sh", "soft\\tool", "soft\\setup.bin"})
        EXPECT_EQ(link(target).failure, "it is a program, which a link does not start") << target;
    EXPECT_EQ(link("soft\\readme.exe").failure,
              "it is application/x-ms-dos-executable, not a document, picture, sound or video");

    // Documents of each kind open, told by content and name; what a desktop (or Wine) runs does not.
    const std::string zip("PK\x03\x04", 4);
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"A.TXT", "Hi"}, {"README", "Hi"}, {"a.pdf", "%PDF-1.4"}, {"a.rtf", "{\\rtf1"}, {"a.doc", ""},
             {"a.docx", zip}, {"a.ods", zip}, {"a.png", "\x89PNG\r\n\x1A\n"}, {"a.mp3", "ID3"}, {"a.avi", "RIFF"}}) {
        const auto file = disc.Write("Docs/" + name, content);
        EXPECT_EQ(link("docs\\" + name).argv, Hand(desktop, file.string())) << name;
    }
    const std::string entry = "[Desktop Entry]\nExec=sh\n";
    for (const auto& [name, content, type] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"start", entry, "application/x-desktop"}, {"a.desktop", "", "application/x-desktop"},
             {"a.vbs", "MsgBox 1", "text/vbscript"}, {"a.url", "[InternetShortcut]", "application/x-mswinurl"},
             {"a.jar", zip, "application/x-java-archive"}, {"a.reg", "REGEDIT4\n", "text/x-ms-regedit"},
             {"a.hta", "<html>", "application/octet-stream by its name"}, {"a.sh", "ls", "application/x-shellscript"},
             {"a.bat", "ls", "application/octet-stream by its name"}}) {
        disc.Write("Soft/" + name, content);
        EXPECT_EQ(link("soft\\" + name).failure, "it is " + type + ", not a document, picture, sound or video") << name;
    }
    EXPECT_EQ(link("docs\\nothing.htm").failure, "nothing of that name on the disc");
    EXPECT_EQ(PlanOpen("soft\\setup.sh", resolver, desktop.Path()).argv, Argv{script.string()});
}

// Nothing a disc path names lies outside the disc: a setup line that climbs out, or one through a
// link to a folder of this system, names nothing; a link inside the disc works.
TEST(PlanOpen, ASetupOutsideTheDiscNamesNothing)
{
    TempDir disc;
    FakeDesktop desktop;
    const auto script = disc.Write("Soft/App/setup.sh", "#!/bin/sh\n");
    MakeExecutable(script);
    fs::create_directory_symlink("/usr/bin", disc.path() / "Soft/tools");
    fs::create_directory_symlink("App", disc.path() / "Soft/Same");
    const PathResolver resolver(disc.path());
    for (const std::string target : {"..\\..\\..\\..\\usr\\bin\\id", "soft\\tools\\id", "soft\\tools"})
        EXPECT_EQ(PlanOpen(target, resolver, desktop.Path()).failure, "nothing of that name on the disc") << target;
    EXPECT_EQ(PlanOpen("..\\soft\\same\\setup.sh", resolver, desktop.Path()).argv,
              Argv{(disc.path() / "Soft/Same/setup.sh").string()});
}

TEST(PlanOpen, DocumentsFoldersAndWindowsInstallersGoToXdgOpenByTheirAbsolutePath)
{
    TempDir disc;
    FakeDesktop desktop;
    const auto readme = disc.Write("Soft/Docs/ReadMe.TXT", "#include <readme>\n");
    const auto installer = disc.Write("Soft/Setup.EXE", "MZ\x90");
    const auto folder = disc.MakeDir("Soft/Docs");
    // On a disc copied from a Windows file system every file may carry the executable bit.
    const auto marked = disc.Write("Soft/Marked.exe", "MZ\x90");
    MakeExecutable(marked);

    const PathResolver resolver(disc.path());
    const OpenPlan plan = PlanOpen("soft\\docs\\readme.txt", resolver, desktop.Path());
    EXPECT_EQ(plan.action, Action::Hand);
    EXPECT_EQ(plan.argv, Hand(desktop, readme.string()));
    EXPECT_EQ(plan.cwd, Home());
    EXPECT_EQ(PlanOpen("SOFT/setup.exe", resolver, desktop.Path()).argv, Hand(desktop, installer.string()));
    EXPECT_EQ(PlanOpen("soft\\DOCS\\", resolver, desktop.Path()).argv, Hand(desktop, folder.string()));
    EXPECT_EQ(PlanOpen("soft\\marked.exe", resolver, desktop.Path()).argv, Hand(desktop, marked.string()));

    // A relative disc root still gives absolute paths.
    const OpenPlan relative = PlanOpen("soft\\setup.exe", PathResolver(fs::relative(disc.path())), desktop.Path());
    ASSERT_EQ(relative.argv.size(), 2u);
    EXPECT_TRUE(fs::path(relative.argv[1]).is_absolute());
    EXPECT_TRUE(fs::equivalent(relative.argv[1], installer));
}

TEST(PlanOpen, NativeProgramsStartInTheDiscRootAndUnmarkedScriptsUnderTheirInterpreter)
{
    TempDir disc;
    FakeDesktop desktop;
    const PathResolver resolver(disc.path());
    auto plan = [&](const std::string& target) { return PlanOpen(target, resolver, desktop.Path()); };

    const auto script = disc.Write("Setup/Install.sh", "#!/bin/sh\necho\n");
    MakeExecutable(script);
    const auto elf = disc.Write("Setup/tool", ReadFileBytes("/bin/true"));
    MakeExecutable(elf);
    EXPECT_EQ(plan("setup\\install.sh").action, Action::Start);
    EXPECT_EQ(plan("setup\\install.sh").argv, Argv{script.string()});
    EXPECT_EQ(plan("setup\\install.sh").cwd, disc.path());
    EXPECT_EQ(plan("setup\\TOOL").argv, Argv{elf.string()});
    // Programs need no xdg-open.
    EXPECT_EQ(PlanOpen("setup\\install.sh", resolver, "").argv, Argv{script.string()});

    // Without the executable bit: the "#!" line read as the kernel reads it.
    const auto a = disc.Write("a.sh", "#!/bin/sh\necho\n");
    const auto b = disc.Write("b.sh", "#!  /usr/bin/env   python3 -u  \t\nprint()\n");
    const auto c = disc.Write("c.sh", "#!/bin/sh");
    const auto d = disc.Write("d.sh", std::string("#!/bin/sh\0 -x\n", 14));
    const auto e = disc.Write("e.sh", "#!/bin/sh -e " + std::string(300, 'x'));
    disc.Write("f.sh", "#! \t \necho\n");
    disc.Write("g.sh", "#!/" + std::string(300, 'x'));
    EXPECT_EQ(plan("A.SH").argv, (Argv{"/bin/sh", a.string()}));
    EXPECT_EQ(plan("a.sh").cwd, disc.path());
    EXPECT_EQ(plan("b.sh").argv, (Argv{"/usr/bin/env", "python3 -u", b.string()}));
    EXPECT_EQ(plan("c.sh").argv, (Argv{"/bin/sh", c.string()}));
    EXPECT_EQ(plan("d.sh").argv, (Argv{"/bin/sh", d.string()}));
    ASSERT_EQ(plan("e.sh").argv.size(), 3u);  // the argument cut where the kernel stops reading
    EXPECT_EQ(plan("e.sh").argv[0], "/bin/sh");
    EXPECT_EQ(plan("e.sh").argv[1], "-e " + std::string(256 - 2 - 8 - 3 - 1, 'x'));
    EXPECT_EQ(plan("f.sh").failure, "its \"#!\" line names no interpreter");
    EXPECT_EQ(plan("g.sh").failure, "its \"#!\" line names no interpreter");
}

TEST(PlanOpen, UnmarkedElfProgramsRunThroughTheProgramInterpreterTheyName)
{
    TempDir disc;
    FakeDesktop desktop;
    const PathResolver resolver(disc.path());
    auto plan = [&](const std::string& target) { return PlanOpen(target, resolver, desktop.Path()); };

    const auto copy = disc.Write("true", ReadFileBytes("/bin/true"));
    const OpenPlan system = plan("TRUE");
    EXPECT_EQ(system.action, Action::Start);
    ASSERT_EQ(system.argv.size(), 2u);
    EXPECT_TRUE(fs::path(system.argv[0]).is_absolute());
    EXPECT_EQ(access(system.argv[0].c_str(), X_OK), 0) << system.argv[0];
    EXPECT_EQ(system.argv[1], copy.string());
    EXPECT_EQ(system.cwd, disc.path());

    const std::string interp64("/lib64/ld-linux-x86-64.so.2\0", 28);
    const std::string interp32("/lib/ld.so.1\0", 13);
    const auto le64 = disc.Write("le64", MakeElf(true, false, {{kLoad, "code"}, {kInterp, interp64}}));
    const auto be32 = disc.Write("be32", MakeElf(false, true, {{kInterp, interp32}, {kLoad, "code"}}));
    EXPECT_EQ(plan("le64").argv, (Argv{"/lib64/ld-linux-x86-64.so.2", le64.string()}));
    EXPECT_EQ(plan("be32").argv, (Argv{"/lib/ld.so.1", be32.string()}));

    const std::string no_interpreter = "it is not marked executable and names no program interpreter";
    const std::string cut = MakeElf(true, false, {{kInterp, interp64}});
    disc.Write("static", MakeElf(true, false, {{kLoad, "code"}}));
    disc.Write("unterminated", MakeElf(true, false, {{kInterp, "/lib/ld.so"}}));
    disc.Write("cut", cut.substr(0, cut.size() - 5));
    disc.Write("stub", "\x7F" "ELF\x02\x01\x01");
    for (const std::string name : {"static", "unterminated", "cut", "stub"})
        EXPECT_EQ(plan(name).failure, no_interpreter) << name;
}

TEST(PlanOpen, WhatCannotBeOpened)
{
    TempDir disc;
    FakeDesktop desktop;
    const PathResolver resolver(disc.path());
    disc.Write("readme.txt", "text");

    const OpenPlan empty = PlanOpen("", resolver, desktop.Path());
    EXPECT_EQ(empty.action, Action::Nothing);
    EXPECT_TRUE(empty.argv.empty());
    EXPECT_EQ(PlanOpen("setup\\nothing.exe", resolver, desktop.Path()).action, Action::Fail);
    EXPECT_EQ(PlanOpen("setup\\nothing.exe", resolver, desktop.Path()).failure, "nothing of that name on the disc");

    // A fifo is neither read (which would block) nor handed on.
    ASSERT_EQ(mkfifo((disc.path() / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(PlanOpen("PIPE", resolver, desktop.Path()).failure, "it is neither a file nor a folder");

    // No usable xdg-open: none at all, one not executable, a folder, one in a relative folder (which
    // would be looked up from wherever the menu runs, the disc itself included).
    TempDir other;
    other.Write("plain/xdg-open", "#!/bin/sh\n");
    other.MakeDir("folder/xdg-open");
    const fs::path relative = fs::relative(desktop.bin.path());
    ASSERT_TRUE(relative.is_relative());
    for (const std::string& path : {std::string(), std::string(":"), (other.path() / "plain").string(),
                                   (other.path() / "folder").string(), relative.string()}) {
        EXPECT_EQ(PlanOpen("readme.txt", resolver, path).failure, "no xdg-open on PATH") << path;
        EXPECT_EQ(PlanOpen("http://zul.ru", resolver, path).failure, "no xdg-open on PATH") << path;
    }
}

// On a disc image, what is copied out before a target is planned: a file's folder or a folder
// itself; an address, a missing name or a link to a program needs no copy.
TEST(PlanImageTarget, CopiesAFilesFolderOrTheFolderItselfAndNothingElse)
{
    FakeDesktop desktop;
    auto disc = std::make_shared<MemoryDisc>();
    disc->Add("Soft/App/Setup.exe", "MZ\x90");
    disc->Add("Docs/Manual.pdf", "%PDF");
    const PathResolver resolver(disc);
    auto folder = [&](const std::string& target, OpenAs as) {
        return PlanImageTarget(target, resolver, desktop.Path(), as).folder;
    };
    EXPECT_EQ(folder("soft\\app\\setup.exe", OpenAs::kSetup), fs::path("Soft/App"));
    EXPECT_EQ(folder(" docs\\manual.pdf\r\n", OpenAs::kLink), fs::path("Docs"));
    EXPECT_EQ(folder("SOFT", OpenAs::kLink), fs::path("Soft"));

    const ImageTarget web = PlanImageTarget("www.zul.ru", resolver, desktop.Path(), OpenAs::kLink);
    EXPECT_FALSE(web.folder);
    EXPECT_EQ(web.plan.argv, Hand(desktop, "http://www.zul.ru"));
    const ImageTarget program = PlanImageTarget("soft\\app\\setup.exe", resolver, desktop.Path(), OpenAs::kLink);
    EXPECT_FALSE(program.folder);
    EXPECT_EQ(program.plan.failure, "it is a program, which a link does not start");
    EXPECT_EQ(PlanImageTarget("soft\\none", resolver, desktop.Path(), OpenAs::kSetup).plan.failure,
              "nothing of that name on the disc");
    EXPECT_EQ(PlanImageTarget("", resolver, desktop.Path(), OpenAs::kSetup).plan.action, Action::Nothing);
}

// Whether the test process has a child not yet reaped.
bool AnyChildLeft()
{
    int status = 0;
    return !(waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD);
}

TEST(SystemOpener, HandsTargetsToXdgOpenAsArgumentsNeverThroughAShell)
{
    TempDir disc;
    FakeDesktop desktop;
    disc.Write("Docs/Read me; touch pwned.txt", "text");
    SystemOpener opener(PathResolver(disc.path()), desktop.Path());

    testing::internal::CaptureStderr();
    opener.Open("www.zul.ru/?a=1; touch pwned");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    opener.Open("docs\\read me; touch PWNED.TXT");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    opener.Open("");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const std::string cwd = fs::canonical(Home()).string();  // as the shell reports it
    EXPECT_EQ(desktop.Log(), cwd + "\nhttp://www.zul.ru/?a=1; touch pwned\n" + cwd + "\n" +
                                 disc.path().string() + "/Docs/Read me; touch pwned.txt\n");
    EXPECT_FALSE(fs::exists(disc.path() / "pwned"));
    EXPECT_FALSE(fs::exists(desktop.bin.path() / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(AnyChildLeft());
}

TEST(SystemOpener, StartsProgramsInTheDiscRootInASessionOfTheirOwn)
{
    TempDir disc;
    // Each writes its process id, its session, how it was called and its standard input.
    // (The session is the fourth field after the command name, which may hold spaces.)
    const std::string body = "echo \"$$ $(sed 's/.*) //' /proc/$$/stat | cut -d' ' -f4) $0 $# $(cat)\" > ";
    const auto marked = disc.Write("Setup/Install; touch pwned.sh", "#!/bin/sh\n" + body + "installed.txt\n");
    MakeExecutable(marked);
    const auto unmarked = disc.Write("Setup/Unmarked.sh", "#!/bin/sh -e\n" + body + "unmarked.txt\n");
    SystemOpener opener(PathResolver(disc.path()), "");

    testing::internal::CaptureStderr();
    opener.Open("setup\\install; touch pwned.sh");
    opener.Open("SETUP\\UNMARKED.SH");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    for (const auto& [marker, script] : {std::pair{"installed.txt", marked}, std::pair{"unmarked.txt", unmarked}}) {
        ASSERT_TRUE(fs::exists(disc.path() / marker)) << marker;
        std::istringstream line(ReadFileBytes(disc.path() / marker));
        pid_t pid = 0;
        pid_t session = 0;
        std::string name;
        line >> pid >> session;
        std::getline(line >> std::ws, name);
        EXPECT_EQ(session, pid) << marker;  // the leader of a session of its own
        EXPECT_NE(session, getsid(0));
        EXPECT_EQ(name, script.string() + " 0 ") << marker;  // no arguments, nothing on standard input
    }
    EXPECT_FALSE(fs::exists(disc.path() / "pwned"));
    EXPECT_FALSE(AnyChildLeft());
}

TEST(SystemOpener, RunsElfProgramsWithAndWithoutTheExecutableBit)
{
    TempDir disc;
    const auto marked = disc.Write("Tools/Where", ReadFileBytes("/bin/pwd"));
    MakeExecutable(marked);
    disc.Write("Tools/Unmarked", ReadFileBytes("/bin/pwd"));
    SystemOpener opener(PathResolver(disc.path()), "");

    // Both print their working folder on the standard output they inherit.
    const std::string root = fs::canonical(disc.path()).string();
    testing::internal::CaptureStdout();
    opener.Open("tools\\where");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    opener.Open("tools\\unmarked");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), root + "\n" + root + "\n");
}

TEST(SystemOpener, SaysOnStandardErrorWhatCouldNotBeOpenedAndWhy)
{
    TempDir disc;
    disc.Write("readme.txt", "text");
    disc.Write("setup.sh", "#!/nonexistent/sh\n");
    FakeDesktop failing(3);
    FakeDesktop killed(0, "kill -9 $$\n");
    SystemOpener opener(PathResolver(disc.path()), failing.Path());
    SystemOpener dying(PathResolver(disc.path()), killed.Path());
    SystemOpener without(PathResolver(disc.path()), "/nonexistent-folder");

    testing::internal::CaptureStderr();
    opener.Open("http://zul.ru");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    dying.Open("README.TXT");
    ASSERT_TRUE(dying.WaitForChildren(kWait));
    opener.Open("setup\\\x1B[2Jnothing.exe");
    opener.Open("setup.sh");
    without.Open("www.zul.ru");
    opener.Open("");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zulshell: cannot open \"http://zul.ru\": xdg-open ended with status 3\n"
              "zulshell: cannot open \"README.TXT\": xdg-open was ended by signal 9\n"
              "zulshell: cannot open \"setup\\\\x1B[2Jnothing.exe\": nothing of that name on the disc\n"
              "zulshell: cannot open \"setup.sh\": cannot start the interpreter \"/nonexistent/sh\": "
              "No such file or directory\n"
              "zulshell: cannot open \"www.zul.ru\": no xdg-open on PATH\n");
    EXPECT_FALSE(AnyChildLeft());
}

// What the children are handed: xdg-open starts in the home folder ("/" without one), a setup in the
// disc root, and neither gets an empty or relative folder in PATH or LD_LIBRARY_PATH, which the
// shell and the dynamic loader would look up in the working folder.
TEST(SystemOpener, ChildrenGetOnlyAbsoluteSearchFoldersAndTheDesktopStartsAtHome)
{
    TempDir disc, home, out;
    const std::string env = "printf '%s\\n' \"PATH=$PATH\" \"LD_LIBRARY_PATH=${LD_LIBRARY_PATH-unset}\" >> ";
    FakeDesktop desktop(0, env + "\"$(dirname \"$0\")/xdg-open.log\"\n");  // after its folder and argument
    const fs::path log = out.path() / "setup.log";
    disc.Write("Setup.sh", "#!/bin/sh\npwd > '" + log.string() + "'\n" + env + "'" + log.string() + "'\n");
    const auto docs = disc.MakeDir("Docs");
    SystemOpener opener(PathResolver(disc.path()), desktop.Path());
    const std::string seen = "\nPATH=/usr/bin:/bin\nLD_LIBRARY_PATH=";
    ScopedEnv path("PATH", ":/usr/bin:.:bin::/bin:");
    {
        ScopedEnv libraries("LD_LIBRARY_PATH", ":/opt/x/lib"), at_home("HOME", home.path().c_str());
        opener.Open("docs");
        opener.Open("setup.sh");
        ASSERT_TRUE(opener.WaitForChildren(kWait));
        EXPECT_EQ(desktop.Log(), fs::canonical(home.path()).string() + "\n" + docs.string() + seen + "/opt/x/lib\n");
        EXPECT_EQ(ReadFileBytes(log), fs::canonical(disc.path()).string() + seen + "/opt/x/lib\n");
    }
    fs::remove(desktop.log);
    ScopedEnv libraries("LD_LIBRARY_PATH", "::."), homeless("HOME", nullptr);
    opener.Open("docs");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    EXPECT_EQ(desktop.Log(), "/\n" + docs.string() + seen + "unset\n");
}

// A refused link is one line on standard error, and nothing is started or copied for it.
TEST(SystemOpener, ARefusedLinkIsReportedAndStartsNothing)
{
    TempDir disc;
    FakeDesktop desktop;
    const auto script = disc.Write("Setup.sh", "#!/bin/sh\ntouch started\n");
    MakeExecutable(script);
    const auto page = disc.Write("Index.htm", "<html>");
    SystemOpener opener(PathResolver(disc.path()), desktop.Path());

    TempDirAsSystemTemp temp;
    auto image = std::make_shared<MemoryDisc>();
    image->Add("Soft/Setup.exe", "MZ\x90");
    image->Add("Soft/Start", "[Desktop Entry]\nExec=sh\n");
    SystemOpener image_opener(PathResolver(image), desktop.Path());

    testing::internal::CaptureStderr();
    opener.OpenLink(" apt:firefox\r\n");
    opener.OpenLink("setup.sh");
    image_opener.OpenLink("soft\\setup.exe");
    image_opener.OpenLink("soft\\start");
    opener.OpenLink("index.htm ");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zulshell: cannot open \"apt:firefox\": it is not an http, https, ftp or mailto link\n"
              "zulshell: cannot open \"setup.sh\": it is a program, which a link does not start\n"
              "zulshell: cannot open \"soft\\setup.exe\": it is a program, which a link does not start\n"
              "zulshell: cannot open \"soft\\start\": it is application/x-desktop, not a document, picture, sound "
              "or video\n");
    EXPECT_EQ(desktop.Log(), fs::canonical(Home()).string() + "\n" + page.string() + "\n");
    EXPECT_FALSE(fs::exists(disc.path() / "started"));
    EXPECT_TRUE(temp.Empty());
    EXPECT_FALSE(AnyChildLeft());
}

}  // namespace

// On a disc image the opened file's folder is copied out, and the copy is what runs or is handed
// over; the copies go with the opener.
TEST(SystemOpener, OpensCopiesOfAnImagesFoldersAndRemovesThemAtTheEnd)
{
    TempDir out;
    FakeDesktop desktop;
    TempDirAsSystemTemp temp;  // after the others, which are made in the usual place
    const fs::path listing = out.path() / "listing.txt";
    auto disc = std::make_shared<MemoryDisc>();
    disc->Add("Soft/App/Setup.sh", "#!/bin/sh\nls -R \"$(dirname \"$0\")\" > '" + listing.string() +
                                       "'\npwd >> '" + listing.string() + "'\n");
    disc->Add("Soft/App/data1.cab", "cab");
    disc->Add("Soft/App/Parts/part.bin", "part");
    disc->Add("Soft/Else/other.txt", "other");
    disc->Add("Docs/Manual.pdf", "%PDF");
    {
        SystemOpener opener{PathResolver(disc), desktop.Path()};
        testing::internal::CaptureStderr();
        opener.Open("soft\\app\\setup.sh");
        ASSERT_TRUE(opener.WaitForChildren(kWait));
        opener.Open("DOCS\\MANUAL.PDF");
        ASSERT_TRUE(opener.WaitForChildren(kWait));
        opener.Open("docs");
        ASSERT_TRUE(opener.WaitForChildren(kWait));
        opener.Open("soft\\nothing.exe");
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "zulshell: cannot open \"soft\\nothing.exe\": nothing of that name on the disc\n");

        // The installer ran from its copy, with its neighbours, in the copy's root.
        std::istringstream lines(ReadFileBytes(listing));
        std::string line, all;
        while (std::getline(lines, line))
            all += line + "|";
        const std::string canonical_temp = fs::canonical(temp.path()).string();
        EXPECT_NE(all.find("Parts|Setup.sh|data1.cab|"), std::string::npos) << all;
        EXPECT_NE(all.find("part.bin|"), std::string::npos) << all;
        EXPECT_EQ(all.find("other.txt"), std::string::npos) << all;
        EXPECT_NE(all.find("|" + canonical_temp + "/zulshell-"), std::string::npos) << all;

        // The document and the folder went to the desktop as copies.
        const std::string log = desktop.Log();
        EXPECT_NE(log.find(temp.path().string() + "/zulshell-"), std::string::npos) << log;
        EXPECT_NE(log.find("/Docs/Manual.pdf\n"), std::string::npos) << log;
        EXPECT_NE(log.find("/Docs\n"), std::string::npos) << log;
        EXPECT_FALSE(temp.Empty());
    }
    EXPECT_TRUE(temp.Empty());
    EXPECT_FALSE(AnyChildLeft());
}

TEST(SystemOpener, AnInstallerStillRunningWhenTheMenuEndsKeepsItsCopyUntilItEnds)
{
    TempDir out;
    TempDirAsSystemTemp temp;
    const fs::path go = out.path() / "go";
    auto disc = std::make_shared<MemoryDisc>();
    // Each says it has started, then reads its neighbour only once the menu has ended (giving up
    // after 20 seconds). The first runs on; the second leaves that to a process of its own and
    // ends at once, as a setup script that starts the real installer does.
    auto installer = [&](const std::string& name, const std::string& background) {
        const std::string at = (out.path() / name).string();
        return "#!/bin/sh\ntouch '" + at + ".started'\n(i=0; while [ ! -e '" + go.string() +
               "' ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\ncat \"$(dirname \"$0\")/data1.cab\" > '" +
               at + ".read') " + background + "\n";
    };
    disc->Add("Soft/Stays/Setup.sh", installer("stays", ""));
    disc->Add("Soft/Stays/data1.cab", "cab1");
    disc->Add("Soft/Leaves/Setup.sh", installer("leaves", "&"));
    disc->Add("Soft/Leaves/data1.cab", "cab2");
    auto eventually = [](auto condition) {
        const auto until = std::chrono::steady_clock::now() + kWait;
        while (!condition() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return condition();
    };
    {
        SystemOpener opener{PathResolver(disc), ""};
        opener.Open("soft\\stays\\setup.sh");
        opener.Open("soft\\leaves\\setup.sh");
        ASSERT_TRUE(eventually([&] {
            return fs::exists(out.path() / "stays.started") && fs::exists(out.path() / "leaves.started");
        }));
    }
    EXPECT_FALSE(temp.Empty());
    std::ofstream(go).put('\n');
    for (const auto& [read, expected] : {std::pair{"stays.read", "cab1"}, std::pair{"leaves.read", "cab2"}})
        EXPECT_TRUE(eventually([&] { return fs::exists(out.path() / read) && ReadFileBytes(out.path() / read) == expected; }))
            << read;
    EXPECT_TRUE(eventually([&] { return temp.Empty(); }));
    EXPECT_TRUE(eventually([] { return !AnyChildLeft(); }));
}

// An image's folder is copied once: a second click while the copy runs, and later opens of that
// folder or of one inside it, use the same copy; each target opens once the copy is done.
TEST(SystemOpener, CopiesAnImagesFolderOnceAndOpensWhatWaitedWhenTheCopyIsDone)
{
    TempDir out;
    TempDirAsSystemTemp temp;
    const fs::path log = out.path() / "started.log";
    auto disc = std::make_shared<MemoryDisc>();
    const std::string script = "#!/bin/sh\necho \"$(basename \"$0\") $PWD\" >> '" + log.string() + "'\n";
    disc->Add("Soft/App/setup.sh", script);
    disc->Add("Soft/App/Tools/tool.sh", script);
    auto runner = std::make_unique<RecordingCopyRunner>();
    const auto jobs = runner->jobs;
    SystemOpener opener{PathResolver(disc), "", {}, std::move(runner)};
    opener.Open("soft\\app\\setup.sh");
    opener.Open("soft\\app\\setup.sh");
    opener.Open("soft\\app\\tools\\tool.sh");
    ASSERT_EQ(jobs->size(), 1u);
    EXPECT_EQ(jobs->front().what, "App");
    EXPECT_TRUE(temp.Empty());  // nothing is copied on the interface thread

    Finish(jobs->front());
    EXPECT_EQ(jobs->front().progress->done, jobs->front().progress->total);  // the bar ends full
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    opener.Open("soft\\app\\tools\\tool.sh");
    opener.Open("SOFT\\APP\\SETUP.SH");
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    EXPECT_EQ(jobs->size(), 1u);
    ASSERT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 1);
    const std::string root = fs::canonical(fs::directory_iterator(temp.path())->path() / "disc").string();
    // The programs run side by side: the order of their lines is theirs.
    std::vector<std::string> started;
    std::istringstream lines(ReadFileBytes(log));
    for (std::string line; std::getline(lines, line);)
        started.push_back(line);
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (std::vector<std::string>{"setup.sh " + root, "setup.sh " + root, "tool.sh " + root,
                                                 "tool.sh " + root}));
}

// A copy the reader cancels opens nothing and leaves nothing; one beyond what the menu copies in a
// run is not begun, and a box says so, naming the size.
TEST(SystemOpener, ACancelledCopyOrOneTooLargeOpensNothing)
{
    TempDir out;
    TempDirAsSystemTemp temp;
    auto disc = std::make_shared<MemoryDisc>();
    disc->Add("Soft/App/setup.sh", "#!/bin/sh\ntouch '" + (out.path() / "started").string() + "'\n");
    disc->Add("Soft/App/data.cab", std::string(300000, 'c'));
    disc->Add("Huge/setup.sh", "#!/bin/sh\ntouch '" + (out.path() / "started").string() + "'\n");
    disc->Add("Huge/disc2.cab", "cab");
    disc->ClaimSize("Huge/disc2.cab", std::uintmax_t{5} << 30);
    disc->Add("Late/setup.sh", "#!/bin/sh\ntouch '" + (out.path() / "started").string() + "'\n");
    std::vector<std::string> notices;
    auto runner = std::make_unique<RecordingCopyRunner>();
    const auto jobs = runner->jobs;
    SystemOpener opener{PathResolver(disc), "", [&](const std::string& text) { notices.push_back(text); },
                        std::move(runner)};
    testing::internal::CaptureStderr();
    opener.Open("soft\\app\\setup.sh");
    opener.Open("huge\\setup.sh");
    ASSERT_EQ(jobs->size(), 2u);
    (*jobs)[0].progress->cancelled = true;
    Finish((*jobs)[0]);
    Finish((*jobs)[1]);
    EXPECT_EQ((*jobs)[1].progress->done, 0u);
    EXPECT_EQ(notices, std::vector<std::string>{"\"huge\\setup.sh\" is not opened: its folder holds 5.0 GB, "
                                                "more than the 4.0 GB the menu copies out of a disc image "
                                                "while it runs."});
    EXPECT_TRUE(temp.Empty());
    // A cancel after the copy's last look at it: the copy is made, and nothing opens all the same.
    opener.Open("late\\setup.sh");
    ASSERT_EQ(jobs->size(), 3u);
    (*jobs)[2].work();
    (*jobs)[2].progress->cancelled = true;
    (*jobs)[2].done();
    ASSERT_TRUE(opener.WaitForChildren(kWait));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(out.path() / "started"));
    // Cancelled is not refused: the next click copies it.
    opener.Open("soft\\app\\setup.sh");
    EXPECT_EQ(jobs->size(), 4u);
}
