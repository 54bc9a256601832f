#include "archive/ZipGrFile.h"
#include "pictures/Picture.h"

namespace {

// Puts the stream back to its start however the read ends, so the member can be loaded again.
struct RewindOnExit {
    MemoryStream& stream;
    ~RewindOnExit() { stream.SetPosition(0); }
};

}  // namespace

std::unique_ptr<Picture> ZipGrFile::LoadPicture(const std::string& name)
{
    // The kind by the extension, exactly "bmp", "gif" or "jpg".
    std::unique_ptr<Picture> picture = MakePicture(name);
    if (picture == nullptr)
        Fatal("Bad ext: " + name);

    auto it = members_.find(name);
    if (it == members_.end())
        Fatal("Bad file: " + name);

    MemoryStream& stream = *it->second;
    // Decoded ahead by a worker when it got there; a failed or unstarted decode is done here.
    if (pool_ != nullptr)
        if (std::unique_ptr<Picture> decoded = pool_->Take(&stream))
            return decoded;
    RewindOnExit rewind{stream};
    picture->LoadFromBytes(stream.Remaining(), name);
    stream.SetPosition(stream.Size());
    return picture;
}
