#include "archive/UnrarModule.h"

#include <archive.h>
#include <archive_entry.h>
#include <unarr.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/ThreadQuietStderr.h"
#include "platform/LibraryLoader.h"

namespace {

constexpr size_t kBlockSize = 64 * 1024;
constexpr char kRar4Signature[] = "Rar!\x1A\x07\x00";      // 7 bytes
constexpr char kRar5Signature[] = "Rar!\x1A\x07\x01\x00";  // 8 bytes

// RAR 2.x-4.x file header flags.
constexpr unsigned kFlagPassword = 0x0004;
constexpr unsigned kFlagLarge = 0x0100;
constexpr uint8_t kFileHeaderType = 0x74;
constexpr uint8_t kMainHeaderType = 0x73;
constexpr unsigned kFlagMainPassword = 0x0080;

enum class Format { Unknown, Rar4, Rar5, Unreadable };

// Where an archive is read from: a file of this system, or bytes in memory.
struct ArchiveSource {
    const char* path = nullptr;
    std::shared_ptr<const std::string> bytes;

    // A stream over the archive from its start; null when it cannot be opened.
    std::FILE* OpenStream() const
    {
        if (bytes == nullptr)
            return std::fopen(path, "rb");
        // fmemopen only reads here, whatever its prototype says; it refuses an empty buffer.
        if (bytes->empty())
            return nullptr;
        return fmemopen(const_cast<char*>(bytes->data()), bytes->size(), "rb");
    }
};

Format SniffFormat(const ArchiveSource& source)
{
    std::FILE* f = source.OpenStream();
    if (f == nullptr)
        return source.bytes != nullptr ? Format::Unknown : Format::Unreadable;
    char head[8] = {};
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n >= 8 && std::memcmp(head, kRar5Signature, 8) == 0)
        return Format::Rar5;
    if (n >= 7 && std::memcmp(head, kRar4Signature, 7) == 0)
        return Format::Rar4;
    return Format::Unknown;
}

void CopyName(char (&field)[260], const std::string& name)
{
    const size_t n = std::min(name.size(), sizeof field - 1);
    std::memcpy(field, name.data(), n);
    field[n] = '\0';
}

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

struct MemberInfo {
    std::string name;  // as stored, folders separated by '\'
    unsigned flags = 0;
    uint64_t packed = 0;
    uint64_t unpacked = 0;
    unsigned host_os = 0;
    uint32_t crc = 0;
    uint32_t time = 0;
    unsigned version = 0;
    unsigned method = 0;
    uint32_t attributes = 0;
    bool encrypted = false;
};

class ArchiveHandle {
public:
    virtual ~ArchiveHandle() = default;
    virtual int ReadHeader(MemberInfo& info) = 0;
    virtual int TestMember() = 0;

    std::string arc_name;
    PROCESSDATAPROC callback = nullptr;
    bool member_pending = false;  // a header was read and its member not processed yet
    bool member_encrypted = false;

protected:
    // Hands one block to the callback; false when the callback cancels.
    bool Deliver(const void* data, size_t size)
    {
        if (callback == nullptr || size == 0)
            return true;
        return callback(static_cast<unsigned char*>(const_cast<void*>(data)), static_cast<int>(size)) >= 0;
    }
};

// RAR 2.x-4.x through libunarr. libunarr gives each member's name converted to UTF-8 with '/'
// separators; the name as stored is read from the member's own header instead, through a
// second handle on the file, so nothing of the stored bytes is lost. libunarr logs to standard
// error on its own (a line for every folder entry, every damage it meets): each of its calls is
// made with standard error silenced for the calling thread.
class Rar4Archive : public ArchiveHandle {
public:
    ~Rar4Archive() override
    {
        ThreadQuietStderr quiet;
        if (archive_ != nullptr)
            ar_close_archive(archive_);
        if (stream_ != nullptr)
            ar_close(stream_);
        if (raw_ != nullptr)
            std::fclose(raw_);
    }

    unsigned Open(const ArchiveSource& source)
    {
        raw_ = source.OpenStream();
        if (raw_ == nullptr)
            return ERAR_EOPEN;
        if (HeadersEncrypted())
            return ERAR_MISSING_PASSWORD;
        ThreadQuietStderr quiet;
        bytes_ = source.bytes;
        stream_ = bytes_ != nullptr ? ar_open_memory(bytes_->data(), bytes_->size()) : ar_open_file(source.path);
        if (stream_ == nullptr)
            return ERAR_EOPEN;
        archive_ = ar_open_rar_archive(stream_);
        return archive_ == nullptr ? ERAR_BAD_ARCHIVE : ERAR_SUCCESS;
    }

