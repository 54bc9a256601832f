// The languages the program knows, and the character set of the active one.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct lang_inf {
    std::string name = "Default";  // shown in the language dialog and the options window
    std::string code = "def";      // used in file names: image_<code>.dat, splash\<code>\ .
    std::uint8_t charset = 1;      // character set of every font while the language is active
    bool operator==(const lang_inf&) const = default;
};

// Character-set identifiers of the window system's fonts.
namespace charsets {
constexpr std::uint8_t kDefault = 1;
constexpr std::uint8_t kBaltic = 186;
constexpr std::uint8_t kCyrillic = 204;
}  // namespace charsets

// Process-wide: language code -> language, filled by the main window at start.
extern std::map<std::string, lang_inf> known_languages;

// Process-wide: the character set of the active language, taken by every font the program makes.
extern std::uint8_t current_charset;

// Fills known_languages with the two built-in languages, "ru" and "lit".
void FillKnownLanguages();
