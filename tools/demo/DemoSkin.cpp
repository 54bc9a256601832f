#include "demo/DemoSkin.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <random>

namespace {

// The palette of the skin.
const QColor kDeep(0x0B, 0x24, 0x29);
const QColor kTeal(0x1F, 0x55, 0x60);
const QColor kTealLight(0x3C, 0x8C, 0x8F);
const QColor kAmber(0xF2, 0xB3, 0x3D);
const QColor kAmberLight(0xFF, 0xDF, 0x8A);
const QColor kCream(0xF4, 0xEF, 0xDF);
const QColor kBeige(0xE6, 0xE1, 0xD0);
const QColor kInk(0x1A, 0x1A, 0x1A);

QString g_family = QStringLiteral("DejaVu Sans");

QFont SkinFont(int pixels, bool bold)
{
    QFont font(g_family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

QImage Blank(int w, int h, QColor fill = Qt::transparent)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

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

QLinearGradient Vertical(double top, double bottom, QColor a, QColor b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// Text with a one-pixel shadow, aligned in `box`.
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

// A glyph filling `box`, in `colour`.
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

// A faint diagonal weave over a whole picture.
void Weave(QPainter& p, const QRectF& r, int alpha)
{
    p.save();
    p.setClipRect(r);
    p.setPen(QPen(QColor(255, 255, 255, alpha), 1));
    for (double x = r.left() - r.height(); x < r.right(); x += 6)
        p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    p.restore();
}

void Stars(QPainter& p, const QRectF& r, int count, unsigned seed, bool wrap = false)
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

}  // namespace

QString LoadSkinFonts()
{
    const int regular = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf"));
    if (regular >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(regular);
        if (!families.isEmpty())
            g_family = families.front();
    }
    return g_family;
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

QImage Screenshot(ShotStyle style, int variant, int w, int h, const QString& caption)
{
    QImage image = Blank(w, h, Qt::black);
    Canvas p(&image);
    std::mt19937 rng(static_cast<unsigned>(variant * 7919 + static_cast<int>(style) * 104729 + 17));
    std::uniform_real_distribution<double> u(0, 1);
    const double sx = w / 480.0;
    const double sy = h / 360.0;
    p.scale(sx, sy);
    switch (style) {
    case ShotStyle::Space: {
        p.fillRect(QRectF(0, 0, 480, 360), Vertical(0, 360, QColor(0x05, 0x05, 0x20), QColor(0x20, 0x08, 0x30)));
        Stars(p, QRectF(0, 0, 480, 360), 160, static_cast<unsigned>(variant + 3));
        for (int i = 0; i < 5; ++i) {
            QRadialGradient rock(0, 0, 1);
            const QPointF c(40 + u(rng) * 400, 30 + u(rng) * 220);
            const double r = 12 + u(rng) * 26;
            rock.setCenter(c);
            rock.setFocalPoint(c - QPointF(r / 3, r / 3));
            rock.setRadius(r);
            rock.setColorAt(0, QColor(0xB0, 0x95, 0x70));
            rock.setColorAt(1, QColor(0x40, 0x30, 0x20));
            p.setPen(Qt::NoPen);
            p.setBrush(rock);
            p.drawEllipse(c, r, r * 0.85);
        }
        QPolygonF ship;
        const double x = 200 + variant * 40;
        ship << QPointF(x, 300) << QPointF(x + 24, 250) << QPointF(x + 48, 300) << QPointF(x + 24, 290);
        p.setBrush(QColor(0xD8, 0xE8, 0xF0));
        p.drawPolygon(ship);
        p.setBrush(QColor(0xFF, 0x90, 0x20));
        p.drawEllipse(QPointF(x + 24, 306), 6, 10);
        p.setPen(QPen(QColor(0x60, 0xFF, 0x80), 3));
        p.drawLine(QPointF(x + 24, 246), QPointF(x + 24, 200));
        break;
    }
    case ShotStyle::Road: {
        p.fillRect(QRectF(0, 0, 480, 150), Vertical(0, 150, QColor(0x40, 0x80, 0xD0), QColor(0xF0, 0xB0, 0x70)));
        p.fillRect(QRectF(0, 150, 480, 210), QColor(0x3A, 0x8A, 0x3A));
        QPolygonF road;
        road << QPointF(220, 150) << QPointF(260, 150) << QPointF(470, 360) << QPointF(10, 360);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x50, 0x50, 0x58));
        p.drawPolygon(road);
        p.setBrush(Qt::white);
        for (int i = 0; i < 6; ++i) {
            const double t0 = i / 6.0 + variant * 0.05;
            const double t1 = t0 + 0.07;
            auto at = [](double t) { return QPointF(240, 150 + t * t * 210); };
            const double w0 = 1 + t0 * t0 * 6;
            const double w1 = 1 + t1 * t1 * 6;
            QPolygonF dash;
            dash << at(t0) - QPointF(w0, 0) << at(t0) + QPointF(w0, 0) << at(t1) + QPointF(w1, 0)
                 << at(t1) - QPointF(w1, 0);
            p.drawPolygon(dash);
        }
        p.setBrush(QColor(0xE0, 0x20, 0x30));
        p.drawRoundedRect(QRectF(190 + variant * 30, 280, 90, 40), 10, 10);
        p.setBrush(QColor(0x20, 0x20, 0x20));
        p.drawEllipse(QRectF(196 + variant * 30, 308, 22, 22));
        p.drawEllipse(QRectF(252 + variant * 30, 308, 22, 22));
        p.setBrush(QColor(0x90, 0xD0, 0xF0));
        p.drawRoundedRect(QRectF(210 + variant * 30, 284, 50, 14), 4, 4);
        break;
    }
    case ShotStyle::Dungeon:
    case ShotStyle::Blocks: {
        const bool dungeon = style == ShotStyle::Dungeon;
        p.fillRect(QRectF(0, 0, 480, 360), dungeon ? QColor(0x20, 0x18, 0x14) : QColor(0xF0, 0xE8, 0xD0));
        const QColor colours[] = {QColor(0xE0, 0x50, 0x50), QColor(0x50, 0xB0, 0x60), QColor(0x40, 0x80, 0xE0),
                                  QColor(0xF0, 0xC0, 0x40), QColor(0xA0, 0x60, 0xD0)};
        for (int y = 0; y < 360; y += 30)
            for (int x = 0; x < 480; x += 30) {
                const double v = u(rng);
                if (dungeon) {
                    const bool wall = v < 0.35 || x == 0 || y == 0 || x == 450 || y == 330;
                    p.fillRect(QRectF(x, y, 29, 29), wall ? QColor(0x70, 0x60, 0x58) : QColor(0x38, 0x2C, 0x24));
                    if (!wall && v > 0.95) {
                        p.setPen(Qt::NoPen);
                        p.setBrush(QColor(0xF0, 0xD0, 0x40));
                        p.drawEllipse(QPointF(x + 15, y + 15), 7, 7);
                    }
                } else if (y > 120 && v < 0.7) {
                    const QColor c = colours[static_cast<int>(v * 100) % 5];
                    p.setPen(QPen(c.darker(160), 2));
                    p.setBrush(Vertical(y, y + 30, c.lighter(130), c));
                    p.drawRoundedRect(QRectF(x + 2, y + 2, 26, 26), 5, 5);
                }
            }
        if (!dungeon) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x40, 0xA0, 0x40));
            for (int i = 0; i < 6; ++i)
                p.drawEllipse(QPointF(40 + i * 80, 70 + 20 * std::sin(i + variant)), 26, 18);
        } else {
            QRadialGradient torch(240, 180, 220);
            torch.setColorAt(0, QColor(255, 200, 120, 0));
            torch.setColorAt(1, QColor(0, 0, 0, 200));
            p.fillRect(QRectF(0, 0, 480, 360), torch);
        }
        break;
    }
    case ShotStyle::Chess: {
        p.fillRect(QRectF(0, 0, 480, 360), QColor(0x30, 0x22, 0x18));
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                p.fillRect(QRectF(100 + c * 40, 20 + r * 40, 40, 40),
                           (r + c) % 2 ? QColor(0x80, 0x50, 0x30) : QColor(0xF0, 0xD8, 0xB0));
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 10; ++i) {
            const int c = static_cast<int>(u(rng) * 8);
            const int r = static_cast<int>(u(rng) * 8);
            p.setBrush(i % 2 ? QColor(0x10, 0x10, 0x10) : QColor(0xFA, 0xFA, 0xF0));
            p.drawEllipse(QPointF(120 + c * 40, 34 + r * 40), 10, 10);
            p.drawRect(QRectF(110 + c * 40, 42 + r * 40, 20, 10));
        }
        QPolygonF rocket;
        rocket << QPointF(420, 60 + variant * 20) << QPointF(440, 120) << QPointF(400, 120);
        p.setBrush(QColor(0xE0, 0x40, 0x30));
        p.drawPolygon(rocket);
        p.setBrush(QColor(0xFF, 0xC0, 0x40));
        p.drawEllipse(QPointF(420, 130), 8, 14);
        break;
    }
    case ShotStyle::Window: {
        p.fillRect(QRectF(0, 0, 480, 360), QColor(0x00, 0x80, 0x80));
        const QRectF win(30 + variant * 10, 30, 420, 290);
        p.fillRect(win, QColor(0xC0, 0xC0, 0xC0));
        p.fillRect(QRectF(win.left() + 3, win.top() + 3, win.width() - 6, 20),
                   QLinearGradient(win.left(), 0, win.right(), 0));
        QLinearGradient bar(win.left(), 0, win.right(), 0);
        bar.setColorAt(0, QColor(0x00, 0x00, 0x80));
        bar.setColorAt(1, QColor(0x10, 0x84, 0xD0));
        p.fillRect(QRectF(win.left() + 3, win.top() + 3, win.width() - 6, 20), bar);
        p.setFont(SkinFont(13, true));
        p.setPen(Qt::white);
        p.drawText(QRectF(win.left() + 8, win.top() + 3, win.width(), 20), Qt::AlignVCenter, caption);
        p.fillRect(QRectF(win.left() + 12, win.top() + 36, win.width() - 24, 150), Qt::white);
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.setFont(SkinFont(12, false));
        for (int i = 0; i < 7; ++i)
            p.fillRect(QRectF(win.left() + 20, win.top() + 46 + i * 20, 80 + u(rng) * 280, 8),
                       QColor(0x90, 0x90, 0xA0));
        p.fillRect(QRectF(win.left() + 12, win.top() + 205, win.width() - 24, 22), QColor(0xFF, 0xFF, 0xFF));
        p.fillRect(QRectF(win.left() + 14, win.top() + 207, (win.width() - 28) * (0.3 + 0.2 * variant), 18),
                   QColor(0x00, 0x00, 0x80));
        for (int i = 0; i < 2; ++i) {
            const QRectF b(win.right() - 190 + i * 90, win.bottom() - 40, 80, 26);
            p.fillRect(b, QColor(0xC0, 0xC0, 0xC0));
            p.setPen(Qt::white);
            p.drawLine(b.topLeft(), b.topRight());
            p.drawLine(b.topLeft(), b.bottomLeft());
            p.setPen(Qt::black);
            p.drawLine(b.bottomLeft(), b.bottomRight());
            p.drawLine(b.topRight(), b.bottomRight());
            p.drawText(b, Qt::AlignCenter, i == 0 ? QStringLiteral("OK") : QStringLiteral("Cancel"));
        }
        break;
    }
    }
    p.resetTransform();
    if (style != ShotStyle::Window && !caption.isEmpty() && w >= 300) {
        p.setFont(SkinFont(h / 18, true));
        ShadowText(p, QRectF(10, 6, w - 20, h / 12.0), Qt::AlignLeft | Qt::AlignVCenter, caption, Qt::white, Qt::black);
    }
    return image;
}

