// The description as one JSON object. Texts are byte strings: bytes 0x00-0x7F are written as
// themselves (JSON escapes for quote, backslash and control characters), bytes 0x80-0xFF as
// \u00XX, so the dump keeps every byte whatever the disc's code page. Every field is written,
// default or not, in record order.
#pragma once

#include <string>
#include <string_view>

#include "model/Description.h"

// A JSON string of `bytes`: quote, backslash and control characters escaped; bytes from 0x7F on
// written as \u00XX, or as they are when `utf8` says the text is UTF-8 already.
void AppendJsonText(std::string& out, std::string_view bytes, bool utf8 = false);
std::string DescriptionJson(const Inf_shell& description);
