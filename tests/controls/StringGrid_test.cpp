// The text grid as the catalogue lists and the setup window set it up, driven by real key and
// mouse events on the offscreen platform.
#include "controls/StringGrid.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <string>
#include <vector>

#include "support/WidgetTestSupport.h"

namespace {

struct Selected {
    int col;
    int row;
    int current;  // Row() while the event runs
    bool operator==(const Selected&) const = default;
};
using Selections = std::vector<Selected>;

// A key event sent to the grid the way its owners send them.
bool SendKey(QWidget& widget, QEvent::Type type, int key, bool auto_repeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), auto_repeat);
    QCoreApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

void Stroke(QWidget& widget, int key)
{
    SendKey(widget, QEvent::KeyPress, key);
    SendKey(widget, QEvent::KeyRelease, key);
}

void Wheel(TStringGrid& grid, int delta)
{
    const QPointF pos(5, 5);
    QWheelEvent event(pos, grid.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(grid.viewport(), &event);
}

class GridTest : public ::testing::Test {
protected:
    GridTest()
    {
        window.resize(700, 500);
        window.show();
    }

    // An entry list: one column of titles, no header, 19-pixel rows, 258 × 304.
    TStringGrid& List(int rows)
    {
        auto* grid = new TStringGrid(&window);
        grid->setGeometry(124, 77, 258, 304);
        grid->SetColCount(1);
        grid->SetFixedRows(0);
        grid->SetRowCount(rows);
        grid->SetGridLines(false);
        grid->SetRowSelect(true);
        grid->SetColWidth(0, 258);
        grid->SetDefaultRowHeight(19);
        grid->SetColor(ColorFromValue(13689318));
        for (int row = 0; row < rows; ++row)
            grid->SetCell(0, row, "Title " + std::to_string(row));
        Record(*grid);
        return *grid;
    }

    // The setup window's grid: number, file and description under a header row.
    TStringGrid& Setups(int setups)
    {
        auto* grid = new TStringGrid(&window);
        grid->setGeometry(8, 8, 481, 73);
        grid->SetColCount(3);
        grid->SetColWidth(0, 31);
        grid->SetColWidth(1, 139);
        grid->SetColWidth(2, 354);
        grid->SetFixedRows(1);
        grid->SetDefaultRowHeight(16);
        grid->SetRowSelect(true);
        grid->SetRowCount(setups + 1);
        grid->SetCell(0, 0, "N");
        for (int row = 1; row <= setups; ++row)
            grid->SetCell(1, row, "setup" + std::to_string(row) + ".exe");
        Record(*grid);
        return *grid;
    }

    void Record(TStringGrid& grid)
    {
        grid.OnSelectCell = [this, &grid](int col, int row, bool& can_select) {
            selected.push_back({col, row, grid.Row()});
            can_select = allow;
        };
    }

    static void Click(TStringGrid& grid, int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(grid.viewport(), button, {}, grid.CellRect(col, row).center());
    }

    static bool InView(const TStringGrid& grid, int row)
    {
        return row >= grid.TopRow() && row < grid.TopRow() + grid.VisibleRowCount();
    }

    QWidget window;
    Selections selected;
    bool allow = true;
};

TEST_F(GridTest, StartsOnTheFirstNonFixedRowWithoutAnEvent)
{
    TStringGrid& list = List(30);
    EXPECT_EQ(list.Row(), 0);
    EXPECT_EQ(list.TopRow(), 0);
    TStringGrid& setups = Setups(3);
    EXPECT_EQ(setups.Row(), 1);
    EXPECT_EQ(setups.Col(), 0);
    EXPECT_TRUE(selected.empty());
}

TEST_F(GridTest, UpAndDownRaiseTheEventBeforeTheMove)
{
    TStringGrid& list = List(30);
    Stroke(list, Qt::Key_Down);
    Stroke(list, Qt::Key_Down);
    Stroke(list, Qt::Key_Up);
    EXPECT_EQ(selected, (Selections{{0, 1, 0}, {0, 2, 1}, {0, 1, 2}}));
    EXPECT_EQ(list.Row(), 1);

    // Held down, the key repeats its presses.
    SendKey(list, QEvent::KeyPress, Qt::Key_Down);
    SendKey(list, QEvent::KeyPress, Qt::Key_Down, true);
    SendKey(list, QEvent::KeyRelease, Qt::Key_Down);
    EXPECT_EQ(list.Row(), 3);

    // The owners drive lists that are not on screen.
    list.hide();
    selected.clear();
    Stroke(list, Qt::Key_Down);
    EXPECT_EQ(selected, (Selections{{0, 4, 3}}));
    EXPECT_EQ(list.Row(), 4);
}

TEST_F(GridTest, KeysThatCannotMoveRaiseNothing)
{
    TStringGrid& list = List(30);
    Stroke(list, Qt::Key_Up);
    Stroke(list, Qt::Key_Home);
    Stroke(list, Qt::Key_PageUp);
    EXPECT_TRUE(selected.empty());

    Stroke(list, Qt::Key_End);
    EXPECT_EQ(selected, (Selections{{0, 29, 0}}));
    Stroke(list, Qt::Key_Down);
    Stroke(list, Qt::Key_PageDown);
    EXPECT_EQ(selected.size(), 1u);
    EXPECT_EQ(list.Row(), 29);

    // A list of one row never moves.
    TStringGrid& single = List(1);
    selected.clear();
    Stroke(single, Qt::Key_Down);
    Stroke(single, Qt::Key_Up);
    EXPECT_TRUE(selected.empty());
}

TEST_F(GridTest, TheHeaderRowIsNeverSelected)
{
    TStringGrid& setups = Setups(4);
    Stroke(setups, Qt::Key_Up);
    Click(setups, 1, 0);
    EXPECT_TRUE(selected.empty());
    Stroke(setups, Qt::Key_End);
    Stroke(setups, Qt::Key_Home);
    EXPECT_EQ(selected, (Selections{{0, 4, 1}, {0, 1, 4}}));
    EXPECT_EQ(setups.Row(), 1);
}

TEST_F(GridTest, TheOwnerCanRefuseTheMoveOrDetachTheEvent)
{
    TStringGrid& list = List(30);
    allow = false;
    Stroke(list, Qt::Key_Down);
    Click(list, 0, 5);
    EXPECT_EQ(selected, (Selections{{0, 1, 0}, {0, 5, 0}}));
    EXPECT_EQ(list.Row(), 0);
    allow = true;
    Stroke(list, Qt::Key_Down);
    EXPECT_EQ(list.Row(), 1);

    // Detached, the event is not raised and nothing refuses; attached again, it is.
    const TStringGrid::TSelectCellEvent handler = list.OnSelectCell;
    list.OnSelectCell = nullptr;
    allow = false;
    Stroke(list, Qt::Key_Down);
    EXPECT_EQ(list.Row(), 2);
    list.OnSelectCell = handler;
    allow = true;
    Stroke(list, Qt::Key_Down);
    EXPECT_EQ(selected, (Selections{{0, 1, 0}, {0, 5, 0}, {0, 1, 0}, {0, 3, 2}}));
}

TEST_F(GridTest, APressSelectsTheRowUnderTheMouse)
{
    TStringGrid& list = List(5);
    Click(list, 0, 3);
    Click(list, 0, 3);  // the current row again
    Click(list, 0, 1, Qt::RightButton);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 5 * 19 + 10));  // below
    EXPECT_EQ(selected, (Selections{{0, 3, 0}, {0, 3, 3}}));
    EXPECT_EQ(list.Row(), 3);

    // The column clicked comes with the event; dragging on moves the selection.
    TStringGrid& setups = Setups(3);
    selected.clear();
    QTest::mousePress(setups.viewport(), Qt::LeftButton, {}, setups.CellRect(2, 2).center());
    QTest::mouseMove(setups.viewport(), setups.CellRect(2, 3).center());
    QTest::mouseRelease(setups.viewport(), Qt::LeftButton, {}, setups.CellRect(2, 3).center());
    EXPECT_EQ(selected, (Selections{{2, 2, 1}, {2, 3, 2}}));
    EXPECT_EQ(setups.Col(), 2);
}

