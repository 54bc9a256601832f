// The Windows code pages that the disc's texts and file names are written in.
#pragma once

#include <cstdint>

// The code page of a font character set ("windows-1251" for Cyrillic, "windows-1257" for
// Baltic, "windows-1252" otherwise), by the name both Qt and iconv know.
inline const char* CodePageOfCharset(std::uint8_t charset)
{
    switch (charset) {
    case 204: return "windows-1251";
    case 186: return "windows-1257";
    default: return "windows-1252";
    }
}
