#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <string>
#include <vector>

#include "app/LoadObj.h"
#include "app/Startup.h"
#include "disc/Files.h"
#include "support/RecordingApplication.h"
#include "support/MemoryDisc.h"
#include "support/RecordingStartup.h"
#include "support/TempDir.h"

namespace {

using Journal = std::vector<std::string>;

constexpr const char* kGoodScript =
    "cd\ntitle = Demo\nmain_cursor = graph\\main.cur\nlink_cursor = graph\\link.cur\n/cd\n";

// A disc in a temporary folder and the doubles that record one start on it.
class StartupTest : public ::testing::Test {
protected:
    TempDir disc;
    RecordingApplication app;
    RecordingStartupWindows windows{app.calls};
    RecordingCursorSlots cursors{app.calls};
    Startup startup{app, windows, cursors, PathResolver(disc.path())};

    void SetUp() override
    {
        known_languages.clear();
        current_charset = 0;
        cursors.loadable = {{"graph\\main.cur", 1}, {"graph\\link.cur", 2}};
    }

    // Runs the start; true when it went to the end, false when the program was ended.
    bool Run()
    {
        try {
            startup.Run();
            return true;
        } catch (const ProgramHalted& h) {
            EXPECT_EQ(h.exit_code, 1);
            return false;
        }
    }

    std::vector<std::string> LanguageCodes() const
    {
        std::vector<std::string> codes;
        for (const lang_inf& l : startup.languages)
            codes.push_back(l.code);
        return codes;
    }
};

TEST_F(StartupTest, OneScriptRunsEveryStepInOrderWithoutTheDialog)
{
    disc.Write("graph/image_ru.dat", kGoodScript);
    ASSERT_TRUE(Run());
    EXPECT_EQ(app.calls, (Journal{
                             "title: .ZUL CD",
                             "wallpaper window: 0 folders",
                             "splash: graph\\splash\\ru\\Intro.gif",
                             "title: Loading...",
                             "load cursor 'graph\\main.cur': ok",
                             "slot 5: cursor 1",
                             "load cursor 'graph\\link.cur': ok",
                             "slot 6: cursor 2",
                             "main window cursor: 5",
                         }));
    EXPECT_EQ(startup.language().name, "Russian");
    EXPECT_EQ(current_charset, 204);
    EXPECT_EQ(startup.description.cd.title, "Demo");
    EXPECT_TRUE(startup.cursors_ok);
    EXPECT_FALSE(startup.cursors_off);
    EXPECT_EQ(known_languages.size(), 2u);
}

TEST_F(StartupTest, TwoScriptsOpenTheDialogInDirectoryOrderWithRussianPreselected)
{
    disc.Write("graph/image_lit.dat", kGoodScript);
    disc.Write("graph/image_ru.dat", "cd\ntitle = Russian script\n/cd\n");
    std::vector<std::string> listing;  // the order the folder lists its files in
    for (const auto& e : std::filesystem::directory_iterator(disc.path() / "graph"))
        listing.push_back(e.path().filename().string() == "image_ru.dat" ? "ru" : "lit");

    windows.choice = listing[0] == "lit" ? 0 : 1;  // choose Lithuanian
    ASSERT_TRUE(Run());
    EXPECT_EQ(LanguageCodes(), listing);
    const int ru = listing[0] == "ru" ? 0 : 1;
    const std::string names = listing[0] == "ru" ? "Russian Lithuanian" : "Lithuanian Russian";
    // The dialog opens under the ".ZUL CD" title.
    ASSERT_GE(app.calls.size(), 2u);
    EXPECT_EQ(app.calls[0], "title: .ZUL CD");
    EXPECT_EQ(app.calls[1], "language dialog: " + names + " (preselected " + std::to_string(ru) + ")");
    EXPECT_EQ(startup.language().code, "lit");
    EXPECT_EQ(current_charset, 186);
    EXPECT_EQ(startup.description.cd.title, "Demo");  // image_lit.dat was parsed
    EXPECT_NE(std::find(app.calls.begin(), app.calls.end(), "splash: graph\\splash\\lit\\Intro.gif"),
              app.calls.end());
}

TEST_F(StartupTest, UnknownOrMiscasedCodesAndMissingScriptsEndTheProgram)
{
    for (const char* name : {"", "graph/image_en.dat", "graph/image_RU.dat", "graph/image_.dat",
                             "graph/image_ru.txt", "other/image_ru.dat"}) {
        TempDir d;
        if (*name)
            d.Write(name, kGoodScript);
        RecordingApplication a;
        RecordingStartupWindows w{a.calls};
        RecordingCursorSlots c{a.calls};
        Startup s{a, w, c, PathResolver(d.path())};
        EXPECT_THROW(s.Run(), ProgramHalted) << name;
        EXPECT_EQ(a.calls, (Journal{"title: .ZUL CD", "box[ok] Fatal Error: Can't find main file!!!",
                                    "halt: 1"}))
            << name;
    }
}

TEST_F(StartupTest, TheSearchIgnoresCaseButTheCodeIsCutByPosition)
{
    disc.Write("GRAPH/IMAGE_ru.DAT", kGoodScript);
    ASSERT_TRUE(Run());
    EXPECT_EQ(LanguageCodes(), (std::vector<std::string>{"ru"}));
    // graph\image_ru.dat is found although the disc spells it otherwise.
    EXPECT_EQ(startup.description.cd.title, "Demo");
}

TEST_F(StartupTest, AParseErrorIsShownWithItsLineAndTheApplicationIsAskedToEnd)
{
    // Line 12 holds a key the sub does not accept.
    disc.Write("graph/image_ru.dat",
               "cd\r\ntitle = Half\r\n/cd\r\n\r\ntab\r\nbutton\r\nnormal_pic = a.bmp\r\n/button\r\n"
               "sub\r\ngrid_left = 1\r\n\r\ntitle = wrong place\r\n/sub\r\n/tab\r\n");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Run());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Error: Error: 2 in line: 12\n");
    const Journal expected_tail{"title: Loading...", "box[ok] Error: Error: 2 in line: 12", "terminate: 1",
                                "load cursor '': fails"};
    auto at = std::find(app.calls.begin(), app.calls.end(), expected_tail[0]);
    ASSERT_NE(at, app.calls.end());
    EXPECT_EQ(Journal(at, at + 4), expected_tail);
    // The start goes on with what was parsed up to the error.
    EXPECT_EQ(startup.description.cd.title, "Half");
    EXPECT_EQ(startup.description.side_panel.tab_buttons.size(), 1u);
}

