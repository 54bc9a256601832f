// The setup window as a real dialog on the offscreen platform: its list, the row it keeps
// selected, and the starts it hands to the opener.
#include "windows/Setupwin.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "support/RecordingOpener.h"
#include "disc/CodePages.h"
#include "platform/DiscText.h"

namespace {

using Texts = std::vector<std::string>;

bool SendKey(QWidget& widget, QEvent::Type type, int key, bool auto_repeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), auto_repeat);
    QCoreApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

// A point of a row's file-name cell that is in view (the last row is only partly in view).
QPoint RowPoint(const TStringGrid& grid, int row)
{
    return grid.CellRect(1, row).topLeft() + QPoint(4, 1);
}

void ClickRow(TStringGrid& grid, int row)
{
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, RowPoint(grid, row));
}

// Texts of a Cyrillic disc (code page 1251), so that every shown text goes through it.
class SetupWindowTest : public ::testing::Test {
protected:
    SetupWindowTest() { current_charset = 204; }
    ~SetupWindowTest() override { current_charset = saved_charset_; }

    Tsetup_win& Window(const std::vector<string_pair>& list)
    {
        window_ = std::make_unique<Tsetup_win>(nullptr, list, "\xb9", "\xd4\xe0\xe9\xeb",
                                               "\xce\xef\xe8\xf1\xe0\xed\xe8\xe5",
                                               "\xc7\xe0\xef\xf3\xf1\xea",
                                               "\xc7\xe0\xea\xf0\xfb\xf2\xfc", opener);
        return *window_;
    }

    RecordingOpener opener;
    const std::vector<string_pair> setups{
        {"soft\\game\\setup.exe", "\xc8\xe3\xf0\xe0"},  // "Игра"
        {"patch.exe", "Patch"},
        {"soft\\drivers\\", "A folder"},
        {"soft\\demo\\\xe4\xe5\xec\xee.exe", "Demo"},  // "демо.exe"
    };

private:
    std::uint8_t saved_charset_ = current_charset;
    std::unique_ptr<Tsetup_win> window_;
};

TEST(Tsetup_win, FileNamePartIsWhatFollowsTheLastBackslash)
{
    EXPECT_EQ(Tsetup_win::FileNamePart("soft\\game\\setup.exe"), "setup.exe");
    EXPECT_EQ(Tsetup_win::FileNamePart("setup.exe"), "setup.exe");
    EXPECT_EQ(Tsetup_win::FileNamePart("soft\\drivers\\"), "");
    EXPECT_EQ(Tsetup_win::FileNamePart("\\"), "");
    EXPECT_EQ(Tsetup_win::FileNamePart(""), "");
    // Only backslashes separate: a slash is part of the name.
    EXPECT_EQ(Tsetup_win::FileNamePart("soft\\a/b.exe"), "a/b.exe");
}

TEST_F(SetupWindowTest, ListsTheSetupsAndSelectsTheFirst)
{
    Tsetup_win& win = Window(setups);
    EXPECT_EQ(win.RunBtn->text(), QString::fromUtf8("Запуск"));
    EXPECT_EQ(win.CloseBtn->text(), QString::fromUtf8("Закрыть"));

    const TStringGrid& grid = *win.StringGrid1;
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.Font().charset, 204);
    const std::vector<Texts> rows = {
        {"\xb9", "\xd4\xe0\xe9\xeb", "\xce\xef\xe8\xf1\xe0\xed\xe8\xe5"},
        {"1", "setup.exe", "\xc8\xe3\xf0\xe0"},
        {"2", "patch.exe", "Patch"},
        {"3", "", "A folder"},
        {"4", "\xe4\xe5\xec\xee.exe", "Demo"},
    };
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col)
            EXPECT_EQ(grid.Cell(col, row), rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)])
                << "cell " << col << "," << row;

    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(win.SelectedPath(), "soft\\game\\setup.exe");
    EXPECT_EQ(win.StatusBar1->currentMessage(), QString::fromUtf8("soft\\game\\setup.exe"));

    // Run before any row was touched starts the first setup.
    win.RunBtn->click();
    EXPECT_EQ(opener.opened, Texts{"soft\\game\\setup.exe"});
}

