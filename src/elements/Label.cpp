#include "elements/Label.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "platform/DiscText.h"

namespace {

// The largest character height a font is given, in pixels: far beyond anything the menu's
// screens show, and small enough that a mistaken height in a script costs no great memory.
constexpr std::int64_t kMaxPixelSize = 1000;

// Room for a text measured or drawn without a bound on its width or height.
constexpr int kUnbounded = 1 << 20;

// The system colours of the classic desktop scheme, by index (scroll bar, desktop, active
// caption, ..., window 5, window text 8, highlight 13, highlighted text 14, button face 15, ...).
constexpr QRgb kSystemColours[] = {
    0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x0A246A, 0xFFFFFF, 0xD4D0C8,
    0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF, 0x404040, 0xD4D0C8, 0x000000,
    0xFFFFE1, 0x000000, 0x000080, 0xA6CAF0, 0xC0C0C0,
};

int ClampPixels(std::int64_t pixels)
{
    return static_cast<int>(std::clamp<std::int64_t>(pixels, 1, kMaxPixelSize));
}

// The pixel size (character height) of a font for a height in the window system's convention;
// 0 for the face's default size.
int PixelSize(const QFont& face, int height)
{
    if (height < 0)
        return ClampPixels(-std::int64_t{height});
    if (height == 0)
        return 0;
    // A cell height: the character height is the part of it that is not internal leading, in the
    // proportion the face has.
    const int cell = ClampPixels(height);
    QFont probe(face);
    probe.setPixelSize(cell);
    const QFontMetricsF metrics(probe);
    const qreal measured = metrics.ascent() + metrics.descent();
    if (measured <= 0)
        return cell;
    return ClampPixels(std::llround(cell * cell / measured));
}

bool InsideRect(const QWidget& widget, const QPointF& pos)
{
    return pos.x() >= 0 && pos.y() >= 0 && pos.x() < widget.width() && pos.y() < widget.height();
}

}  // namespace

QFont MakeQFont(const TFont& font)
{
    QFont result;
    result.setFamilies(QStringList{font.name, QStringLiteral("DejaVu Sans")});
    result.setBold(font.bold);
    const int pixels = PixelSize(result, font.height);
    if (pixels > 0)
        result.setPixelSize(pixels);
    return result;
}

QFont FormFont(const QString& family)
{
    QFont font(family);
    font.setPixelSize(11);
    return font;
}

QColor ColorFromValue(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    if (value < 0) {
        const std::size_t index = bits & 0xFFu;
        return index < std::size(kSystemColours) ? QColor(kSystemColours[index])
                                                 : QColor(Qt::black);
    }
    return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                  static_cast<int>((bits >> 16) & 0xFFu));
}

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(QWidget* parent) : QWidget(parent), ControlHint(static_cast<QWidget&>(*this))
{
    SetHintCharset(font_.charset);
    qfont_ = MakeQFont(font_);
    setFont(qfont_);
    Decode();
    Fit();
    if (parent != nullptr && parent->isVisible())
        show();
}

int TLabel::TextFlags() const
{
    return Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | (word_wrap_ ? Qt::TextWordWrap : 0);
}

void TLabel::SetText(const std::string& bytes)
{
    text_ = bytes;
    Decode();
    Fit();
    update();
}

void TLabel::SetFont(const TFont& font)
{
    font_ = font;
    qfont_ = MakeQFont(font_);
    setFont(qfont_);
    Decode();
    SetHintCharset(font_.charset);
    Fit();
    update();
}

void TLabel::SetWordWrap(bool on)
{
    word_wrap_ = on;
    Fit();
    update();
}

void TLabel::SetWidth(int width)
{
    resize(std::max(width, 0), height());
    if (word_wrap_)
        Fit();
    update();
}

void TLabel::Decode()
{
    shown_ = DiscText(text_, font_.charset);
    // Lines end with a line feed, a carriage return or both, as the texts were written.
    shown_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown_.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

void TLabel::Fit()
{
    const QFontMetrics metrics(qfont_);
    // An empty text is measured as one space: a line high, a space wide.
    const QString measured = shown_.isEmpty() ? QStringLiteral(" ") : shown_;
    if (word_wrap_) {
        const QRect bounds =
            metrics.boundingRect(QRect(0, 0, width(), kUnbounded), TextFlags(), measured);
        resize(width(), bounds.height());
        return;
    }
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, kUnbounded, kUnbounded), TextFlags(), measured);
    const int text_width = shown_.isEmpty() ? metrics.horizontalAdvance(QLatin1Char(' '))
                                            : bounds.width();
    resize(text_width, bounds.height());
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(qfont_);
    painter.setPen(font_.color);
    // The same rectangle and flags as Fit measures with.
    painter.drawText(QRect(0, 0, word_wrap_ ? width() : kUnbounded, kUnbounded), TextFlags(),
                     shown_);
}

void TLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        clicked_ = true;
}

void TLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click: the first press and its release were the click.
    event->accept();
}

void TLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = clicked_ && InsideRect(*this, event->position());
    clicked_ = false;
    if (!click || !OnClick)
        return;
    // The handler may replace OnClick or destroy the label: call a copy.
    const TNotifyEvent handler = OnClick;
    handler(this);
}
