// The coloured push button, drawn offscreen and read back pixel by pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QTimer>
#include <QtTest/QTest>

#include <functional>

#include "support/WidgetTestSupport.h"
#include "controls/Label.h"
#include "windows/Buttonwithcolor.h"

namespace {

const QColor kFace = ColorFromValue(10137246);
const QRgb kMagenta = 0xFFFF00FFu;
const QRgb kRed = 0xFFFF0000u;

QFont CrispFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// A button of the options window's look: face colour 10137246, no glyph, crisp caption.
void Dress(TBitBtnWithColor& button, const QString& caption, QSize size = QSize(100, 30))
{
    button.resize(size);
    button.setFont(CrispFont());
    button.setText(caption);
    button.SetColor(kFace);
}

QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The bounds of the pixels inside area that satisfy test; null when there are none.
QRect Bounds(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixel(x, y) | 0xFF000000u))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QRect InkBounds(const QImage& image, const QRect& area)
{
    return Bounds(image, area, [](QRgb c) { return c != Rgb(kFace); });
}

QRect ColourBounds(const QImage& image, const QRect& area, QRgb colour)
{
    return Bounds(image, area, [colour](QRgb c) { return c == (colour | 0xFF000000u); });
}

// A 10 x 10 red glyph whose bottom-left pixel (the transparent colour) and centre are magenta.
QImage RedGlyph(int images = 1)
{
    QImage glyph(10 * images, 10, QImage::Format_RGB32);
    glyph.fill(Qt::red);
    glyph.setPixel(0, 9, kMagenta);
    glyph.setPixel(5, 5, kMagenta);
    return glyph;
}

}  // namespace

TEST(BitBtnWithColorLook, OptionsWindowButtonShowsColouredFaceRaisedEdgeAndCentredCaption)
{
    TBitBtnWithColor button;
    Dress(button, QStringLiteral("Cancel"));
    EXPECT_EQ(Rgb(kFace), qRgb(158, 174, 154));
    const QImage plain = Grab(button);

    // The raised edge, then the face.
    EXPECT_EQ(plain.pixel(0, 0), qRgb(0xD4, 0xD0, 0xC8));
    EXPECT_EQ(plain.pixel(99, 29), qRgb(0x40, 0x40, 0x40));
    EXPECT_EQ(plain.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(plain.pixel(98, 28), qRgb(128, 128, 128));
    EXPECT_EQ(plain.pixel(2, 2), Rgb(kFace));
    EXPECT_EQ(plain.pixel(97, 27), Rgb(kFace));

    // Only the caption is inked on the face, centred.
    const QRect ink = InkBounds(plain, QRect(2, 2, 96, 26));
    ASSERT_FALSE(ink.isNull());
    EXPECT_EQ(ColourBounds(plain, QRect(2, 2, 96, 26), qRgb(0, 0, 0)), ink);
    EXPECT_NEAR(ink.center().x(), 50, 2);
    EXPECT_NEAR(ink.center().y(), 15, 2);

    // The Cancel button's bottom layout and two images change nothing without a glyph.
    button.SetLayout(blGlyphBottom);
    button.SetNumGlyphs(2);
    EXPECT_EQ(Grab(button), plain);

    // Pressed: a grey outline instead of the edge, the caption one pixel right and down.
    button.setDown(true);
    const QImage pressed = Grab(button);
    EXPECT_EQ(pressed.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(pressed.pixel(1, 1), Rgb(kFace));
    EXPECT_EQ(InkBounds(pressed, QRect(1, 1, 98, 28)), ink.translated(1, 1));
    button.setDown(false);

    // Disabled: the caption in white one pixel right and down, then in grey in its place.
    button.setEnabled(false);
    const QImage disabled = Grab(button);
    const QRect face(3, 3, 94, 24);
    const QRect grey = ColourBounds(disabled, face, qRgb(128, 128, 128));
    const QRect white = ColourBounds(disabled, face, qRgb(255, 255, 255));
    EXPECT_EQ(grey, ink);
    EXPECT_EQ(white.bottomRight(), ink.bottomRight() + QPoint(1, 1));
    EXPECT_TRUE(ColourBounds(disabled, face, qRgb(0, 0, 0)).isNull());
    EXPECT_EQ(InkBounds(disabled, face), grey.united(white));
}

TEST(BitBtnWithColorLook, ActiveDefaultButtonHasFrameAndFocusRectangle)
{
    TBitBtnWithColor button;
    Dress(button, QString());
    button.SetDefault(true);
    const QImage image = Grab(button);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0xD4, 0xD0, 0xC8));
    const QRgb face = Rgb(kFace);
    EXPECT_EQ(image.pixel(4, 4), qRgb(255 - qRed(face), 255 - qGreen(face), 255 - qBlue(face)));
    EXPECT_EQ(image.pixel(5, 4), face);
    EXPECT_EQ(image.pixel(5, 5), face);
}

