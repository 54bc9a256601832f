// Telling a Windows program by what it holds, not by its name: a disc copied from a Windows file
// system names its files in any letter case, and a document may be called "setup.exe".
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "disc/DiscFs.h"

enum class WindowsProgram {
    kNone,
    kExecutable,  // a Portable Executable: "MZ", and the "PE" header it points to inside the file
    kInstaller,   // a Windows Installer package (.msi): a compound file of the installer's class
    kBatch,       // a batch file: named .bat or .cmd, in any letter case
};

// What the file `bytes` (its first bytes, as many as the caller read) is; `name` is its file name.
// A compound file (the container of .msi packages, and of old Office documents too) counts as an
// installer package when its root says so within `bytes`, or when it is named ".msi".
WindowsProgram RecogniseWindowsProgram(std::string_view name, std::string_view bytes);

// How many of a file's first bytes RecogniseWindowsProgram needs at most.
constexpr std::size_t kWindowsProgramHeadBytes = 64 * 1024;

// The first bytes of a disc file, up to `limit`; nothing when it cannot be opened or read.
std::optional<std::string> ReadDiscHead(const DiscFs& disc, const std::filesystem::path& path, std::size_t limit);