    int ReadHeader(MemberInfo& info) override
    {
        {
            ThreadQuietStderr quiet;
            if (!ar_parse_entry(archive_))
                return ar_at_eof(archive_) ? ERAR_END_ARCHIVE : ERAR_BAD_DATA;
        }
        if (!ReadStoredHeader(ar_entry_get_offset(archive_), info))
            return ERAR_BAD_DATA;
        size_ = ar_entry_get_size(archive_);
        info.unpacked = size_;
        return ERAR_SUCCESS;
    }

    int TestMember() override
    {
        std::vector<unsigned char> block(std::min(size_, kBlockSize));
        size_t left = size_;
        while (left > 0) {
            const size_t n = std::min(left, block.size());
            bool unpacked = false;
            {
                ThreadQuietStderr quiet;
                unpacked = ar_entry_uncompress(archive_, block.data(), n);
            }
            if (!unpacked)
                return ERAR_BAD_DATA;
            if (!Deliver(block.data(), n))
                return ERAR_UNKNOWN;
            left -= n;
        }
        return ERAR_SUCCESS;
    }

private:
    // True when the archive header says that every following header is encrypted.
    bool HeadersEncrypted()
    {
        uint8_t main[7 + 7];
        if (std::fread(main, 1, sizeof main, raw_) != sizeof main)
            return false;
        return main[7 + 2] == kMainHeaderType && (Le16(main + 7 + 3) & kFlagMainPassword) != 0;
    }

    // Reads the file header at `offset` as stored: the fields of the record and the 8-bit name.
    bool ReadStoredHeader(off64_t offset, MemberInfo& info)
    {
        uint8_t base[7];
        if (offset < 0 || fseeko(raw_, offset, SEEK_SET) != 0 || std::fread(base, 1, 7, raw_) != 7)
            return false;
        const unsigned flags = Le16(base + 3);
        const size_t header_size = Le16(base + 5);
        if (base[2] != kFileHeaderType || header_size < 32)
            return false;
        std::vector<uint8_t> header(header_size);
        std::memcpy(header.data(), base, 7);
        if (std::fread(header.data() + 7, 1, header_size - 7, raw_) != header_size - 7)
            return false;
        size_t name_at = 32;
        uint64_t packed_high = 0, unpacked_high = 0;
        if (flags & kFlagLarge) {
            if (header_size < 40)
                return false;
            packed_high = Le32(&header[32]);
            unpacked_high = Le32(&header[36]);
            name_at = 40;
        }
        const size_t name_size = Le16(&header[26]);
        if (name_at + name_size > header_size)
            return false;
        // A name with a Unicode form carries it after a zero byte; the 8-bit name comes first.
        const char* name = reinterpret_cast<const char*>(&header[name_at]);
        info.name.assign(name, strnlen(name, name_size));
        std::replace(info.name.begin(), info.name.end(), '/', '\\');
        info.flags = flags;
        info.packed = packed_high << 32 | Le32(&header[7]);
        info.host_os = header[15];
        info.crc = Le32(&header[16]);
        info.time = Le32(&header[20]);
        info.version = header[24];
        info.method = header[25];
        info.attributes = Le32(&header[28]);
        info.encrypted = (flags & kFlagPassword) != 0;
        (void)unpacked_high;
        return true;
    }

    std::shared_ptr<const std::string> bytes_;  // the archive, when it is read from memory
    std::FILE* raw_ = nullptr;
    ar_stream* stream_ = nullptr;
    ar_archive* archive_ = nullptr;
    size_t size_ = 0;
};

// RAR 5 through libarchive.
class Rar5Archive : public ArchiveHandle {
public:
    ~Rar5Archive() override
    {
        if (archive_ != nullptr)
            archive_read_free(archive_);
    }

    unsigned Open(const ArchiveSource& source)
    {
        if (HeadersEncrypted(source))
            return ERAR_MISSING_PASSWORD;
        archive_ = archive_read_new();
        if (archive_ == nullptr)
            return ERAR_NO_MEMORY;
        archive_read_support_format_rar5(archive_);
        bytes_ = source.bytes;
        const int opened = bytes_ != nullptr ? archive_read_open_memory(archive_, bytes_->data(), bytes_->size())
                                             : archive_read_open_filename(archive_, source.path, kBlockSize);
        if (opened != ARCHIVE_OK)
            return ERAR_BAD_ARCHIVE;
        return ERAR_SUCCESS;
    }

