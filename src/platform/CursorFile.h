// Cursors loaded from the disc's cursor files, the way the window system loads them: a .cur file
// (an icon-style directory whose entries carry the hotspot, each image a bitmap with an AND mask,
// or a PNG) or an animated .ani file (RIFF "ACON"; its first frame is shown). The kind is told by
// the content, not by the name. Bad bytes never crash, hang or read past the end: they fail.
#pragma once

#include <QCursor>
#include <QImage>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/PathResolver.h"
#include "platform/Cursors.h"

// One decoded cursor picture: ARGB32 (not premultiplied) and the hotspot inside it.
struct CursorImage {
    QImage image;
    int hotspot_x = 0;
    int hotspot_y = 0;
};

// The largest cursor picture accepted, in pixels per side (the window system's own limit).
inline constexpr int kMaxCursorSide = 256;

// Decodes a .cur (or .ico) file. Of several images, the largest that fits in 32 x 32 is taken
// (more colours first on a tie), else the smallest; an image that does not decode gives way to
// the next best. Nothing on failure; `error` (when given) then says why.
std::optional<CursorImage> DecodeCurFile(std::string_view bytes, std::string* error = nullptr);

// Decodes the first frame of an .ani file (the first step of its sequence when it has one).
std::optional<CursorImage> DecodeAniFile(std::string_view bytes, std::string* error = nullptr);

// Either of the two, by the content ("RIFF" starts an .ani).
std::optional<CursorImage> DecodeCursorFile(std::string_view bytes, std::string* error = nullptr);

// A cursor made from a decoded picture (needs the GUI application).
QCursor MakeCursor(const CursorImage& cursor);

// Reads and decodes a cursor file; nothing when it cannot be read or decoded.
std::optional<QCursor> ReadCursorFile(const std::filesystem::path& file);
// The same for the file `file` of `disc`.
std::optional<QCursor> ReadCursorFile(const DiscFs& disc, const std::filesystem::path& file);

// The screen's cursor slots over Qt: cursor files are found through the disc's path resolver and
// kept for the whole run; a handle is the number LoadCursorFromFile gave.
class QtCursorSlots : public CursorSlots {
public:
    explicit QtCursorSlots(PathResolver resolver);

    std::optional<CursorHandle> LoadCursorFromFile(const std::string& disc_path) override;
    // An unknown handle raises std::out_of_range.
    void SetSlot(int slot, CursorHandle cursor) override;
    void SetStandardSlot(int slot, StandardCursor cursor) override;

    // The cursor a handle stands for; std::out_of_range for an unknown handle.
    const QCursor& Cursor(CursorHandle cursor) const;

private:
    PathResolver resolver_;
    std::vector<QCursor> cursors_;  // handle n is cursors_[n - 1]
};
