// The coloured push button of the skinned options window: a push button that draws its whole
// face itself, filled with a settable colour, so that it matches the window's background. Apart
// from the colour it behaves like a bitmap button: a kind that presets the default, cancel and
// modal-result settings and a stock glyph, a glyph strip of up to four images, and a layout of
// glyph and caption.
#pragma once

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <QRect>

class QMouseEvent;
class QPaintEvent;
class QPainter;
class QShortcut;

enum TBitBtnWithColorKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll,
};

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

class TBitBtnWithColor : public QPushButton {
public:
    explicit TBitBtnWithColor(QWidget* parent = nullptr);
    ~TBitBtnWithColor() override;
    TBitBtnWithColor(const TBitBtnWithColor&) = delete;
    TBitBtnWithColor& operator=(const TBitBtnWithColor&) = delete;

    // The fill of the face and the background of the glyph; the system button-face colour at
    // first.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    // The kind chosen last, or bkCustom once Default, Cancel, ModalResult or the glyph no longer
    // match its preset. Choosing a kind other than bkCustom sets those three and takes the
    // kind's stock glyph (two images); the caption is left as it is. bkCustom changes nothing.
    TBitBtnWithColorKind Kind() const;
    void SetKind(TBitBtnWithColorKind kind);

    // A strip of NumGlyphs equal images side by side: up, disabled, down, exclusive. The colour
    // of the strip's bottom-left pixel is transparent.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);

    // 1 to 4; larger values are stored as 4, smaller ones as 1.
    int NumGlyphs() const { return num_glyphs_; }
    void SetNumGlyphs(int count);

    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);

    // Pixels between the glyph and the edge named by Layout; -1 centres glyph and caption
    // together. Values below -1 are refused: the margin stays as it was.
    int Margin() const { return margin_; }
    void SetMargin(int margin);

    // Pixels between glyph and caption; -1 spreads them evenly.
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);

    // Kept for the windows that set it; every style draws the same.
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle style) { style_ = style; }

    // The default button of its window (the one Enter presses when no other button has the
    // focus).
    bool Default() const { return isDefault(); }
    void SetDefault(bool on);

    // A cancel button is clicked by Escape in its window.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on);

    // A click on a button with a non-zero modal result ends the dialog holding it with that
    // result, once the click's handlers have run.
    int ModalResult() const { return modal_result_; }
    void SetModalResult(int result) { modal_result_ = result; }

    // The stock glyph strip of a kind (null for bkCustom).
    static QImage StockGlyph(TBitBtnWithColorKind kind);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QMetaObject::Connection focus_watch_;
    enum class GlyphState { Up, Disabled, Down };

    void Clicked();
    bool IsActive() const;
    QImage GlyphImage(GlyphState state) const;
    void DrawGlyphAndCaption(QPainter& painter, const QRect& client, GlyphState state) const;

    QColor color_;
    QImage glyph_;
    TBitBtnWithColorKind kind_ = bkCustom;
    TButtonStyle style_ = bsAutoDetect;
    TButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
    int margin_ = -1;
    int num_glyphs_ = 1;
    bool cancel_ = false;
    int modal_result_ = 0;
    QShortcut* escape_ = nullptr;
};
