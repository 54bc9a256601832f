// Texts of the disc are bytes in the code page of the disc's language; they become Unicode only
// where they are shown.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

#include "disc/CodePages.h"

// `bytes` decoded from the code page of `charset`.
QString DiscText(std::string_view bytes, std::uint8_t charset);
// `bytes` decoded from the code page of the active language (current_charset).
inline QString DiscText(std::string_view bytes)
{
    return DiscText(bytes, current_charset);
}

// `text` made ready for a place that takes text beginning with a tag for markup (a tooltip): it
// then shows the characters themselves, so a disc text such as "<img src=...>" is never read as
// a picture to load. Text that cannot be taken for markup is returned as it is.
QString LiteralTipText(const QString& text);
