// A disc kept as an ISO 9660 image (with Joliet and Rock Ridge names where present), read in
// place: the image is indexed once when it is opened, and each file is read from the image when it
// is opened, never unpacked to disk.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/DiscFs.h"

// Why an image cannot be read; the message names the image.
class DiscImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The disc in the image file `image`. Throws DiscImageError when it is not a readable ISO 9660
// image.
std::shared_ptr<const DiscFs> OpenDiscImage(const std::filesystem::path& image);
