// Writes the demo disc into a folder: a magazine's cover disc in two languages (Russian in
// Windows-1251, Lithuanian in Windows-1257, CR LF line ends, the way the disc's editors wrote
// them), its picture archive graph\shell.dat with the skin of each language and the catalogue's
// thumbnails, and every file the scripts name: cursors, event sounds, background music, MIDI
// tracks and a short mp3 of silence, banners, full-size pictures, wallpapers, splash pictures and
// harmless installers.
// Some script paths differ in letter case from the files written, as on real discs, which were
// made on case-insensitive file systems.
//   make_demo_disc DISC_FOLDER [--look PNG_FOLDER] [--big ENTRIES] [--iso IMAGE]
//   make_demo_disc --iso-of FOLDER IMAGE
// With --look, PNG copies of the main skin pictures are written for a person to look at. With
// --big, the catalogue's first group holds ENTRIES products in all (copies of the demo's, two
// pictures each), whose thumbnails are twice as large and carry photo-like grain, so that the
// archive weighs what a big issue's does (about 35 MB for 300 entries). With --iso, the disc is
// also written as an ISO 9660 image with Rock Ridge and Joliet names, the way old discs survive;
// --iso-of writes any folder as such an image (small images for the fuzz seeds).
#include <archive.h>
#include <archive_entry.h>
#include <iconv.h>
#include <locale.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo/DemoCatalogue.h"
#include "demo/DemoFiles.h"
#include "demo/DemoIso.h"
#include "demo/DemoFormats.h"
#include "demo/DemoSkin.h"
#include "rarwriter/RarWriter.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------------
// Languages and texts

const L2 kDiscTitle{"Диск журнала .ZUL — выпуск 4 (2026)", "Žurnalo .ZUL diskas — Nr. 4 (2026)"};
const L2 kIssue{"Апрель 2026", "2026 m. balandis"};
const char* kSite = "http://zul.example.com/";

// ---------------------------------------------------------------------------------------------
// Layout of the main window (pixels from its top left corner)

constexpr int kSideTop = 27;
constexpr int kTabLeft = 7, kTabTop = 100, kTabStep = 40, kTabW = 104, kTabH = 34;
constexpr int kLinkLeft = 7, kLinkTop = 350, kLinkW = 104, kLinkH = 28;
constexpr int kTopLeft = 120, kTopTop = 27, kTopW = 526, kTopH = 40;
constexpr int kSubLeft = 128, kSubTop = 33, kSubStep = 118, kSubW = 112, kSubH = 28;
constexpr int kPlateLeft = 126, kPlateTop = 394, kPlateStep = 130, kPlateW = 124, kPlateH = 42;
constexpr int kCtrlW = 112, kCtrlH = 30;
constexpr int kMusicLeft = 122, kMusicTop = 393, kMusicW = 522, kMusicH = 44;
constexpr int kMusicBtnLeft = 130, kMusicBtnTop = 400, kMusicBtnStep = 102, kMusicBtnW = 96, kMusicBtnH = 30;
constexpr int kStripLeft = 124, kStripTop = 300, kStripW = 516, kStripH = 44;
constexpr int kEmblemLeft = 392, kEmblemTop = 354, kEmblemW = 244, kEmblemH = 28;
constexpr int kThumbW = 160, kThumbH = 120, kCoverSize = 120;

// The picture `top` drawn over what lies beneath it at (x, y) of `under`, so that its rounded
// corners show the skin behind it.
QImage Flatten(const QImage& top, const QImage& under, int x, int y)
{
    QImage out = under.copy(x, y, top.width(), top.height()).convertToFormat(QImage::Format_RGB32);
    QPainter p(&out);
    p.drawImage(0, 0, top);
    return out;
}

// ---------------------------------------------------------------------------------------------
// The picture archive and the script of one language

