#include "platform/Opener.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "disc/CodePages.h"

namespace fs = std::filesystem;

namespace {

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
    if (!resolver_.Disc().IsImage())
        return PlanOpen(target, resolver_, path_env_, as);
    ImageTarget image = PlanImageTarget(target, resolver_, path_env_, as);
    if (!image.folder)
        return std::move(image.plan);
    copy = copies_.Find(*image.folder);
    if (!copy) {
        AwaitCopy(*image.folder, std::string(target), as);
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
    Carry(std::string(LinkWithoutBlanks(link)), OpenAs::kLink);
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
