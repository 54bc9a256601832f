// Helpers shared by the archive tests: a disc folder with a stand-in unrar.dll and a picture
// archive written by the RAR writer, archives of the writer changed into the broken and
// encrypted ones the reader must refuse, and the sample archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "archive/Crc32.h"
#include "rarwriter/RarWriter.h"
#include "support/Samples.h"
#include "support/TempDir.h"

inline std::string SampleRar(const std::string& name)
{
    return SamplePath("rar/" + name);
}

// A member to write: a name ending in '\' is written as a folder entry (without the '\').
using FixtureMember = std::pair<std::string, std::string>;

inline void WriteRar(const std::filesystem::path& path, const std::vector<FixtureMember>& members)
{
    std::filesystem::create_directories(path.parent_path());
    RarWriter writer(path);
    for (const auto& [name, data] : members) {
        if (!name.empty() && name.back() == '\\')
            writer.AddFolder(name.substr(0, name.size() - 1));
        else
            writer.AddFile(name, data);
    }
    writer.Finish();
}

// graph\dll\unrar.dll as a disc carries it (a Windows library, so the built-in module stands
// in) and graph\shell.dat holding `members`.
inline void MakeDisc(const TempDir& dir, const std::vector<FixtureMember>& members)
{
    dir.Write("graph/dll/unrar.dll", std::string("MZ\x90\x00\x03\x00\x00\x00", 8));
    WriteRar(dir.path() / "graph" / "shell.dat", members);
}

// ---- broken and encrypted RAR archives, made from the writer's

// Where the headers of a RAR 4 archive of the writer start: the archive header right after the
// 7-byte signature, the first member's right after the 13-byte archive header.
inline constexpr std::size_t kRarArchiveHeaderAt = 7;
inline constexpr std::size_t kRarFirstMemberAt = 7 + 13;
inline constexpr unsigned kRarMemberEncrypted = 0x0004;   // member header: the data needs a password
inline constexpr unsigned kRarHeadersEncrypted = 0x0080;  // archive header: every header is encrypted

inline unsigned RarLe16(const std::string& raw, std::size_t at)
{
    return static_cast<unsigned char>(raw.at(at)) | static_cast<unsigned char>(raw.at(at + 1)) << 8;
}

// Where the header of member `index` (0 first, folder entries counted) starts.
inline std::size_t RarMemberAt(const std::string& raw, int index)
{
    std::size_t at = kRarFirstMemberAt;
    for (int i = 0; i < index; ++i) {
        const std::size_t data = RarLe16(raw, at + 7) | std::size_t{RarLe16(raw, at + 9)} << 16;
        at += RarLe16(raw, at + 5) + data;
    }
    return at;
}

// Sets `flags` in the header at `at` and puts the header's CRC right again, as an archiver that
// wrote the flag would have: only the flag tells the reader what is wrong.
inline void SetRarHeaderFlags(std::string& raw, std::size_t at, unsigned flags)
{
    const unsigned value = RarLe16(raw, at + 3) | flags;
    raw.at(at + 3) = static_cast<char>(value & 0xFF);
    raw.at(at + 4) = static_cast<char>(value >> 8);
    const std::uint32_t crc = Crc32(std::string_view(raw).substr(at + 2, RarLe16(raw, at + 5) - 2));
    raw.at(at) = static_cast<char>(crc & 0xFF);
    raw.at(at + 1) = static_cast<char>((crc >> 8) & 0xFF);
}

// The kinds of broken or encrypted archive the reader meets on discs.
enum class BadRar {
    HeadersEncrypted,      // RAR 4, every header encrypted: cannot be opened without a password
    Rar5HeadersEncrypted,  // RAR 5 starting with its archive encryption header: the same
    CutInAHeader,          // one good member, then the file ends inside the next header
    MemberEncrypted,       // one good member, then one whose data needs a password
    DamagedData,           // one good member, then one whose bytes no longer match their CRC
};

// Writes an archive of kind `kind` to `path`.
inline void WriteBadRar(const std::filesystem::path& path, BadRar kind)
{
    if (kind == BadRar::Rar5HeadersEncrypted) {
        // The signature, then the archive encryption header: its CRC-32, its size (21), type 4,
        // no header flags, encryption version 0, no encryption flags, KDF count 15, the salt.
        const std::string header = std::string("\x15\x04\x00\x00\x00\x0F", 6) + std::string(16, '\x5A');
        const std::uint32_t crc = Crc32(header);
        std::string raw("Rar!\x1A\x07\x01\x00", 8);
        for (int shift = 0; shift < 32; shift += 8)
            raw += static_cast<char>((crc >> shift) & 0xFF);
        raw += header;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << raw;
        return;
    }
    WriteRar(path, {{"a.txt", "readable member"}, {"b.txt", "second member, its bytes"}});
    std::string raw = ReadFileBytes(path);
    switch (kind) {
    case BadRar::HeadersEncrypted:
        SetRarHeaderFlags(raw, kRarArchiveHeaderAt, kRarHeadersEncrypted);
        break;
    case BadRar::CutInAHeader:
        raw.resize(RarMemberAt(raw, 1) + 5);
        break;
    case BadRar::MemberEncrypted:
        SetRarHeaderFlags(raw, RarMemberAt(raw, 1), kRarMemberEncrypted);
        break;
    case BadRar::DamagedData:
        raw.at(raw.find("second member")) ^= 0x01;
        break;
    case BadRar::Rar5HeadersEncrypted:
        break;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << raw;
}
