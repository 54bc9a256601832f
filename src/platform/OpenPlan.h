// How a target the disc's script names (an installer, document, folder or web link) would open, the
// way the Windows shell's "open" verb did, decided without starting anything: every program is to
// be given its arguments as a list, never a shell's command line. A setup is planned by the rules
// below; a link the reader follows by the narrower rules after them, which never start a program.
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
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/PathResolver.h"

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
// those of the image (the opener copies a folder out before it plans for real). PlanLink or
// PlanSetup, as `as` says.
OpenPlan PlanOpen(std::string_view target, const PathResolver& resolver, const std::string& path_env,
                  OpenAs as = OpenAs::kSetup);

// A link's plan: a web or mail address, or a document or folder of the disc; anything else is
// refused. Its blanks are taken off first.
OpenPlan PlanLink(std::string_view link, const PathResolver& resolver, const std::string& path_env);

// A setup's plan: an address, a folder or document of the disc, or a native or Windows program.
OpenPlan PlanSetup(std::string_view target, const PathResolver& resolver, const std::string& path_env);

// What a target of a disc image needs before it is planned: the disc folder to copy out of the
// image (a folder's own self, a file's folder), whose copy then stands for the disc. A target that
// needs no copy (empty, an address, or one refused or not found: a link to a program is refused
// before anything is copied for it) has its plan at once instead.
struct ImageTarget {
    std::optional<std::filesystem::path> folder;  // the folder to copy first
    OpenPlan plan;                                // without a folder: the plan
};
ImageTarget PlanImageTarget(std::string_view target, const PathResolver& resolver, const std::string& path_env,
                            OpenAs as);

// A link without the blanks (spaces, tabs, CR, LF) around it, which a script's line may leave there.
std::string_view LinkWithoutBlanks(std::string_view link);

// This process's search path: its PATH, or the system's default path when PATH is unset.
std::string DefaultSearchPath();