class Script {
public:
    void Line(const std::string& text) { text_ += text + "\n"; }
    void Key(const std::string& key, const std::string& value) { Line(key + " = " + value); }
    void Key(const std::string& key, int value) { Key(key, std::to_string(value)); }
    void Image(const std::string& pic, int left, int top, int w = 0, int h = 0, const char* tag = "image")
    {
        Line(tag);
        Key("pic", pic);
        Key("left", left);
        Key("top", top);
        if (w != 0 || h != 0) {
            Key("width", w);
            Key("height", h);
        }
        Line(std::string("/") + tag);
    }
    void Button(const std::string& base, const std::string& ext, int left, int top, const std::string& hint = {},
                int w = 0, int h = 0)
    {
        Line("button");
        Key("normal_pic", base + "." + ext);
        Key("over_pic", base + "_over." + ext);
        Key("down_pic", base + "_down." + ext);
        if (!hint.empty())
            Key("hint", hint);
        Key("left", left);
        Key("top", top);
        if (w != 0 || h != 0) {
            Key("width", w);
            Key("height", h);
        }
        Line("/button");
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Writes the pictures of one language into the archive and returns its script (UTF-8).
class LanguageDisc {
public:
    // `added` holds the members already written, so that the pictures both languages share are
    // written once.
    LanguageDisc(const Language& lang, RarWriter& rar, std::set<std::string>& added, const fs::path& look)
        : lang_(lang), rar_(rar), added_(added), look_(look), skin_(std::string("skin\\") + lang.code + "\\")
    {
    }

    std::string Build(const std::vector<Tab>& tabs);

    // The main window as the menu first shows it (first tab and sub chosen), for a person to look at.
    QImage Screen(const std::vector<Tab>& tabs, const QImage& advert) const;

private:
    std::string T(const L2& text) const { return text(lang_); }
    QString QT(const L2& text) const { return Q(text(lang_)); }

    void Add(const std::string& name, const QImage& image, const std::string& look_name = {})
    {
        pictures_[name] = image;
        if (!added_.insert(name).second)
            return;
        const std::string ext = name.substr(name.rfind('.') + 1);
        if (ext == "gif")
            rar_.AddFile(name, GifFile({image.convertToFormat(QImage::Format_RGB32)}));
        else if (ext == "bmp")
            rar_.AddFile(name, EncodedPicture(image.convertToFormat(QImage::Format_RGB32), "BMP"));
        else
            rar_.AddFile(name, EncodedPicture(image.convertToFormat(QImage::Format_RGB32), "JPG", 92));
        if (!look_.empty() && !look_name.empty())
            image.save(QString::fromStdString((look_ / (std::string(lang_.code) + "-" + look_name + ".png")).string()));
    }

    // The three pictures of a button lying on `under` at (x, y), as members base.ext, base_over.ext
    // and base_down.ext.
    void AddButton(const std::string& base, const std::string& ext, int w, int h, Glyph glyph,
                   const QString& caption, const QImage& under, int x, int y, bool tab = false,
                   const QString& down_caption = {}, Glyph down_glyph = Glyph::None)
    {
        const bool look = base.find("tab") != std::string::npos || base.find("setup") != std::string::npos ||
                          base.find("close") != std::string::npos;
        const std::string leaf = base.substr(base.rfind('\\') + 1);
        Add(base + "." + ext, Flatten(Button(w, h, glyph, caption, ButtonState::Normal, tab), under, x, y),
            look ? leaf : std::string());
        Add(base + "_over." + ext, Flatten(Button(w, h, glyph, caption, ButtonState::Hover, tab), under, x, y),
            look ? leaf + "_over" : std::string());
        Add(base + "_down." + ext,
            Flatten(Button(w, h, down_glyph == Glyph::None ? glyph : down_glyph,
                           down_caption.isEmpty() ? caption : down_caption, ButtonState::Down, tab),
                    under, x, y),
            look ? leaf + "_down" : std::string());
    }

    const Language& lang_;
    RarWriter& rar_;
    std::set<std::string>& added_;
    std::map<std::string, QImage> pictures_;  // this language's skin pictures by member name
    fs::path look_;
    std::string skin_;
};

std::string LanguageDisc::Build(const std::vector<Tab>& tabs)
{
    const L2 back_caption{"Назад", "Atgal"};
    const L2 next_caption{"Далее", "Toliau"};
    const L2 options_caption{"Опции", "Nustatymai"};

    // The main window, with the panels composed over it as the menu shows them: every button
    // is cut out of what lies beneath it.
    const QImage back = Background(QT(kDiscTitle));
    Add(skin_ + "back.jpg", back, "back");
    QImage screen = back.convertToFormat(QImage::Format_RGB32);
    const QImage side = SidePanelBack(118, 511 - kSideTop, QT({"Разделы", "Skyriai"}));
    Add(skin_ + "side.jpg", side, "side");
    const QImage top = TopPanelBack(kTopW, kTopH);
    Add(skin_ + "top.jpg", top);
    {
        QPainter p(&screen);
        p.drawImage(0, kSideTop, side);
        p.drawImage(kTopLeft, kTopTop, top);
    }
    const QImage logo = Logo(100, 40);
    Add("skin\\logo.gif", logo);
    const QImage music_back = Flatten(MusicPanelBack(kMusicW, kMusicH), screen, kMusicLeft, kMusicTop);
    Add(skin_ + "music\\panel.bmp", music_back);
    const QImage plate = Flatten(ControlPlate(kPlateW, kPlateH), screen, kPlateLeft, kPlateTop);
    Add("skin\\plate.bmp", plate);
    const QImage strip = Flatten(MusicStrip(kStripW, kStripH), screen, kStripLeft, kStripTop);
    Add("skin\\strip.bmp", strip, "strip");
    QImage controls = screen;
    {
        QPainter p(&controls);
        for (int i = 0; i < 4; ++i)
            p.drawImage(kPlateLeft + i * kPlateStep, kPlateTop, plate);
    }
    QImage music_screen = screen;
    {
        QPainter p(&music_screen);
        p.drawImage(kMusicLeft, kMusicTop, music_back);
    }

    Script s;
    s.Line("cd");
    s.Image("skin\\logo.gif", 9, 33, 100, 40);
    s.Image(skin_ + "back.jpg", 0, 0, 0, 0, "back");
    AddButton("skin\\min", "gif", 20, 18, Glyph::Minimise, {}, screen, 600, 4);
    AddButton("skin\\close", "gif", 20, 18, Glyph::Close, {}, screen, 624, 4);
    s.Button("skin\\min", "gif", 600, 4, T({"Свернуть", "Sumažinti"}));
    s.Button("skin\\close", "gif", 624, 4, T({"Закрыть", "Uždaryti"}));

    // Side panel: background, the link to the magazine's site, the tabs follow with each tab.
    s.Line("side_panel");
    s.Image(skin_ + "side.jpg", 0, kSideTop);
    AddButton(skin_ + "site", "bmp", kLinkW, kLinkH, Glyph::Globe, QT({"Наш сайт", "Svetainė"}), screen,
              kLinkLeft, kLinkTop);
    s.Button(skin_ + "site", "bmp", kLinkLeft, kLinkTop, kSite, kLinkW, kLinkH);
    s.Line("/side_panel");
    s.Line("top_panel");
    s.Image(skin_ + "top.jpg", kTopLeft, kTopTop, kTopW, kTopH);
    s.Line("/top_panel");

    // Control panel: previous entry, setup, options, next entry, each on its plate.
    s.Line("control_panel");
    const std::vector<std::pair<std::string, std::pair<L2, Glyph>>> control = {
        {"prev", {back_caption, Glyph::Prev}},
        {"setup", {{"Установить", "Įdiegti"}, Glyph::Setup}},
        {"options", {options_caption, Glyph::Options}},
        {"next", {next_caption, Glyph::Next}}};
    for (int i = 0; i < 4; ++i) {
        const int x = kPlateLeft + i * kPlateStep;
        const std::string base = skin_ + "ctrl\\" + control[static_cast<std::size_t>(i)].first;
        AddButton(base, "bmp", kCtrlW, kCtrlH, control[static_cast<std::size_t>(i)].second.second,
                  QT(control[static_cast<std::size_t>(i)].second.first), controls, x + 6, kPlateTop + 6);
        s.Image("skin\\plate.bmp", x, kPlateTop);
        s.Button(base, "bmp", x + 6, kPlateTop + 6);
    }
    s.Line("/control_panel");

    // Music panel: previous, play (pressed: pause), stop, next, options.
    s.Line("mcontrol_panel");
    s.Image(skin_ + "music\\panel.bmp", kMusicLeft, kMusicTop);
    const std::vector<std::pair<std::string, std::pair<L2, Glyph>>> music = {
        {"prev", {back_caption, Glyph::Prev}},
        {"play", {{"Играть", "Groti"}, Glyph::Play}},
        {"stop", {{"Стоп", "Stop"}, Glyph::Stop}},
        {"next", {next_caption, Glyph::Next}},
        {"options", {options_caption, Glyph::Options}}};
    for (int i = 0; i < 5; ++i) {
        const auto& [name, look] = music[static_cast<std::size_t>(i)];
        const int x = kMusicBtnLeft + i * kMusicBtnStep;
        const std::string base = skin_ + "music\\" + name;
        const bool play = name == "play";
        AddButton(base, "gif", kMusicBtnW, kMusicBtnH, look.second, QT(look.first), music_screen, x, kMusicBtnTop,
                  false, play ? QT({"Пауза", "Pauzė"}) : QString(), play ? Glyph::Pause : Glyph::None);
        s.Button(base, "gif", x, kMusicBtnTop, {}, kMusicBtnW, kMusicBtnH);
    }
    s.Line("/mcontrol_panel");

    // Options window: background with its caption strip and the close button.
    const QImage options = OptionsBack(497, 336, QT(options_caption), QT(kDiscTitle), QT(kIssue));
    Add(skin_ + "options.jpg", options, "options");
    s.Line("opts_window");
    s.Image(skin_ + "options.jpg", 0, 0, 0, 0, "back");
    AddButton("skin\\opts_close", "gif", 21, 20, Glyph::Close, {}, options, 472, 2);
    s.Button("skin\\opts_close", "gif", 472, 2, {}, 21, 20);
    s.Key("cap_height", 24);
    s.Key("about_first", T(kDiscTitle));
    s.Key("about_second", T({"Апрель 2026. Редакция: zul.example.com", "2026 m. balandis. Redakcija: zul.example.com"}));
    s.Key("sound_off", T({"Звук выключен", "Garsas išjungtas"}));
    s.Key("cursors_off", T({"Стандартные курсоры", "Standartiniai žymekliai"}));
    s.Key("wp_off", T({"Обои выключены", "Fonai išjungti"}));
    s.Key("wp_select", T({"Выбор обоев", "Fono pasirinkimas"}));
    s.Key("lang_select", T({"Выбрать язык", "Pasirinkti kalbą"}));
    s.Key("music_off", T({"Музыка выключена", "Muzika išjungta"}));
    s.Key("music_select", T({"Выбор музыки", "Muzikos pasirinkimas"}));
    s.Line("/opts_window");
    s.Image("skin\\strip.bmp", kStripLeft, kStripTop, kStripW, kStripH);

    // The keys of the disc.
    s.Key("title", T(kDiscTitle));
    s.Key("main_cursor", "graph\\Cursors\\Main.cur");
    s.Key("link_cursor", "graph\\cursors\\link.ani");
    s.Key("cap_height", 26);
    // Named in the language itself, as discs did: the file on a mounted image has its name in
    // UTF-8 (and in lower case), the script in the language's code page.
    s.Key("exit_sound", T({"graph\\Звуки\\Выход.wav", "graph\\Garsai\\Išėjimas.wav"}));
    s.Key("options_sound", "graph\\sounds\\options.wav");
    s.Key("ok_sound", "graph\\sounds\\ok.wav");
    s.Key("cancel_sound", "graph\\sounds\\cancel.wav");
    s.Key("picture_sound", "graph\\sounds\\picture.wav");
    s.Key("grid_select_sound", "graph\\Sounds\\Select.wav");
    s.Key("setup_sound", "graph\\sounds\\setup.wav");
    s.Key("link_sound", "graph\\sounds\\link.wav");
    s.Key("sp_btn_sound", "graph\\sounds\\tab.wav");
    s.Key("sm_ad_left", 9);
    s.Key("sm_ad_top", 395);
    s.Key("sm_ad_width", 100);
    s.Key("sm_ad_height", 100);
    s.Key("sm_ad_time", 7);
    s.Key("sm_ad_pic", "graph\\ads\\sm_ad1.gif");
    s.Key("sm_ad_url", "http://orbit.example.com/");
    s.Key("sm_ad_pic", "graph\\Ads\\Sm_Ad2.jpg");
    s.Key("sm_ad_url", kSite);
    s.Key("ad_pic", "graph\\ads\\ad1.jpg");
    s.Key("ad_url", "http://starminer.example.com/");
    s.Key("ad_pic", "graph\\ads\\ad2.gif");
    s.Key("ad_url", "http://pageview.example.com/");
    s.Key("ad_pic", "graph\\Ads\\Ad3.bmp");
    s.Key("ad_url", kSite);
    s.Key("ad_left", 149);
    s.Key("ad_top", 446);
    s.Key("ad_width", 468);
    s.Key("ad_height", 60);
    s.Key("ad_time", 10);
    s.Key("size_title", T({"Размер:", "Dydis:"}));
    s.Key("developer_title", T({"Разработчик:", "Kūrėjas:"}));
    s.Key("publisher_title", T({"Издатель:", "Leidėjas:"}));
    s.Key("zhanr_title", T({"Жанр:", "Žanras:"}));
    s.Key("version_title", T({"Версия:", "Versija:"}));
    s.Key("url_title", T({"Сайт:", "Svetainė:"}));
    s.Key("description_title", T({"Описание", "Aprašymas"}));
    s.Key("sysinf_title", T({"Системные требования", "Sistemos reikalavimai"}));
    s.Key("size_sm_title", T({"Размер:", "Dydis:"}));
    s.Key("developer_sm_title", T({"Разработчик:", "Kūrėjas:"}));
    s.Key("publisher_sm_title", T({"Издатель:", "Leidėjas:"}));
    s.Key("zhanr_sm_title", T({"Жанр:", "Žanras:"}));
    s.Key("version_sm_title", T({"Версия:", "Versija:"}));
    s.Key("url_sm_title", T({"Сайт:", "Svetainė:"}));
    s.Key("description_sm_title", T({"Кратко:", "Trumpai:"}));
    s.Key("sysinf_sm_title", T({"Требования:", "Reikalavimai:"}));
    s.Key("os_sm_title", T({"ОС:", "OS:"}));
    s.Key("setup_nomer", T({"№", "Nr."}));
    s.Key("setup_file", T({"Файл", "Failas"}));
    s.Key("setup_desc", T({"Описание", "Aprašymas"}));
    s.Key("setup_run", T({"Запустить", "Paleisti"}));
    s.Key("setup_close", T({"Закрыть", "Uždaryti"}));
    s.Key("wp_dir", "graph\\Wallpapers\\Space");
    s.Key("wp_dir", "graph\\wallpapers\\retro\\");
    s.Key("wp_time", 20);
    s.Key("link_caption", T({"Переход по ссылке", "Nuoroda"}));
    s.Key("link_message", T({"Открыть эту страницу в браузере?", "Atidaryti šį puslapį naršyklėje?"}));
    s.Key("music_file", "graph\\Music\\Lounge.wav");
    s.Key("music_file", "graph\\music\\groove.wav");
    s.Line("/cd");
    s.Line("");

    // The catalogue: every tab has its button down the side panel, every sub its button in the
    // top panel; in tabs without the info box, whose place it would share, also a ribbon in the
    // corner of the frame.
    int tab_index = 0;
    for (const Tab& tab : tabs) {
        const int ty = kTabTop + tab_index * kTabStep;
        const std::string tab_base = skin_ + "tab_" + tab.id;
        AddButton(tab_base, "bmp", kTabW, kTabH, tab.glyph, QT(tab.caption), screen, kTabLeft, ty, true);
        s.Line("tab");
        s.Button(tab_base, "bmp", kTabLeft, ty, T(tab.caption));
        if (!tab.full_inf)
            s.Key("nofull_inf", 1);
        int sub_index = 0;
        for (const Sub& sub : tab.subs) {
            const int sx = kSubLeft + sub_index * kSubStep;
            const std::string sub_base = skin_ + "sub_" + tab.id + std::to_string(sub_index + 1);
            AddButton(sub_base, "bmp", kSubW, kSubH, sub.glyph, QT(sub.caption), screen, sx, kSubTop, true);
            s.Line("sub");
            s.Button(sub_base, "bmp", sx, kSubTop, {}, kSubW, kSubH);
            if (!tab.full_inf) {
                const std::string emblem = skin_ + "ribbon_" + tab.id + std::to_string(sub_index + 1) + ".gif";
                Add(emblem, Flatten(TabEmblem(kEmblemW, kEmblemH, sub.glyph, QT(sub.caption)), screen,
                                    kEmblemLeft, kEmblemTop));
                s.Image(emblem, kEmblemLeft, kEmblemTop);
            }
            for (const Product& product : sub.products) {
                s.Line("p");
                s.Key("title", product.title);
                s.Key("type", T(product.type));
                s.Key("version", product.version);
                s.Key("zhanr", T(product.zhanr));
                if (!product.developer.empty())
                    s.Key("developer", product.developer);
                if (!product.url_dev.empty())
                    s.Key("url_dev", product.url_dev);
                if (!product.publisher.empty())
                    s.Key("publisher", product.publisher);
                if (!product.url_pub.empty())
                    s.Key("url_pub", product.url_pub);
                s.Key("size", T(product.size));
                if (!product.url.empty())
                    s.Key("url", product.url);
                s.Key("sysinf", T(product.sysinf));
                s.Key("os", product.os);
                for (const L2& line : product.description)
                    s.Key("description", T(line));
                for (const Setup& setup : product.setups) {
                    s.Key("setup", setup.path);
                    s.Key("setup_description", T(setup.description));
                }
                for (int k = 1; k <= product.pictures; ++k) {
                    s.Key("thumb", "shots\\" + product.id + "_" + std::to_string(k) + "." + product.thumb_ext);
                    s.Key("pic", product.pic_folder + "\\Shot" + std::to_string(k) + ".jpg");
                }
                s.Line("/p");
            }
            s.Line("/sub");
            ++sub_index;
        }
        s.Line("/tab");
        ++tab_index;
    }

    // The music tab: one list of tracks with their covers.
    const int ty = kTabTop + tab_index * kTabStep;
    const L2 music_caption{"Музыка", "Muzika"};
    AddButton(skin_ + "tab_music", "bmp", kTabW, kTabH, Glyph::Note, QT(music_caption), screen, kTabLeft, ty, true);
    AddButton(skin_ + "sub_music1", "bmp", kSubW, kSubH, Glyph::Note, QT({"Треки", "Takeliai"}), screen, kSubLeft,
              kSubTop, true);
    const std::string emblem = skin_ + "ribbon_music.gif";
    Add(emblem, Flatten(TabEmblem(kEmblemW, kEmblemH, Glyph::Note, QT({"Музыка диска", "Disko muzika"})), screen,
                        kEmblemLeft, kEmblemTop));
    s.Line("tab");
    s.Button(skin_ + "tab_music", "bmp", kTabLeft, ty, T(music_caption));
    s.Key("music", 1);
    s.Line("sub");
    s.Button(skin_ + "sub_music1", "bmp", kSubLeft, kSubTop);
    s.Image(emblem, kEmblemLeft, kEmblemTop);
    s.Key("grid_left", 124);
    s.Key("grid_top", 78);
    s.Key("grid_width", 258);
    s.Key("grid_height", 210);
    s.Key("label_left", 392);
    s.Key("label_top", 80);
    s.Key("label_width", 240);
    s.Key("label_font_size", -15);
    s.Key("label_font_color", "$00503010");
    s.Key("thumb_left", 452);
    s.Key("thumb_top", 168);
    for (const Track& track : Tracks()) {
        s.Line("p");
        s.Key("title", track.title);
        s.Key("description", T(track.description));
        s.Key("setup", track.path);
        s.Key("thumb", "shots\\cover" + std::to_string(track.variant + 1) + ".jpg");
        s.Line("/p");
    }
    s.Line("/sub");
    s.Line("/tab");
    return s.Text();
}

QImage LanguageDisc::Screen(const std::vector<Tab>& tabs, const QImage& advert) const
{
    QImage screen = pictures_.at(skin_ + "back.jpg").convertToFormat(QImage::Format_RGB32);
    QPainter p(&screen);
    auto draw = [&](const std::string& name, int x, int y) { p.drawImage(x, y, pictures_.at(name)); };
    draw(skin_ + "side.jpg", 0, kSideTop);
    draw(skin_ + "top.jpg", kTopLeft, kTopTop);
    draw("skin\\logo.gif", 9, 33);
    draw("skin\\min.gif", 600, 4);
    draw("skin\\close.gif", 624, 4);
    draw(skin_ + "site.bmp", kLinkLeft, kLinkTop);
    const char* control[] = {"prev", "setup", "options", "next"};
    for (int i = 0; i < 4; ++i) {
        draw("skin\\plate.bmp", kPlateLeft + i * kPlateStep, kPlateTop);
        draw(skin_ + "ctrl\\" + control[i] + (i == 1 ? "_over.bmp" : ".bmp"), kPlateLeft + i * kPlateStep + 6,
             kPlateTop + 6);
    }
    for (std::size_t t = 0; t < tabs.size(); ++t)
        draw(skin_ + "tab_" + tabs[t].id + (t == 0 ? "_down.bmp" : ".bmp"), kTabLeft,
             kTabTop + static_cast<int>(t) * kTabStep);
    draw(skin_ + "tab_music.bmp", kTabLeft, kTabTop + static_cast<int>(tabs.size()) * kTabStep);
    for (std::size_t j = 0; j < tabs[0].subs.size(); ++j)
        draw(skin_ + "sub_" + tabs[0].id + std::to_string(j + 1) + (j == 0 ? "_down.bmp" : ".bmp"),
             kSubLeft + static_cast<int>(j) * kSubStep, kSubTop);
    p.drawImage(149, 446, advert);
    return screen;
}

// ---------------------------------------------------------------------------------------------
// Shared pictures and the files of the disc

// `image` with grain of a photograph's kind, the same for the same `seed`.
QImage Grained(QImage image, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> grain(0.0, 26.0);
    const auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = static_cast<int>(grain(random));
            row[x] = qRgb(clamp(qRed(row[x]) + n), clamp(qGreen(row[x]) + n), clamp(qBlue(row[x]) + n));
        }
    }
    return image;
}

