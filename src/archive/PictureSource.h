// Where screen elements get their skin pictures from: the picture archive during the build step.
#pragma once

#include <memory>
#include <string>

#include "pictures/Picture.h"

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // The picture the member `name` holds; the caller owns it. Failures end the program the way
    // the picture archive does (or raise the picture's own error for bytes that do not decode).
    virtual std::unique_ptr<Picture> LoadPicture(const std::string& name) = 0;
};
