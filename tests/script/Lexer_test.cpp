#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "disc/Files.h"
#include "script/Lexer.h"
#include "script/Synter.h"
#include "support/MemoryDisc.h"
#include "support/TempDir.h"

namespace {

struct Classified {
    MajorType major;
    MinorType minor;
    std::string value;
};

Classified Classify(const std::string& line)
{
    static const Lexer lexer;
    const Lexeme lx = lexer.classify(line);
    return {lx.major, lx.minor, std::string(LexemeText(line, lx))};
}

TEST(Lexer, KeyLinesTakeTheValueAfterTheFirstEqualsSignTrimmed)
{
    for (const char* line : {"title=Game", "title   =   Game  ", "  title = Game"}) {
        const Classified c = Classify(line);
        EXPECT_EQ(c.major, MajorType::key_value) << line;
        EXPECT_EQ(c.minor, MinorType::title) << line;
        EXPECT_EQ(c.value, "Game") << line;
    }
    EXPECT_EQ(Classify("title = a = b").value, "a = b");
    EXPECT_EQ(Classify("description = two  spaces inside").value, "two  spaces inside");
    EXPECT_EQ(Classify("music_file = x").minor, MinorType::music_file);
}

TEST(Lexer, AnEqualsSignWithNothingAfterItGivesTheEmptyValue)
{
    for (const char* line : {"title =", "title=", "title =   ", "title   =", "title=  "}) {
        const Classified c = Classify(line);
        EXPECT_EQ(c.major, MajorType::key_value) << line;
        EXPECT_EQ(c.value, "") << '\'' << line << '\'';
    }
    EXPECT_EQ(Classify("title=x").value, "x");
    EXPECT_EQ(Classify("title = x").value, "x");
}

TEST(Lexer, KeyWordsWithoutAnEqualsSignHaveNoValue)
{
    for (const char* line : {"title", "title   ", "title Game", "music"})
        EXPECT_EQ(Classify(line).major, MajorType::key_no_value) << line;
}

TEST(Lexer, WordsOutsideBothTablesArePlain)
{
    for (const char* line : {"Title = x", "titles = x", "\ttitle = x", "= x", "garbage", "TAB"})
        EXPECT_EQ(Classify(line).major, MajorType::plain_word) << line;
}

TEST(Lexer, BlankLinesAreEmptyOrSpacesOnly)
{
    EXPECT_EQ(Classify("").major, MajorType::blank);
    EXPECT_EQ(Classify("     ").major, MajorType::blank);
    // A tab character is an ordinary character, not a separator.
    EXPECT_EQ(Classify("\t").major, MajorType::plain_word);
}

TEST(Lexer, TagLinesIgnoreTheRestAndShareCodes)
{
    EXPECT_EQ(Classify("/tab trailing words").minor, MinorType::end_tab);
    EXPECT_EQ(Classify("tab=1").minor, MinorType::tab);
    EXPECT_EQ(Classify("  tab  ").major, MajorType::tag);
    EXPECT_EQ(Classify("image").minor, MinorType::image);
    EXPECT_EQ(Classify("back").minor, MinorType::image);
    EXPECT_EQ(Classify("/image").minor, MinorType::end_image);
    EXPECT_EQ(Classify("/back").minor, MinorType::end_image);
    EXPECT_EQ(static_cast<int>(Classify("/opts_window").minor), 21);
    EXPECT_EQ(static_cast<int>(Classify("/control_panel").minor), 19);
    EXPECT_EQ(static_cast<int>(Classify("/mcontrol_panel").minor), 20);
}

TEST(Lexer, TablesHoldEveryWordWithItsCode)
{
    const Lexer lexer;
    EXPECT_EQ(lexer.tags().size(), 24u);
    ASSERT_EQ(lexer.keys().size(), 100u);
    EXPECT_EQ(static_cast<int>(lexer.keys().at("title")), 22);
    EXPECT_EQ(static_cast<int>(lexer.keys().at("os")), 39);
    EXPECT_EQ(static_cast<int>(lexer.keys().at("nofull_inf")), 64);
    EXPECT_EQ(static_cast<int>(lexer.keys().at("cap_height")), 93);
    EXPECT_EQ(static_cast<int>(lexer.keys().at("music_file")), 121);
    for (const auto& [word, code] : lexer.keys())
        EXPECT_EQ(lexer.tags().count(word), 0u) << word;
}

TEST(Lexer, ValueTextIsCutToTheLine)
{
    EXPECT_EQ(LexemeText("abc", Lexeme{MajorType::key_value, MinorType::title, 2, 10}), "bc");
    EXPECT_EQ(LexemeText("abc", Lexeme{MajorType::key_value, MinorType::title, 4, 1}), "");
    EXPECT_EQ(LexemeText("abc", Lexeme{MajorType::key_value, MinorType::title, 0, 2}), "");
    EXPECT_EQ(LexemeText("abc", Lexeme{MajorType::key_value, MinorType::title, 1, -3}), "");
}

TEST(Lexer, ALineLongerThan2GiBKeepsItsValueWhole)
{
    // A mapping of untouched zero pages: the line costs no memory, and the lexer looks only at
    // its first and last bytes.
    constexpr std::size_t kSize = (std::size_t{1} << 31) + 4096;
    void* map = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    char* bytes = static_cast<char*>(map);
    std::memcpy(bytes, "title=", 6);
    const std::string_view line(bytes, kSize);
    const Lexer lexer;
    const Lexeme lx = lexer.classify(line);
    EXPECT_EQ(lx.major, MajorType::key_value);
    EXPECT_EQ(lx.minor, MinorType::title);
    EXPECT_EQ(lx.start, 7);
    EXPECT_EQ(static_cast<std::size_t>(lx.length), kSize - 6);
    const std::string_view value = LexemeText(line, lx);
    EXPECT_EQ(value.data(), bytes + 6);
    EXPECT_EQ(value.size(), kSize - 6);
    munmap(map, kSize);
}

TEST(ValueNumber, AcceptsDecimalAndHexadecimalForms)
{
    EXPECT_EQ(ValueNumber("12", 9), 12);
    EXPECT_EQ(ValueNumber("-5", 9), -5);
    EXPECT_EQ(ValueNumber("+7", 9), 7);
    EXPECT_EQ(ValueNumber("  42", 9), 42);
    EXPECT_EQ(ValueNumber("007", 9), 7);
    EXPECT_EQ(ValueNumber("$FF", 9), 255);
    EXPECT_EQ(ValueNumber("0x1A", 9), 26);
    EXPECT_EQ(ValueNumber("0X1a", 9), 26);
    EXPECT_EQ(ValueNumber("x10", 9), 16);
    EXPECT_EQ(ValueNumber("X10", 9), 16);
    EXPECT_EQ(ValueNumber("$FFFFFFFF", 9), -1);
    EXPECT_EQ(ValueNumber("$000000001", 9), 1);  // leading zeros are not significant
    EXPECT_EQ(ValueNumber("-2147483648", 9), -2147483647 - 1);
    EXPECT_EQ(ValueNumber("2147483647", 9), 2147483647);
}

TEST(ValueNumber, AnythingElseGivesTheDefault)
{
    for (const char* text : {"-$10", "12px", "", "$", "0x", "2147483648", "-2147483649",
                             "$100000000", "+", "-", " ", "1 2", "99999999999999999999", "1.5"})
        EXPECT_EQ(ValueNumber(text, 9), 9) << '\'' << text << '\'';
}

TEST(ReadLine, CountsLinesAndEndsWithoutAFinalLineFeed)
{
    Synter s(ScriptStream::FromBytes("cd\ntab"));
    s.read_line();
    EXPECT_EQ(s.line, "cd");
    EXPECT_EQ(s.line_no, 1);
    EXPECT_FALSE(s.eof);
    s.read_line();
    EXPECT_EQ(s.line, "tab");
    EXPECT_EQ(s.line_no, 2);
    EXPECT_TRUE(s.eof);
    s.read_line();
    EXPECT_EQ(s.line, "");
    EXPECT_EQ(s.line_no, 2);
}

TEST(ReadLine, CrLfIsOneLineEndAndALoneCrIsAnOrdinaryByte)
{
    Synter s(ScriptStream::FromBytes("a\r\nb\rc\r\n\r\nd\r"));
    s.read_line();
    EXPECT_EQ(s.line, "a");
    s.read_line();
    EXPECT_EQ(s.line, "b\rc");
    s.read_line();
    EXPECT_EQ(s.line, "");
    EXPECT_EQ(s.line_no, 3);
    s.read_line();
    EXPECT_EQ(s.line, "d\r");
    EXPECT_EQ(s.line_no, 4);
    EXPECT_TRUE(s.eof);
}

TEST(ReadLine, ACrLfPairSplitBetweenTwoReadBlocksOfAFileIsStillOneLineEnd)
{
    // Files are read in blocks of 64 KiB; put the CR last in the first block.
    TempDir dir;
    const std::string first(64 * 1024 - 1, 'x');
    const std::filesystem::path file = dir.Write("s.dat", first + "\r\n" + first + "\r");
    Synter s(file);
    s.read_line();
    EXPECT_EQ(s.line, first);
    s.read_line();
    EXPECT_EQ(s.line, first + "\r");
    EXPECT_EQ(s.line_no, 2);
    EXPECT_TRUE(s.eof);
}

TEST(ReadLine, AScriptOfADiscImageIsReadThroughTheDisc)
{
    MemoryDisc disc;
    const std::string first(64 * 1024 - 1, 'x');
    disc.Add("graph/image_ru.dat", first + "\r\n" + "cd\r\n");
    Synter s(disc, "graph/image_ru.dat");
    s.read_line();
    EXPECT_EQ(s.line, first);  // the pair split between two blocks is still one line end
    s.read_line();
    EXPECT_EQ(s.line, "cd");
    EXPECT_EQ(disc.Opened(), std::vector<std::string>{"graph/image_ru.dat"});

    // Neither a folder, nor a missing file, nor one over the cap on disc files opens.
    disc.Add("big.dat", "cd\r\n");
    disc.ClaimSize("big.dat", kMaxDiscFileBytes + 1);
    for (const char* path : {"graph", "graph/none.dat", "big.dat"})
        EXPECT_THROW(Synter(disc, path), ScriptOpenError) << path;
    EXPECT_EQ(disc.Opened().size(), 1u);  // none of them was even opened

    // A read that fails ends the script where it failed.
    disc.Add("broken.dat", "cd\r\ntab\r\n");
    disc.FailAfter("broken.dat", 5);
    Synter broken(disc, "broken.dat");
    broken.read_line();
    EXPECT_EQ(broken.line, "cd");
    broken.read_line();
    EXPECT_EQ(broken.line, "t");
    EXPECT_TRUE(broken.eof);
}

TEST(NextLexeme, SkipsBlankLinesButKeepsTheBlankLexemeAtTheEnd)
{
    Synter s(ScriptStream::FromBytes("\n   \ncd\n\n\n"));
    s.next_lexeme();
    EXPECT_EQ(s.current.major, MajorType::tag);
    EXPECT_EQ(s.line_no, 3);
    s.next_lexeme();
    EXPECT_EQ(s.current.major, MajorType::blank);
    EXPECT_TRUE(s.eof);
    EXPECT_EQ(s.line_no, 5);
}

}  // namespace
