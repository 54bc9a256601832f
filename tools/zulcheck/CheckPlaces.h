// Where the pictures of the skin come from: every slot of a description that the build step loads
// from the picture archive, in the order it loads them, with the name of its place in the
// description.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/Description.h"

struct SkinSlot {
    std::string place;  // e.g. "cd.window.close_btn.normal_pic", "tab 2 sub-tab 1 \"Title\" thumb 1"
    std::string name;   // the member name the script gives (bytes of the disc)
};

// Every archive picture the menu loads while it builds the window, in that order: the main
// window's skin, the options window, the side panel with its tab buttons, the main frame (tab
// pictures, the first two thumbnails of every entry, the music strip), the top panel with its
// sub-tab buttons, the two control panels, the stand-alone picture. Empty names are slots too: the
// menu loads them and refuses them.
std::vector<SkinSlot> SkinSlots(const Inf_shell& d);

// "tab N" (from 1), with the caption of its side-panel button (its hint) where every tab has one.
std::string TabPlace(const Inf_shell& d, std::size_t tab);
