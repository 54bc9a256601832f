// The screen's cursor slots as Qt cursors: slot 5 the main cursor, slot 6 the link cursor. Until
// the start fills them they hold the standard arrow and pointing hand. The slots live as long as
// the application object; without one, setting a slot does nothing.
//
// The screen may be drawn a whole number of times larger than the skin's pixels: a cursor made
// from a picture is then held with every pixel of the picture repeated that many times each way,
// so that it keeps its size in the skin's pixels and stays crisp.
#pragma once

#include <QCursor>

QCursor ScreenCursor(int slot);
void SetScreenCursor(int slot, const QCursor& cursor);

// `cursor` as the screen shows it at the scale the application draws it (see above): the same
// cursor at scale 1, for a standard shape, or when the picture already has a pixel ratio of its
// own.
QCursor CursorForScreen(const QCursor& cursor);
