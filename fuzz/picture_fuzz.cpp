// Any bytes, as any picture kind, either decode to a picture or raise PictureError. The first
// byte picks the kind; the rest is the picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pictures/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const char* const kNames[] = {"f.bmp", "f.gif", "f.jpg"};
    const char* name = kNames[data[0] % 3];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::unique_ptr<Picture> picture = MakePicture(name);
    try {
        picture->LoadFromBytes(bytes, name);
        if (picture->Image().isNull())
            std::abort();
        if (auto* gif = dynamic_cast<GifPicture*>(picture.get())) {
            for (const GifFrame& frame : gif->Frames())
                if (frame.image.size() != gif->Image().size())
                    std::abort();
        }
    } catch (const PictureError&) {
        if (!picture->Image().isNull())
            std::abort();
    }
    return 0;
}
