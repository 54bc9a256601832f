// A file of the disc copied into a private temporary file of this system, for readers that can
// only open a file by its name (an archive library other than the built-in module). The copy is
// readable and writable by the owner only and goes when the object is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "disc/DiscFs.h"

// Writes all of `size` bytes to the file `fd`, going on after interruptions; false on a failure.
bool WriteAll(int fd, const char* data, std::size_t size);

class PrivateFileCopy {
public:
    // Copies the file `path` of `disc`; nothing when it is not a file, is larger than
    // `max_bytes`, cannot be read whole or the copy cannot be written (nothing is left behind).
    static std::unique_ptr<PrivateFileCopy> Make(const DiscFs& disc, const std::filesystem::path& path,
                                                 std::uintmax_t max_bytes);

    ~PrivateFileCopy();
    PrivateFileCopy(const PrivateFileCopy&) = delete;
    PrivateFileCopy& operator=(const PrivateFileCopy&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    explicit PrivateFileCopy(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path path_;
};
