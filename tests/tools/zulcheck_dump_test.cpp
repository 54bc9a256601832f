#include <gtest/gtest.h>

#include <string>

#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "zulcheck/DumpJson.h"

namespace {

const std::string kZulcheck = ZUL_BINARY_DIR "/tools/zulcheck";

// The dump of a default description, field for field.
std::string DefaultJson()
{
    const std::string image = R"({"pic": "", "left": 0, "top": 0, "width": 0, "height": 0})";
    const std::string button =
        R"({"normal_pic": "", "over_pic": "", "down_pic": "", "hint": "", "left": 0, "top": 0, "width": 0, "height": 0})";
    const std::string window = R"("back": )" + image + R"(, "min_btn": )" + button +
                               R"(, "close_btn": )" + button + R"(, "cap_height": 0)";
    const std::string banner = R"({"left": 0, "top": 0, "width": 0, "height": 0, "time": 0, "items": []})";
    return R"({"cd": {"title": "", "main_cursor": "", "link_cursor": "", "exit_sound": "", "options_sound": "", "window": {)" +
           window + R"(}, "opts_window": {)" + window +
           R"(, "about_first": "", "about_second": "", "sound_off": "", "cursors_off": "", "wp_off": "", "wp_select": "", "lang_select": "", "music_off": "", "music_select": "", "ok_sound": "", "cancel_sound": ""}}, )" +
           R"("side_panel": {"back": )" + image + R"(, "link_btn": )" + button +
           R"(, "tab_buttons": [], "banner": )" + banner + "}, " +
           R"("top_panel": {"back": )" + image + R"(, "tab_rows": []}, )" +
           R"("main_frame": {"tab_images": [], "tabs": [], "titles": {"size_title": "", "developer_title": "", "publisher_title": "", "zhanr_title": "", "version_title": "", "url_title": "", "description_title": "", "sysinf_title": ""}, )" +
           R"("small_titles": {"size_sm_title": "", "developer_sm_title": "", "publisher_sm_title": "", "zhanr_sm_title": "", "version_sm_title": "", "url_sm_title": "", "description_sm_title": "", "sysinf_sm_title": "", "os_sm_title": ""}, )" +
           R"("music_strip": )" + image + R"(, "picture_sound": "", "grid_select_sound": ""}, )" +
           R"("control_panel": {"prev_image": )" + image + R"(, "prev_btn": )" + button +
           R"(, "setup_image": )" + image + R"(, "setup_btn": )" + button +
           R"(, "options_image": )" + image + R"(, "options_btn": )" + button +
           R"(, "next_image": )" + image + R"(, "next_btn": )" + button + "}, " +
           R"("mcontrol_panel": {"back": )" + image + R"(, "prev_btn": )" + button +
           R"(, "play_btn": )" + button + R"(, "stop_btn": )" + button + R"(, "next_btn": )" +
           button + R"(, "options_btn": )" + button + "}, " +
           R"("picture": )" + image + R"(, "banner": )" + banner +
           R"(, "setup_sound": "", "link_sound": "", "sp_btn_sound": "", )" +
           R"("setup_win": {"setup_nomer": "", "setup_file": "", "setup_desc": "", "setup_run": "", "setup_close": ""}, )" +
           R"("wallpapers": {"dirs": [], "time": 0}, "link_box": {"link_caption": "", "link_message": ""}, "music_files": []})";
}

TEST(ZulcheckDump, WritesEveryFieldOfTheDefaultDescription)
{
    EXPECT_EQ(DescriptionJson(Inf_shell{}), DefaultJson());
}

TEST(ZulcheckDump, TextsAreLosslessByteStrings)
{
    std::string out;
    AppendJsonText(out, std::string("a\"b\\c\n\r\t\x01\x7F\xC8\xFF", 12) + std::string(1, '\0'));
    EXPECT_EQ(out, R"("a\"b\\c\n\r\t\u0001\u007f\u00c8\u00ff\u0000")");
}

TEST(ZulcheckDump, ReportsSuccessParseErrorsAndOpenFailures)
{
    TempDir dir;
    dir.Write("ok.dat", "cd\r\n/cd\r\n");
    dir.Write("bad.dat", "cd\r\ntitle = \xC4\xE5\xEC\xEE\r\npic = x\r\n/cd\r\n");

    ProgramResult r = RunProgram(kZulcheck, {"--dump", (dir.path() / "ok.dat").string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, R"({"error": null, "description": )" + DefaultJson() + "}\n");

    r = RunProgram(kZulcheck, {"--dump", (dir.path() / "bad.dat").string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out.rfind(R"({"error": {"code": 102, "line": 3}, "description": {"cd": {"title": "\u00c4\u00e5\u00ec\u00ee", )", 0), 0u)
        << r.out;

    r = RunProgram(kZulcheck, {"--dump", (dir.path() / "missing.dat").string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, R"({"error": {"text": "Can't open data file!"}, "description": )" + DefaultJson() + "}\n");

    EXPECT_EQ(RunProgram(kZulcheck, {"--dump"}).exit_code, 2);
    EXPECT_EQ(RunProgram(kZulcheck, {"--dump", "a", "b"}).exit_code, 2);
    EXPECT_EQ(RunProgram(kZulcheck, {"--bogus", "x"}).exit_code, 2);
}

TEST(ZulcheckDump, FindsADiscPathFromTheCurrentFolderWhateverItsCase)
{
    TempDir disc;
    disc.Write("Graph/Image_RU.dat", "cd\r\ntitle = found\r\n/cd\r\n");
    const ProgramResult r = RunProgram(kZulcheck, {"--dump", "graph\\image_ru.dat"}, disc.path().string());
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find(R"("title": "found")"), std::string::npos);
}

TEST(ZulcheckDump, TheDemoDiscScriptsParseCleanly)
{
    TempDir disc;
    ASSERT_EQ(RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()}).exit_code, 0);
    for (const char* script : {"graph/image_ru.dat", "graph/image_lit.dat"}) {
        const ProgramResult r = RunProgram(kZulcheck, {"--dump", (disc.path() / script).string()});
        EXPECT_EQ(r.exit_code, 0) << script;
        EXPECT_EQ(r.out.rfind(R"({"error": null, )", 0), 0u) << script;
        // Written on Windows: CR LF line ends, legacy code pages.
        const std::string bytes = ReadFileBytes(disc.path() / script);
        EXPECT_NE(bytes.find("\r\n"), std::string::npos);
    }
}

}  // namespace
