// The description as one JSON object. Texts are byte strings: bytes 0x00-0x7F are written as
// themselves (JSON escapes for quote, backslash and control characters), bytes 0x80-0xFF as
// \u00XX, so the dump keeps every byte whatever the disc's code page. Every field is written,
// default or not, in record order.
#pragma once

#include <string>
#include <string_view>

#include "model/Description.h"

void AppendJsonText(std::string& out, std::string_view bytes);
std::string DescriptionJson(const Inf_shell& description);
