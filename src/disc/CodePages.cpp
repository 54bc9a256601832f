#include "disc/CodePages.h"

#include <iconv.h>

#include <array>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>

namespace {

// One byte of a single-byte code page as UTF-8; nothing where the code page defines no character.
std::optional<std::string> ByteToUtf8(unsigned char byte, const char* code_page)
{
    iconv_t cd = iconv_open("UTF-8", code_page);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* src = in;
    std::size_t src_left = 1;
    char* dst = out;
    std::size_t dst_left = sizeof out;
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || src_left != 0 || dst == out)
        return std::nullopt;
    return std::string(out, static_cast<std::size_t>(dst - out));
}

// The printable form of every byte in one code page, made once per code page.
using ByteTable = std::array<std::string, 256>;

ByteTable MakeTable(const char* code_page)
{
    ByteTable table;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        std::optional<std::string> utf8;
        if (byte == '\n') {
            utf8 = "\\n";
        } else if (byte >= 0x20 && byte < 0x7F) {
            utf8 = std::string(1, static_cast<char>(byte));
        } else if (byte >= 0x80) {
            utf8 = ByteToUtf8(byte, code_page);
            // A byte that stands for a C1 control character is shown as a byte too.
            if (utf8 && utf8->size() == 2 && static_cast<unsigned char>((*utf8)[0]) == 0xC2 &&
                static_cast<unsigned char>((*utf8)[1]) < 0xA0)
                utf8.reset();
        }
        if (!utf8) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            utf8 = hex;
        }
        table[static_cast<std::size_t>(b)] = std::move(*utf8);
    }
    return table;
}

const ByteTable& TableFor(const char* code_page)
{
    // A map keeps its entries in place, so a table handed out stays valid.
    static std::mutex mutex;
    static std::map<std::string, ByteTable, std::less<>> tables;
    std::lock_guard lock(mutex);
    auto it = tables.find(std::string_view(code_page));
    if (it == tables.end())
        it = tables.emplace(code_page, MakeTable(code_page)).first;
    return it->second;
}

}  // namespace

std::uint8_t current_charset = 0;

const char* DiscCodePage()
{
    return current_charset == 0 ? nullptr : CodePageOfCharset(current_charset);
}

std::string PrintableDiscText(std::string_view bytes)
{
    const char* code_page = DiscCodePage();
    const ByteTable& table = TableFor(code_page ? code_page : "windows-1252");
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out += table[static_cast<unsigned char>(c)];
    return out;
}
