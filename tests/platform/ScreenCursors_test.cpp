// The screen's cursor slots belong to the application object: a custom cursor goes with it, and
// the next application starts with the standard cursors. This executable makes its own
// applications, one after the other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>

#include <cstdlib>
#include <memory>

#include "platform/Cursors.h"
#include "platform/ScreenCursors.h"

namespace {

std::unique_ptr<QApplication> MakeApplication()
{
    static int argc = 1;
    static char arg0[] = "cursor_slots";
    static char* argv[] = {arg0, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return std::make_unique<QApplication>(argc, argv);
}

TEST(ScreenCursors, TheSlotsLiveAsLongAsTheApplication)
{
    {
        auto app = MakeApplication();
        EXPECT_EQ(ScreenCursor(kMainCursorSlot).shape(), Qt::ArrowCursor);
        EXPECT_EQ(ScreenCursor(kLinkCursorSlot).shape(), Qt::PointingHandCursor);
        QPixmap picture(8, 8);
        picture.fill(Qt::red);
        SetScreenCursor(kMainCursorSlot, QCursor(picture, 1, 2));
        SetScreenCursor(kLinkCursorSlot, QCursor(Qt::CrossCursor));
        EXPECT_EQ(ScreenCursor(kMainCursorSlot).shape(), Qt::BitmapCursor);
        EXPECT_EQ(ScreenCursor(kMainCursorSlot).hotSpot(), QPoint(1, 2));
        EXPECT_EQ(ScreenCursor(kLinkCursorSlot).shape(), Qt::CrossCursor);
    }
    // The application has gone, and its cursors with it.
    auto next = MakeApplication();
    EXPECT_EQ(ScreenCursor(kMainCursorSlot).shape(), Qt::ArrowCursor);
    EXPECT_EQ(ScreenCursor(kLinkCursorSlot).shape(), Qt::PointingHandCursor);
}

}  // namespace
