#include "platform/ScreenCursors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/Cursors.h"

namespace {

// The slots belong to the running application: the table is a child of it, so its cursors go
// before the window system does, and a later application starts with the standard cursors.
class SlotTable : public QObject {
public:
    using QObject::QObject;
    std::map<int, QCursor> cursors;
};

SlotTable* Table(bool create)
{
    static QPointer<SlotTable> table;
    if (!table && create && QCoreApplication::instance())
        table = new SlotTable(QCoreApplication::instance());
    return table.data();
}

// The whole factor the primary screen is drawn at, at least 1.
int ScreenScale()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return 1;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return 1;
    return std::max(1, static_cast<int>(std::floor(screen->devicePixelRatio())));
}

}  // namespace

QCursor CursorForScreen(const QCursor& cursor)
{
    const int factor = ScreenScale();
    if (factor <= 1 || cursor.shape() != Qt::BitmapCursor)
        return cursor;
    const QPixmap picture = cursor.pixmap();
    if (picture.isNull() || picture.devicePixelRatio() != 1.0)
        return cursor;
    // Qt hands a cursor's picture to the window system pixel for pixel, whatever the scale: the
    // pixels are repeated here (never smoothed), and the picture marked as that much finer.
    const QImage image = picture.toImage();
    QPixmap larger = QPixmap::fromImage(
        image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    larger.setDevicePixelRatio(factor);
    // Qt's X11 platform gives the hotspot to the window system as it is, in the picture's own
    // pixels; the other platforms read it in the window's pixels, which are the skin's.
    QPoint hotspot = cursor.hotSpot();
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        hotspot *= factor;
    return QCursor(larger, hotspot.x(), hotspot.y());
}

QCursor ScreenCursor(int slot)
{
    if (const SlotTable* table = Table(false)) {
        auto it = table->cursors.find(slot);
        if (it != table->cursors.end())
            return it->second;
    }
    return QCursor(slot == kLinkCursorSlot ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void SetScreenCursor(int slot, const QCursor& cursor)
{
    if (SlotTable* table = Table(true))
        table->cursors[slot] = CursorForScreen(cursor);
}
