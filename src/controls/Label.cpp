#include "controls/Label.h"

#include <QByteArray>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>

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

// What the window system measures a face by, in the face's design units: its Windows ascent and
// descent (usWinAscent and usWinDescent of the OS/2 table) and its units per em (head table).
struct FaceMetrics {
    double win_ascent = 0;
    double win_descent = 0;
    double units_per_em = 0;
    double Cell() const { return win_ascent + win_descent; }
};

// The metrics of the face `font` is drawn in; none when the face lacks the tables or they are
// too short or hold zeros.
std::optional<FaceMetrics> ReadFaceMetrics(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid())
        return std::nullopt;
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray head = raw.fontTable("head");
    // Big-endian fields: usWinAscent at 74 and usWinDescent at 76 of OS/2, unitsPerEm at 18 of
    // head.
    const auto field = [](const QByteArray& table, qsizetype at) {
        return static_cast<double>(qFromBigEndian<quint16>(table.constData() + at));
    };
    if (os2.size() < 78 || head.size() < 20)
        return std::nullopt;
    FaceMetrics face{field(os2, 74), field(os2, 76), field(head, 18)};
    if (face.units_per_em <= 0 || face.Cell() <= 0)
        return std::nullopt;
    return face;
}

int Rounded(double value)
{
    return static_cast<int>(std::lround(value));
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
    if (const std::optional<FaceMetrics> metrics = ReadFaceMetrics(probe))
        return ClampPixels(std::llround(cell * metrics->units_per_em / metrics->Cell()));
    const QFontMetricsF metrics(probe);
    const qreal measured = metrics.ascent() + metrics.descent();
    if (measured <= 0)
        return cell;
    return ClampPixels(std::llround(cell * cell / measured));
}

// The lines of `font`, made from a record of `height` by MakeQFont.
LineMetrics MeasureLines(const QFont& font, int height)
{
    LineMetrics lines;
    if (const std::optional<FaceMetrics> face = ReadFaceMetrics(font)) {
        // A cell height is the line's height; a character height is the em, which the face's
        // ascent and descent are measured against.
        const int em = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
        const double scale =
            height > 0 ? ClampPixels(height) / face->Cell() : em / face->units_per_em;
        lines.ascent = Rounded(face->win_ascent * scale);
        lines.descent = Rounded(face->win_descent * scale);
    } else {
        const QFontMetricsF metrics(font);
        lines.ascent = Rounded(metrics.ascent());
        lines.descent = Rounded(metrics.descent());
    }
    // However small the font, the lines of a text do not fall on each other.
    if (lines.Height() <= 0)
        lines.descent = 1 - lines.ascent;
    return lines;
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

LineMetrics MeasureLines(const TFont& font)
{
    return MeasureLines(MakeQFont(font), font.height);
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
    lines_ = MeasureLines(qfont_, font_.height);
    setFont(qfont_);
    Decode();
    Fit();
    if (parent != nullptr && parent->isVisible())
        show();
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
    lines_ = MeasureLines(qfont_, font_.height);
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

QSize TLabel::LayOut(QTextLayout& layout) const
{
    // An empty text is laid out as one space: a line high.
    QString text = shown_.isEmpty() ? QStringLiteral(" ") : shown_;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout.setText(text);
    layout.setFont(qfont_);
    QTextOption option(Qt::AlignLeft);
    // Without word wrap a line ends only where the text ends one, and spaces at its end count.
    option.setWrapMode(word_wrap_ ? QTextOption::WordWrap : QTextOption::ManualWrap);
    if (!word_wrap_)
        option.setFlags(QTextOption::IncludeTrailingSpaces);
    // Tabs stop every eight widths of an x, in whole pixels.
    const qreal x_width = QFontMetricsF(qfont_).horizontalAdvance(QLatin1Char('x'));
    option.setTabStopDistance(std::round(8 * x_width));
    layout.setTextOption(option);

    const qreal line_width = word_wrap_ ? std::max(width(), 0) : kUnbounded;
    qreal widest = 0;
    int top = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(line_width);
        // The baseline lies the font's ascent below the line's top, whatever ascent the glyphs
        // the line was shaped with have.
        line.setPosition(QPointF(0, top + lines_.ascent - line.ascent()));
        widest = std::max(widest, line.naturalTextWidth());
        top += lines_.Height();
    }
    layout.endLayout();
    return QSize(static_cast<int>(std::ceil(widest)), top);
}

void TLabel::Fit()
{
    QTextLayout layout;
    const QSize size = LayOut(layout);
    if (word_wrap_)
        resize(width(), size.height());
    else if (shown_.isEmpty())
        resize(QFontMetrics(qfont_).horizontalAdvance(QLatin1Char(' ')), size.height());
    else
        resize(size);
}

void TLabel::DrawText(QPainter& painter, QPointF offset) const
{
    QTextLayout layout;
    LayOut(layout);
    layout.draw(&painter, offset);
}

void TLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(font_.color);
    DrawText(painter, QPointF(0, 0));
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