QImage Cover(int variant, int w, int h, const QString& caption)
{
    QImage image = Blank(w, h, Qt::black);
    Canvas p(&image);
    const QColor bases[] = {QColor(0x2A, 0x14, 0x5A), QColor(0x7A, 0x20, 0x20), QColor(0x0E, 0x4A, 0x2C)};
    const QColor base = bases[variant % 3];
    p.fillRect(image.rect(), Vertical(0, h, base.lighter(150), base.darker(200)));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        QRadialGradient g(w * (0.2 + 0.13 * i), h * (0.3 + 0.1 * ((i + variant) % 4)), w * 0.3);
        g.setColorAt(0, QColor(255, 220, 140, 120));
        g.setColorAt(1, QColor(255, 220, 140, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(w * (0.2 + 0.13 * i), h * (0.3 + 0.1 * ((i + variant) % 4))), w * 0.3, w * 0.3);
    }
    DrawGlyph(p, Glyph::Note, QRectF(w * 0.3, h * 0.18, w * 0.4, h * 0.4), QColor(255, 240, 200, 220));
    p.setFont(SkinFont(std::max(10, h / 9), true));
    ShadowText(p, QRectF(4, h * 0.68, w - 8, h * 0.3), Qt::AlignCenter | Qt::TextWordWrap, caption, kCream, Qt::black);
    return image;
}

