#include "script/Lexer.h"

#include <limits>

namespace {

// The key words in code order, from 22 on.
constexpr const char* kKeyWords[] = {
    "title",
    "type",
    "zhanr",
    "developer",
    "publisher",
    "url",
    "description",
    "size",
    "url_dev",
    "url_pub",
    "sysinf",
    "setup",
    "thumb",
    "pic",
    "setup_description",
    "music",
    "version",
    "os",
    "sm_ad_pic",
    "sm_ad_time",
    "ad_pic",
    "ad_time",
    "sm_ad_url",
    "ad_url",
    "sm_ad_left",
    "sm_ad_top",
    "sm_ad_width",
    "sm_ad_height",
    "ad_left",
    "ad_top",
    "ad_width",
    "ad_height",
    "left",
    "top",
    "width",
    "height",
    "normal_pic",
    "over_pic",
    "down_pic",
    "hint",
    "main_cursor",
    "link_cursor",
    "nofull_inf",
    "size_title",
    "developer_title",
    "publisher_title",
    "zhanr_title",
    "version_title",
    "url_title",
    "description_title",
    "sysinf_title",
    "size_sm_title",
    "developer_sm_title",
    "publisher_sm_title",
    "zhanr_sm_title",
    "version_sm_title",
    "url_sm_title",
    "description_sm_title",
    "sysinf_sm_title",
    "os_sm_title",
    "grid_left",
    "grid_top",
    "grid_width",
    "grid_height",
    "label_left",
    "label_top",
    "label_width",
    "label_font_size",
    "label_font_color",
    "thumb_left",
    "thumb_top",
    "cap_height",
    "about_first",
    "about_second",
    "sound_off",
    "cursors_off",
    "wp_off",
    "wp_select",
    "lang_select",
    "music_off",
    "music_select",
    "setup_nomer",
    "setup_file",
    "setup_desc",
    "setup_run",
    "setup_close",
    "options_sound",
    "setup_sound",
    "link_sound",
    "sp_btn_sound",
    "exit_sound",
    "picture_sound",
    "ok_sound",
    "cancel_sound",
    "grid_select_sound",
    "wp_dir",
    "wp_time",
    "link_caption",
    "link_message",
    "music_file"
};

static_assert(sizeof(kKeyWords) / sizeof(kKeyWords[0]) == 100);

// Skips spaces from the 1-based position `from`: the first position p >= from with p < len whose
// character is not a space, or len when there is none. The line's last position itself is never
// looked at, so the result is at most len.
std::ptrdiff_t SkipSpaces(std::string_view line, std::ptrdiff_t from)
{
    const auto len = static_cast<std::ptrdiff_t>(line.size());
    for (std::ptrdiff_t p = from; p < len; ++p)
        if (line[static_cast<std::size_t>(p - 1)] != ' ')
            return p;
    return len;
}

// The character at a 1-based position, or 0 past the end.
char At(std::string_view line, std::ptrdiff_t pos)
{
    return (pos >= 1 && pos <= static_cast<std::ptrdiff_t>(line.size()))
               ? line[static_cast<std::size_t>(pos - 1)]
               : '\0';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

Lexer::Lexer()
{
    using M = MinorType;
    tags_ = {
        {"tab", M::tab},
        {"p", M::p},
        {"cd", M::cd},
        {"sub", M::sub},
        {"back", M::image},
        {"image", M::image},
        {"side_panel", M::side_panel},
        {"button", M::button},
        {"top_panel", M::top_panel},
        {"opts_window", M::opts_window},
        {"control_panel", M::control_panel},
        {"mcontrol_panel", M::mcontrol_panel},
        {"/tab", M::end_tab},
        {"/p", M::end_p},
        {"/cd", M::end_cd},
        {"/sub", M::end_sub},
        {"/back", M::end_image},
        {"/image", M::end_image},
        {"/side_panel", M::end_side_panel},
        {"/button", M::end_button},
        {"/top_panel", M::end_top_panel},
        {"/control_panel", M::end_control_panel},
        {"/mcontrol_panel", M::end_mcontrol_panel},
        {"/opts_window", M::end_opts_window},
    };
    int code = static_cast<int>(M::title);
    for (const char* word : kKeyWords)
        keys_.emplace(word, static_cast<MinorType>(code++));
    for (const auto& [word, c] : tags_)
        index_[Bucket(word)].push_back({word, Word{true, c}});
    for (const auto& [word, c] : keys_)
        index_[Bucket(word)].push_back({word, Word{false, c}});
}

const Lexer::Word* Lexer::Find(std::string_view word) const
{
    if (word.empty())
        return nullptr;
    for (const Entry& e : index_[Bucket(word)])
        if (e.word == word)
            return &e.what;
    return nullptr;
}

Lexeme Lexer::classify(std::string_view line) const
{
    Lexeme lx;
    const auto len = static_cast<std::ptrdiff_t>(line.size());

    std::ptrdiff_t last = len;
    while (last > 0 && line[static_cast<std::size_t>(last - 1)] == ' ')
        --last;
    if (last == 0) {
        lx.major = MajorType::blank;
        return lx;
    }

    std::ptrdiff_t first = SkipSpaces(line, 1);
    // The word runs to the first space or "=" after it, or to the end of the line.
    std::ptrdiff_t end = first;
    for (const char* c = line.data() + (first - 1); end <= len && *c != ' ' && *c != '='; ++c)
        ++end;
    const std::string_view word = line.substr(static_cast<std::size_t>(first - 1),
                                              static_cast<std::size_t>(end - first));

    const Word* found = Find(word);
    if (!found) {
        lx.major = MajorType::plain_word;
        return lx;
    }
    lx.minor = found->code;
    if (found->tag) {
        lx.major = MajorType::tag;
        lx.start = end;
        lx.length = last - end + 1;
        return lx;
    }

    if (At(line, end) == ' ') {
        end = SkipSpaces(line, end + 1);
        first = end;
    }
    if (At(line, end) == '=') {
        // The value starts at the first non-space after "=". An "=" that ends the line leaves
        // the value empty (the skip never looks at the last position, so it must not start there).
        std::ptrdiff_t v = SkipSpaces(line, end + 1);
        if (v == end)
            v = end + 1;
        lx.major = MajorType::key_value;
        lx.start = v;
        lx.length = last - v + 1;
        return lx;
    }
    lx.major = MajorType::key_no_value;
    lx.start = end;
    lx.length = last - first + 1;
    return lx;
}

std::string_view LexemeText(std::string_view line, const Lexeme& lexeme)
{
    const auto len = static_cast<std::ptrdiff_t>(line.size());
    if (lexeme.length <= 0 || lexeme.start < 1 || lexeme.start > len)
        return {};
    const std::size_t from = static_cast<std::size_t>(lexeme.start - 1);
    return line.substr(from, static_cast<std::size_t>(lexeme.length));
}

std::int32_t ValueNumber(std::string_view text, std::int32_t default_value)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i == text.size())
        return default_value;

    // Hexadecimal: "$", "x", "X", "0x" or "0X", then at most 8 significant digits.
    std::size_t hex_from = std::string_view::npos;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X')
        hex_from = i + 1;
    else if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        hex_from = i + 2;
    if (hex_from != std::string_view::npos) {
        if (hex_from == text.size())
            return default_value;
        std::uint32_t value = 0;
        int significant = 0;
        for (std::size_t k = hex_from; k < text.size(); ++k) {
            const int d = HexDigit(text[k]);
            if (d < 0)
                return default_value;
            if (significant > 0 || d != 0)
                ++significant;
            if (significant > 8)
                return default_value;
            value = (value << 4) | static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(value);
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return default_value;
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return default_value;
        value = value * 10 + (c - '0');
        if (value > kLimit)
            return default_value;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return default_value;
    return static_cast<std::int32_t>(value);
}
