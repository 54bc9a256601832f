// The settings the main window hands to the options window and takes back from it. The options
// window edits its own copy: only the fields its controls stand for; the "offered" flags say
// which controls it may enable, and it never changes them. The three lists are the main window's
// own and are only read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Description.h"
#include "model/Language.h"

struct OptionsState {
    bool sound_offered = false;         // enables the sound check box
    bool event_sounds_off = true;       // the sound check box
    bool music_offered = false;         // enables the music check box and list
    bool background_music_off = true;   // the music check box
    std::int32_t music_index = 0;       // the music list's selection (-1: none)
    const std::vector<std::string>* music_list = nullptr;  // the music list's items
    bool player_music = false;          // carried, not shown
    bool cursor_offered = false;        // enables the cursor check box
    bool standard_cursors = false;      // the cursor check box
    bool wallpaper_offered = false;     // enables the wallpaper check box and list
    bool wallpapers_off = true;         // the wallpaper check box
    std::int32_t wallpaper_index = 0;   // the wallpaper list's selection (-1: none)
    const WPs_inf* wallpaper_set = nullptr;  // the wallpaper list's items are its folders
    bool language_offered = false;      // enables the language list
    std::int32_t language_index = 0;   // the language list's selection
    const std::vector<lang_inf>* language_list = nullptr;  // the language list's items
};