QImage Advert(int w, int h, int variant, const QString& headline, const QString& line)
{
    QImage image = Blank(w, h, Qt::black);
    Canvas p(&image);
    const QColor tops[] = {QColor(0xC0, 0x20, 0x30), QColor(0x10, 0x50, 0xA0), QColor(0x20, 0x80, 0x40),
                           QColor(0x60, 0x20, 0x90), QColor(0xD0, 0x70, 0x10)};
    const QColor top = tops[variant % 5];
    p.fillRect(image.rect(), Vertical(0, h, top.lighter(130), top.darker(180)));
    Weave(p, QRectF(0, 0, w, h), 25);
    const bool wide = w > 2 * h;
    const double headline_px = wide ? h * 0.36 : h * 0.2;
    p.setFont(SkinFont(static_cast<int>(headline_px), true));
    const QRectF head = wide ? QRectF(h * 0.2, 4, w - h * 0.4, h * 0.55) : QRectF(4, h * 0.12, w - 8, h * 0.45);
    ShadowText(p, head, Qt::AlignCenter | Qt::TextWordWrap, headline, QColor(0xFF, 0xF0, 0xB0), Qt::black);
    p.setFont(SkinFont(std::max(9, static_cast<int>(headline_px * 0.45)), false));
    const QRectF sub = wide ? QRectF(h * 0.2, h * 0.58, w - h * 0.4, h * 0.38) : QRectF(4, h * 0.58, w - 8, h * 0.36);
    ShadowText(p, sub, Qt::AlignCenter | Qt::TextWordWrap, line, Qt::white, Qt::black);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return image;
}

