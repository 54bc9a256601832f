// The demo disc's drawing kit, shared by its skin and its catalogue's pictures: the palette, the
// font, and the strokes both are drawn with.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include "demo/DemoSkin.h"

// The palette of the skin.
inline const QColor kDeep(0x0B, 0x24, 0x29);
inline const QColor kTeal(0x1F, 0x55, 0x60);
inline const QColor kTealLight(0x3C, 0x8C, 0x8F);
inline const QColor kAmber(0xF2, 0xB3, 0x3D);
inline const QColor kAmberLight(0xFF, 0xDF, 0x8A);
inline const QColor kCream(0xF4, 0xEF, 0xDF);
inline const QColor kBeige(0xE6, 0xE1, 0xD0);
inline const QColor kInk(0x1A, 0x1A, 0x1A);

// The family every caption is drawn in (DejaVu Sans until LoadSkinFonts finds Tahoma).
QString SkinFamily();
void SetSkinFamily(const QString& family);
QFont SkinFont(int pixels, bool bold);

QImage Blank(int w, int h, QColor fill = Qt::transparent);

// Paints with antialiasing on.
class Canvas : public QPainter {
public:
    explicit Canvas(QImage* image) : QPainter(image)
    {
        setRenderHint(QPainter::Antialiasing);
        setRenderHint(QPainter::TextAntialiasing);
        setRenderHint(QPainter::SmoothPixmapTransform);
    }
};

QLinearGradient Vertical(double top, double bottom, QColor a, QColor b);

// Text with a one-pixel shadow, aligned in `box`.
void ShadowText(QPainter& p, const QRectF& box, int flags, const QString& text, QColor colour, QColor shadow);

QPolygonF StarPolygon(QPointF centre, double outer, double inner);

// A glyph filling `box`, in `colour`.
void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, QColor colour);

// A faint diagonal weave over a whole picture.
void Weave(QPainter& p, const QRectF& r, int alpha);

// `count` stars scattered over `r` from `seed`; with `wrap`, drawn so that the picture tiles.
void Stars(QPainter& p, const QRectF& r, int count, unsigned seed, bool wrap = false);
