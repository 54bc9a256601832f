// Reading a file of the disc whole, the one way every part of the program does it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

class DiscFs;

// Files larger than this are refused unless a caller allows more.
inline constexpr std::uintmax_t kMaxDiscFileBytes = 64u << 20;

// The whole content of a regular file; nothing when it is missing, not a regular file, larger
// than `max_bytes` or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file,
                                         std::uintmax_t max_bytes = kMaxDiscFileBytes);

// The same for a file of a disc, read through the disc's file system.
std::optional<std::string> ReadWholeFile(const DiscFs& disc, const std::filesystem::path& file,
                                         std::uintmax_t max_bytes = kMaxDiscFileBytes);
