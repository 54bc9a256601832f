#include "demo/DemoSkin.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <random>

#include "demo/DemoPaint.h"

namespace {

void CreamFrame(QPainter& p, const QRectF& r, double radius)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRoundedRect(r.translated(2, 3), radius, radius);
    p.setBrush(Vertical(r.top(), r.bottom(), kCream, kBeige));
    p.setPen(QPen(kAmber, 1.5));
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(2, 2, -2, -2), radius - 2, radius - 2);
    p.restore();
}

}  // namespace

QString LoadSkinFonts()
{
    const int regular = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf"));
    if (regular >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(regular);
        if (!families.isEmpty())
            SetSkinFamily(families.front());
    }
    return SkinFamily();
}

QImage Background(const QString& title)
{
    QImage image = Blank(648, 511);
    Canvas p(&image);
    p.fillRect(image.rect(), Vertical(0, 511, QColor(0x17, 0x44, 0x4B), kDeep));
    Weave(p, QRectF(0, 27, 648, 484), 10);
    // Title strip: the window is dragged by it.
    p.fillRect(QRectF(0, 0, 648, 27), Vertical(0, 27, QColor(0x06, 0x16, 0x19), QColor(0x15, 0x3B, 0x42)));
    p.fillRect(QRectF(0, 26, 648, 1), kAmber);
    DrawGlyph(p, Glyph::Star, QRectF(6, 5, 16, 16), kAmber);
    p.setFont(SkinFont(13, true));
    ShadowText(p, QRectF(28, 0, 540, 26), Qt::AlignVCenter | Qt::AlignLeft, title, kAmberLight, Qt::black);
    // The catalogue frame, the control band and the banner groove.
    CreamFrame(p, QRectF(121, 70, 524, 317), 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(QRectF(121, 392, 524, 46), 6, 6);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawRoundedRect(QRectF(145, 443, 476, 66), 5, 5);
    p.setPen(QPen(QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(145.5, 443.5, 476, 66), 5, 5);
    return image;
}

QImage SidePanelBack(int w, int h, const QString& heading)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    p.fillRect(image.rect(), Vertical(0, h, QColor(0x12, 0x36, 0x3D), QColor(0x08, 0x1C, 0x20)));
    Weave(p, QRectF(0, 0, w, h), 8);
    p.fillRect(QRectF(w - 2, 0, 2, h), Vertical(0, h, kAmber, QColor(0x7A, 0x55, 0x10)));
    p.setFont(SkinFont(10, true));
    ShadowText(p, QRectF(0, 50, w - 2, 14), Qt::AlignCenter, heading.toUpper(), kTealLight.lighter(140), Qt::black);
    p.setPen(QPen(QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 140), 1));
    p.drawLine(QPointF(10, 66.5), QPointF(w - 12, 66.5));
    // The groove of the small banner.
    p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(QRectF(6.5, h - 118.5, w - 15, 106), 4, 4);
    return image;
}

QImage TopPanelBack(int w, int h)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    p.fillRect(image.rect(), Vertical(0, h, QColor(0x1A, 0x4A, 0x52), QColor(0x0D, 0x2B, 0x31)));
    Weave(p, QRectF(0, 0, w, h), 9);
    p.fillRect(QRectF(0, h - 2, w, 2), kAmber);
    return image;
}

QImage MusicPanelBack(int w, int h)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    p.fillRect(image.rect(), Vertical(0, h, QColor(0x23, 0x2C, 0x3A), QColor(0x0B, 0x10, 0x18)));
    p.setPen(QPen(kAmber, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 6, 6);
    for (int x = 8; x < w - 8; x += 4) {
        const double level = 3 + 5 * std::fabs(std::sin(x * 0.11) * std::cos(x * 0.037));
        p.fillRect(QRectF(x, h - 3 - level, 2, level), QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 50));
    }
    return image;
}

