// The parsed description of a disc: skin pictures, positions, captions, sounds, links and the
// catalogue. Plain value records with deep copy; the default state is empty texts, zero numbers
// and empty lists. Numbers are pixels relative to the parent unless stated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Catalogue.h"

// One picture placed on a window or panel; width and height count only when both are non-zero.
struct Inf_image {
    std::string pic;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const Inf_image&) const = default;
};

struct Inf_button {
    std::string normal_pic;
    std::string over_pic;
    std::string down_pic;
    std::string hint;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const Inf_button&) const = default;
};

// A side-panel tab button; `music` marks the button of a music tab.
struct SP_Inf_button : Inf_button {
    bool music = false;
    bool operator==(const SP_Inf_button&) const = default;
};

// The sub-tab buttons of one tab.
struct IndBtn {
    std::vector<Inf_button> buttons;
    bool operator==(const IndBtn&) const = default;
};

struct Inf_banner_aux {
    std::string pic;
    std::string url;
    bool operator==(const Inf_banner_aux&) const = default;
};

// A rotating advertisement strip.
struct Inf_banner {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t time = 0;  // seconds each advertisement stays
    std::vector<Inf_banner_aux> items;
    bool operator==(const Inf_banner&) const = default;
};

// Skin of a window. A press on the background at most `cap_height` pixels from its top drags it.
struct Inf_window {
    Inf_image back;
    Inf_button min_btn;
    Inf_button close_btn;
    std::int32_t cap_height = 0;
    bool operator==(const Inf_window&) const = default;
};

// Skin and texts of the options window.
struct Inf_about_window : Inf_window {
    std::string about_first;
    std::string about_second;
    std::string sound_off;
    std::string cursors_off;
    std::string wp_off;
    std::string wp_select;
    std::string lang_select;
    std::string music_off;
    std::string music_select;
    std::string ok_sound;
    std::string cancel_sound;
    bool operator==(const Inf_about_window&) const = default;
};

struct CD_inf {
    std::string title;
    std::string main_cursor;
    std::string link_cursor;
    Inf_window window;
    Inf_about_window opts_window;
    std::string exit_sound;
    std::string options_sound;
    bool operator==(const CD_inf&) const = default;
};

struct Inf_side_panel {
    Inf_image back;
    Inf_button link_btn;
    std::vector<SP_Inf_button> tab_buttons;
    Inf_banner banner;
    bool operator==(const Inf_side_panel&) const = default;
};

struct Inf_top_panel {
    Inf_image back;
    std::vector<IndBtn> tab_rows;
    bool operator==(const Inf_top_panel&) const = default;
};

struct Inf_main_frame {
    std::vector<std::vector<Inf_image>> tab_images;
    std::vector<sub_se> tabs;
    SoftTabTitles titles;
    SoftSmallTitles small_titles;
    Inf_image music_strip;
    std::string picture_sound;
    std::string grid_select_sound;
    bool operator==(const Inf_main_frame&) const = default;
};

struct Inf_control_panel {
    Inf_image prev_image;
    Inf_button prev_btn;
    Inf_image setup_image;
    Inf_button setup_btn;
    Inf_image options_image;
    Inf_button options_btn;
    Inf_image next_image;
    Inf_button next_btn;
    bool operator==(const Inf_control_panel&) const = default;
};

struct Inf_mcontrol_panel {
    Inf_image back;
    Inf_button prev_btn;
    Inf_button play_btn;
    Inf_button stop_btn;
    Inf_button next_btn;
    Inf_button options_btn;
    bool operator==(const Inf_mcontrol_panel&) const = default;
};

// Captions of the setup list's three columns and of its two buttons.
struct Inf_setup_win {
    std::string setup_nomer;
    std::string setup_file;
    std::string setup_desc;
    std::string setup_run;
    std::string setup_close;
    bool operator==(const Inf_setup_win&) const = default;
};

// Wallpaper folders (each ending with a backslash unless empty) and seconds between wallpapers.
struct WPs_inf {
    std::vector<std::string> dirs;
    std::int32_t time = 0;
    bool operator==(const WPs_inf&) const = default;
};

struct Inf_link_box {
    std::string link_caption;
    std::string link_message;
    bool operator==(const Inf_link_box&) const = default;
};

struct Inf_shell {
    CD_inf cd;
    Inf_side_panel side_panel;
    Inf_top_panel top_panel;
    Inf_main_frame main_frame;
    Inf_control_panel control_panel;
    Inf_mcontrol_panel mcontrol_panel;
    Inf_image picture;
    Inf_banner banner;
    std::string setup_sound;
    std::string link_sound;
    std::string sp_btn_sound;
    Inf_setup_win setup_win;
    WPs_inf wallpapers;
    Inf_link_box link_box;
    std::vector<std::string> music_files;
    bool operator==(const Inf_shell&) const = default;
};
