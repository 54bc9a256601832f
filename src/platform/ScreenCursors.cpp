#include "platform/ScreenCursors.h"

#include <map>

#include "platform/Cursors.h"

namespace {

std::map<int, QCursor>& SlotTable()
{
    static std::map<int, QCursor> table;
    return table;
}

}  // namespace

QCursor ScreenCursor(int slot)
{
    auto it = SlotTable().find(slot);
    if (it != SlotTable().end())
        return it->second;
    return QCursor(slot == kLinkCursorSlot ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void SetScreenCursor(int slot, const QCursor& cursor)
{
    SlotTable()[slot] = cursor;
}
