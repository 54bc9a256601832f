#include "zulcheck/DumpJson.h"

#include <cstdint>
#include <vector>

namespace {

// Writes one object field after field: {"a": 1, "b": "x"}.
class Obj {
public:
    explicit Obj(std::string& out) : out_(out) { out_ += '{'; }
    ~Obj() { out_ += '}'; }
    Obj(const Obj&) = delete;
    Obj& operator=(const Obj&) = delete;

    std::string& key(std::string_view name)
    {
        if (!first_)
            out_ += ", ";
        first_ = false;
        out_ += '"';
        out_ += name;
        out_ += "\": ";
        return out_;
    }
    void text(std::string_view name, std::string_view value) { AppendJsonText(key(name), value); }
    void number(std::string_view name, std::int32_t value) { key(name) += std::to_string(value); }
    void flag(std::string_view name, bool value) { key(name) += value ? "true" : "false"; }

private:
    std::string& out_;
    bool first_ = true;
};

template <typename T, typename Fn>
void Array(std::string& out, const std::vector<T>& items, Fn&& write)
{
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += ", ";
        write(out, items[i]);
    }
    out += ']';
}

void Text(std::string& out, const std::string& s)
{
    AppendJsonText(out, s);
}

void ImageFields(Obj& o, const Inf_image& v)
{
    o.text("pic", v.pic);
    o.number("left", v.left);
    o.number("top", v.top);
    o.number("width", v.width);
    o.number("height", v.height);
}

void Image(std::string& out, const Inf_image& v)
{
    Obj o(out);
    ImageFields(o, v);
}

void ButtonFields(Obj& o, const Inf_button& v)
{
    o.text("normal_pic", v.normal_pic);
    o.text("over_pic", v.over_pic);
    o.text("down_pic", v.down_pic);
    o.text("hint", v.hint);
    o.number("left", v.left);
    o.number("top", v.top);
    o.number("width", v.width);
    o.number("height", v.height);
}

void Button(std::string& out, const Inf_button& v)
{
    Obj o(out);
    ButtonFields(o, v);
}

void Banner(std::string& out, const Inf_banner& v)
{
    Obj o(out);
    o.number("left", v.left);
    o.number("top", v.top);
    o.number("width", v.width);
    o.number("height", v.height);
    o.number("time", v.time);
    Array(o.key("items"), v.items, [](std::string& s, const Inf_banner_aux& item) {
        Obj i(s);
        i.text("pic", item.pic);
        i.text("url", item.url);
    });
}

void WindowFields(Obj& o, const Inf_window& v)
{
    Image(o.key("back"), v.back);
    Button(o.key("min_btn"), v.min_btn);
    Button(o.key("close_btn"), v.close_btn);
    o.number("cap_height", v.cap_height);
}

void Cd(std::string& out, const CD_inf& v)
{
    Obj o(out);
    o.text("title", v.title);
    o.text("main_cursor", v.main_cursor);
    o.text("link_cursor", v.link_cursor);
    o.text("exit_sound", v.exit_sound);
    o.text("options_sound", v.options_sound);
    {
        Obj w(o.key("window"));
        WindowFields(w, v.window);
    }
    Obj w(o.key("opts_window"));
    const Inf_about_window& a = v.opts_window;
    WindowFields(w, a);
    w.text("about_first", a.about_first);
    w.text("about_second", a.about_second);
    w.text("sound_off", a.sound_off);
    w.text("cursors_off", a.cursors_off);
    w.text("wp_off", a.wp_off);
    w.text("wp_select", a.wp_select);
    w.text("lang_select", a.lang_select);
    w.text("music_off", a.music_off);
    w.text("music_select", a.music_select);
    w.text("ok_sound", a.ok_sound);
    w.text("cancel_sound", a.cancel_sound);
}

void Entry(std::string& out, const SoftTabElement& v)
{
    Obj o(out);
    o.text("title", v.title);
    o.text("size", v.size);
    o.text("developer", v.developer);
    o.text("publisher", v.publisher);
    o.text("type", v.type);
    o.text("zhanr", v.zhanr);
    o.text("version", v.version);
    o.text("url", v.url);
    o.text("description", v.description);
    o.text("sysinf", v.sysinf);
    o.text("os", v.os);
    o.text("url_dev", v.url_dev);
    o.text("url_pub", v.url_pub);
    Array(o.key("setups"), v.setups, [](std::string& s, const string_pair& p) {
        Obj i(s);
        i.text("first", p.first);
        i.text("second", p.second);
    });
    Array(o.key("pics"), v.pics, [](std::string& s, const PicPair& p) {
        Obj i(s);
        i.text("thumb", p.thumb);
        i.text("pic", p.pic);
    });
}

void Sel(std::string& out, const SEL& v)
{
    Obj o(out);
    Array(o.key("entries"), v.entries, Entry);
    o.text("description_title", v.description_title);
    o.text("description_sm_title", v.description_sm_title);
    o.text("sysinf_title", v.sysinf_title);
    o.number("grid_left", v.grid_left);
    o.number("grid_top", v.grid_top);
    o.number("grid_width", v.grid_width);
    o.number("grid_height", v.grid_height);
    o.number("label_left", v.label_left);
    o.number("label_top", v.label_top);
    o.number("label_width", v.label_width);
    o.number("thumb_left", v.thumb_left);
    o.number("thumb_top", v.thumb_top);
    o.number("label_font_size", v.label_font_size);
    o.number("label_font_color", v.label_font_color);
}