void AddCatalogueThumbnails(RarWriter& rar, const std::vector<Tab>& tabs, const fs::path& disc, bool big)
{
    unsigned seed = 1;
    for (const Tab& tab : tabs)
        for (const Sub& sub : tab.subs)
            for (const Product& product : sub.products)
                for (int k = 1; k <= product.pictures; ++k) {
                    const QImage full = Screenshot(product.style, k, 480, 360, Q(product.title));
                    WriteDiscFile(disc, product.pic_folder + "\\Shot" + std::to_string(k) + ".jpg",
                                  EncodedPicture(full.convertToFormat(QImage::Format_RGB32), "JPG", 88));
                    const QImage drawn = Screenshot(product.style, k, big ? 2 * kThumbW : kThumbW,
                                                    big ? 2 * kThumbH : kThumbH, {})
                                             .convertToFormat(QImage::Format_RGB32);
                    const QImage thumb = big ? Grained(drawn, seed++) : drawn;
                    const std::string name = "shots\\" + product.id + "_" + std::to_string(k) + "." + product.thumb_ext;
                    if (product.thumb_ext == "gif")
                        rar.AddFile(name, GifFile({thumb}));
                    else if (product.thumb_ext == "bmp")
                        rar.AddFile(name, EncodedPicture(thumb, "BMP"));
                    else
                        rar.AddFile(name, EncodedPicture(thumb, "JPG", big ? 95 : 90));
                }
    for (const Track& track : Tracks())
        rar.AddFile("shots\\cover" + std::to_string(track.variant + 1) + ".jpg",
                    EncodedPicture(Cover(track.variant, kCoverSize, kCoverSize, Q(track.title))
                                       .convertToFormat(QImage::Format_RGB32),
                                   "JPG", 90));
}

