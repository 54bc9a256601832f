// CRC-32 as RAR and ZIP use it (reflected polynomial 0xEDB88320). Header-only, so that the RAR
// writer of the tools can use it without the archive library.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace crc32_detail {

constexpr std::array<std::uint32_t, 256> MakeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

inline constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace crc32_detail

// Continues `crc` (0 to start) over `bytes`.
inline std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (unsigned char b : bytes)
        crc = crc32_detail::kTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}
