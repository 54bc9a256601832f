#include "platform/WindowsProgram.h"

#include <cstdint>
#include <string>

#include "disc/PathResolver.h"

namespace {

std::uint32_t Little(std::string_view bytes, std::size_t at, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
    return value;
}

bool NameEndsWith(std::string_view name, std::string_view extension)
{
    return name.size() > extension.size() && EqualNoCase(name.substr(name.size() - extension.size()), extension);
}

// "MZ", and at the offset the DOS header gives (e_lfanew) the "PE\0\0" signature with the whole file
// header after it. A DOS program (no PE header) or a file cut short there is not one.
bool IsPortableExecutable(std::string_view bytes)
{
    constexpr std::size_t kNewHeaderOffset = 0x3C;
    constexpr std::size_t kSignatureAndFileHeader = 4 + 20;
    if (bytes.size() < kNewHeaderOffset + 4 || !bytes.starts_with("MZ"))
        return false;
    const std::size_t pe = Little(bytes, kNewHeaderOffset, 4);
    if (pe < kNewHeaderOffset + 4 || pe > bytes.size() || bytes.size() - pe < kSignatureAndFileHeader)
        return false;
    return bytes.substr(pe, 4) == std::string_view("PE\0\0", 4);
}

constexpr std::string_view kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// Whether the compound file's root entry carries the class of Windows Installer packages,
// {000C1084-0000-0000-C000-000000000046}, as far as `bytes` reach.
bool HasInstallerClass(std::string_view bytes)
{
    static constexpr std::string_view kInstallerClass(
        "\x84\x10\x0C\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    constexpr std::size_t kHeader = 512;
    if (bytes.size() < kHeader)
        return false;
    const std::uint32_t shift = Little(bytes, 0x1E, 2);
    if (shift != 9 && shift != 12)  // 512- or 4096-byte sectors
        return false;
    const std::uint64_t sector = std::uint64_t{1} << shift;
    const std::uint64_t first_directory = Little(bytes, 0x30, 4);
    const std::uint64_t root = (first_directory + 1) * sector;  // sector N follows the header's sector
    constexpr std::size_t kClassInEntry = 0x50;
    if (root + kClassInEntry + kInstallerClass.size() > bytes.size())
        return false;
    return bytes.substr(static_cast<std::size_t>(root + kClassInEntry), kInstallerClass.size()) == kInstallerClass;
}

}  // namespace

WindowsProgram RecogniseWindowsProgram(std::string_view name, std::string_view bytes)
{
    if (IsPortableExecutable(bytes))
        return WindowsProgram::kExecutable;
    if (bytes.starts_with(kCompoundFileSignature) && (HasInstallerClass(bytes) || NameEndsWith(name, ".msi")))
        return WindowsProgram::kInstaller;
    if (NameEndsWith(name, ".bat") || NameEndsWith(name, ".cmd"))
        return WindowsProgram::kBatch;
    return WindowsProgram::kNone;
}

std::optional<std::string> ReadDiscHead(const DiscFs& disc, const std::filesystem::path& path, std::size_t limit)
{
    const std::unique_ptr<DiscReader> reader = disc.Open(path);
    if (!reader)
        return std::nullopt;
    std::string bytes(limit, '\0');
    bytes.resize(reader->Read(bytes.data(), bytes.size()));
    if (reader->Failed())
        return std::nullopt;
    return bytes;
}
