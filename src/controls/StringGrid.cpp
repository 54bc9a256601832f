#include "controls/StringGrid.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/DiscText.h"

namespace {

// The framework's colours of the grid's lines: black between fixed cells, silver between the
// others; and the window colour of the system scheme as the default background.
const QColor kFixedLineColour(0, 0, 0);
const QColor kLineColour(192, 192, 192);
constexpr std::int32_t kWindowColour = static_cast<std::int32_t>(0x80000005u);

// Text stands this far from the left and top edges of its cell.
constexpr int kTextIndent = 2;

// The largest column width and row height, in pixels: far beyond any screen, and small enough
// that positions summed from them stay well inside an int.
constexpr int kMaxExtent = 1 << 16;

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    // The sunken two-pixel edge of the framework's grid.
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    color_ = ColorFromValue(kWindowColour);
    qfont_ = MakeQFont(font_);
    setFont(qfont_);
    col_widths_.assign(5, default_col_width_);
    cells_.assign(static_cast<std::size_t>(row_count_), std::vector<CellText>(col_widths_.size()));
    UpdateScrollRange();
    if (parent != nullptr && parent->isVisible())
        show();
}

// --- shape ------------------------------------------------------------------------------------

void TStringGrid::SetRowCount(int rows)
{
    rows = std::max(rows, 1);
    if (rows <= fixed_rows_)
        fixed_rows_ = rows - 1;
    row_count_ = rows;
    cells_.resize(static_cast<std::size_t>(rows), std::vector<CellText>(col_widths_.size()));
    ClampCurrent();
    UpdateScrollRange();
    Redraw();
}

void TStringGrid::SetColCount(int cols)
{
    cols = std::max(cols, 1);
    col_widths_.resize(static_cast<std::size_t>(cols), default_col_width_);
    for (auto& row : cells_)
        row.resize(static_cast<std::size_t>(cols));
    ClampCurrent();
    Redraw();
}

void TStringGrid::SetFixedRows(int rows)
{
    // The grid starts over at its first non-fixed cell.
    fixed_rows_ = std::clamp(rows, 0, row_count_ - 1);
    row_ = fixed_rows_;
    col_ = 0;
    top_row_ = fixed_rows_;
    UpdateScrollRange();
    Redraw();
}

int TStringGrid::ColWidth(int col) const
{
    if (col < 0 || col >= ColCount())
        return 0;
    return col_widths_[static_cast<std::size_t>(col)];
}

void TStringGrid::SetColWidth(int col, int width)
{
    if (col < 0 || col >= ColCount())
        return;
    col_widths_[static_cast<std::size_t>(col)] = std::clamp(width, 0, kMaxExtent);
    Redraw();
}

void TStringGrid::SetDefaultColWidth(int width)
{
    default_col_width_ = std::clamp(width, 0, kMaxExtent);
    std::fill(col_widths_.begin(), col_widths_.end(), default_col_width_);
    Redraw();
}

void TStringGrid::SetDefaultRowHeight(int height)
{
    row_height_ = std::clamp(height, 1, kMaxExtent);
    UpdateScrollRange();
    Redraw();
}

void TStringGrid::SetGridLines(bool on)
{
    grid_lines_ = on;
    UpdateScrollRange();
    Redraw();
}

void TStringGrid::SetRowSelect(bool on)
{
    row_select_ = on;
    Redraw();
}

void TStringGrid::ClampCurrent()
{
    row_ = std::clamp(row_, fixed_rows_, row_count_ - 1);
    col_ = std::clamp(col_, 0, ColCount() - 1);
}

// --- texts and colours ------------------------------------------------------------------------

const std::string& TStringGrid::Cell(int col, int row) const
{
    static const std::string kEmpty;
    if (col < 0 || col >= ColCount() || row < 0 || row >= row_count_)
        return kEmpty;
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)].bytes;
}

void TStringGrid::SetCell(int col, int row, const std::string& bytes)
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= row_count_)
        return;
    CellText& cell = cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    cell.bytes = bytes;
    cell.shown = Decode(bytes);
    Redraw();
}

QString TStringGrid::Decode(const std::string& bytes) const
{
    return DiscText(bytes, font_.charset);
}

void TStringGrid::SetFont(const TFont& font)
{
    font_ = font;
    qfont_ = MakeQFont(font_);
    setFont(qfont_);
    for (auto& row : cells_)
        for (CellText& cell : row)
            cell.shown = Decode(cell.bytes);
    Redraw();
}

void TStringGrid::SetColor(QColor colour)
{
    color_ = colour;
    Redraw();
}

void TStringGrid::Redraw()
{
    viewport()->update();
}

// --- rows in view -----------------------------------------------------------------------------

