// The files of a disc, wherever they are kept: a folder of this system (a mounted disc or a copy
// of one) or a disc image read in place. Everything the program reads from the disc goes through
// this interface; the path resolver sits above it and finds names without regard to letter case.
//
// Paths are those of this file system: Root() joined with the components, as the resolver builds
// them. A folder's paths are ordinary paths of this system; an image's are relative paths inside
// the image, its root being the empty path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class DiscEntryKind { kMissing, kFile, kFolder, kOther };

struct DiscEntry {
    DiscEntryKind kind = DiscEntryKind::kMissing;
    std::uintmax_t size = 0;  // bytes, for a file
    // Whether the owner may run the file, where the disc records modes (a folder, an image with
    // Rock Ridge); nothing where it records none (plain ISO 9660 and Joliet names).
    std::optional<bool> executable;
};

// One file of the disc opened for reading from its start, front to back.
class DiscReader {
public:
    virtual ~DiscReader() = default;
    // Up to `size` bytes into `buffer`; fewer only at the end of the file or on a failure, 0 once
    // nothing is left. Failed() tells a failure from the end.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    virtual bool Failed() const = 0;
};

class DiscFs {
public:
    virtual ~DiscFs() = default;

    // The path of the disc's root folder.
    virtual const std::filesystem::path& Root() const = 0;

    // What is at `path`; kMissing when nothing is. A link that leads nowhere is kOther.
    virtual DiscEntry Stat(const std::filesystem::path& path) const = 0;

    // The names in `folder` in the order of its listing; empty when it is not a folder.
    virtual std::vector<std::string> List(const std::filesystem::path& folder) const = 0;

    // The file at `path` opened for reading; null when it is not a file or cannot be opened.
    // Readers are independent of each other and may be used on any thread.
    virtual std::unique_ptr<DiscReader> Open(const std::filesystem::path& path) const = 0;

    // The disc as messages name it: its folder, or its image file.
    virtual std::string Name() const = 0;

    // Whether the files are inside an image rather than files of this system: programs and
    // documents must then be copied out before anything else can open them.
    virtual bool IsImage() const { return false; }
};

// The disc in a folder of this system. Nothing outside that folder is part of the disc: an entry
// whose real path (its symbolic links followed) leads out of the folder's own real path is missing
// to Stat, is not opened, and lists nothing; links that stay inside work as usual. The empty root
// stands for the files of this system named by their own paths, and confines nothing.
std::shared_ptr<const DiscFs> FolderDiscFs(std::filesystem::path root);
