// Software catalogue: tabs, subs, entries and the captions of an entry's fields.
// Plain value records; texts are raw bytes in the disc's code page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct string_pair {
    std::string first;
    std::string second;
    bool operator==(const string_pair&) const = default;
};

// One picture of an entry: a thumbnail (archive member) and a full-size picture (file path).
struct PicPair {
    std::string thumb;
    std::string pic;
    bool operator==(const PicPair&) const = default;
};

// One software entry (script block "p").
struct SoftTabElement {
    std::string title;
    std::string size;
    std::string developer;
    std::string publisher;
    std::string type;
    std::string zhanr;
    std::string version;
    std::string url;
    std::string description;
    std::string sysinf;
    std::string os;
    std::vector<string_pair> setups;
    std::string url_dev;
    std::string url_pub;
    std::vector<PicPair> pics;
    bool operator==(const SoftTabElement&) const = default;
};

// One sub of a tab (script block "sub").
struct SEL {
    std::vector<SoftTabElement> entries;
    std::string description_title;
    std::string description_sm_title;
    std::string sysinf_title;
    std::int32_t grid_left = 0;
    std::int32_t grid_top = 0;
    std::int32_t grid_width = 0;
    std::int32_t grid_height = 0;
    std::int32_t label_left = 0;
    std::int32_t label_top = 0;
    std::int32_t label_width = 0;
    std::int32_t thumb_left = 0;
    std::int32_t thumb_top = 0;
    std::int32_t label_font_size = 0;
    std::int32_t label_font_color = 0;
    bool operator==(const SEL&) const = default;
};

// One tab of the catalogue (script block "tab").
struct sub_se {
    std::vector<SEL> sels;
    bool music = false;
    bool full_inf = false;
    bool operator==(const sub_se&) const = default;
};

struct SoftTabTitles {
    std::string size_title;
    std::string developer_title;
    std::string publisher_title;
    std::string zhanr_title;
    std::string version_title;
    std::string url_title;
    std::string description_title;
    std::string sysinf_title;
    bool operator==(const SoftTabTitles&) const = default;
};

struct SoftSmallTitles {
    std::string size_sm_title;
    std::string developer_sm_title;
    std::string publisher_sm_title;
    std::string zhanr_sm_title;
    std::string version_sm_title;
    std::string url_sm_title;
    std::string description_sm_title;
    std::string sysinf_sm_title;
    std::string os_sm_title;
    bool operator==(const SoftSmallTitles&) const = default;
};
