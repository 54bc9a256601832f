#include "demo/DemoPaint.h"

#include <cmath>
#include <random>

namespace {

QString g_family = QStringLiteral("DejaVu Sans");

}  // namespace

QString SkinFamily()
{
    return g_family;
}

void SetSkinFamily(const QString& family)
{
    g_family = family;
}

QFont SkinFont(int pixels, bool bold)
{
    QFont font(g_family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

QImage Blank(int w, int h, QColor fill)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QLinearGradient Vertical(double top, double bottom, QColor a, QColor b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

void ShadowText(QPainter& p, const QRectF& box, int flags, const QString& text, QColor colour,
                QColor shadow)
{
    p.setPen(shadow);
    p.drawText(box.translated(1, 1), flags, text);
    p.setPen(colour);
    p.drawText(box, flags, text);
}

QPolygonF StarPolygon(QPointF centre, double outer, double inner)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double r = i % 2 == 0 ? outer : inner;
        star << QPointF(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
    }
    return star;
}

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, QColor colour)
{
    const QPointF c = box.center();
    const double s = std::min(box.width(), box.height());
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    switch (glyph) {
    case Glyph::None:
        break;
    case Glyph::Star:
        p.drawPolygon(StarPolygon(c, s * 0.5, s * 0.21));
        break;
    case Glyph::Gear:
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(c);
            p.rotate(i * 45.0);
            p.drawRect(QRectF(-s * 0.09, -s * 0.5, s * 0.18, s * 0.25));
            p.restore();
        }
        p.drawEllipse(c, s * 0.34, s * 0.34);
        p.setBrush(colour.darker(250));
        p.drawEllipse(c, s * 0.13, s * 0.13);
        break;
    case Glyph::Note: {
        const double x = box.left() + s * 0.2;
        p.drawEllipse(QPointF(x + s * 0.12, box.top() + s * 0.8), s * 0.16, s * 0.12);
        p.drawEllipse(QPointF(x + s * 0.58, box.top() + s * 0.7), s * 0.16, s * 0.12);
        p.drawRect(QRectF(x + s * 0.24, box.top() + s * 0.15, s * 0.07, s * 0.65));
        p.drawRect(QRectF(x + s * 0.7, box.top() + s * 0.05, s * 0.07, s * 0.65));
        QPolygonF beam;
        beam << QPointF(x + s * 0.24, box.top() + s * 0.15) << QPointF(x + s * 0.77, box.top() + s * 0.05)
             << QPointF(x + s * 0.77, box.top() + s * 0.2) << QPointF(x + s * 0.24, box.top() + s * 0.3);
        p.drawPolygon(beam);
        break;
    }
    case Glyph::Globe:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour, s * 0.09));
        p.drawEllipse(c, s * 0.42, s * 0.42);
        p.drawEllipse(c, s * 0.18, s * 0.42);
        p.drawLine(QPointF(c.x() - s * 0.42, c.y()), QPointF(c.x() + s * 0.42, c.y()));
        break;
    case Glyph::Prev:
    case Glyph::Next: {
        const double dir = glyph == Glyph::Next ? 1 : -1;
        for (int k = 0; k < 2; ++k) {
            const double ox = c.x() + dir * (k == 0 ? -s * 0.22 : s * 0.18);
            QPolygonF t;
            t << QPointF(ox - dir * s * 0.22, c.y() - s * 0.32) << QPointF(ox + dir * s * 0.2, c.y())
              << QPointF(ox - dir * s * 0.22, c.y() + s * 0.32);
            p.drawPolygon(t);
        }
        break;
    }
    case Glyph::Play: {
        QPolygonF t;
        t << QPointF(c.x() - s * 0.28, c.y() - s * 0.38) << QPointF(c.x() + s * 0.38, c.y())
          << QPointF(c.x() - s * 0.28, c.y() + s * 0.38);
        p.drawPolygon(t);
        break;
    }
    case Glyph::Pause:
        p.drawRect(QRectF(c.x() - s * 0.3, c.y() - s * 0.35, s * 0.2, s * 0.7));
        p.drawRect(QRectF(c.x() + s * 0.1, c.y() - s * 0.35, s * 0.2, s * 0.7));
        break;
    case Glyph::Stop:
        p.drawRoundedRect(QRectF(c.x() - s * 0.32, c.y() - s * 0.32, s * 0.64, s * 0.64), 2, 2);
        break;
    case Glyph::Options:
        for (int i = 0; i < 3; ++i) {
            const double y = c.y() - s * 0.3 + i * s * 0.3;
            p.drawRect(QRectF(c.x() - s * 0.4, y - s * 0.04, s * 0.8, s * 0.08));
            p.drawEllipse(QPointF(c.x() + (i - 1) * s * 0.22, y), s * 0.11, s * 0.11);
        }
        break;
    case Glyph::Setup: {
        QPolygonF arrow;
        arrow << QPointF(c.x() - s * 0.12, c.y() - s * 0.45) << QPointF(c.x() + s * 0.12, c.y() - s * 0.45)
              << QPointF(c.x() + s * 0.12, c.y() - s * 0.05) << QPointF(c.x() + s * 0.3, c.y() - s * 0.05)
              << QPointF(c.x(), c.y() + s * 0.28) << QPointF(c.x() - s * 0.3, c.y() - s * 0.05)
              << QPointF(c.x() - s * 0.12, c.y() - s * 0.05);
        p.drawPolygon(arrow);
        p.drawRect(QRectF(c.x() - s * 0.4, c.y() + s * 0.34, s * 0.8, s * 0.1));
        break;
    }
    case Glyph::Minimise:
        p.drawRect(QRectF(c.x() - s * 0.3, c.y() + s * 0.15, s * 0.6, s * 0.14));
        break;
    case Glyph::Close:
        p.setPen(QPen(colour, s * 0.16, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() - s * 0.26, c.y() - s * 0.26), QPointF(c.x() + s * 0.26, c.y() + s * 0.26));
        p.drawLine(QPointF(c.x() + s * 0.26, c.y() - s * 0.26), QPointF(c.x() - s * 0.26, c.y() + s * 0.26));
        break;
    }
    p.restore();
}

// A sunken rounded frame with a cream face (the catalogue and the banner groove).
void Weave(QPainter& p, const QRectF& r, int alpha)
{
    p.save();
    p.setClipRect(r);
    p.setPen(QPen(QColor(255, 255, 255, alpha), 1));
    for (double x = r.left() - r.height(); x < r.right(); x += 6)
        p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    p.restore();
}

void Stars(QPainter& p, const QRectF& r, int count, unsigned seed, bool wrap)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(r.left(), r.right());
    std::uniform_real_distribution<double> uy(r.top(), r.bottom());
    std::uniform_real_distribution<double> size(0.4, 1.6);
    std::uniform_int_distribution<int> bright(120, 255);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const double x = ux(rng);
        const double y = uy(rng);
        const double d = size(rng);
        const int b = bright(rng);
        p.setBrush(QColor(b, b, std::min(255, b + 30)));
        for (int dx = wrap ? -1 : 0; dx <= (wrap ? 1 : 0); ++dx)
            for (int dy = wrap ? -1 : 0; dy <= (wrap ? 1 : 0); ++dy)
                p.drawEllipse(QPointF(x + dx * r.width(), y + dy * r.height()), d, d);
    }
    p.restore();
}
