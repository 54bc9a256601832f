// The menu as a static web site: every picture the page shows is drawn by the menu's own elements
// (an OffscreenMenu brought to each state in turn), cut into layers where the menu's controls lie
// and written once however many states show it; the page's own script puts the layers of a state
// together as the menu's window stacks its controls.
//
// The site's files:
//   index.html, site.js, site.css  the page (the project's own files, copied as they are)
//   data.js                         the menu as data: `window.ZUL_SITE = {...};`
//   img/HASH.png, img/HASH.jpg      the layers' and the viewer's pictures, named by their content
//   snd/N.ogg, snd/track-N.ogg      the event sounds and the music tabs' MIDI tracks
//   disc/...                        the folders of the setups, links' documents and mp3 tracks,
//                                   under their disc paths
// data.js holds the layers (place, pictures, role, text), the layers of each state by the key
// "TAB,SUB,ROW,INFO" (SUB -1 for a tab without sub-tabs; INFO 1 with the info box, 2 a music tab's
// panel while a track plays), the tabs with their entries' pictures, setups, tracks and texts, and
// the links (each with the menu's question before it, drawn as the menu's box), setup windows, options
// window, banners, cursors, sounds, splash and wallpapers.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/Description.h"
#include "model/Language.h"
#include "site/OffscreenMenu.h"

struct SiteOptions {
    // Whether the setups' folders are copied into the site (4 GB at most, as the menu's copies);
    // without them the setup button says where on the disc the setup is.
    bool files = true;
    // The file the menu's data goes to: data.js for the language the page starts with, one of its
    // own for each other language.
    std::string data_file = "data.js";
    // Whether the page's own files go with it (once a site).
    bool page_files = true;
    // With several, the disc's languages in the order the language question lists them, the data
    // file of each, and the one preselected: the page asks first, drawn by the menu's question.
    std::vector<lang_inf> languages;
    std::vector<std::string> language_files;
    int preselected = 0;
    // The code of the menu's language, whose splash the page shows at its start.
    std::string language_code;
};

// Writes the site of `menu` (built from `description`, and left as the menu first shows it) into
// the existing empty folder `folder`. Throws std::runtime_error when a file cannot be written.
void WriteSite(OffscreenMenu& menu, const Inf_shell& description, const std::filesystem::path& folder,
               const SiteOptions& options = {});

// Writes a site into `out` whole or not at all: `write` fills a new folder beside it, which then
// takes its name. An `out` that exists and is not an empty folder is refused unless `force`, and
// then replaced. Returns the error to report, empty once `out` holds the site; what `write` throws
// is reported by its text.
std::string WriteWholeSite(const std::filesystem::path& out, bool force,
                           const std::function<void(const std::filesystem::path& folder)>& write);
