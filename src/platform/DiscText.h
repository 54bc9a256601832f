// Texts of the disc are bytes in the code page of the disc's language; they become Unicode only
// where they are shown.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

// The Windows code page that texts of a font character set are written in ("windows-1251" ...).
const char* CodePageOfCharset(std::uint8_t charset);

// `bytes` decoded from the code page of `charset`.
QString DiscText(std::string_view bytes, std::uint8_t charset);
