// The screen's cursor slots and cursors loaded from files. Slot 5 holds the main cursor, slot 6
// the link cursor; both are filled once at start.
#pragma once

#include <optional>
#include <string>

constexpr int kMainCursorSlot = 5;
constexpr int kLinkCursorSlot = 6;

enum class StandardCursor { Arrow, HandPoint };

// A loaded cursor, as the implementation numbers them.
using CursorHandle = int;

class CursorSlots {
public:
    virtual ~CursorSlots() = default;
    // Loads a cursor file named by a disc path; nothing when it cannot be loaded (an empty path
    // never loads).
    virtual std::optional<CursorHandle> LoadCursorFromFile(const std::string& disc_path) = 0;
    virtual void SetSlot(int slot, CursorHandle cursor) = 0;
    virtual void SetStandardSlot(int slot, StandardCursor cursor) = 0;
};
