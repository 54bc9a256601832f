// The description scripts of the demo disc, one a language, and the skin pictures they place;
// see DemoScripts.h.
#include "demo/DemoScripts.h"

#include <QPainter>

#include <utility>

#include "demo/DemoFiles.h"
#include "demo/DemoFormats.h"
#include "rarwriter/RarWriter.h"

namespace {

// The disc's title, its issue and the magazine's site, as the scripts give them.
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
// The script of one language

// The text of a description script, built line by line: keys, pictures and buttons.
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

}  // namespace

QString LanguageDisc::QT(const L2& text) const
{
    return Q(text(lang_));
}

void LanguageDisc::Add(const std::string& name, const QImage& image, const std::string& look_name)
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

void LanguageDisc::AddButton(const std::string& base, const std::string& ext, int w, int h, Glyph glyph,
                             const QString& caption, const QImage& under, int x, int y, bool tab,
                             const QString& down_caption, Glyph down_glyph)
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