TEST(BitBtnWithColorLook, GlyphStandsWhereLayoutMarginAndSpacingPutIt)
{
    // Inside the edge and the outline the face is 94 x 54 pixels from (3, 3).
    TBitBtnWithColor button;
    Dress(button, QString(), QSize(100, 60));
    button.SetGlyph(RedGlyph());
    const QRect face(2, 2, 96, 56);
    auto glyph_at = [&] { return ColourBounds(Grab(button), face, kRed).topLeft(); };

    EXPECT_EQ(glyph_at(), QPoint(45, 25));  // centred
    button.SetMargin(5);
    EXPECT_EQ(glyph_at(), QPoint(8, 25));
    button.SetLayout(blGlyphRight);
    EXPECT_EQ(glyph_at(), QPoint(82, 25));
    button.SetLayout(blGlyphTop);
    EXPECT_EQ(glyph_at(), QPoint(45, 8));
    button.SetLayout(blGlyphBottom);
    EXPECT_EQ(glyph_at(), QPoint(45, 42));

    // The bottom-left colour is transparent wherever it stands in the glyph.
    const QImage image = Grab(button);
    EXPECT_EQ(image.pixel(45 + 5, 42 + 5), Rgb(kFace));
    EXPECT_EQ(image.pixel(45, 42 + 9), Rgb(kFace));
    EXPECT_EQ(image.pixel(45 + 1, 42 + 9), kRed);

    // With a caption: the caption follows the glyph after Spacing pixels.
    button.setText(QStringLiteral("Ab"));
    const QSize text = QFontMetrics(CrispFont()).size(Qt::TextSingleLine, QStringLiteral("Ab"));
    button.SetLayout(blGlyphLeft);
    QImage drawn = Grab(button);
    EXPECT_EQ(ColourBounds(drawn, face, kRed).topLeft(), QPoint(8, 25));
    QRect caption = ColourBounds(drawn, face, qRgb(0, 0, 0));
    EXPECT_GE(caption.left(), 8 + 10 + 4);
    EXPECT_LE(caption.left(), 8 + 10 + 4 + 2);

    button.SetLayout(blGlyphRight);
    drawn = Grab(button);
    caption = ColourBounds(drawn, face, qRgb(0, 0, 0));
    EXPECT_LE(caption.right(), 82 - 4 - 1);
    EXPECT_GE(caption.right(), 82 - 4 - 3);

    // Margin and spacing -1 spread glyph and caption with three equal gaps.
    button.SetMargin(-1);
    button.SetSpacing(-1);
    button.SetLayout(blGlyphTop);
    const int gap = (54 - 10 - text.height()) / 3;
    drawn = Grab(button);
    EXPECT_EQ(ColourBounds(drawn, face, kRed).topLeft(), QPoint(45, 3 + gap));
    caption = ColourBounds(drawn, face, qRgb(0, 0, 0));
    EXPECT_GE(caption.top(), 3 + gap + 10 + gap);
    EXPECT_LT(caption.bottom(), 3 + gap + 10 + gap + text.height());

    // Margin set and spacing -1: the caption is centred in the room after the glyph.
    button.SetMargin(0);
    button.SetLayout(blGlyphLeft);
    drawn = Grab(button);
    caption = ColourBounds(drawn, face, qRgb(0, 0, 0));
    const int text_left = 3 + 10 + (94 - 10 - text.width()) / 2;
    EXPECT_GE(caption.left(), text_left);
    EXPECT_LE(caption.left(), text_left + 2);
}

