// The Windows code pages that the disc's texts and file names are written in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// The code page the disc's names and texts are written in (an iconv name such as
// "windows-1251"); empty: none known yet. Set once at start, when the language is chosen,
// before anything else reads paths from other threads.
void SetDiscCodePage(const char* code_page);
// The code page set last, or nullptr.
const char* DiscCodePage();

// A disc text as a line that is safe to write to a terminal: UTF-8, each byte read in the disc's
// code page (windows-1252 while none is known); a line feed is written as the two characters
// "\n", and every other control character, and a byte the code page leaves undefined, as "\xNN".
std::string PrintableDiscText(std::string_view bytes);