void WriteInstallers(const fs::path& disc, const std::vector<Tab>& tabs)
{
    for (const Tab& tab : tabs)
        for (const Sub& sub : tab.subs)
            for (const Product& product : sub.products)
                for (const Setup& setup : product.setups) {
                    WriteDiscFile(disc, setup.path, setup.bytes);
                    if (setup.path.size() > 3 && setup.path.compare(setup.path.size() - 3, 3, ".sh") == 0)
                        fs::permissions(OnDisc(disc, setup.path),
                                        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                                        fs::perm_options::add);
                }
}

// Sounds: `f(t)` gives the sample at t seconds.
template <typename F>
std::vector<float> Synth(double seconds, int rate, F f)
{
    std::vector<float> out(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(f(static_cast<double>(i) / rate));
    return out;
}

// A plucked tone: a sine with a few overtones and an exponential decay.
double Pluck(double t, double freq, double decay)
{
    if (t < 0)
        return 0;
    const double w = 2 * M_PI * freq * t;
    return std::exp(-t * decay) * (std::sin(w) + 0.35 * std::sin(2 * w) + 0.15 * std::sin(3 * w)) / 1.5 *
           std::min(1.0, t * 400);
}

void WriteSounds(const fs::path& disc)
{
    const int rate = 22050;
    auto chime = [&](std::vector<double> freqs, double step, double decay, double length) {
        return Synth(length, rate, [&](double t) {
            double v = 0;
            for (std::size_t i = 0; i < freqs.size(); ++i)
                v += Pluck(t - static_cast<double>(i) * step, freqs[i], decay);
            return 0.5 * v;
        });
    };
    auto click = [&](double freq) {
        return Synth(0.06, rate, [&](double t) { return 0.7 * std::exp(-t * 90) * std::sin(2 * M_PI * freq * t); });
    };
    const std::string exit_sound = WavFile(chime({784, 659, 523, 392}, 0.09, 7, 0.9), rate, 16);
    WriteFile(disc / "graph" / "звуки" / "выход.wav", exit_sound);
    WriteFile(disc / "graph" / "garsai" / "išėjimas.wav", exit_sound);
    WriteDiscFile(disc, "graph\\sounds\\options.wav", WavFile(chime({523, 659}, 0.07, 12, 0.4), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\ok.wav", WavFile(chime({659, 988}, 0.06, 14, 0.35), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\cancel.wav", WavFile(chime({494, 370}, 0.06, 14, 0.35), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\picture.wav", WavFile(chime({880, 1109, 1319}, 0.04, 16, 0.4), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\select.wav", WavFile(click(1800), rate, 8));
    WriteDiscFile(disc, "graph\\sounds\\setup.wav", WavFile(chime({392, 523, 659, 784}, 0.05, 10, 0.6), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\link.wav", WavFile(chime({1047, 1319}, 0.05, 18, 0.3), rate, 8));
    WriteDiscFile(disc, "graph\\sounds\\tab.wav", WavFile(click(1200), rate, 16));

    // Background music: two loops of whole bars, so that they repeat without a seam.
    const int music_rate = 11025;
    auto loop = [&](std::vector<double> notes, double beat, double decay) {
        const double length = beat * static_cast<double>(notes.size());
        return Synth(length, music_rate, [&, length](double t) {
            double v = 0;
            for (std::size_t i = 0; i < notes.size(); ++i) {
                const double start = static_cast<double>(i) * beat;
                double dt = t - start;
                if (dt < 0)
                    dt += length;  // the tail of the last notes sounds at the start of the loop
                v += Pluck(dt, notes[i], decay);
                v += 0.5 * Pluck(dt, notes[i] / 2, decay * 0.6) * (i % 4 == 0 ? 1 : 0);
            }
            return 0.35 * v;
        });
    };
    WriteDiscFile(disc, "graph\\music\\lounge.wav",
                  WavFile(loop({262, 330, 392, 494, 440, 392, 330, 294, 262, 330, 392, 523, 494, 392, 330, 294}, 0.25, 4),
                          music_rate, 8));
    WriteDiscFile(disc, "graph\\music\\groove.wav",
                  WavFile(loop({220, 220, 330, 262, 294, 294, 392, 330, 220, 262, 330, 440, 392, 330, 294, 262}, 0.2, 6),
                          music_rate, 16));
}

void WriteTracks(const fs::path& disc)
{
    const int tpq = 96;
    // Orbit Waltz: a melody over a waltz bass, in 3/4.
    std::vector<MidiNote> waltz;
    const int melody[] = {67, 71, 74, 72, 71, 69, 67, 66, 67, 69, 71, 67};
    for (int bar = 0; bar < 8; ++bar) {
        const int root = bar % 2 == 0 ? 43 : 50;
        waltz.push_back({bar * 3 * tpq, tpq, root, 80, 1});
        waltz.push_back({bar * 3 * tpq + tpq, tpq, root + 16, 60, 1});
        waltz.push_back({bar * 3 * tpq + 2 * tpq, tpq, root + 19, 60, 1});
    }
    for (int i = 0; i < 24; ++i)
        waltz.push_back({i * tpq, tpq - 8, melody[i % 12] + (i >= 12 ? 12 : 0), 100, 0});
    WriteDiscFile(disc, "music\\track01.mid", MidiFile(waltz, tpq, 500000, {{0, 11}, {1, 0}}));

    // Retro Beat: square lead, bass and drums (channel 10), wrapped as RMID.
    std::vector<MidiNote> beat;
    for (int step = 0; step < 32; ++step) {
        const int t = step * tpq / 2;
        beat.push_back({t, tpq / 4, step % 4 == 0 ? 36 : 42, 100, 9});
        if (step % 8 == 4)
            beat.push_back({t, tpq / 4, 38, 110, 9});
        beat.push_back({t, tpq / 2 - 4, (step / 8) % 2 == 0 ? 36 : 41, 90, 1});
        if (step % 2 == 0)
            beat.push_back({t, tpq / 2, 60 + (step * 5) % 12, 90, 0});
    }
    WriteDiscFile(disc, "music\\track02.rmi", RmidFile(MidiFile(beat, tpq, 400000, {{0, 80}, {1, 38}})));

    // Interlude: six seconds of silence played through the mp3 decoder module, its length exact
    // from the Info header (230 frames of 1,152 samples, less the decoder's delay of 529).
    WriteDiscFile(disc, "music\\interlude.mp3", SilentMp3(230, 44100, Mp3LengthHeader::Info));

    // Morning Tide: slow piano arpeggios.
    std::vector<MidiNote> tide;
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (int bar = 0; bar < 8; ++bar)
        for (int i = 0; i < 4; ++i)
            tide.push_back({(bar * 4 + i) * tpq, tpq * 2, chords[bar % 4][i % 3] + (i == 3 ? 12 : 0), 70 + i * 5, 0});
    WriteDiscFile(disc, "music\\track03.mid", MidiFile(tide, tpq, 750000, {{0, 0}}));
}

void WriteBannersAndWallpapers(const fs::path& disc)
{
    WriteDiscFile(disc, "graph\\ads\\sm_ad1.gif",
                  GifFile({Advert(100, 100, 3, QStringLiteral("Orbit Soft"), QStringLiteral("games since 1994"))
                               .convertToFormat(QImage::Format_RGB32)}));
    WriteDiscFile(disc, "graph\\ads\\sm_ad2.jpg",
                  EncodedPicture(Advert(100, 100, 1, QStringLiteral(".ZUL"), QStringLiteral("zul.example.com"))
                                     .convertToFormat(QImage::Format_RGB32),
                                 "JPG", 90));
    WriteDiscFile(disc, "graph\\ads\\ad1.jpg",
                  EncodedPicture(Advert(468, 60, 0, QStringLiteral("STAR MINER 1.2"),
                                        QStringLiteral("full version in stores now"))
                                     .convertToFormat(QImage::Format_RGB32),
                                 "JPG", 90));
    WriteDiscFile(disc, "graph\\ads\\ad2.gif",
                  GifFile({Advert(468, 60, 2, QStringLiteral("PageView 4"), QStringLiteral("the web, faster"))
                               .convertToFormat(QImage::Format_RGB32)}));
    WriteDiscFile(disc, "graph\\ads\\ad3.bmp",
                  EncodedPicture(Advert(468, 60, 4, QStringLiteral(".ZUL magazine"),
                                        QStringLiteral("subscribe: zul.example.com"))
                                     .convertToFormat(QImage::Format_RGB32),
                                 "BMP"));
    const char* folders[] = {"space", "retro"};
    for (int f = 0; f < 2; ++f)
        for (int v = 0; v < 3; ++v)
            WriteDiscFile(disc, std::string("graph\\wallpapers\\") + folders[f] + "\\" + folders[f] +
                                    std::to_string(v + 1) + ".jpg",
                          EncodedPicture(Wallpaper(f, v).convertToFormat(QImage::Format_RGB32), "JPG", 88));
}

void WriteCursors(const fs::path& disc)
{
    WriteDiscFile(disc, "graph\\cursors\\main.cur", CursorFile(ArrowCursor(), 1, 1));
    WriteDiscFile(disc, "graph\\cursors\\link.ani", AnimatedCursorFile(HandCursorFrames(), 10, 1, 8));
}

void WriteSplash(const fs::path& disc, const Language& lang, const fs::path& look)
{
    const std::vector<QImage> frames =
        SplashFrames(Q(L2{"Диск журнала .ZUL", "Žurnalo .ZUL diskas"}(lang)),
                     Q(L2{"Выпуск 4 · апрель 2026 · загрузка…", "Nr. 4 · 2026 m. balandis · įkeliama…"}(lang)));
    std::vector<int> delays(frames.size(), 18);
    delays.back() = 120;
    WriteFile(disc / "graph" / "splash" / lang.code / "Intro.gif", GifFile(frames, delays));
    if (!look.empty())
        frames.back().save(QString::fromStdString((look / (std::string(lang.code) + "-splash.png")).string()));
}

// The disc's libraries: Windows DLLs on a real disc, for which the menu has built-in stand-ins.
std::string WindowsLibraryStub(const std::string& name)
{
    std::string bytes("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xFF\xFF\x00\x00", 16);
    bytes += "This program cannot be run in DOS mode. (" + name + " of the .ZUL demo disc)";
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--iso-of") {
        if (argc != 4) {
            std::cerr << "usage: make_demo_disc --iso-of FOLDER IMAGE\n";
            return 2;
        }
        try {
            WriteIsoImage(argv[2], argv[3]);
        } catch (const std::exception& e) {
            std::cerr << "make_demo_disc: " << e.what() << "\n";
            return 1;
        }
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts and image format plugins
    fs::path look;
    fs::path iso;
    int big = 0;
    bool usage = argc < 2 || argc % 2 != 0;
    for (int i = 2; !usage && i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--look")
            look = argv[i + 1];
        else if (option == "--iso")
            iso = argv[i + 1];
        else if (option == "--big")
            usage = (big = std::atoi(argv[i + 1])) <= 0;
        else
            usage = true;
    }
    if (usage) {
        std::cerr << "usage: make_demo_disc DISC_FOLDER [--look PNG_FOLDER] [--big ENTRIES] [--iso IMAGE]\n"
                     "       make_demo_disc --iso-of FOLDER IMAGE\n";
        return 2;
    }
    try {
        const fs::path disc = argv[1];
        if (!look.empty())
            fs::create_directories(look);
        LoadSkinFonts();
        std::vector<Tab> tabs = Catalogue();
        if (big > 0)
            MakeBig(tabs, big);

        fs::create_directories(disc / "graph");
        RarWriter rar(disc / "graph" / "shell.dat");
        std::set<std::string> added;
        for (const Language* lang : {&kRussian, &kLithuanian}) {
            LanguageDisc pictures(*lang, rar, added, look);
            const std::string script = pictures.Build(tabs);
            WriteFile(disc / "graph" / (std::string("image_") + lang->code + ".dat"),
                      WithCrLf(Encode(script, lang->code_page)));
            WriteSplash(disc, *lang, look);
            if (!look.empty())
                pictures
                    .Screen(tabs, Advert(468, 60, 0, QStringLiteral("STAR MINER 1.2"),
                                         QStringLiteral("full version in stores now")))
                    .save(QString::fromStdString((look / (std::string(lang->code) + "-screen.png")).string()));
        }
        AddCatalogueThumbnails(rar, tabs, disc, big > 0);
        rar.Finish();

        WriteFile(disc / "graph" / "dll" / "unrar.dll", WindowsLibraryStub("unrar.dll"));
        WriteFile(disc / "graph" / "dll" / "elamp.esp", WindowsLibraryStub("elamp.esp"));
        WriteCursors(disc);
        WriteSounds(disc);
        WriteTracks(disc);
        WriteBannersAndWallpapers(disc);
        WriteInstallers(disc, tabs);
        std::cout << "demo disc written to " << disc.string() << "\n";
        if (!iso.empty()) {
            WriteIsoImage(disc, iso);
            std::cout << "disc image written to " << iso.string() << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "make_demo_disc: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