TEST(BitBtnWithColorLook, DisabledGlyphIsEmbossedUnlessTheStripHasOne)
{
    TBitBtnWithColor button;
    Dress(button, QString());
    QImage glyph(10, 10, QImage::Format_RGB32);
    glyph.fill(kMagenta);
    for (int y = 3; y < 7; ++y)
        for (int x = 3; x < 7; ++x)
            glyph.setPixel(x, y, kRed);
    button.SetGlyph(glyph);
    button.setEnabled(false);
    const QPoint at(45, 10);  // the centred 10 x 10 glyph
    QImage image = Grab(button);
    EXPECT_EQ(image.pixel(at + QPoint(3, 3)), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(at + QPoint(6, 6)), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(at + QPoint(7, 7)), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(at + QPoint(7, 4)), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(at + QPoint(7, 3)), Rgb(kFace));
    EXPECT_TRUE(ColourBounds(image, QRect(3, 3, 94, 24), kRed).isNull());

    // A strip of two: the second image is the disabled one.
    QImage strip(20, 10, QImage::Format_RGB32);
    strip.fill(kMagenta);
    for (int y = 2; y < 8; ++y)
        for (int x = 12; x < 18; ++x)
            strip.setPixel(x, y, qRgb(0, 0, 255));
    button.SetGlyph(strip);
    button.SetNumGlyphs(2);
    image = Grab(button);
    EXPECT_EQ(ColourBounds(image, QRect(3, 3, 94, 24), qRgb(0, 0, 255)),
              QRect(at + QPoint(2, 2), QSize(6, 6)));
}

TEST(BitBtnWithColorProperties, DefaultsAndRefusedValues)
{
    TBitBtnWithColor button;
    EXPECT_EQ(button.Color(), QColor(0xD4, 0xD0, 0xC8));
    EXPECT_EQ(button.Kind(), bkCustom);
    EXPECT_EQ(button.NumGlyphs(), 1);
    EXPECT_EQ(button.Layout(), blGlyphLeft);
    EXPECT_EQ(button.Margin(), -1);
    EXPECT_EQ(button.Spacing(), 4);
    EXPECT_EQ(button.Style(), bsAutoDetect);
    EXPECT_FALSE(button.Default());
    EXPECT_FALSE(button.Cancel());
    EXPECT_EQ(button.ModalResult(), 0);

    button.SetNumGlyphs(5);
    EXPECT_EQ(button.NumGlyphs(), 4);
    button.SetNumGlyphs(0);
    EXPECT_EQ(button.NumGlyphs(), 1);

    button.SetMargin(3);
    button.SetMargin(-2);
    EXPECT_EQ(button.Margin(), 3);
    button.SetMargin(-1);
    EXPECT_EQ(button.Margin(), -1);
}

