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

// The whole content of a file as bytes.
std::string ReadFileBytes(const std::filesystem::path& path);