QImage ControlPlate(int w, int h)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    p.setPen(QPen(QColor(0, 0, 0, 160), 1));
    p.setBrush(Vertical(0, h, QColor(0x06, 0x18, 0x1B), QColor(0x1C, 0x46, 0x4E)));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 8, 8);
    p.setPen(QPen(QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 2.5, w - 5, h - 5), 6, 6);
    return image;
}

QImage MusicStrip(int w, int h)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    p.setPen(QPen(QColor(0x7A, 0x55, 0x10), 1.5));
    p.setBrush(Vertical(0, h, QColor(0xFF, 0xEE, 0xB8), QColor(0xE8, 0xC2, 0x6A)));
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 8, 8);
    p.setPen(QPen(QColor(0x7A, 0x55, 0x10, 50), 1));
    for (int x = 6; x < w - 6; x += 3)
        p.drawLine(QPointF(x, 4), QPointF(x, h - 4));
    return image;
}

QImage TabEmblem(int w, int h, Glyph glyph, const QString& text)
{
    QImage image = Blank(w, h, kBeige);
    Canvas p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(0, h, kTeal, kDeep));
    QPainterPath ribbon;
    ribbon.moveTo(0, 0);
    ribbon.lineTo(w, 0);
    ribbon.lineTo(w - h * 0.4, h / 2.0);
    ribbon.lineTo(w, h);
    ribbon.lineTo(0, h);
    ribbon.closeSubpath();
    p.drawPath(ribbon);
    p.fillRect(QRectF(0, 0, 4, h), kAmber);
    DrawGlyph(p, glyph, QRectF(10, 4, h - 8, h - 8), kAmber);
    p.setFont(SkinFont(13, true));
    ShadowText(p, QRectF(h + 8, 0, w - h - 20, h), Qt::AlignVCenter | Qt::AlignLeft, text, kCream, Qt::black);
    return image;
}

