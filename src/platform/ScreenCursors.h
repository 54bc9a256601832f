// The screen's cursor slots as Qt cursors: slot 5 the main cursor, slot 6 the link cursor. Until
// the start fills them they hold the standard arrow and pointing hand. The slots live as long as
// the application object; without one, setting a slot does nothing.
#pragma once

#include <QCursor>

QCursor ScreenCursor(int slot);
void SetScreenCursor(int slot, const QCursor& cursor);
