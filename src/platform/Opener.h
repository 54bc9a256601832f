// Opening what the disc's script names (installers, documents, folders and web links): the plan of
// each target (OpenPlan.h) carried out, its program started in a process of its own.
//
// - On a disc image, a disc path's whole folder (a folder's own self) is first copied out with its
//   subfolders into a fresh private temporary folder (DiscCopies), and the copy is opened by the
//   plan's rules, its temporary folder standing for the disc root. A folder is copied once while
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
#include "platform/OpenPlan.h"

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
