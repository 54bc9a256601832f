// One language a disc may be read in.
#pragma once

#include <cstdint>
#include <string>

// Character-set identifiers of the window system's fonts.
namespace charsets {
constexpr std::uint8_t kDefault = 1;
constexpr std::uint8_t kBaltic = 186;
constexpr std::uint8_t kCyrillic = 204;
}  // namespace charsets

struct lang_inf {
    std::string name = "Default";  // shown in the language dialog and the options window
    std::string code = "def";      // used in file names: image_<code>.dat, splash\<code>\ .
    std::uint8_t charset = charsets::kDefault;  // character set of every font while it is active
    bool operator==(const lang_inf&) const = default;
};
