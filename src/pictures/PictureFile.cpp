#include "pictures/PictureFile.h"

#include <optional>

#include "disc/Files.h"

std::unique_ptr<Picture> LoadPictureFile(const PathResolver& resolver, const std::string& disc_path)
{
    std::string ext(PictureExtension(disc_path));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (ext == "jpeg")
        ext = "jpg";
    // Files may also be icons; metafiles are known but cannot be drawn here.
    std::unique_ptr<Picture> picture =
        ext == "ico" ? std::make_unique<IconPicture>() : MakePicture("." + ext);
    if (!picture && (ext == "wmf" || ext == "emf"))
        throw PictureError(disc_path, "metafiles cannot be shown");
    if (!picture)
        throw PictureError(disc_path, "unknown picture file extension");

    const std::optional<std::filesystem::path> file = resolver.Find(disc_path);
    if (!file)
        throw PictureError(disc_path, "the file does not exist");
    const std::optional<std::string> bytes = ReadWholeFile(resolver.Disc(), *file);
    if (!bytes)
        throw PictureError(disc_path, "the file cannot be read (or is too large)");
    picture->LoadFromBytes(*bytes, disc_path);
    return picture;
}
