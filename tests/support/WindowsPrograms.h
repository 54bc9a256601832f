// Real Windows programs made at test time by the tools that make them for real: an installer by
// NSIS, a program by the MinGW cross compiler, an installer package by msitools' wixl. Each gives
// nothing where its tool is missing (the tests that need it skip).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The window title of the installer's first page: "TITLE Setup: Installation Folder".
std::optional<std::filesystem::path> MakeNsisInstaller(const std::filesystem::path& folder, const std::string& title);

// A console program that reads "neighbour.txt" beside itself and writes "ran; neighbour: TEXT" to
// the Windows path in its ZUL_WINE_MARKER environment variable.
std::optional<std::filesystem::path> MakeMingwProgram(const std::filesystem::path& folder);

// An installer package of one file, installed per user.
std::optional<std::filesystem::path> MakeMsiPackage(const std::filesystem::path& folder);

// A hand-made Portable Executable header (no program in it), "MZ" pointing to "PE" at 0x80: what
// the menu takes for a Windows program without any tool to make one. Without `pe`, a DOS program.
std::string HandMadeExecutable(bool pe = true);

// `path` as Wine names it on its Z: drive.
std::string WinePath(const std::filesystem::path& path);

// Why Wine cannot start programs here, or nothing when it can: it is on PATH, and an X display to
// show windows on is left to the caller.
std::optional<std::string> WineMissing();
