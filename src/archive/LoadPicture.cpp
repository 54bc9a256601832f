#include "archive/PictureSource.h"
#include "archive/ZipGrFile.h"
#include "pictures/Picture.h"

namespace {

// Puts the stream back to its start however the read ends, so the member can be loaded again.
struct RewindOnExit {
    MemoryStream& stream;
    ~RewindOnExit() { stream.SetPosition(0); }
};

}  // namespace

CheckedPicture::CheckedPicture(QImage decoded) : image_(std::move(decoded)) {}

CheckedPicture::CheckedPicture(std::string name, std::shared_ptr<const MemoryStream> bytes)
    : name_(std::move(name)), bytes_(std::move(bytes))
{
}

const QImage& CheckedPicture::Image() const
{
    if (bytes_ != nullptr) {
        // The kind was checked with the bytes; should the decode fail now, the bytes stay.
        const std::unique_ptr<Picture> picture = MakePicture(name_);
        picture->LoadFromBytes(bytes_->Bytes(), name_);
        image_ = picture->Image();
        bytes_.reset();
    }
    return image_;
}

const QPixmap& CheckedPicture::Pixmap() const
{
    if (!pixmap_)
        pixmap_ = QPixmap::fromImage(Image());
    return *pixmap_;
}

const std::shared_ptr<MemoryStream>& ZipGrFile::PictureMember(const std::string& name)
{
    WaitForRead();
    // The kind by the extension, exactly "bmp", "gif" or "jpg".
    if (MakePicture(name) == nullptr)
        Fatal("Bad ext: " + name);
    auto it = members_.find(name);
    if (it == members_.end())
        Fatal("Bad file: " + name);
    return it->second;
}

std::unique_ptr<Picture> ZipGrFile::LoadPicture(const std::string& name)
{
    MemoryStream& stream = *PictureMember(name);
    // Decoded ahead by a worker when it got there; a failed, unstarted or only checked decode is
    // done here.
    if (pool_ != nullptr)
        if (std::unique_ptr<Picture> decoded = pool_->Take(&stream))
            return decoded;
    std::unique_ptr<Picture> picture = MakePicture(name);
    RewindOnExit rewind{stream};
    picture->LoadFromBytes(stream.Remaining(), name);
    stream.SetPosition(stream.Size());
    return picture;
}

CheckedPicture ZipGrFile::CheckPicture(const std::string& name)
{
    const std::shared_ptr<MemoryStream> stream = PictureMember(name);
    // A worker's verdict does; a picture the workers did not get to (or that failed there) is
    // checked here, raising its failure. Either way only the bytes are kept: the memory of one
    // decode then serves the next, where pictures kept decoded would each take fresh memory.
    bool checked = false;
    if (pool_ != nullptr)
        pool_->Take(stream.get(), &checked);
    if (!checked) {
        const std::unique_ptr<Picture> picture = MakePicture(name);
        RewindOnExit rewind{*stream};
        picture->CheckBytes(stream->Remaining(), name);
    }
    return CheckedPicture(name, stream);
}