    int ReadHeader(MemberInfo& info) override
    {
        for (;;) {
            archive_entry* entry = nullptr;
            const int r = archive_read_next_header(archive_, &entry);
            if (r == ARCHIVE_EOF)
                return ERAR_END_ARCHIVE;
            if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
                return ERAR_BAD_DATA;
            if (archive_entry_filetype(entry) == AE_IFDIR)
                continue;
            const char* name = archive_entry_pathname_utf8(entry);
            if (name == nullptr)
                name = archive_entry_pathname(entry);
            info.name = name != nullptr ? name : "";
            std::replace(info.name.begin(), info.name.end(), '/', '\\');
            const la_int64_t size = archive_entry_size(entry);
            info.unpacked = size > 0 ? static_cast<uint64_t>(size) : 0;
            size_known_ = archive_entry_size_is_set(entry) != 0;
            size_ = static_cast<int64_t>(info.unpacked);
            info.host_os = 2;
            info.version = 50;
            info.encrypted = archive_entry_is_data_encrypted(entry) != 0;
            return ERAR_SUCCESS;
        }
    }

    int TestMember() override
    {
        int64_t written = 0;
        for (;;) {
            const void* data = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            const int r = archive_read_data_block(archive_, &data, &size, &offset);
            if (r == ARCHIVE_EOF)
                return ERAR_SUCCESS;
            if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
                return ERAR_BAD_DATA;
            // A gap before the block stands for zero bytes. It may not reach past the size the
            // header announced; without a size, the callback's cancel is what ends it.
            if (size_known_ && offset > size_)
                return ERAR_BAD_DATA;
            if (callback == nullptr && written < offset)
                written = offset;  // nobody to hand the zeros to
            static const unsigned char zeros[kBlockSize] = {};
            while (written < offset) {
                const size_t n = static_cast<size_t>(std::min<int64_t>(offset - written, sizeof zeros));
                if (!Deliver(zeros, n))
                    return ERAR_UNKNOWN;
                written += static_cast<int64_t>(n);
            }
            const auto* bytes = static_cast<const unsigned char*>(data);
            for (size_t done = 0; done < size;) {
                const size_t n = std::min(size - done, kBlockSize);
                if (!Deliver(bytes + done, n))
                    return ERAR_UNKNOWN;
                done += n;
            }
            written += static_cast<int64_t>(size);
        }
    }

private:
    // True when the first block after the signature is the archive encryption header, so that
    // every following header is encrypted and nothing can be listed without a password.
    static bool HeadersEncrypted(const ArchiveSource& source)
    {
        std::FILE* f = source.OpenStream();
        if (f == nullptr)
            return false;
        uint8_t head[8 + 4 + 20] = {};
        const size_t n = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
        size_t at = 8 + 4;  // signature, header CRC
        auto vint = [&](uint64_t& value) {
            value = 0;
            for (int shift = 0; at < n && shift < 64; shift += 7) {
                const uint8_t b = head[at++];
                value |= static_cast<uint64_t>(b & 0x7F) << shift;
                if ((b & 0x80) == 0)
                    return true;
            }
            return false;
        };
        uint64_t header_size = 0, header_type = 0;
        return vint(header_size) && vint(header_type) && header_type == 4;
    }

    std::shared_ptr<const std::string> bytes_;  // the archive, when it is read from memory
    archive* archive_ = nullptr;
    int64_t size_ = 0;         // the member's size as its header announced it
    bool size_known_ = false;  // whether the header announced one
};

ArchiveHandle* AsArchive(RARHANDLE handle)
{
    return static_cast<ArchiveHandle*>(handle);
}

}  // namespace

namespace {

RARHANDLE OpenArchive(struct RAROpenArchiveData* data, const ArchiveSource& source)
{
    data->CmtSize = 0;
    data->CmtState = 0;
    try {
        std::unique_ptr<ArchiveHandle> handle;
        unsigned result = ERAR_BAD_ARCHIVE;
        switch (SniffFormat(source)) {
        case Format::Unreadable:
            result = ERAR_EOPEN;
            break;
        case Format::Unknown:
            result = ERAR_BAD_ARCHIVE;
            break;
        case Format::Rar4: {
            auto rar4 = std::make_unique<Rar4Archive>();
            result = rar4->Open(source);
            handle = std::move(rar4);
            break;
        }
        case Format::Rar5: {
            auto rar5 = std::make_unique<Rar5Archive>();
            result = rar5->Open(source);
            handle = std::move(rar5);
            break;
        }
        }
        data->OpenResult = result;
        if (result != ERAR_SUCCESS)
            return nullptr;
        handle->arc_name = data->ArcName;
        return handle.release();
    } catch (const std::bad_alloc&) {
        data->OpenResult = ERAR_NO_MEMORY;
        return nullptr;
    }
}

}  // namespace

