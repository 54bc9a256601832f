// What the demo disc offers: its two languages, the catalogue of tabs, groups, products with
// their setups and documents, and the music tab's tracks. Texts come in both languages (UTF-8).
#pragma once

#include <string>
#include <vector>

#include "demo/DemoPictures.h"
#include "demo/DemoSkin.h"

// One of the disc's languages: the suffix of its script and pictures, and its code page.
struct Language {
    const char* code;
    const char* code_page;
    int index;  // 0 Russian, 1 Lithuanian
};

extern const Language kRussian;
extern const Language kLithuanian;

// A text in both languages (UTF-8).
struct L2 {
    const char* ru;
    const char* lit;
    std::string operator()(const Language& lang) const { return lang.index == 0 ? ru : lit; }
};

// A product's setup: a file the menu runs or opens, and what it writes on the disc.
struct Setup {
    std::string path;  // as the script spells it
    L2 description;
    std::string bytes;
};

// An entry of the catalogue with its pictures and setups.
struct Product {
    std::string id;  // thumbnail and folder names
    std::string title;
    L2 type;
    std::string version;
    L2 zhanr;
    std::string developer, url_dev, publisher, url_pub;
    L2 size;
    std::string url;
    L2 sysinf;
    std::string os;
    std::vector<L2> description;  // one script line each
    ShotStyle style;
    int pictures;                 // thumbnail and full-size picture pairs
    std::string thumb_ext;        // the archive member kind of its thumbnails
    std::string pic_folder;       // the script's spelling of the folder of its full-size pictures
    std::vector<Setup> setups;
};

// A group of products within a tab, chosen in the top panel.
struct Sub {
    L2 caption;
    Glyph glyph;
    std::vector<Product> products;
};

// A tab of the side panel. Tabs without `full_inf` show a ribbon instead of the info box.
struct Tab {
    std::string id;
    L2 caption;
    Glyph glyph;
    bool full_inf;
    std::vector<Sub> subs;
};

// The demo's catalogue: a games tab and a programs tab, each with two groups.
std::vector<Tab> Catalogue();

// The catalogue of a big issue: the first group holds `entries` products in all, copies of the
// demo's with their own names and two pictures each.
void MakeBig(std::vector<Tab>& tabs, int entries);

// A track of the music tab; `variant` picks its cover.
struct Track {
    std::string title;
    L2 description;
    std::string path;  // as the script spells it
    int variant;
};

// The tracks of the music tab, in the order the script lists them.
const std::vector<Track>& Tracks();