TEST_F(GridTest, DoubleClickAndEnterReleaseReachTheOwner)
{
    TStringGrid& setups = Setups(3);
    std::vector<QObject*> double_clicks;
    std::vector<int> released;
    setups.OnDblClick = [&](QObject* sender) { double_clicks.push_back(sender); };
    setups.OnKeyUp = [&](int key) { released.push_back(key); };

    Click(setups, 1, 2);
    QTest::mouseDClick(setups.viewport(), Qt::LeftButton, {}, setups.CellRect(1, 2).center());
    QTest::mouseRelease(setups.viewport(), Qt::LeftButton, {}, setups.CellRect(1, 2).center());
    EXPECT_EQ(double_clicks, std::vector<QObject*>{&setups});

    // Enter is the grid's own (no dialog button takes it) and is acted on when released;
    // auto-repeat's releases do not count.
    EXPECT_TRUE(SendKey(setups, QEvent::KeyPress, Qt::Key_Return));
    SendKey(setups, QEvent::KeyRelease, Qt::Key_Return, true);
    SendKey(setups, QEvent::KeyPress, Qt::Key_Return, true);
    SendKey(setups, QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_EQ(released, std::vector<int>{Qt::Key_Return});
    EXPECT_EQ(setups.Row(), 2);
    EXPECT_EQ(selected.size(), 1u);

    // Escape goes on to the window (its Cancel button).
    EXPECT_FALSE(SendKey(setups, QEvent::KeyPress, Qt::Key_Escape));
}

TEST_F(GridTest, TheCurrentRowIsKeptInView)
{
    TStringGrid& list = List(30);
    const int visible = list.VisibleRowCount();
    EXPECT_EQ(visible, list.viewport()->height() / 19);
    ASSERT_LT(visible, 30);
    QCoreApplication::processEvents();  // the scroll bar is laid out by the event loop
    EXPECT_TRUE(list.verticalScrollBar()->isVisible());

    for (int step = 0; step < 20; ++step) {
        Stroke(list, Qt::Key_Down);
        EXPECT_TRUE(InView(list, list.Row())) << list.Row();
        EXPECT_EQ(list.verticalScrollBar()->value(), list.TopRow());
    }
    Stroke(list, Qt::Key_End);
    EXPECT_EQ(list.TopRow(), 30 - visible);
    Stroke(list, Qt::Key_Home);
    EXPECT_EQ(list.TopRow(), 0);

    // A page moves the selection and the rows in view together.
    Stroke(list, Qt::Key_PageDown);
    EXPECT_EQ(list.Row(), visible);
    EXPECT_TRUE(InView(list, visible));
    Stroke(list, Qt::Key_PageUp);
    EXPECT_EQ(list.Row(), 0);
    EXPECT_EQ(list.TopRow(), 0);

    // Scrolling by the bar leaves the selection alone.
    list.verticalScrollBar()->setValue(5);
    EXPECT_EQ(list.TopRow(), 5);
    EXPECT_EQ(list.Row(), 0);

    TStringGrid& few = List(5);
    QCoreApplication::processEvents();
    EXPECT_FALSE(few.verticalScrollBar()->isVisible());
}

TEST_F(GridTest, TheWheelMovesTheSelectionByANotch)
{
    TStringGrid& list = List(30);
    Wheel(list, 120);  // up, at the first row already
    Wheel(list, -240);
    Wheel(list, -60);  // half a notch waits for the other half
    EXPECT_EQ(selected, (Selections{{0, 1, 0}, {0, 2, 1}}));
    Wheel(list, -60);
    EXPECT_EQ(list.Row(), 3);
}

TEST_F(GridTest, ReshapingKeepsTheCurrentRowOnTheGrid)
{
    TStringGrid& list = List(30);
    Stroke(list, Qt::Key_End);
    selected.clear();
    list.SetRowCount(3);
    EXPECT_EQ(list.Row(), 2);
    EXPECT_EQ(list.TopRow(), 0);
    EXPECT_EQ(list.Cell(0, 2), "Title 2");
    EXPECT_EQ(list.Cell(0, 3), "");
    list.SetCell(0, 7, "nowhere");  // ignored
    EXPECT_EQ(list.RowCount(), 3);
    list.SetRowCount(0);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Row(), 0);

    TStringGrid& setups = Setups(3);
    setups.SetRowCount(1);  // the header row cannot stay fixed alone
    EXPECT_EQ(setups.FixedRows(), 0);
    EXPECT_TRUE(selected.empty());
}

TEST_F(GridTest, DrawsTheCurrentRowHighlighted)
{
    TStringGrid& list = List(30);
    Stroke(list, Qt::Key_Down);
    const QImage shot = list.viewport()->grab().toImage();
    const QPoint current = list.CellRect(0, 1).center();
    const QPoint other = list.CellRect(0, 2).topLeft() + QPoint(1, 1);
    EXPECT_EQ(QColor(shot.pixel(QPoint(1, current.y()))), list.palette().color(QPalette::Highlight));
    EXPECT_EQ(QColor(shot.pixel(other)), QColor(230, 225, 208));
}

}  // namespace
