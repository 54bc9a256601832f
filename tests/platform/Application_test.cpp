#include <gtest/gtest.h>

#include "platform/CodePages.h"
#include "support/RecordingApplication.h"

namespace {

TEST(Application, EveryMessageBoxIsAlsoOneLineOnStandardError)
{
    RecordingApplication app;
    app.answers = {MsgResult::Cancel};
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.MessageBox("Bad file: a\nb.gif", "Error", MsgButtons::OkCancel), MsgResult::Cancel);
    EXPECT_EQ(app.MessageBox("Open?", "Link", MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Bad file: a\\nb.gif\nLink: Open?\n");
    EXPECT_EQ(app.calls.size(), 2u);
}

TEST(Application, TheLineOnStandardErrorIsUtf8InTheDiscsCodePageAndCannotSteerTheTerminal)
{
    // "Ошибка" in windows-1251, an escape sequence that would clear a terminal, a tab, DEL, and
    // 0x98, which windows-1251 leaves undefined.
    const std::string caption = "\xCE\xF8\xE8\xE1\xEA\xE0";
    const std::string text = "Bad file: \x1B[2J\tx\x7F\x98.gif";
    SetDiscCodePage("windows-1251");
    EXPECT_EQ(MessageLogLine(text, caption),
              "\u041E\u0448\u0438\u0431\u043A\u0430: Bad file: \\x1B[2J\\x09x\\x7F\\x98.gif");
    // The same bytes in the Baltic code page are other letters.
    SetDiscCodePage("windows-1257");
    EXPECT_EQ(MessageLogLine("\xF0", "\xC0"), "\u0104: \u0161");
    // Before a language is chosen the bytes are read as windows-1252; its C1 gaps stay bytes.
    SetDiscCodePage(nullptr);
    EXPECT_EQ(MessageLogLine("\xE9\x81\r", "x"), "x: \u00E9\\x81\\x0D");
}

}  // namespace
