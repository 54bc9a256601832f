// The description script is line-oriented: every line is one lexeme, classified as a whole into a
// tag line, a key line with a value, a blank line, or a line that is neither. The Lexer owns the
// keyword vocabulary: every tag word and key word with its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class MajorType : std::uint8_t {
    tag = 0,           // first word is a tag word
    key_value = 1,     // first word is a key word followed by "="
    plain_word = 2,    // first word is in neither table
    key_no_value = 3,  // first word is a key word not followed by "="
    blank = 4,         // empty, or spaces only
};

// Keyword codes: 0-21 tag words, 22-121 key words. "back" and "image" share one opening code,
// "/back" and "/image" one closing code; the parser dispatches on the code.
enum class MinorType : std::uint8_t {
    tab = 0,
    p = 1,
    cd = 2,
    sub = 3,
    image = 4,  // "back" or "image"
    side_panel = 5,
    button = 6,
    top_panel = 7,
    opts_window = 8,
    control_panel = 9,
    mcontrol_panel = 10,
    end_tab = 11,
    end_p = 12,
    end_cd = 13,
    end_sub = 14,
    end_image = 15,  // "/back" or "/image"
    end_side_panel = 16,
    end_button = 17,
    end_top_panel = 18,
    end_control_panel = 19,
    end_mcontrol_panel = 20,
    end_opts_window = 21,
    title = 22,
    type = 23,
    zhanr = 24,
    developer = 25,
    publisher = 26,
    url = 27,
    description = 28,
    size = 29,
    url_dev = 30,
    url_pub = 31,
    sysinf = 32,
    setup = 33,
    thumb = 34,
    pic = 35,
    setup_description = 36,
    music = 37,
    version = 38,
    os = 39,
    sm_ad_pic = 40,
    sm_ad_time = 41,
    ad_pic = 42,
    ad_time = 43,
    sm_ad_url = 44,
    ad_url = 45,
    sm_ad_left = 46,
    sm_ad_top = 47,
    sm_ad_width = 48,
    sm_ad_height = 49,
    ad_left = 50,
    ad_top = 51,
    ad_width = 52,
    ad_height = 53,
    left = 54,
    top = 55,
    width = 56,
    height = 57,
    normal_pic = 58,
    over_pic = 59,
    down_pic = 60,
    hint = 61,
    main_cursor = 62,
    link_cursor = 63,
    nofull_inf = 64,
    size_title = 65,
    developer_title = 66,
    publisher_title = 67,
    zhanr_title = 68,
    version_title = 69,
    url_title = 70,
    description_title = 71,
    sysinf_title = 72,
    size_sm_title = 73,
    developer_sm_title = 74,
    publisher_sm_title = 75,
    zhanr_sm_title = 76,
    version_sm_title = 77,
    url_sm_title = 78,
    description_sm_title = 79,
    sysinf_sm_title = 80,
    os_sm_title = 81,
    grid_left = 82,
    grid_top = 83,
    grid_width = 84,
    grid_height = 85,
    label_left = 86,
    label_top = 87,
    label_width = 88,
    label_font_size = 89,
    label_font_color = 90,
    thumb_left = 91,
    thumb_top = 92,
    cap_height = 93,
    about_first = 94,
    about_second = 95,
    sound_off = 96,
    cursors_off = 97,
    wp_off = 98,
    wp_select = 99,
    lang_select = 100,
    music_off = 101,
    music_select = 102,
    setup_nomer = 103,
    setup_file = 104,
    setup_desc = 105,
    setup_run = 106,
    setup_close = 107,
    options_sound = 108,
    setup_sound = 109,
    link_sound = 110,
    sp_btn_sound = 111,
    exit_sound = 112,
    picture_sound = 113,
    ok_sound = 114,
    cancel_sound = 115,
    grid_select_sound = 116,
    wp_dir = 117,
    wp_time = 118,
    link_caption = 119,
    link_message = 120,
    music_file = 121,
};

struct Lexeme {
    MajorType major = MajorType::blank;
    MinorType minor = MinorType::tab;  // meaningful for tag and key_value only
    std::ptrdiff_t start = 0;         // 1-based position of the rest (tag) or the value (key)
    std::ptrdiff_t length = 0;        // characters of that rest or value; <= 0 means empty
};

class Lexer {
public:
    Lexer();
    // The hash index points into the tables: a Lexer is neither copied nor moved.
    Lexer(const Lexer&) = delete;
    Lexer& operator=(const Lexer&) = delete;

    Lexeme classify(std::string_view line) const;

    const std::map<std::string, MinorType, std::less<>>& tags() const { return tags_; }
    const std::map<std::string, MinorType, std::less<>>& keys() const { return keys_; }

private:
    struct Word {
        bool tag;
        MinorType code;
    };

    std::map<std::string, MinorType, std::less<>> tags_;
    std::map<std::string, MinorType, std::less<>> keys_;
    // Both tables in one index over their words (which they never share), so that a line costs
    // one lookup.
    struct Entry {
        std::string_view word;
        Word what;
    };
    // Buckets by length and last letter: the words are short and few, so a bucket holds one or
    // two of them and a lookup costs a comparison or two.
    static constexpr std::size_t kBuckets = 32 * 32;
    static std::size_t Bucket(std::string_view w)
    {
        return (w.size() & 31) * 32 + (static_cast<unsigned char>(w.back()) & 31);
    }
    const Word* Find(std::string_view word) const;
    std::vector<Entry> index_[kBuckets];
};

// The value text of a lexeme on its line: `length` characters from the 1-based `start`; empty when
// the length is not positive or the start lies outside the line; cut at the end of the line.
std::string_view LexemeText(std::string_view line, const Lexeme& lexeme);

// A number value with a default: optional leading spaces, then an optional sign and decimal
// digits, or a hexadecimal prefix ("$", "x", "X", "0x", "0X") and 1 to 8 significant hex digits
// (filling all 32 bits, so "$FFFFFFFF" is -1). Anything else, an empty text or a decimal value
// outside the 32-bit signed range gives the default.
std::int32_t ValueNumber(std::string_view text, std::int32_t default_value);
