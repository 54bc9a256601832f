// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test; files are written as raw bytes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` to the relative path `rel` (forward slashes), creating folders on the way.
    std::filesystem::path Write(const std::string& rel, std::string_view bytes) const;
    std::filesystem::path MakeDir(const std::string& rel) const;

private:
    std::filesystem::path path_;
};

// A fresh TempDir made the system's temporary folder (TMPDIR) while this lives, so that what a
// program leaves there can be seen.
class TempDirAsSystemTemp {
public:
    TempDirAsSystemTemp();
    ~TempDirAsSystemTemp();
    TempDirAsSystemTemp(const TempDirAsSystemTemp&) = delete;
    TempDirAsSystemTemp& operator=(const TempDirAsSystemTemp&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    bool Empty() const { return std::filesystem::is_empty(dir_.path()); }

private:
    TempDir dir_;  // made under the old temporary folder
    bool had_old_ = false;
    std::string old_;
};

// The whole content of a file as bytes.
std::string ReadFileBytes(const std::filesystem::path& path);