TEST_F(SetupWindowTest, AFolderRowCannotBeSelected)
{
    Tsetup_win& win = Window(setups);
    win.show();
    TStringGrid& grid = *win.StringGrid1;

    ClickRow(grid, 4);
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_EQ(win.SelectedPath(), "soft\\demo\\\xe4\xe5\xec\xee.exe");
    EXPECT_EQ(win.StatusBar1->currentMessage(), QString::fromUtf8("soft\\demo\\демо.exe"));

    // Neither the mouse nor the keys reach the folder's row; the selection stays.
    ClickRow(grid, 3);
    EXPECT_EQ(grid.Row(), 4);
    grid.setFocus();
    SendKey(grid, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_EQ(win.SelectedPath(), "soft\\demo\\\xe4\xe5\xec\xee.exe");

    ClickRow(grid, 2);
    SendKey(grid, QEvent::KeyPress, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    SendKey(grid, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(win.SelectedPath(), "soft\\game\\setup.exe");
    EXPECT_EQ(win.StatusBar1->currentMessage(), QString::fromUtf8("soft\\game\\setup.exe"));
    EXPECT_TRUE(opener.opened.empty());
    win.close();
}

TEST_F(SetupWindowTest, NothingToRunWithoutAPath)
{
    // An empty first path selects nothing to run; an empty list neither.
    const std::vector<string_pair> empty_first{{"", "Nothing"}, {"b.exe", "B"}};
    Tsetup_win& win = Window(empty_first);
    EXPECT_EQ(win.SelectedPath(), "");
    win.RunBtnClick();
    win.StringGrid1KeyUp(Qt::Key_Return);
    EXPECT_TRUE(opener.opened.empty());

    const std::vector<string_pair> none;
    Tsetup_win& empty = Window(none);
    EXPECT_EQ(empty.SelectedPath(), "");
    EXPECT_TRUE(empty.StatusBar1->currentMessage().isEmpty());
    empty.RunBtnClick();
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(SetupWindowTest, StartsSetupsInTurnUntilClosedWithEsc)
{
    Tsetup_win& win = Window(setups);
    QWidget* focused_at_start = nullptr;
    bool visible_after_starts = false;
    QTimer::singleShot(0, &win, [&] {
        focused_at_start = win.focusWidget();
        TStringGrid& grid = *win.StringGrid1;

        // Enter in the grid: its press is the grid's (CloseBtn, focused before, does not take
        // it); the release starts the setup. Releases of auto-repeat do not.
        grid.setFocus();
        EXPECT_TRUE(SendKey(grid, QEvent::KeyPress, Qt::Key_Return));
        SendKey(grid, QEvent::KeyRelease, Qt::Key_Return, true);
        SendKey(grid, QEvent::KeyPress, Qt::Key_Return, true);
        SendKey(grid, QEvent::KeyRelease, Qt::Key_Return);
        // The keypad's Enter is Enter too; other keys start nothing.
        ClickRow(grid, 2);
        SendKey(grid, QEvent::KeyRelease, Qt::Key_Enter);
        SendKey(grid, QEvent::KeyRelease, Qt::Key_Space);
        // A double click starts the row clicked; Run starts the selected one again.
        ClickRow(grid, 4);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, RowPoint(grid, 4));
        QTest::mouseClick(win.RunBtn, Qt::LeftButton);
        visible_after_starts = win.isVisible();

        // Esc goes from the grid to the window, which presses CloseBtn.
        QTest::keyClick(&grid, Qt::Key_Escape);
    });
    QTimer::singleShot(10000, &win, [&] { win.done(-1); });  // never hang the run
    EXPECT_EQ(win.exec(), QDialog::Rejected);
    EXPECT_EQ(focused_at_start, win.CloseBtn);
    EXPECT_TRUE(visible_after_starts);
    EXPECT_EQ(opener.opened, (Texts{"soft\\game\\setup.exe", "patch.exe",
                                    "soft\\demo\\\xe4\xe5\xec\xee.exe",
                                    "soft\\demo\\\xe4\xe5\xec\xee.exe"}));

    // Shown again, CloseBtn has the focus back and Esc on it closes at once.
    QTimer::singleShot(0, &win, [&] { QTest::keyClick(win.focusWidget(), Qt::Key_Escape); });
    QTimer::singleShot(10000, &win, [&] { win.done(-1); });
    EXPECT_EQ(win.exec(), QDialog::Rejected);
    EXPECT_EQ(opener.opened.size(), 4u);
}

}  // namespace
