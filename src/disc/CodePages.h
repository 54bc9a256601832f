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

// Process-wide: the character set of the active language, 0 until one is chosen. Every font the
// program makes takes it, disc texts are shown in its code page, and path components beyond
// ASCII are read in that code page too. Set once at start, on the main thread, before anything
// else reads it from other threads.
extern std::uint8_t current_charset;

// The code page of current_charset, or nullptr while no language is chosen.
const char* DiscCodePage();

// A disc text as a line that is safe to write to a terminal: UTF-8, each byte read in the disc's
// code page (windows-1252 while none is known); a line feed is written as the two characters
// "\n", and every other control character, and a byte the code page leaves undefined, as "\xNN".
std::string PrintableDiscText(std::string_view bytes);
