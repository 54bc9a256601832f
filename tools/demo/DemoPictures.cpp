#include "demo/DemoPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <random>

#include "demo/DemoPaint.h"

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