TEST(BitBtnWithColorProperties, KindPresetsHoldUntilASettingDeparts)
{
    TBitBtnWithColor button;
    button.setText(QStringLiteral("Go"));
    button.SetKind(bkOK);
    EXPECT_EQ(button.Kind(), bkOK);
    EXPECT_TRUE(button.Default());
    EXPECT_FALSE(button.Cancel());
    EXPECT_EQ(button.ModalResult(), 1);
    EXPECT_EQ(button.NumGlyphs(), 2);
    EXPECT_EQ(button.Glyph(), TBitBtnWithColor::StockGlyph(bkOK));
    EXPECT_EQ(button.text(), QStringLiteral("Go"));

    button.SetKind(bkCancel);
    EXPECT_EQ(button.Kind(), bkCancel);
    EXPECT_FALSE(button.Default());
    EXPECT_TRUE(button.Cancel());
    EXPECT_EQ(button.ModalResult(), 2);
    button.SetModalResult(0);
    EXPECT_EQ(button.Kind(), bkCustom);

    button.SetKind(bkNo);
    EXPECT_EQ(button.ModalResult(), 7);
    button.SetDefault(true);
    EXPECT_EQ(button.Kind(), bkCustom);

    button.SetKind(bkYes);
    button.SetGlyph(RedGlyph());
    EXPECT_EQ(button.Kind(), bkCustom);

    button.SetKind(bkAll);
    button.SetCancel(true);
    EXPECT_EQ(button.Kind(), bkCustom);

    // bkCustom keeps every setting.
    button.SetKind(bkRetry);
    button.SetKind(bkCustom);
    EXPECT_EQ(button.ModalResult(), 4);
    EXPECT_EQ(button.Glyph(), TBitBtnWithColor::StockGlyph(bkRetry));

    // Every stock glyph is two distinct 18 x 18 images on a transparent bottom-left colour,
    // and no two kinds share one.
    for (int a = bkOK; a <= bkAll; ++a) {
        const QImage strip = TBitBtnWithColor::StockGlyph(static_cast<TBitBtnWithColorKind>(a));
        ASSERT_EQ(strip.size(), QSize(36, 18)) << a;
        EXPECT_NE(strip.copy(0, 0, 18, 18), strip.copy(18, 0, 18, 18)) << a;
        for (int b = a + 1; b <= bkAll; ++b)
            EXPECT_NE(strip, TBitBtnWithColor::StockGlyph(static_cast<TBitBtnWithColorKind>(b)))
                << a << " " << b;
    }
    EXPECT_TRUE(TBitBtnWithColor::StockGlyph(bkCustom).isNull());
}

TEST(BitBtnWithColorClick, ModalResultEndsTheDialogHoldingTheButton)
{
    QDialog dialog;
    auto* ok = new TBitBtnWithColor(&dialog);
    auto* plain = new TBitBtnWithColor(&dialog);
    ok->SetKind(bkOK);
    int handled = 0;
    bool visible_in_handler = false;
    QObject::connect(ok, &QAbstractButton::clicked, [&] {
        ++handled;
        visible_in_handler = dialog.isVisible();
    });
    bool still_open = false;
    QTimer::singleShot(0, plain, [&] {
        plain->click();  // modal result 0: the dialog goes on
        QTimer::singleShot(0, ok, [&] {
            still_open = dialog.isVisible();
            ok->click();
        });
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_TRUE(still_open);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(visible_in_handler);

    ok->SetModalResult(7);
    QTimer::singleShot(0, ok, [&] { ok->click(); });
    EXPECT_EQ(dialog.exec(), 7);

    // Escape clicks the cancel button, which ends the dialog with its own result.
    auto* cancel = new TBitBtnWithColor(&dialog);
    cancel->SetKind(bkCancel);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.exec(), 2);
}

TEST(BitBtnWithColorClick, CloseKindClosesItsWindowAndDoubleClickIsASecondPress)
{
    QWidget form;
    auto* close = new TBitBtnWithColor(&form);
    auto* other = new TBitBtnWithColor(&form);
    close->SetKind(bkClose);
    form.show();
    other->click();
    QApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    close->click();
    QApplication::processEvents();
    EXPECT_FALSE(form.isVisible());

    // A button on its own is its own window: the close kind clicks like any button.
    TBitBtnWithColor alone;
    alone.SetKind(bkClose);
    alone.resize(40, 20);
    int clicks = 0;
    QObject::connect(&alone, &QAbstractButton::clicked, [&] { ++clicks; });
    alone.show();
    SendPress(alone, QPoint(5, 5));
    SendRelease(alone, QPoint(5, 5));
    SendButton(alone, QEvent::MouseButtonDblClick, QPoint(5, 5));
    SendRelease(alone, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(alone.isVisible());
}
