// Copies of a disc image's files on this system's file system. Programs and documents inside an
// image can only be opened by others once they are files: the opened file's whole folder is
// copied (installers need their neighbours) into a fresh private temporary folder, once in a run
// of the menu, and later opens of that folder, or of a folder inside it, use the same copy. The
// copies go when they are destroyed, that is when the menu ends (or, for a folder whose programs
// still run then, once they have ended: see SystemOpener). Copies left behind by a run that ended
// without removing them (the menu killed, the machine switched off) are removed at the next start
// by SweepStaleCopies.
//
// Each copy is a folder "zulshell-UID-PID-XXXXXX" of the temporary folder (UID the user's id, PID
// the menu's process) holding:
//   owner    the marker "zulshell copy", locked (flock) by the run that made it while it runs
//   started  the process groups started from the copy, one number a line
//   disc/    the copy itself, standing for the disc root
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "disc/DiscFs.h"

// What the copies may hold at most: a copy that would go beyond it is not made.
struct DiscCopyLimits {
    std::uintmax_t max_bytes = std::uintmax_t{4} << 30;  // all the copies of a run together
    std::size_t max_entries = 100000;                      // one copy
    std::size_t max_depth = 64;                            // one copy
};

// How far one copy has come, shared by the thread that copies and the one that shows it, and the
// reader's wish to stop it.
struct CopyProgress {
    // In bytes, each file and folder counting kEntryWeight more: making many small files takes
    // longer than their bytes say.
    static constexpr std::uintmax_t kEntryWeight = 128 * 1024;
    std::atomic<std::uintmax_t> total{0};  // what there is to do, once it is known
    std::atomic<std::uintmax_t> done{0};   // what is done so far
    std::atomic<bool> cancelled{false};
};

// Why a copy was not made.
struct CopyFailure {
    enum class Kind {
        kNone,
        kFailed,     // it could not be read or written, or breaks a limit of one copy: `text` says why
        kTooLarge,   // beyond what the run may copy in all: `text` says so in the reader's words
        kCancelled,  // the reader stopped it
    };
    Kind kind = Kind::kNone;
    std::string text;
};

// Whether the disc folder `inner` is the disc folder `outer` or lies inside it.
bool DiscFolderHolds(const std::filesystem::path& outer, const std::filesystem::path& inner);

// The size `bytes` in a reader's words: "512 bytes", "3.4 MB", "4.0 GB".
std::string ReadableSize(std::uintmax_t bytes);

class DiscCopies {
public:
    explicit DiscCopies(DiscCopyLimits limits = {}) : limits_(limits) {}
    // Removes every folder it made, with everything in it. No copy may still be under way.
    ~DiscCopies();
    DiscCopies(const DiscCopies&) = delete;
    DiscCopies& operator=(const DiscCopies&) = delete;

    // The copy that already holds the folder `disc_folder` of the disc: the folder standing for the
    // disc root in a copy of that folder or of one above it; nothing when there is none.
    std::optional<std::filesystem::path> Find(const std::filesystem::path& disc_folder) const;

    // Copies the folder `disc_folder` of `disc`, with everything under it, into a fresh private
    // folder under the system's temporary folder, at the same place relative to the disc root as
    // on the disc. Gives the folder that stands for the disc root; or nothing, with `failure`
    // saying why (a partial copy is removed). A folder Find knows is not copied again. Before
    // anything is copied, the sizes the disc records are added up and checked against what is
    // left of the run's limit. `progress`, when given, follows the copy and can cancel it.
    // May be called on any thread, several copies at once.
    //
    // A file keeps the execute bit the disc records; where the disc records none, a file that
    // begins with "#!" or with an ELF header is made executable, since the kernel would have
    // started it from a mounted disc.
    std::optional<std::filesystem::path> Copy(const DiscFs& disc, const std::filesystem::path& disc_folder,
                                              CopyFailure& failure, CopyProgress* progress = nullptr);

    // The folders made so far (the copies' own folders, above the disc roots Copy gives).
    std::vector<std::filesystem::path> Folders() const;

    // The copy's own folder of `root`, a disc root Copy gave.
    static std::filesystem::path FolderOf(const std::filesystem::path& root) { return root.parent_path(); }

    // Notes that the process group `pid` was started from the copy whose disc root is `root`, so
    // that a later start does not take the copy for a stale one while the group runs.
    void Started(const std::filesystem::path& root, pid_t pid);

    // Leaves `folder`, one of Folders(), in place when the copies are destroyed: whoever releases
    // it removes it.
    void Release(const std::filesystem::path& folder);

private:
    struct Made {
        std::filesystem::path folder;       // zulshell-UID-PID-XXXXXX
        std::filesystem::path disc_folder;  // what was copied, as the disc names it
        int owner_fd = -1;                  // holds the lock on the marker while the run lasts
        bool released = false;
    };

    DiscCopyLimits limits_;
    mutable std::mutex mutex_;
    std::vector<Made> made_;
    std::uintmax_t used_ = 0;  // bytes copied and being copied, all copies together
};

// Removes the copies under `temp` (the system's temporary folder when empty) that runs of this
// user have left behind: only folders named and marked as above, owned by this user, whose run
// has ended (its lock is free), none of whose process groups still runs, and that no process still
// uses (its working folder, program, open files or mapped files inside, or the folder named on its
// command line, as a remover waiting to take it does). Gives the number removed.
std::size_t SweepStaleCopies(const std::filesystem::path& temp = {});

// Runs a copy away from the thread that asks for it, so that the menu keeps answering meanwhile.
class CopyRunner {
public:
    virtual ~CopyRunner() = default;
    // Runs `work` (which follows and heeds `progress`), then `done` on the calling thread. `what`
    // names what is copied for a progress display. Once the runner is destroyed `done` is not
    // called; the destructor cancels the copies under way and waits for them.
    virtual void Run(const std::string& what, std::shared_ptr<CopyProgress> progress,
                     std::function<void()> work, std::function<void()> done) = 0;
    // Cancels the copies under way, as the menu ends; their `done` is still called once each has
    // stopped.
    virtual void CancelAll() {}
};

// Runs the copy at once, before Run returns: where no window waits (tests, tools).
class InPlaceCopyRunner : public CopyRunner {
public:
    void Run(const std::string&, std::shared_ptr<CopyProgress>, std::function<void()> work,
             std::function<void()> done) override
    {
        work();
        done();
    }
};
