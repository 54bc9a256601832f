// A disc held in memory, standing in for a disc image: its paths are relative to an empty root,
// so a reader that opens them as files of this system finds nothing (the tests run from the
// repository root, which holds no disc). Every Open is recorded, which shows that a
// reader went through the disc's file system.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "disc/DiscFs.h"

class MemoryDisc : public DiscFs {
public:
    MemoryDisc() = default;

    // Adds a file at the '/'-separated path `path`, with its folders; `executable` as an image
    // with Rock Ridge records it, nothing as a plain one.
    void Add(const std::string& path, std::string bytes, std::optional<bool> executable = std::nullopt);
    void AddFolder(const std::string& path);
    // The size Stat gives for `path` from now on, whatever its bytes.
    void ClaimSize(const std::string& path, std::uintmax_t size);
    // Readers of `path` fail after handing out `bytes` bytes.
    void FailAfter(const std::string& path, std::size_t bytes);

    const std::filesystem::path& Root() const override { return root_; }
    DiscEntry Stat(const std::filesystem::path& path) const override;
    std::vector<std::string> List(const std::filesystem::path& folder) const override;
    std::unique_ptr<DiscReader> Open(const std::filesystem::path& path) const override;
    std::string Name() const override { return "memory.iso"; }
    bool IsImage() const override { return true; }

    // The paths opened so far, in order ('/'-separated).
    std::vector<std::string> Opened() const;

private:
    struct File {
        std::string bytes;
        std::optional<std::uintmax_t> claimed_size;
        std::optional<bool> executable;
        std::optional<std::size_t> fail_after;
    };
    static std::string Key(const std::filesystem::path& path);

    std::filesystem::path root_;
    std::map<std::string, File> files_;
    std::set<std::string> folders_{""};
    mutable std::mutex mutex_;
    mutable std::vector<std::string> opened_;
};