QImage Wallpaper(int folder, int variant)
{
    if (folder == 0) {
        const int size = 320;
        QImage image = Blank(size, size, Qt::black);
        Canvas p(&image);
        const QColor tints[] = {QColor(0x08, 0x0A, 0x28), QColor(0x20, 0x06, 0x22), QColor(0x04, 0x1C, 0x24)};
        p.fillRect(image.rect(), tints[variant % 3]);
        std::mt19937 rng(static_cast<unsigned>(100 + variant));
        std::uniform_real_distribution<double> u(0, size);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 5; ++i) {
            const QPointF c(u(rng), u(rng));
            QRadialGradient cloud(c, 90);
            cloud.setColorAt(0, QColor(0x60 + 40 * (i % 3), 0x40, 0xA0 - 30 * (i % 2), 70));
            cloud.setColorAt(1, QColor(0, 0, 0, 0));
            p.setBrush(cloud);
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    p.drawEllipse(c + QPointF(dx * size, dy * size), 90, 90);
        }
        Stars(p, QRectF(0, 0, size, size), 140, static_cast<unsigned>(200 + variant), true);
        return image;
    }
    const int size = 160;
    QImage image = Blank(size, size, Qt::black);
    Canvas p(&image);
    const QColor bases[] = {QColor(0x1E, 0x4D, 0x55), QColor(0x55, 0x2E, 0x1E), QColor(0x2E, 0x2E, 0x55)};
    const QColor base = bases[variant % 3];
    p.fillRect(image.rect(), base);
    p.setPen(QPen(base.lighter(150), 3));
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 4; ++k) {
        const double r = 20 + k * 18;
        for (const QPointF& c : {QPointF(0, 0), QPointF(size, 0), QPointF(0, size), QPointF(size, size)})
            p.drawEllipse(c, r, r);
    }
    p.setPen(QPen(kAmber.darker(130), 2));
    p.drawEllipse(QPointF(size / 2.0, size / 2.0), 30, 30);
    DrawGlyph(p, variant == 1 ? Glyph::Note : Glyph::Star, QRectF(size / 2.0 - 16, size / 2.0 - 16, 32, 32),
              kAmber.darker(120));
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
