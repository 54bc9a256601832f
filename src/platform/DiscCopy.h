// Copies of a disc image's files on this system's file system. Programs and documents inside an
// image can only be opened by others once they are files: the opened file's whole folder is
// copied (installers need their neighbours) into a fresh private temporary folder, which goes
// when the copies are destroyed, that is when the menu ends (or, for a folder whose programs still
// run then, once they have ended: see SystemOpener).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/DiscFs.h"

// What one copy may hold at most: a copy that would go beyond it is not made.
struct DiscCopyLimits {
    std::uintmax_t max_bytes = std::uintmax_t{4} << 30;
    std::size_t max_entries = 100000;
    std::size_t max_depth = 64;
};

class DiscCopies {
public:
    explicit DiscCopies(DiscCopyLimits limits = {}) : limits_(limits) {}
    ~DiscCopies();  // removes every folder it made, with everything in it
    DiscCopies(const DiscCopies&) = delete;
    DiscCopies& operator=(const DiscCopies&) = delete;

    // Copies the folder `disc_folder` of `disc`, with everything under it, into a fresh private
    // folder under the system's temporary folder, at the same place relative to the disc root as
    // on the disc. Gives that new folder, which stands for the disc root; or nothing, with
    // `failure` saying why (a partial copy is removed).
    //
    // A file keeps the execute bit the disc records; where the disc records none, a file that
    // begins with "#!" or with an ELF header is made executable, since the kernel would have
    // started it from a mounted disc.
    std::optional<std::filesystem::path> Copy(const DiscFs& disc, const std::filesystem::path& disc_folder,
                                              std::string& failure);

    // The folders made so far.
    const std::vector<std::filesystem::path>& Folders() const { return folders_; }

    // Leaves `folder`, one of Folders(), in place when the copies are destroyed: whoever releases
    // it removes it.
    void Release(const std::filesystem::path& folder);

private:
    DiscCopyLimits limits_;
    std::vector<std::filesystem::path> folders_;
};
