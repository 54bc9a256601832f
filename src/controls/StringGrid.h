// The text grid of the catalogue lists and the setup window: rows of single-line text cells,
// drawn by the control itself, with an optional header (fixed) row, a current row that the
// mouse, the keys and the wheel move, and a vertical scroll bar.
//
// Texts are raw bytes in the disc's code page, shown decoded through the code page of the
// grid's font's character set.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/Label.h"
#include "controls/ControlHint.h"

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QResizeEvent;
class QWheelEvent;

// The cells are laid out from the top left corner: column c is ColWidth(c) pixels wide, every
// row DefaultRowHeight() pixels high, with a one-pixel line after each column and each row when
// grid lines are on. The fixed rows stay at the top; the other rows scroll below them by whole
// rows. There are no fixed columns and no horizontal scrolling: columns beyond the right edge
// are cut off.
//
// The current cell (Row(), Col()) starts at the first non-fixed row, column 0, without an
// event. Before it moves to another cell, OnSelectCell is raised with the target; a handler that
// clears can_select keeps the current cell where it is. The moves that raise it:
// - a left press on a cell of a non-fixed row (pressing the current row again raises it again),
//   and moving the mouse onto another such cell with the left button held;
// - the keys Up, Down, PageUp, PageDown (by the rows fully visible), Home and End (first and
//   last row; with whole-row selection off they go to the first and last column, and with Ctrl
//   to the first or last row), and Left and Right with whole-row selection off;
// - the mouse wheel, one row per notch.
// A key or wheel notch that cannot move (Down on the last row, Up on the first non-fixed row)
// raises nothing. The current row is kept in view.
//
// Key events that an owner sends (a press and a release) act exactly as a person's, also while
// the grid is hidden. The grid keeps Enter presses to itself (no dialog button takes them);
// keys it does not use go on to its parent.
//
// Defaults are the framework's: 5 columns 64 pixels wide, 5 rows 24 pixels high, 1 fixed row,
// grid lines on, whole-row selection off, a window-coloured background.
class TStringGrid : public QAbstractScrollArea {
public:
    using TSelectCellEvent = std::function<void(int col, int row, bool& can_select)>;
    // A key as a Qt key code (the main Enter key is Qt::Key_Return, the keypad's Qt::Key_Enter).
    // OnKeyDown may set it to 0 to keep the grid from handling the key.
    using TKeyDownEvent = std::function<void(int& key)>;
    using TKeyUpEvent = std::function<void(int key)>;

    explicit TStringGrid(QWidget* parent);

    // At least 1 row. A count that leaves no row unfixed makes the fixed rows one fewer than
    // the rows. Cells of rows that go are dropped; the current row stays on the grid without an
    // event.
    int RowCount() const { return row_count_; }
    void SetRowCount(int rows);
    // At least 1 column.
    int ColCount() const { return static_cast<int>(col_widths_.size()); }
    void SetColCount(int cols);
    // Fewer than the rows (at least one row is never fixed). Setting them makes the first
    // non-fixed row current, in column 0 and at the top, without an event.
    int FixedRows() const { return fixed_rows_; }
    void SetFixedRows(int rows);

    // Widths from 0 to 65536 pixels; setting the default width gives it to every column.
    int ColWidth(int col) const;
    void SetColWidth(int col, int width);
    int DefaultColWidth() const { return default_col_width_; }
    void SetDefaultColWidth(int width);
    // From 1 to 65536 pixels.
    int DefaultRowHeight() const { return row_height_; }
    void SetDefaultRowHeight(int height);

    // A cell outside the grid reads as empty; writing one is ignored.
    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& bytes);

    int Row() const { return row_; }
    int Col() const { return col_; }
    // Makes `row` current (kept within the non-fixed rows) without an event.
    void SetRow(int row);

    // The first non-fixed row in view, and how many rows are fully in view below the fixed ones.
    int TopRow() const { return top_row_; }
    int VisibleRowCount() const;

    bool GridLines() const { return grid_lines_; }
    void SetGridLines(bool on);
    bool RowSelect() const { return row_select_; }
    void SetRowSelect(bool on);

    // The font of every cell; its colour is the text colour.
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    // The background of the non-fixed cells and of the area beyond them. The current cell is
    // drawn in the palette's Highlight and HighlightedText colours, the fixed rows in Button.
    QColor Color() const { return color_; }
    void SetColor(QColor colour);

    // Kept for the owner; 0 unless the owner says otherwise.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Where the cell (col, row) lies in the viewport (empty when out of view or off the grid).
    QRect CellRect(int col, int row) const;

    TSelectCellEvent OnSelectCell;
    // A double click anywhere on the grid.
    TNotifyEvent OnDblClick;
    // Raised for every key press the grid gets, auto-repeats included, before it handles it.
    TKeyDownEvent OnKeyDown;
    // Raised on the release of a key; the releases of auto-repeat are left out.
    TKeyUpEvent OnKeyUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct CellText {
        std::string bytes;
        QString shown;
    };

    int LineWidth() const { return grid_lines_ ? 1 : 0; }
    int RowStep() const { return row_height_ + LineWidth(); }
    int FixedHeight() const { return fixed_rows_ * RowStep(); }
    // The height rows are shown in (the viewport's, known even before the grid is first shown).
    int ViewHeight() const;
    int MaxTopRow() const;
    // The cell under a viewport point (a grid line counts with the cell before it); false on a
    // fixed row or outside the cells.
    bool CellAt(QPoint pos, int& col, int& row) const;

    // Raises OnSelectCell for (col, row) and, when allowed, makes it current, scrolls the rows
    // by `scroll` and keeps the row in view; false when refused or when the handler destroyed
    // the grid.
    bool MoveCurrent(int col, int row, int scroll);
    // A move by key or wheel: the target is kept on the grid, and a target that is the current
    // cell raises nothing.
    void MoveBy(int col, int row, int scroll);
    void SetTopRow(int top);
    void ShowRow(int row);
    void UpdateScrollRange();
    void ClampCurrent();
    void Redraw();
    QString Decode(const std::string& bytes) const;

    void PaintCell(QPainter& painter, int col, int row, const QRect& rect) const;

    std::vector<std::vector<CellText>> cells_;  // [row][col]
    std::vector<int> col_widths_;
    int row_count_ = 5;
    int fixed_rows_ = 1;
    int default_col_width_ = 64;
    int row_height_ = 24;
    int row_ = 1;
    int col_ = 0;
    int top_row_ = 1;
    bool grid_lines_ = true;
    bool row_select_ = false;
    TFont font_;
    QFont qfont_;
    QColor color_;
    int tag_ = 0;
    bool selecting_ = false;
    std::int64_t wheel_delta_ = 0;  // the part of a notch turned so far
};
