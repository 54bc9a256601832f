// Pictures that the description names as files of the disc (banner pictures, the splash, full-size
// pictures, wallpapers), as opposed to the skin's archive members.
#pragma once

#include <memory>
#include <string>

#include "disc/PathResolver.h"
#include "pictures/Picture.h"

// Loads the picture file a disc path names. Its kind follows the file's extension without regard
// to case ("jpeg" counts as "jpg"), as the window system's own file loading does: bmp, gif, jpg
// and, for files only, ico. Throws PictureError, naming the path, for a metafile (wmf, emf: they
// cannot be drawn here), an unknown kind and a file that is missing, too large, unreadable or
// does not decode.
std::unique_ptr<Picture> LoadPictureFile(const PathResolver& resolver, const std::string& disc_path);
