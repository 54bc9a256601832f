// Opening what the disc's script names (installers, documents, folders and web links) the way the
// Windows shell's "open" verb did, without ever going through a shell: every program is given its
// arguments as a list. A setup is opened by the rules below; a link the reader follows by the
// narrower rules after them, which never start a program.
//
// - An empty target opens nothing.
// - A link, that is a target that begins with a URI scheme ("http:", "mailto:" ...) or with
//   "www." (opened as "http://www."), goes to xdg-open, found on PATH, as its one argument. A
//   scheme is a letter followed by letters, digits, '+', '-' or '.', two characters at least, and
//   then ':'; so "c:\setup.exe" (a drive letter) and "soft\a:b" (a folder before the ':') are disc
//   paths.
// - Anything else is a disc path, found with the PathResolver. A native program, that is a regular
//   file that begins with "#!" or with an ELF header, is started directly, in the disc root (where
//   the menu's programs have always run), in a session of its own so that it outlives the menu;
//   its one argument is its own absolute path. A program copied or mounted without the executable
//   bit is run as the kernel would run it: a "#!" script under the interpreter its first line names
//   (with that line's one optional argument), an ELF program through the program interpreter it
//   names (PT_INTERP).
// - A Windows program (WindowsProgram.h: a Portable Executable or a Windows Installer package, told
//   by its content, or a batch file) is started the same way through Wine, when a "wine" is found on
//   an absolute folder of the search path: "wine PROGRAM", a package as "wine msiexec /i PACKAGE".
//   The environment is passed on (as below), so the reader's WINEPREFIX and the rest hold. Without
//   Wine the reader is told, in a box (the opener's Notice) the first time in a run of the menu and
//   on standard error after that.
// - Any other file, and every folder, goes to xdg-open by its absolute path, so the desktop opens
//   documents and folders with whatever it has for them.
// - xdg-open starts in the reader's home folder ("/" without one), never on the disc. Every
//   program started (xdg-open, the disc's programs, Wine) gets this process's environment with the
//   empty and relative folders taken out of PATH and LD_LIBRARY_PATH (a variable left with none is
//   not passed on): the dynamic loader and the shell would look those up in the working folder, and
//   find the disc's own libraries and programs there.
//
// A link (a banner's, the side panel's, the main frame's, the info box's) has its leading and
// trailing blanks (spaces, tabs, CR, LF) taken off, and then opens only as
// - a web or mail address: one whose scheme is http, https, ftp or mailto, in any letter case, or
//   one that begins with "www." (as above), goes to xdg-open;
// - a document or folder of the disc: a disc path that names one goes to xdg-open as above. A file
//   opens only when it is a document by its content and name (LinkDocuments.h: text, HTML, PDF,
//   RTF, office documents, pictures, sounds, videos); anything else is refused, a native program or
//   a Windows program (a file that begins with "MZ") whatever its name. A file that cannot be read
//   is refused too, since what it is cannot be told.
// Anything else, another scheme ("file:", "javascript:" ...) included, is refused.
//
// - On a disc image, a disc path's whole folder (a folder's own self) is first copied out with its
//   subfolders into a fresh private temporary folder (DiscCopies), and the copy is opened by the
//   rules above, its temporary folder standing for the disc root. A folder is copied once while
//   the opener lives: later opens of it, or of a folder inside it, use that copy. The copy is made
//   by the opener's CopyRunner, away from the interface thread; the target is opened once it is
//   done, and opening the same target again meanwhile adds nothing. A copy cancelled by the
//   reader opens nothing; one beyond what the menu copies in all is told in a box (the Notice).
//   The copies go when the opener is destroyed, as the menu ends; a copy whose programs still run
//   then (an installer reading its neighbours, or what it started) goes once they have ended.
//
// Nothing is shown on screen when a target cannot be opened: one line
//   zulshell: cannot open "TARGET": REASON
// is written to standard error, the target written as printable UTF-8 (PrintableDiscText). That
// covers a target that names nothing, a refused link (written without its blanks), a missing
// xdg-open, a program that cannot be started, and an xdg-open that ends with a non-zero status.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/DiscCopy.h"
#include "disc/PathResolver.h"

class Opener {
public:
    virtual ~Opener() = default;

    // Opens `target` (bytes from the disc) the way the Windows shell's "open" verb did: setups.
    virtual void Open(const std::string& target) = 0;

    // Opens `link` (bytes from the disc) if it is a web or mail address or names a document or
    // folder of the disc; never starts a program.
    virtual void OpenLink(const std::string& link) = 0;

    // Cancels the copies out of a disc image under way, as the menu ends: what waited for them
    // opens nothing.
    virtual void CancelCopies() {}
};

// What a target is opened as.
enum class OpenAs {
    kSetup,  // whatever it is: programs are started
    kLink,   // a web or mail address, or a document or folder of the disc
};

