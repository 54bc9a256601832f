// Writes the installed icons of zulshell with the program's own icon drawing: PNG bitmaps in the
// hicolor theme's sizes and a scalable SVG picture.
//   make_icons OUTPUT_DIR    (writes OUTPUT_DIR/SIZExSIZE/apps/zulshell.png and scalable/apps/zulshell.svg)
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>

#include "app/QtApplication.h"

namespace {

constexpr int kBitmapSizes[] = {48, 64, 128, 256};
constexpr int kScalableSize = 256;

bool WriteBitmap(const QString& dir, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PaintProgramIcon(painter, size);
    painter.end();
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
    return QDir().mkpath(folder) && image.save(folder + QStringLiteral("/zulshell.png"), "PNG");
}

bool WriteScalable(const QString& dir)
{
    const QString folder = dir + QStringLiteral("/scalable/apps");
    if (!QDir().mkpath(folder))
        return false;
    QSvgGenerator svg;
    svg.setFileName(folder + QStringLiteral("/zulshell.svg"));
    svg.setSize(QSize(kScalableSize, kScalableSize));
    svg.setViewBox(QRect(0, 0, kScalableSize, kScalableSize));
    svg.setTitle(QStringLiteral("zulshell"));
    svg.setDescription(QStringLiteral("The icon of zulshell, the autorun menu of a cover disc"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    PaintProgramIcon(painter, kScalableSize);
    return painter.end();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_icons OUTPUT_DIR\n", stderr);
        return 2;
    }
    // Drawing needs fonts but no screen: the build runs without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qt_argc = 1;
    QGuiApplication app(qt_argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int size : kBitmapSizes) {
        if (!WriteBitmap(dir, size)) {
            std::fprintf(stderr, "make_icons: cannot write the %dx%d icon into %s\n", size, size, argv[1]);
            return 1;
        }
    }
    if (!WriteScalable(dir)) {
        std::fprintf(stderr, "make_icons: cannot write the scalable icon into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
