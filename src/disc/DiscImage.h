// A disc kept as an ISO 9660 image, read in place: the image is indexed once when it is opened, a
// folder's records one at a time, and each file is read straight from its sectors when it is
// opened, never unpacked to disk. Names are those a mounted image shows: Rock Ridge names where the
// image has them, else Joliet names, else the plain ISO 9660 names in lower case, without their
// version (";1") and a trailing dot. The image may be a plain .iso, raw sectors with or without
// their sheet (.bin/.cue, .mdf/.mds, .img/.ccd), a Nero .nrg or a CD drive's block device: see
// DiscSectors.h.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "disc/DiscFs.h"

// Why an image cannot be read; the message names the image.
class DiscImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The disc in the image file `image`. Throws DiscImageError when it is not a readable ISO 9660
// image.
std::shared_ptr<const DiscFs> OpenDiscImage(const std::filesystem::path& image);

// Whether `path` is given as an image rather than as a disc's folder: a file, or a block device
// (a CD drive) read sector by sector.
bool IsDiscImagePath(const std::filesystem::path& path);
