#include <string_view>

#include "archive/ZipGrFile.h"
#include "pictures/Picture.h"

namespace {

// The text after the last '.' of the name; empty when there is none.
std::string_view Extension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

// Puts the stream back to its start however the read ends, so the member can be loaded again.
struct RewindOnExit {
    MemoryStream& stream;
    ~RewindOnExit() { stream.SetPosition(0); }
};

}  // namespace

std::unique_ptr<Picture> ZipGrFile::LoadPicture(const std::string& name)
{
    const std::string_view ext = Extension(name);
    std::unique_ptr<Picture> picture;
    if (ext == "bmp" || ext == "gif" || ext == "jpg")
        picture = MakePicture(name);
    if (picture == nullptr)
        Fatal("Bad ext: " + name);

    auto it = members_.find(name);
    if (it == members_.end())
        Fatal("Bad file: " + name);

    MemoryStream& stream = *it->second;
    RewindOnExit rewind{stream};
    picture->LoadFromBytes(stream.Remaining(), name);
    stream.SetPosition(stream.Size());
    return picture;
}
