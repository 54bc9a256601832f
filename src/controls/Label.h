// The text label of the screens (entry titles and facts, captions, the music strip's text), the
// font record that labels and text grids are given, and the window system's colour values.
//
// Texts are raw bytes in the disc's code page; a control shows them decoded through the code
// page of its font's character set.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>

#include "controls/ControlHint.h"
#include "disc/CodePages.h"

class QMouseEvent;
class QPaintEvent;
class QPainter;
class QTextLayout;

// A font as the screens describe one.
struct TFont {
    QString name = QStringLiteral("Tahoma");
    // In the window system's convention: negative, the character height in pixels (-11 is an
    // 11-pixel font); positive, the height of the character cell, internal leading included;
    // 0, the face's default size.
    int height = -11;
    bool bold = false;
    QColor color = Qt::black;
    // The character set the shown texts are written in; a new record takes the active
    // language's, as every font of the program does.
    std::uint8_t charset = current_charset;
};

// The Qt font for a font record: the face with DejaVu Sans as fallback, the pixel size from the
// height (at most 1000 pixels), bold or normal.
QFont MakeQFont(const TFont& font);

// How high a line of text is in a font record's font, measured as the window system the skin was
// made for measures it: by the face's Windows ascent and descent (usWinAscent and usWinDescent of
// its OS/2 table), each scaled to the font's size and rounded. For Tahoma a height of -11 gives
// 11 + 2 = 13 pixels a line, -20 gives 20 + 4 = 24. The skins' layouts are reckoned in these
// lines; the face's typographic metrics, which Qt goes by, are smaller. A face without the table
// is measured by its typographic metrics.
struct LineMetrics {
    int ascent = 0;   // from the top of a line to its baseline
    int descent = 0;  // from the baseline to the bottom of the line
    // How high a line is, and how far apart the lines of a text are.
    int Height() const { return ascent + descent; }
};
LineMetrics MeasureLines(const TFont& font);

// The font of a form laid out in 8 points on the window system the skin was made for (96 dots per
// inch): 11 of the skin's pixels high, whatever the screen's font resolution, so that the text
// keeps the size the form's layout was made for at every scale.
QFont FormFont(const QString& family);

// A colour given as the window system's colour value: 0x00BBGGRR for a plain colour (13689318
// is RGB 230, 225, 208); a negative value (high bit set) names a system colour by its low byte,
// taken from the classic desktop scheme (0x80000008, window text, is black).
QColor ColorFromValue(std::int32_t value);

// A label that sizes itself to its text and draws only the text, at its top left corner, over
// whatever lies beneath it (no background).
//
// Lines are as high and as far apart as MeasureLines says, each drawn on its baseline.
// Without word wrap the label is as wide as the widest line of its text and as high as its
// lines (a line feed starts a new line). With word wrap it keeps the width it is given and is as
// high as the text wrapped at word boundaries within that width; a word longer than the width
// is not broken (it is clipped). An empty text measures as a single space: one line high, and
// a space wide without word wrap. Tabs expand. A carriage return, alone or before a line feed,
// ends a line like a line feed.
//
// Every change of text, font or word wrap re-sizes the label at once, and so does a change of
// width through SetWidth for a word-wrapped label: the new height can be read right after. A
// label without word wrap keeps a width given through SetWidth (clipping its text) until its
// text, font or word wrap changes.
class TLabel : public QWidget, public ControlHint {
public:
    explicit TLabel(QWidget* parent);

    // The text as bytes of the disc's code page, and as shown.
    const std::string& Text() const { return text_; }
    void SetText(const std::string& bytes);
    const QString& ShownText() const { return shown_; }

    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);

    bool WordWrap() const { return word_wrap_; }
    void SetWordWrap(bool on);

    void SetWidth(int width);

    // The hint (ControlHint) is read in the font's character set, like the text.

    // Raised by a left press on the label followed by a left release inside it. A double click
    // is one click: the second press does not count again.
    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Draws the text as the label shows it, in the painter's pen, moved by `offset`.
    void DrawText(QPainter& painter, QPointF offset) const;

private:
    // Lays the shown text out in `layout` as the label shows it; returns the size it takes.
    QSize LayOut(QTextLayout& layout) const;
    void Decode();
    void Fit();

    std::string text_;
    QString shown_;
    TFont font_;
    QFont qfont_;
    LineMetrics lines_;
    bool word_wrap_ = false;
    bool clicked_ = false;
};