int TStringGrid::ViewHeight() const
{
    // The viewport fills the frame's inside: the horizontal scroll bar is never shown.
    return std::max(contentsRect().height(), 0);
}

int TStringGrid::VisibleRowCount() const
{
    return std::max(ViewHeight() - FixedHeight(), 0) / RowStep();
}

int TStringGrid::MaxTopRow() const
{
    return std::max(fixed_rows_, row_count_ - std::max(VisibleRowCount(), 1));
}

void TStringGrid::UpdateScrollRange()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, MaxTopRow() - fixed_rows_);
    bar->setPageStep(std::max(VisibleRowCount(), 1));
    SetTopRow(top_row_);
}

void TStringGrid::SetTopRow(int top)
{
    top_row_ = std::clamp(top, fixed_rows_, MaxTopRow());
    // The scroll bar follows; its own moves come back through scrollContentsBy.
    verticalScrollBar()->setValue(top_row_ - fixed_rows_);
    Redraw();
}

void TStringGrid::ShowRow(int row)
{
    const int visible = std::max(VisibleRowCount(), 1);
    if (row < top_row_)
        SetTopRow(row);
    else if (row >= top_row_ + visible)
        SetTopRow(row - visible + 1);
}

void TStringGrid::SetRow(int row)
{
    row_ = std::clamp(row, fixed_rows_, row_count_ - 1);
    ShowRow(row_);
    Redraw();
}

void TStringGrid::scrollContentsBy(int, int)
{
    top_row_ = fixed_rows_ + verticalScrollBar()->value();
    Redraw();
}

void TStringGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

QRect TStringGrid::CellRect(int col, int row) const
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= row_count_)
        return {};
    int y = 0;
    if (row < fixed_rows_)
        y = row * RowStep();
    else if (row >= top_row_ && row - top_row_ <= ViewHeight() / RowStep())
        y = FixedHeight() + (row - top_row_) * RowStep();
    else
        return {};
    if (y >= ViewHeight())
        return {};
    int x = 0;
    for (int c = 0; c < col; ++c)
        x += col_widths_[static_cast<std::size_t>(c)] + LineWidth();
    return QRect(x, y, col_widths_[static_cast<std::size_t>(col)], row_height_);
}

bool TStringGrid::CellAt(QPoint pos, int& col, int& row) const
{
    if (pos.x() < 0 || pos.y() < FixedHeight())
        return false;
    // A grid line belongs to the cell before it.
    row = top_row_ + (pos.y() - FixedHeight()) / RowStep();
    if (row >= row_count_)
        return false;
    int right = 0;
    for (col = 0; col < ColCount(); ++col) {
        right += col_widths_[static_cast<std::size_t>(col)] + LineWidth();
        if (pos.x() < right)
            return true;
    }
    return false;
}

// --- moving the current cell ------------------------------------------------------------------

bool TStringGrid::MoveCurrent(int col, int row, int scroll)
{
    if (OnSelectCell) {
        bool can_select = true;
        QPointer<TStringGrid> alive(this);
        const TSelectCellEvent handler = OnSelectCell;
        handler(col, row, can_select);
        if (alive.isNull() || !can_select)
            return false;
        // The handler may have reshaped the grid.
        if (row < fixed_rows_ || row >= row_count_ || col >= ColCount())
            return false;
    }
    col_ = col;
    row_ = row;
    if (scroll != 0)
        SetTopRow(top_row_ + scroll);
    ShowRow(row_);
    Redraw();
    return true;
}

void TStringGrid::MoveBy(int col, int row, int scroll)
{
    col = std::clamp(col, 0, ColCount() - 1);
    row = std::clamp(row, fixed_rows_, row_count_ - 1);
    if (col == col_ && row == row_)
        return;
    MoveCurrent(col, row, scroll);
}

void TStringGrid::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    if (OnKeyDown) {
        QPointer<TStringGrid> alive(this);
        const TKeyDownEvent handler = OnKeyDown;
        handler(key);
        if (alive.isNull())
            return;
    }
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const int last_row = row_count_ - 1;
    const int last_col = ColCount() - 1;
    const int page = std::max(VisibleRowCount(), 1);
    switch (key) {
    case 0:
        break;
    case Qt::Key_Up: MoveBy(col_, row_ - 1, 0); break;
    case Qt::Key_Down: MoveBy(col_, row_ + 1, 0); break;
    case Qt::Key_PageUp: MoveBy(col_, row_ - page, -page); break;
    case Qt::Key_PageDown: MoveBy(col_, row_ + page, page); break;
    case Qt::Key_Home:
        if (row_select_)
            MoveBy(col_, fixed_rows_, 0);
        else
            MoveBy(0, ctrl ? fixed_rows_ : row_, 0);
        break;
    case Qt::Key_End:
        if (row_select_)
            MoveBy(col_, last_row, 0);
        else
            MoveBy(last_col, ctrl ? last_row : row_, 0);
        break;
    case Qt::Key_Left:
        if (!row_select_)
            MoveBy(col_ - 1, row_, 0);
        break;
    case Qt::Key_Right:
        if (!row_select_)
            MoveBy(col_ + 1, row_, 0);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter belongs to the grid (its owner acts on the release), not to a dialog's default
        // button.
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void TStringGrid::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    // Auto-repeat comes as pairs of press and release: only the last release is a release.
    if (event->isAutoRepeat() || !OnKeyUp)
        return;
    const TKeyUpEvent handler = OnKeyUp;
    handler(event->key());
}

