// Writes RAR archives in the RAR 4 format as the RAR tools of Windows make them, with the store
// method only: the project's test fixtures and the demo disc's picture archive are made with it.
// Member names are raw bytes with '\' between folder parts; every header carries its CRC (the
// low 16 bits of the CRC-32 of the header after the CRC field) and every file its data CRC-32.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

class RarWriter {
public:
    // Creates (or truncates) `path` and writes the signature and the archive header.
    // Throws std::runtime_error when the file cannot be written.
    explicit RarWriter(const std::filesystem::path& path);
    ~RarWriter();
    RarWriter(const RarWriter&) = delete;
    RarWriter& operator=(const RarWriter&) = delete;

    // A folder entry (no data).
    void AddFolder(const std::string& name);
    // A file entry holding `bytes`, stored.
    void AddFile(const std::string& name, std::string_view bytes);
    // Writes the end-of-archive block and closes the file. Called by the destructor when
    // not called before (errors are then lost).
    void Finish();

    // The modification time written into every entry, as an MS-DOS date and time.
    void SetDosTime(uint32_t dos_time) { dos_time_ = dos_time; }

private:
    void WriteEntry(const std::string& name, std::string_view bytes, bool folder);
    void Put(std::string_view bytes);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    uint32_t dos_time_ = 0x2A210000;  // 2001-01-01 00:00:00
};
