#include "rarwriter/RarWriter.h"

#include "archive/Crc32.h"

#include <array>
#include <stdexcept>

namespace {

constexpr uint8_t kMainHeader = 0x73;
constexpr uint8_t kFileHeader = 0x74;
constexpr uint8_t kEndHeader = 0x7B;
constexpr uint16_t kLongBlock = 0x8000;     // the header is followed by data of ADD_SIZE bytes
constexpr uint16_t kDirectory = 0x00E0;     // dictionary bits all set: a folder entry
constexpr uint16_t kEndSkipNext = 0x4000;   // the end block's usual flag
constexpr uint8_t kHostWin32 = 2;
constexpr uint8_t kVersion20 = 20;
constexpr uint8_t kMethodStore = 0x30;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrDirectory = 0x10;

void Le16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Le32(std::string& out, uint32_t v)
{
    Le16(out, v & 0xFFFF);
    Le16(out, v >> 16);
}

// Puts the header CRC in front of `body` (everything from the header type on).
std::string WithHeaderCrc(const std::string& body)
{
    std::string block;
    Le16(block, Crc32(body) & 0xFFFF);
    return block + body;
}

}  // namespace

RarWriter::RarWriter(const std::filesystem::path& path) : path_(path)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr)
        throw std::runtime_error("cannot create " + path.string());
    Put(std::string_view("Rar!\x1A\x07\x00", 7));
    std::string body;
    body += static_cast<char>(kMainHeader);
    Le16(body, 0);       // flags
    Le16(body, 13);      // header size
    Le16(body, 0);       // reserved
    Le32(body, 0);       // reserved
    Put(WithHeaderCrc(body));
}

RarWriter::~RarWriter()
{
    if (file_ != nullptr) {
        try {
            Finish();
        } catch (...) {
        }
    }
}

void RarWriter::AddFolder(const std::string& name)
{
    WriteEntry(name, {}, true);
}

void RarWriter::AddFile(const std::string& name, std::string_view bytes)
{
    WriteEntry(name, bytes, false);
}

void RarWriter::WriteEntry(const std::string& name, std::string_view bytes, bool folder)
{
    if (file_ == nullptr)
        throw std::logic_error("archive already finished");
    if (name.empty() || name.size() > 0xFFFF - 32)
        throw std::invalid_argument("bad member name length");
    if (bytes.size() > 0xFFFFFFFFu)
        throw std::invalid_argument("member too large for this writer");
    const auto size = static_cast<uint32_t>(bytes.size());
    std::string body;
    body += static_cast<char>(kFileHeader);
    Le16(body, kLongBlock | (folder ? kDirectory : 0));
    Le16(body, static_cast<uint32_t>(32 + name.size()));
    Le32(body, size);                       // packed size
    Le32(body, size);                       // unpacked size
    body += static_cast<char>(kHostWin32);
    Le32(body, Crc32(bytes));
    Le32(body, dos_time_);
    body += static_cast<char>(kVersion20);
    body += static_cast<char>(kMethodStore);
    Le16(body, static_cast<uint32_t>(name.size()));
    Le32(body, folder ? kAttrDirectory : kAttrArchive);
    body += name;
    Put(WithHeaderCrc(body));
    Put(bytes);
}

void RarWriter::Finish()
{
    if (file_ == nullptr)
        return;
    std::string body;
    body += static_cast<char>(kEndHeader);
    Le16(body, kEndSkipNext);
    Le16(body, 7);
    Put(WithHeaderCrc(body));
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + path_.string());
}

void RarWriter::Put(std::string_view bytes)
{
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        throw std::runtime_error("cannot write " + path_.string());
}