void Tab(std::string& out, const sub_se& v)
{
    Obj o(out);
    Array(o.key("sels"), v.sels, Sel);
    o.flag("music", v.music);
    o.flag("full_inf", v.full_inf);
}

void MainFrame(std::string& out, const Inf_main_frame& v)
{
    Obj o(out);
    Array(o.key("tab_images"), v.tab_images,
          [](std::string& s, const std::vector<Inf_image>& images) { Array(s, images, Image); });
    Array(o.key("tabs"), v.tabs, Tab);
    {
        Obj t(o.key("titles"));
        const SoftTabTitles& x = v.titles;
        t.text("size_title", x.size_title);
        t.text("developer_title", x.developer_title);
        t.text("publisher_title", x.publisher_title);
        t.text("zhanr_title", x.zhanr_title);
        t.text("version_title", x.version_title);
        t.text("url_title", x.url_title);
        t.text("description_title", x.description_title);
        t.text("sysinf_title", x.sysinf_title);
    }
    {
        Obj t(o.key("small_titles"));
        const SoftSmallTitles& x = v.small_titles;
        t.text("size_sm_title", x.size_sm_title);
        t.text("developer_sm_title", x.developer_sm_title);
        t.text("publisher_sm_title", x.publisher_sm_title);
        t.text("zhanr_sm_title", x.zhanr_sm_title);
        t.text("version_sm_title", x.version_sm_title);
        t.text("url_sm_title", x.url_sm_title);
        t.text("description_sm_title", x.description_sm_title);
        t.text("sysinf_sm_title", x.sysinf_sm_title);
        t.text("os_sm_title", x.os_sm_title);
    }
    Image(o.key("music_strip"), v.music_strip);
    o.text("picture_sound", v.picture_sound);
    o.text("grid_select_sound", v.grid_select_sound);
}

}  // namespace

void AppendJsonText(std::string& out, std::string_view bytes, bool utf8)
{
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20 || (c >= 0x7F && !utf8)) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

std::string DescriptionJson(const Inf_shell& d)
{
    std::string out;
    {
        Obj o(out);
        Cd(o.key("cd"), d.cd);
        {
            Obj s(o.key("side_panel"));
            Image(s.key("back"), d.side_panel.back);
            Button(s.key("link_btn"), d.side_panel.link_btn);
            Array(s.key("tab_buttons"), d.side_panel.tab_buttons,
                  [](std::string& x, const SP_Inf_button& b) {
                      Obj bo(x);
                      ButtonFields(bo, b);
                      bo.flag("music", b.music);
                  });
            Banner(s.key("banner"), d.side_panel.banner);
        }
        {
            Obj t(o.key("top_panel"));
            Image(t.key("back"), d.top_panel.back);
            Array(t.key("tab_rows"), d.top_panel.tab_rows, [](std::string& x, const IndBtn& row) {
                Obj r(x);
                Array(r.key("buttons"), row.buttons, Button);
            });
        }
        MainFrame(o.key("main_frame"), d.main_frame);
        {
            Obj c(o.key("control_panel"));
            const Inf_control_panel& p = d.control_panel;
            Image(c.key("prev_image"), p.prev_image);
            Button(c.key("prev_btn"), p.prev_btn);
            Image(c.key("setup_image"), p.setup_image);
            Button(c.key("setup_btn"), p.setup_btn);
            Image(c.key("options_image"), p.options_image);
            Button(c.key("options_btn"), p.options_btn);
            Image(c.key("next_image"), p.next_image);
            Button(c.key("next_btn"), p.next_btn);
        }
        {
            Obj m(o.key("mcontrol_panel"));
            const Inf_mcontrol_panel& p = d.mcontrol_panel;
            Image(m.key("back"), p.back);
            Button(m.key("prev_btn"), p.prev_btn);
            Button(m.key("play_btn"), p.play_btn);
            Button(m.key("stop_btn"), p.stop_btn);
            Button(m.key("next_btn"), p.next_btn);
            Button(m.key("options_btn"), p.options_btn);
        }
        Image(o.key("picture"), d.picture);
        Banner(o.key("banner"), d.banner);
        o.text("setup_sound", d.setup_sound);
        o.text("link_sound", d.link_sound);
        o.text("sp_btn_sound", d.sp_btn_sound);
        {
            Obj s(o.key("setup_win"));
            s.text("setup_nomer", d.setup_win.setup_nomer);
            s.text("setup_file", d.setup_win.setup_file);
            s.text("setup_desc", d.setup_win.setup_desc);
            s.text("setup_run", d.setup_win.setup_run);
            s.text("setup_close", d.setup_win.setup_close);
        }
        {
            Obj w(o.key("wallpapers"));
            Array(w.key("dirs"), d.wallpapers.dirs, Text);
            w.number("time", d.wallpapers.time);
        }
        {
            Obj l(o.key("link_box"));
            l.text("link_caption", d.link_box.link_caption);
            l.text("link_message", d.link_box.link_message);
        }
        Array(o.key("music_files"), d.music_files, Text);
    }
    return out;
}
