#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "disc/CodePages.h"
#include "platform/EventErrors.h"
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
    current_charset = 204;
    EXPECT_EQ(MessageLogLine(text, caption),
              "\u041E\u0448\u0438\u0431\u043A\u0430: Bad file: \\x1B[2J\\x09x\\x7F\\x98.gif");
    // The same bytes in the Baltic code page are other letters.
    current_charset = 186;
    EXPECT_EQ(MessageLogLine("\xF0", "\xC0"), "\u0104: \u0161");
    // Before a language is chosen the bytes are read as windows-1252; its C1 gaps stay bytes.
    current_charset = 0;
    EXPECT_EQ(MessageLogLine("\xE9\x81\r", "x"), "x: \u00E9\\x81\\x0D");
}

// A double whose box, while open, receives another report (a timer firing under a modal box).
class ReentrantApplication : public RecordingApplication {
public:
    std::string during_box;

protected:
    MsgResult ShowMessageBox(const std::string& text, const std::string& caption, MsgButtons buttons) override
    {
        const MsgResult r = RecordingApplication::ShowMessageBox(text, caption, buttons);
        if (!during_box.empty()) {
            const std::string again = during_box;
            during_box.clear();
            ErrorReport(again, caption);
        }
        return r;
    }
};

TEST(Application, ErrorReportsNeverStackBoxes)
{
    ReentrantApplication app;
    app.during_box = "second";
    testing::internal::CaptureStderr();
    app.ErrorReport("first", "Menu");
    app.ErrorReport("third", "Menu");  // the first box has gone: a box again
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Menu: first\nMenu: second\nMenu: third\n");
    EXPECT_EQ(app.calls, (std::vector<std::string>{"box[ok] Menu: first", "box[ok] Menu: third"}));
}

TEST(EventErrors, WhatAHandlerRaisesIsReportedAndGoesNoFurther)
{
    std::vector<std::string> reports;
    SetEventErrorHandler([&](const std::string& text) { reports.push_back(text); });
    GuardEvent([] { throw std::out_of_range("index out of range"); });
    std::function<void(int)> callback = [](int n) {
        if (n > 1)
            throw n;
    };
    Raise(callback, 1);
    Raise(callback, 2);
    Raise(std::function<void()>{});  // unassigned: nothing
    EXPECT_EQ(reports, (std::vector<std::string>{"index out of range", "Unknown exception"}));

    // Without an error report the line goes to standard error.
    SetEventErrorHandler({});
    testing::internal::CaptureStderr();
    GuardEvent([] { throw std::runtime_error("Bad picture a.gif: broken"); });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Exception: Bad picture a.gif: broken\n");
}

}  // namespace
