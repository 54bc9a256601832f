#include <gtest/gtest.h>

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

}  // namespace
