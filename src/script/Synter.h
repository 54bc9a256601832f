// The parser of the description script: reads one script line by line through the Lexer, checks
// the nesting of the blocks and fills one description record. Errors are raised as a ScriptError
// holding the bare error code; `line_no` then names the line the error was found on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/Description.h"
#include "script/Lexer.h"
#include "script/ScriptStream.h"

// A parse error: the code says what was wrong (see Synter), not where.
struct ScriptError {
    int code;
};

// Error codes of the parser.
namespace script_error {
constexpr int kBadBlockKey = 2;       // a key an image/button block, a tab or a sub does not accept
constexpr int kBlockNotClosed = 3;    // "/back", "/image", "/button", "/tab" or "/sub" not where due
constexpr int kEntryNotClosed = 5;    // "/p" not after an entry's keys
constexpr int kBadSectionKey = 102;   // a key the cd or opts_window section does not accept
constexpr int kSectionNotClosed = 103;  // a section's closing tag not where due
constexpr int kBadEntryKey = 666;     // a key an entry does not accept
}  // namespace script_error

// The script cannot be opened; the text is the one the loading step shows.
class ScriptOpenError : public std::runtime_error {
public:
    ScriptOpenError() : std::runtime_error("Can't open data file!") {}
};

class Synter {
public:
    // Opens the script; throws ScriptOpenError when it cannot be read.
    explicit Synter(const std::filesystem::path& script);
    // The same for the script `script` of `disc`.
    Synter(const DiscFs& disc, const std::filesystem::path& script);
    explicit Synter(ScriptStream stream);

    // Reads the whole script into `target`, which should be in its default state: lists are only
    // appended to and fields the script does not mention keep their values. Throws ScriptError.
    void parse(Inf_shell& target);

    // The line source: reads the next line into `line` (without its line feed).
    void read_line();
    // read_line and classify, skipping blank lines until the end of the script.
    void next_lexeme();

    std::string line;
    std::int32_t line_no = 0;  // number of the line last read, counting from 1
    bool eof = false;
    Lexeme current;

private:
    std::string_view value_text() const { return LexemeText(line, current); }
    std::int32_t value_number(std::int32_t default_value) const
    {
        return ValueNumber(value_text(), default_value);
    }
    bool at_tag(MinorType tag) const
    {
        return current.major == MajorType::tag && current.minor == tag;
    }
    bool at_key() const { return current.major == MajorType::key_value; }
    // At the closing tag: move past it; anywhere else: raise `code`.
    void close(MinorType tag, int code);

    void cd_section();
    void side_panel_section();
    void top_panel_section();
    void control_panel_section();
    void mcontrol_panel_section();
    void opts_window_section();
    void image_block(Inf_image& image);
    void button_block(Inf_button& button);
    // Runs an image block (or a button block) into `slot` when the current line opens one.
    void image_slot(Inf_image& slot);
    void button_slot(Inf_button& slot);
    void tab();
    void sub();
    void entry();
    bool cd_key();
    bool opts_key(Inf_about_window& window);
    bool sub_key();
    bool entry_key(SoftTabElement& element, int& thumb_index, int& pic_index);

    Lexer lexer_;
    ScriptStream stream_;
    Inf_shell* target_ = nullptr;
    SEL work_sel_;
    sub_se work_tab_;
    std::vector<Inf_image> work_images_;
    std::vector<Inf_button> work_buttons_;
    std::size_t last_entry_count_ = 0;
};
