// The demo disc as an ISO 9660 image, the way old discs survive.
#pragma once

#include <filesystem>

// Writes the tree in `folder` as an ISO 9660 image with Rock Ridge names and modes and Joliet
// names, without the padding a pressed disc carries. Every name is taken as UTF-8, whatever the
// locale, and entries come in sorted order with a fixed time, so the same tree gives the same
// files.
void WriteIsoImage(const std::filesystem::path& folder, const std::filesystem::path& image);
