// Any bytes, as any picture kind, either decode to a picture or raise PictureError leaving no
// picture, and a check of them (CheckBytes) raises exactly what the decode raised, leaving no
// picture. A GIF that decodes gives its frames, or refuses an animation of several frames. The first byte
// picks the kind; the rest is the picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
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
    std::string decoded = "decodes";
    try {
        picture->LoadFromBytes(bytes, name);
        if (picture->Image().isNull())
            std::abort();
    } catch (const PictureError& e) {
        if (!picture->Image().isNull())
            std::abort();
        decoded = e.what();
    }
    // A decoded GIF gives its frames at the picture's size, or refuses an animation too large to
    // compose; the picture stays either way.
    if (auto* gif = dynamic_cast<GifPicture*>(picture.get()); gif && decoded == "decodes") {
        try {
            for (const GifFrame& frame : gif->Frames())
                if (frame.image.size() != gif->Image().size())
                    std::abort();
        } catch (const PictureError&) {
            if (gif->FrameCount() < 2 || gif->Image().isNull())
                std::abort();
        }
    }
    std::unique_ptr<Picture> checked = MakePicture(name);
    std::string verdict = "decodes";
    try {
        checked->CheckBytes(bytes, name);
    } catch (const PictureError& e) {
        verdict = e.what();
    }
    if (verdict != decoded || !checked->Image().isNull())
        std::abort();
    return 0;
}
