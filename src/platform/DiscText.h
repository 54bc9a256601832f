// Texts of the disc are bytes in the code page of the disc's language; they become Unicode only
// where they are shown.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

#include "platform/CodePages.h"

// `bytes` decoded from the code page of `charset`.
QString DiscText(std::string_view bytes, std::uint8_t charset);
// `bytes` decoded from the code page of the active language (current_charset).
inline QString DiscText(std::string_view bytes)
{
    return DiscText(bytes, current_charset);
}
