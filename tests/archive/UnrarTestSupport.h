// Reads a whole archive through the built-in UnRAR module's entry points, as the menu does: every
// member unpacked (RAR_TEST) through the data callback, its size and CRC-32 taken from the bytes
// the callback was handed, until the first failing status.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "archive/Crc32.h"
#include "archive/UnrarModule.h"

namespace unrar_test {

struct Digest {
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::size_t largest_block = 0;
};
inline Digest* g_digest = nullptr;

inline int DigestData(unsigned char* addr, int size)
{
    g_digest->crc = Crc32(std::string_view(reinterpret_cast<char*>(addr), static_cast<std::size_t>(size)), g_digest->crc);
    g_digest->size += static_cast<std::uint64_t>(size);
    g_digest->largest_block = std::max(g_digest->largest_block, static_cast<std::size_t>(size));
    return 1;
}

}  // namespace unrar_test

struct UnpackedMember {
    std::string name;
    std::uint64_t size;
    std::uint32_t crc;
    bool operator==(const UnpackedMember&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const UnpackedMember& m)
{
    return out << m.name << " " << m.size << " " << std::hex << m.crc << std::dec;
}

struct ReadOutcome {
    unsigned open_result = 0;
    std::vector<UnpackedMember> members;  // processed successfully, in archive order
    int last_status = 0;                  // 10 at a clean end; else the failing header or process status
    bool failed_in_process = false;
    std::size_t largest_block = 0;
};

inline ReadOutcome ReadAll(const std::string& path)
{
    ReadOutcome out;
    std::string name = path;
    RAROpenArchiveData open{};
    open.ArcName = name.data();
    open.OpenMode = RAR_OM_EXTRACT;
    RARHANDLE h = BuiltinRAROpenArchive(&open);
    out.open_result = open.OpenResult;
    if (h == nullptr)
        return out;
    BuiltinRARSetProcessDataProc(h, &unrar_test::DigestData);
    for (;;) {
        RARHeaderData header{};
        const int status = BuiltinRARReadHeader(h, &header);
        if (status != ERAR_SUCCESS) {
            out.last_status = status;
            break;
        }
        unrar_test::Digest digest;
        unrar_test::g_digest = &digest;
        const int processed = BuiltinRARProcessFile(h, RAR_TEST, nullptr, nullptr);
        unrar_test::g_digest = nullptr;
        if (processed != ERAR_SUCCESS) {
            out.last_status = processed;
            out.failed_in_process = true;
            break;
        }
        EXPECT_EQ(digest.size, header.UnpSize) << header.FileName;
        out.largest_block = std::max(out.largest_block, digest.largest_block);
        out.members.push_back({header.FileName, digest.size, digest.crc});
    }
    EXPECT_EQ(BuiltinRARCloseArchive(h), ERAR_SUCCESS);
    return out;
}