TEST_F(StartupTest, AScriptThatCannotBeOpenedIsShownAsItsText)
{
    disc.MakeDir("graph/image_ru.dat");  // found by the search, but no file to read
    ASSERT_TRUE(Run());
    EXPECT_NE(std::find(app.calls.begin(), app.calls.end(), "box[ok] Error: Can't open data file!"),
              app.calls.end());
    EXPECT_NE(std::find(app.calls.begin(), app.calls.end(), "terminate: 1"), app.calls.end());
    EXPECT_EQ(startup.description, Inf_shell{});
}

TEST_F(StartupTest, AScriptBeyondTheCapOnDiscFilesIsNotRead)
{
    // A sparse file: it claims its size without taking the room.
    const auto script = disc.Write("graph/image_ru.dat", kGoodScript);
    std::filesystem::resize_file(script, kMaxDiscFileBytes + 1);
    ASSERT_TRUE(Run());
    EXPECT_NE(std::find(app.calls.begin(), app.calls.end(), "box[ok] Error: Can't open data file!"),
              app.calls.end());
    EXPECT_EQ(startup.description, Inf_shell{});
    // At the cap itself the script is read (the zero bytes after it are one long plain line).
    std::filesystem::resize_file(script, kMaxDiscFileBytes);
    Inf_shell description;
    EXPECT_EQ(ParseScript(script, description), std::nullopt);
    EXPECT_EQ(description.cd.title, "Demo");
}

TEST(StartupOnAnImage, TheScriptIsFoundAndReadThroughTheDisc)
{
    known_languages.clear();
    current_charset = 0;
    auto image = std::make_shared<MemoryDisc>();
    image->Add("GRAPH/IMAGE_ru.DAT", kGoodScript);
    RecordingApplication app;
    RecordingStartupWindows windows{app.calls};
    RecordingCursorSlots cursors{app.calls};
    Startup startup{app, windows, cursors, PathResolver(image)};
    startup.Run();
    EXPECT_EQ(startup.description.cd.title, "Demo");
    EXPECT_EQ(image->Opened(), std::vector<std::string>{"GRAPH/IMAGE_ru.DAT"});
}

TEST(LoadObj, AnUnexpectedFailureOfTheThreadIsRaisedAgainOnTheWaitingThread)
{
    Inf_shell target;
    std::thread::id parsed_on;
    LoadObj loader(target, "image_ru.dat",
                   [&](const std::filesystem::path& script, Inf_shell& into) -> std::optional<LoadFailure> {
                       parsed_on = std::this_thread::get_id();
                       into.cd.title = script.string();
                       throw std::length_error("out of room");
                   });
    loader.Start();
    try {
        loader.WaitFor();
        ADD_FAILURE() << "WaitFor returned";
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "out of room");
    }
    EXPECT_NE(parsed_on, std::this_thread::get_id());
    EXPECT_EQ(target.cd.title, "image_ru.dat");
    EXPECT_FALSE(loader.failure());
}

TEST_F(StartupTest, CursorsFallBackToTheStandardOnes)
{
    disc.Write("graph/image_ru.dat", kGoodScript);
    startup.description.cd.main_cursor = "graph\\main.cur";
    startup.description.cd.link_cursor = "graph\\link.cur";

    // Only the link cursor missing: the main cursor stays custom.
    cursors.loadable = {{"graph\\main.cur", 1}};
    app.calls.clear();
    startup.LoadCursors();
    EXPECT_EQ(app.calls, (Journal{"load cursor 'graph\\main.cur': ok", "slot 5: cursor 1",
                                  "load cursor 'graph\\link.cur': fails", "slot 6: hand point"}));
    EXPECT_FALSE(startup.cursors_ok);
    EXPECT_TRUE(startup.cursors_off);

    // The main cursor missing: the link cursor is not used even though it loads.
    cursors.loadable = {{"graph\\link.cur", 2}};
    app.calls.clear();
    startup.LoadCursors();
    EXPECT_EQ(app.calls, (Journal{"load cursor 'graph\\main.cur': fails", "slot 5: arrow",
                                  "load cursor 'graph\\link.cur': ok", "slot 6: hand point"}));
    EXPECT_TRUE(startup.cursors_off);
}

}  // namespace