// What opening one target comes to.
struct OpenPlan {
    enum class Action {
        Nothing,  // an empty target
        Start,    // start a program of the disc; its exit status is its own business
        Hand,     // hand the target to xdg-open; a non-zero exit status means it was not opened
        Fail,     // it cannot be opened: `failure` says why
        NoWine,   // a Windows program, and no Wine to start it with: the reader is told
    };
    // What the target is, as far as it was found.
    enum class Kind {
        None,            // empty, refused or not found
        WebLink,         // an address with a scheme, or "www."
        Folder,          // a folder of the disc
        Document,        // any other file of the disc
        NativeProgram,   // a "#!" script or an ELF program
        WindowsProgram,  // a Windows program or installer package, or a batch file
    };
    Action action = Action::Nothing;
    Kind kind = Kind::None;
    std::vector<std::string> argv;  // Start, Hand: argv[0] is the path of the program to execute
    std::filesystem::path cwd;      // Start: the working folder (the absolute disc root); Hand: home
    std::string runs;               // Start, Hand: what argv[0] is, for messages ("xdg-open" ...)
    std::string failure;            // Fail: the reason, printable
};

// Decides how `target` is opened, without starting anything: `resolver` finds disc paths and gives
// the disc root, `path_env` is the search path (a PATH value) xdg-open and wine are looked up on.
// Only absolute folders of it are searched, so a program of that name on the disc is never taken
// for the system's own. On a disc image the plan's kind is what the target is, and its paths are
// those of the image (the opener copies a folder out before it plans for real).
OpenPlan PlanOpen(std::string_view target, const PathResolver& resolver, const std::string& path_env,
                  OpenAs as = OpenAs::kSetup);

// This process's search path: its PATH, or the system's default path when PATH is unset.
std::string DefaultSearchPath();

// Opens targets for real: plans, then starts the process. A waiter thread for every process
// started reaps it when it ends (so no zombie is left) and, for xdg-open, reports a non-zero exit
// status. Destroying the opener does not wait for, nor end, the processes it started; it cancels
// the copies under way (opening nothing that waited for them) and removes the copies it made of an
// image's files, at once or, where its processes still run, once they have ended.
class SystemOpener : public Opener {
public:
    // Tells the reader something in a box: what they can do about a target that could not be
    // opened. Called on the thread that called Open; an empty one tells nothing.
    using Notice = std::function<void(const std::string& text)>;

    // `path_env` is the search path for xdg-open; by default this process's PATH when the opener is
    // made (the system's default path when PATH is unset). `copier` makes the copies of an image's
    // folders; by default each is made at once, before Open returns.
    explicit SystemOpener(PathResolver resolver, std::optional<std::string> path_env = std::nullopt,
                          Notice notice = {}, std::unique_ptr<CopyRunner> copier = nullptr);
    ~SystemOpener() override;
    SystemOpener(const SystemOpener&) = delete;
    SystemOpener& operator=(const SystemOpener&) = delete;

    void Open(const std::string& target) override;
    void OpenLink(const std::string& link) override;
    void CancelCopies() override;

    // Waits at most `timeout` until every process this opener started has ended and its waiter
    // has reported; true when none is left. For tests, which check what the processes did.
    bool WaitForChildren(std::chrono::milliseconds timeout);

private:
    struct Children;

    // A copy under way, and the targets to open once it is done.
    struct PendingCopy {
        std::filesystem::path folder;  // the disc folder copied
        std::shared_ptr<CopyProgress> progress;
        std::shared_ptr<CopyFailure> failure;  // filled in by the copy
        std::vector<std::pair<std::string, OpenAs>> waiting;
    };

    // The plan for `target`, from the copy of its folder when the disc is an image (`copy` is then
    // the copy's disc root). Nothing while that folder is still to be copied: the copy is started
    // (or, under way, waited for) and the target carried out once it is done.
    std::optional<OpenPlan> Plan(std::string_view target, OpenAs as, std::optional<std::filesystem::path>& copy);
    // Starts copying `folder` of the image, or joins the copy under way that holds it.
    void AwaitCopy(const std::filesystem::path& folder, const std::string& target, OpenAs as);
    // On the interface thread, once the copy of `progress` is done: opens what waited for it, or
    // says why it cannot be.
    void CopyDone(const std::shared_ptr<CopyProgress>& progress);
    // Carries out the plan for `target`, reporting what fails under that name.
    void Carry(const std::string& target, OpenAs as);

    PathResolver resolver_;
    std::string path_env_;
    Notice notice_;
    bool told_no_wine_ = false;  // the box that says Wine is missing comes once a run
    DiscCopies copies_;
    std::unique_ptr<CopyRunner> copier_;  // works on copies_: destroyed first
    std::list<PendingCopy> pending_;
    std::shared_ptr<Children> children_;  // shared with the waiter threads, which may outlive this
    // The processes started from each copied folder, ended or not.
    std::map<std::filesystem::path, std::vector<pid_t>> started_in_;
};