void TStringGrid::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    int col = 0;
    int row = 0;
    if (!CellAt(event->position().toPoint(), col, row))
        return;
    selecting_ = true;
    MoveCurrent(col, row, 0);
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!selecting_ || !event->buttons().testFlag(Qt::LeftButton))
        return;
    int col = 0;
    int row = 0;
    if (!CellAt(event->position().toPoint(), col, row))
        return;
    if (row != row_ || (!row_select_ && col != col_))
        MoveCurrent(col, row, 0);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        selecting_ = false;
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click comes as this event alone and selects nothing: the
    // first press has selected, and a double click selects once.
    event->accept();
    if (event->button() != Qt::LeftButton || !OnDblClick)
        return;
    const TNotifyEvent handler = OnDblClick;
    handler(this);
}

void TStringGrid::wheelEvent(QWheelEvent* event)
{
    event->accept();
    wheel_delta_ += event->angleDelta().y();
    const auto notches = static_cast<int>(
        std::clamp<std::int64_t>(wheel_delta_ / kWheelNotch, -row_count_, row_count_));
    wheel_delta_ %= kWheelNotch;
    // Away from the user (a positive turn) is up.
    QPointer<TStringGrid> alive(this);
    for (int left = std::abs(notches); left > 0 && !alive.isNull(); --left)
        MoveBy(col_, row_ + (notches > 0 ? -1 : 1), 0);
}

void TStringGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    Redraw();
}

void TStringGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    Redraw();
}

// --- drawing ----------------------------------------------------------------------------------

void TStringGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int view_height = ViewHeight();
    painter.fillRect(viewport()->rect(), color_);
    painter.setFont(qfont_);

    auto paint_row = [&](int row, int y) {
        int x = 0;
        for (int col = 0; col < ColCount(); ++col) {
            const int width = col_widths_[static_cast<std::size_t>(col)];
            const QRect cell(x, y, width, row_height_);
            PaintCell(painter, col, row, cell);
            if (grid_lines_) {
                const QColor& line = row < fixed_rows_ ? kFixedLineColour : kLineColour;
                painter.fillRect(QRect(x + width, y, 1, row_height_ + 1), line);
                painter.fillRect(QRect(x, y + row_height_, width + 1, 1), line);
            }
            x += width + LineWidth();
        }
    };
    for (int row = 0; row < fixed_rows_; ++row)
        paint_row(row, row * RowStep());
    for (int row = top_row_, y = FixedHeight(); row < row_count_ && y < view_height;
         ++row, y += RowStep())
        paint_row(row, y);

    if (hasFocus()) {
        QRect focus = CellRect(row_select_ ? 0 : col_, row_);
        if (row_select_ && !focus.isEmpty())
            focus.setRight(CellRect(ColCount() - 1, row_).right());
        if (!focus.isEmpty()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            option.rect = focus;
            option.backgroundColor = palette().color(QPalette::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }
}

void TStringGrid::PaintCell(QPainter& painter, int col, int row, const QRect& rect) const
{
    const QPalette& colours = palette();
    QColor text = font_.color;
    if (row < fixed_rows_) {
        painter.fillRect(rect, colours.color(QPalette::Button));
        if (grid_lines_) {
            // The raised edge of a header cell.
            painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1),
                             colours.color(QPalette::Light));
            painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()),
                             colours.color(QPalette::Light));
            painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1),
                             colours.color(QPalette::Dark));
            painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()),
                             colours.color(QPalette::Dark));
        }
    } else if (row == row_ && (row_select_ || col == col_)) {
        painter.fillRect(rect, colours.color(QPalette::Highlight));
        text = colours.color(QPalette::HighlightedText);
    } else {
        painter.fillRect(rect, color_);
    }
    const QString& shown = cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)].shown;
    if (shown.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect);
    painter.setPen(text);
    painter.drawText(rect.adjusted(kTextIndent, kTextIndent, 0, 0),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    painter.restore();
}
