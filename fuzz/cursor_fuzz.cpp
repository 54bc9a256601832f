// Any bytes as a cursor file (.cur or .ani, told by the content): either no cursor, or a picture
// within the size limit with its hotspot on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/CursorFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<CursorImage> cursor = DecodeCursorFile(bytes);
    if (!cursor)
        return 0;
    const QImage& image = cursor->image;
    if (image.isNull() || image.width() > kMaxCursorSide || image.height() > kMaxCursorSide)
        std::abort();
    if (cursor->hotspot_x < 0 || cursor->hotspot_x >= image.width() || cursor->hotspot_y < 0 ||
        cursor->hotspot_y >= image.height())
        std::abort();
    return 0;
}