RARHANDLE BuiltinRAROpenArchiveFromMemory(struct RAROpenArchiveData* data, std::shared_ptr<const std::string> bytes)
{
    if (data == nullptr)
        return nullptr;
    if (data->ArcName == nullptr || bytes == nullptr) {
        data->OpenResult = ERAR_EOPEN;
        return nullptr;
    }
    return OpenArchive(data, ArchiveSource{data->ArcName, std::move(bytes)});
}

extern "C" {

RARHANDLE BuiltinRAROpenArchive(struct RAROpenArchiveData* data)
{
    if (data == nullptr)
        return nullptr;
    if (data->ArcName == nullptr) {
        data->OpenResult = ERAR_EOPEN;
        return nullptr;
    }
    return OpenArchive(data, ArchiveSource{data->ArcName, nullptr});
}

int BuiltinRARCloseArchive(RARHANDLE handle)
{
    if (handle == nullptr)
        return ERAR_ECLOSE;
    delete AsArchive(handle);
    return ERAR_SUCCESS;
}

void BuiltinRARSetProcessDataProc(RARHANDLE handle, PROCESSDATAPROC proc)
{
    if (handle != nullptr)
        AsArchive(handle)->callback = proc;
}

int BuiltinRARReadHeader(RARHANDLE handle, struct RARHeaderData* header)
{
    if (handle == nullptr || header == nullptr)
        return ERAR_UNKNOWN;
    ArchiveHandle* archive = AsArchive(handle);
    try {
        MemberInfo info;
        archive->member_pending = false;
        const int status = archive->ReadHeader(info);
        if (status != ERAR_SUCCESS)
            return status;
        archive->member_pending = true;
        archive->member_encrypted = info.encrypted;
        CopyName(header->ArcName, archive->arc_name);
        CopyName(header->FileName, info.name);
        header->Flags = info.flags;
        header->PackSize = static_cast<unsigned int>(info.packed);
        header->UnpSize = static_cast<unsigned int>(std::min<uint64_t>(info.unpacked, 0xFFFFFFFFu));
        header->HostOS = info.host_os;
        header->FileCRC = info.crc;
        header->FileTime = info.time;
        header->UnpVer = info.version;
        header->Method = info.method;
        header->FileAttr = info.attributes;
        header->CmtSize = 0;
        header->CmtState = 0;
        return ERAR_SUCCESS;
    } catch (const std::bad_alloc&) {
        return ERAR_NO_MEMORY;
    }
}

int BuiltinRARProcessFile(RARHANDLE handle, int operation, char*, char*)
{
    if (handle == nullptr)
        return ERAR_UNKNOWN;
    ArchiveHandle* archive = AsArchive(handle);
    if (!archive->member_pending)
        return ERAR_BAD_DATA;
    archive->member_pending = false;
    if (operation == RAR_SKIP)
        return ERAR_SUCCESS;  // the next header read passes over the member
    if (operation != RAR_TEST)
        return ERAR_ECREATE;
    if (archive->member_encrypted)
        return ERAR_MISSING_PASSWORD;
    try {
        return archive->TestMember();
    } catch (const std::bad_alloc&) {
        return ERAR_NO_MEMORY;
    }
}

}  // extern "C"

const BuiltinEntryPoints& BuiltinUnrarEntryPoints()
{
    static const BuiltinEntryPoints entry_points = {
        {"RAROpenArchive", reinterpret_cast<void*>(&BuiltinRAROpenArchive)},
        {"RARCloseArchive", reinterpret_cast<void*>(&BuiltinRARCloseArchive)},
        {"RARSetProcessDataProc", reinterpret_cast<void*>(&BuiltinRARSetProcessDataProc)},
        {"RARReadHeader", reinterpret_cast<void*>(&BuiltinRARReadHeader)},
        {"RARProcessFile", reinterpret_cast<void*>(&BuiltinRARProcessFile)},
    };
    return entry_points;
}
