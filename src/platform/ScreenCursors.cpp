#include "platform/ScreenCursors.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

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

}  // namespace

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
        table->cursors[slot] = cursor;
}