QImage Logo(int w, int h)
{
    QImage image = Blank(w, h, QColor(0x12, 0x36, 0x3D));
    Canvas p(&image);
    QRadialGradient glow(w / 2.0, h / 2.0, w / 1.6);
    glow.setColorAt(0, QColor(0x2E, 0x6E, 0x76));
    glow.setColorAt(1, QColor(0x12, 0x36, 0x3D));
    p.fillRect(image.rect(), glow);
    p.setFont(SkinFont(h / 2, true));
    ShadowText(p, QRectF(0, 1, w, h * 0.62), Qt::AlignCenter, QStringLiteral(".ZUL"), kAmber, Qt::black);
    p.setFont(SkinFont(9, true));
    ShadowText(p, QRectF(0, h * 0.66, w, h * 0.3), Qt::AlignCenter, QStringLiteral("CD  04 / 2026"), kCream, Qt::black);
    p.setPen(QPen(kAmber, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 4, 4);
    return image;
}

QImage OptionsBack(int w, int h, const QString& caption, const QString& disc_title, const QString& issue)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    p.fillRect(image.rect(), Vertical(0, h, QColor(0x17, 0x44, 0x4B), kDeep));
    Weave(p, QRectF(0, 25, w, h - 25), 10);
    p.fillRect(QRectF(0, 0, w, 25), Vertical(0, 25, QColor(0x06, 0x16, 0x19), QColor(0x15, 0x3B, 0x42)));
    p.fillRect(QRectF(0, 24, w, 1), kAmber);
    DrawGlyph(p, Glyph::Options, QRectF(6, 5, 15, 15), kAmber);
    p.setFont(SkinFont(13, true));
    ShadowText(p, QRectF(27, 0, w - 60, 24), Qt::AlignVCenter | Qt::AlignLeft, caption, kAmberLight, Qt::black);
    // The left column beside the settings: the disc's emblem.
    const QRectF column(4, 27, 165, 305);
    p.setPen(QPen(kAmber, 1));
    p.setBrush(Vertical(column.top(), column.bottom(), QColor(0x0A, 0x1E, 0x2A), QColor(0x1C, 0x12, 0x30)));
    p.drawRect(column.adjusted(0.5, 0.5, -0.5, -0.5));
    Stars(p, column.adjusted(2, 2, -2, -2), 90, 7);
    QRadialGradient planet(60, 250, 70);
    planet.setColorAt(0, QColor(0x5F, 0xB8, 0xB0));
    planet.setColorAt(0.8, QColor(0x1F, 0x55, 0x60));
    planet.setColorAt(1, QColor(0x0B, 0x24, 0x29, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(planet);
    p.drawEllipse(QPointF(70, 270), 62, 62);
    p.setFont(SkinFont(34, true));
    ShadowText(p, QRectF(4, 50, 165, 50), Qt::AlignCenter, QStringLiteral(".ZUL"), kAmber, Qt::black);
    p.setFont(SkinFont(12, true));
    ShadowText(p, QRectF(12, 104, 149, 60), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, disc_title,
               kCream, Qt::black);
    p.setFont(SkinFont(11, false));
    ShadowText(p, QRectF(12, 160, 149, 20), Qt::AlignCenter, issue, kAmberLight, Qt::black);
    return image;
}

QImage Button(int w, int h, Glyph glyph, const QString& caption, ButtonState state, bool tab)
{
    QImage image = Blank(w, h);
    Canvas p(&image);
    const QRectF r(0.5, 0.5, w - 1, h - 1);
    const double radius = std::min(6.0, h / 3.0);
    QColor top, bottom, border, text, icon;
    switch (state) {
    case ButtonState::Normal:
        top = QColor(0x2F, 0x74, 0x80);
        bottom = QColor(0x14, 0x3A, 0x42);
        border = QColor(0x05, 0x14, 0x17);
        text = kCream;
        icon = kAmber;
        break;
    case ButtonState::Hover:
        top = QColor(0x58, 0xAE, 0xB2);
        bottom = QColor(0x22, 0x62, 0x6C);
        border = kAmber;
        text = QColor(0xFF, 0xF4, 0xD0);
        icon = kAmberLight;
        break;
    case ButtonState::Down:
        if (tab) {
            top = QColor(0xFF, 0xD2, 0x6E);
            bottom = QColor(0xC8, 0x84, 0x1A);
            border = QColor(0x5A, 0x3A, 0x05);
            text = kInk;
            icon = QColor(0x5A, 0x2E, 0x00);
        } else {
            top = QColor(0x0A, 0x22, 0x27);
            bottom = QColor(0x1F, 0x50, 0x59);
            border = kAmber;
            text = kAmberLight;
            icon = kAmberLight;
        }
        break;
    }
    p.setPen(QPen(border, 1));
    p.setBrush(Vertical(0, h, top, bottom));
    p.drawRoundedRect(r, radius, radius);
    if (state == ButtonState::Down && !tab) {
        p.setPen(QPen(QColor(0, 0, 0, 120), 2));
        p.drawLine(QPointF(radius, 2), QPointF(w - radius, 2));
    } else {
        p.setPen(QPen(QColor(255, 255, 255, state == ButtonState::Hover ? 130 : 70), 1));
        p.drawLine(QPointF(radius, 1.5), QPointF(w - radius, 1.5));
    }
    const double shift = state == ButtonState::Down ? 1 : 0;
    const int font_px = h >= 30 ? 12 : (h >= 24 ? 11 : 10);
    p.setFont(SkinFont(font_px, true));
    const double icon_size = std::min(h - 10.0, 16.0);
    if (caption.isEmpty()) {
        const double glyph_size = h - 6.0;
        DrawGlyph(p, glyph, QRectF((w - glyph_size) / 2 + shift, (h - glyph_size) / 2 + shift, glyph_size, glyph_size), icon);
        return image;
    }
    const double text_width = p.fontMetrics().horizontalAdvance(caption);
    const double gap = glyph == Glyph::None ? 0 : icon_size + 5;
    double x = tab ? 8 : std::max(4.0, (w - text_width - gap) / 2);
    if (glyph != Glyph::None) {
        DrawGlyph(p, glyph, QRectF(x + shift, (h - icon_size) / 2 + shift, icon_size, icon_size), icon);
        x += gap;
    }
    const QColor shadow = state == ButtonState::Down && tab ? QColor(255, 240, 200) : QColor(0, 0, 0, 200);
    ShadowText(p, QRectF(x + shift, shift, w - x - 3, h), Qt::AlignVCenter | Qt::AlignLeft, caption, text, shadow);
    return image;
}

std::vector<QImage> SplashFrames(const QString& title, const QString& subtitle)
{
    const int w = 400;
    const int h = 250;
    std::vector<QImage> frames;
    const int count = 8;
    for (int f = 0; f < count; ++f) {
        QImage image = Blank(w, h, Qt::black);
        Canvas p(&image);
        p.fillRect(image.rect(), Vertical(0, h, QColor(0x06, 0x10, 0x24), QColor(0x10, 0x36, 0x3E)));
        Stars(p, QRectF(0, 0, w, h), 120, 11);
        // A comet crosses the picture.
        const double t = f / double(count - 1);
        const QPointF head(40 + t * 320, 40 + t * 40);
        QLinearGradient tail(head - QPointF(90, 12), head);
        tail.setColorAt(0, QColor(255, 220, 140, 0));
        tail.setColorAt(1, QColor(255, 230, 170, 220));
        p.setPen(QPen(QBrush(tail), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(head - QPointF(90, 12), head);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 250, 230));
        p.drawEllipse(head, 3.5, 3.5);
        // The disc's name.
        p.setFont(SkinFont(64, true));
        ShadowText(p, QRectF(0, 70, w, 80), Qt::AlignCenter, QStringLiteral(".ZUL"), kAmber, Qt::black);
        p.setFont(SkinFont(18, true));
        ShadowText(p, QRectF(10, 145, w - 20, 30), Qt::AlignCenter, title, kCream, Qt::black);
        p.setFont(SkinFont(12, false));
        ShadowText(p, QRectF(10, 178, w - 20, 20), Qt::AlignCenter, subtitle, kAmberLight, Qt::black);
        // Progress dots.
        for (int i = 0; i < count; ++i) {
            p.setBrush(i <= f ? kAmber : QColor(0x40, 0x50, 0x58));
            p.drawEllipse(QPointF(w / 2.0 - (count - 1) * 9 + i * 18, 220), 4, 4);
        }
        p.setPen(QPen(kAmber, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 1, w - 2, h - 2));
        frames.push_back(image);
    }
    return frames;
}

QImage ArrowCursor()
{
    QImage image = Blank(32, 32);
    Canvas p(&image);
    QPolygonF arrow;
    arrow << QPointF(1, 1) << QPointF(1, 21) << QPointF(6, 16) << QPointF(10, 25) << QPointF(13.5, 23.5)
          << QPointF(9.5, 15) << QPointF(16, 15);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Vertical(1, 25, kAmberLight, kAmber.darker(120)));
    p.drawPolygon(arrow);
    return image;
}

std::vector<QImage> HandCursorFrames()
{
    std::vector<QImage> frames;
    for (int f = 0; f < 4; ++f) {
        QImage image = Blank(32, 32);
        Canvas p(&image);
        // A pointing hand: the index finger up, its tip at (10, 1).
        QPainterPath hand;
        hand.addRoundedRect(QRectF(7, 1, 6, 15), 3, 3);
        hand.addRoundedRect(QRectF(5, 12, 17, 13), 4, 4);
        hand.addRoundedRect(QRectF(12, 10, 5, 7), 2.5, 2.5);
        hand.addRoundedRect(QRectF(16, 11, 5, 7), 2.5, 2.5);
        hand.addRoundedRect(QRectF(2, 13, 5, 9), 2.5, 2.5);
        hand.setFillRule(Qt::WindingFill);
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(kCream);
        p.drawPath(hand.simplified());
        // A pulsing amber ring beside the finger.
        const double r = 3 + f * 1.5;
        p.setPen(QPen(QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 255 - f * 50), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(24, 6), r, r);
        frames.push_back(image);
    }
    return frames;
}
