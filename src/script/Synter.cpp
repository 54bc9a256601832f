#include "script/Synter.h"

#include <utility>

using M = MinorType;
using namespace script_error;

Synter::Synter(const std::filesystem::path& script) : stream_(script)
{
    if (!stream_.is_open())
        throw ScriptOpenError();
}

Synter::Synter(const DiscFs& disc, const std::filesystem::path& script) : stream_(disc, script)
{
    if (!stream_.is_open())
        throw ScriptOpenError();
}

Synter::Synter(ScriptStream stream) : stream_(std::move(stream))
{
    if (!stream_.is_open())
        throw ScriptOpenError();
}

void Synter::read_line()
{
    line.clear();
    int c = stream_.get();
    if (c >= 0) {
        // At least one character of a new line was read, a line feed included.
        ++line_no;
        while (c >= 0 && c != '\n') {
            line.push_back(static_cast<char>(c));
            c = stream_.get();
        }
    }
    if (stream_.at_end())
        eof = true;
}

void Synter::next_lexeme()
{
    read_line();
    current = lexer_.classify(line);
    while (!eof && current.major == MajorType::blank) {
        read_line();
        current = lexer_.classify(line);
    }
}

void Synter::close(MinorType tag, int code)
{
    if (!at_tag(tag))
        throw ScriptError{code};
    next_lexeme();
}

void Synter::parse(Inf_shell& target)
{
    target_ = &target;
    next_lexeme();
    if (at_tag(M::cd))
        cd_section();
    while (at_tag(M::tab))
        tab();
}

// ---- blocks ---------------------------------------------------------------------------------

void Synter::image_block(Inf_image& image)
{
    next_lexeme();
    while (at_key()) {
        switch (current.minor) {
        case M::pic: image.pic = value_text(); break;
        case M::left: image.left = value_number(0); break;
        case M::top: image.top = value_number(0); break;
        case M::width: image.width = value_number(0); break;
        case M::height: image.height = value_number(0); break;
        default: throw ScriptError{kBadBlockKey};
        }
        next_lexeme();
    }
    close(M::end_image, kBlockNotClosed);
}

void Synter::button_block(Inf_button& button)
{
    next_lexeme();
    while (at_key()) {
        switch (current.minor) {
        case M::normal_pic: button.normal_pic = value_text(); break;
        case M::over_pic: button.over_pic = value_text(); break;
        case M::down_pic: button.down_pic = value_text(); break;
        case M::hint: button.hint = value_text(); break;
        case M::left: button.left = value_number(0); break;
        case M::top: button.top = value_number(0); break;
        case M::width: button.width = value_number(0); break;
        case M::height: button.height = value_number(0); break;
        default: throw ScriptError{kBadBlockKey};
        }
        next_lexeme();
    }
    close(M::end_button, kBlockNotClosed);
}

void Synter::image_slot(Inf_image& slot)
{
    if (at_tag(M::image))
        image_block(slot);
}

void Synter::button_slot(Inf_button& slot)
{
    if (at_tag(M::button))
        button_block(slot);
}

// ---- the cd section -------------------------------------------------------------------------

void Synter::cd_section()
{
    Inf_shell& t = *target_;
    next_lexeme();
    image_slot(t.picture);
    image_slot(t.cd.window.back);
    button_slot(t.cd.window.min_btn);
    button_slot(t.cd.window.close_btn);
    if (at_tag(M::side_panel))
        side_panel_section();
    if (at_tag(M::top_panel))
        top_panel_section();
    if (at_tag(M::control_panel))
        control_panel_section();
    if (at_tag(M::mcontrol_panel))
        mcontrol_panel_section();
    if (at_tag(M::opts_window))
        opts_window_section();
    image_slot(t.main_frame.music_strip);
    while (at_key()) {
        if (!cd_key())
            throw ScriptError{kBadSectionKey};
        next_lexeme();
    }
    close(M::end_cd, kSectionNotClosed);
}

bool Synter::cd_key()
{
    Inf_shell& t = *target_;
    SoftTabTitles& titles = t.main_frame.titles;
    SoftSmallTitles& small = t.main_frame.small_titles;
    Inf_banner& small_banner = t.side_panel.banner;
    const std::string_view v = value_text();
    switch (current.minor) {
    case M::title: t.cd.title = v; break;
    case M::main_cursor: t.cd.main_cursor = v; break;
    case M::link_cursor: t.cd.link_cursor = v; break;
    case M::cap_height: t.cd.window.cap_height = value_number(26); break;
    case M::exit_sound: t.cd.exit_sound = v; break;
    case M::options_sound: t.cd.options_sound = v; break;
    case M::ok_sound: t.cd.opts_window.ok_sound = v; break;
    case M::cancel_sound: t.cd.opts_window.cancel_sound = v; break;
    case M::sm_ad_pic: small_banner.items.push_back({std::string(v), {}}); break;
    case M::sm_ad_url:
        if (!small_banner.items.empty())
            small_banner.items.back().url = v;
        break;
    case M::sm_ad_time: small_banner.time = value_number(10); break;
    case M::sm_ad_left: small_banner.left = value_number(0); break;
    case M::sm_ad_top: small_banner.top = value_number(0); break;
    case M::sm_ad_width: small_banner.width = value_number(0); break;
    case M::sm_ad_height: small_banner.height = value_number(0); break;
    case M::ad_pic: t.banner.items.push_back({std::string(v), {}}); break;
    case M::ad_url:
        if (!t.banner.items.empty())
            t.banner.items.back().url = v;
        break;
    case M::ad_time: t.banner.time = value_number(10); break;
    case M::ad_left: t.banner.left = value_number(0); break;
    case M::ad_top: t.banner.top = value_number(0); break;
    case M::ad_width: t.banner.width = value_number(0); break;
    case M::ad_height: t.banner.height = value_number(0); break;
    case M::size_title: titles.size_title = v; break;
    case M::developer_title: titles.developer_title = v; break;
    case M::publisher_title: titles.publisher_title = v; break;
    case M::zhanr_title: titles.zhanr_title = v; break;
    case M::version_title: titles.version_title = v; break;
    case M::url_title: titles.url_title = v; break;
    case M::description_title: titles.description_title = v; break;
    case M::sysinf_title: titles.sysinf_title = v; break;
    case M::size_sm_title: small.size_sm_title = v; break;
    case M::developer_sm_title: small.developer_sm_title = v; break;
    case M::publisher_sm_title: small.publisher_sm_title = v; break;
    case M::zhanr_sm_title: small.zhanr_sm_title = v; break;
    case M::version_sm_title: small.version_sm_title = v; break;
    case M::url_sm_title: small.url_sm_title = v; break;
    case M::description_sm_title: small.description_sm_title = v; break;
    case M::sysinf_sm_title: small.sysinf_sm_title = v; break;
    case M::os_sm_title: small.os_sm_title = v; break;
    case M::picture_sound: t.main_frame.picture_sound = v; break;
    case M::grid_select_sound: t.main_frame.grid_select_sound = v; break;
    case M::setup_nomer: t.setup_win.setup_nomer = v; break;
    case M::setup_file: t.setup_win.setup_file = v; break;
    case M::setup_desc: t.setup_win.setup_desc = v; break;
    case M::setup_run: t.setup_win.setup_run = v; break;
    case M::setup_close: t.setup_win.setup_close = v; break;
    case M::setup_sound: t.setup_sound = v; break;
    case M::link_sound: t.link_sound = v; break;
    case M::sp_btn_sound: t.sp_btn_sound = v; break;
    case M::wp_dir: {
        std::string dir(v);
        if (!dir.empty() && dir.back() != '\\')
            dir += '\\';
        t.wallpapers.dirs.push_back(std::move(dir));
        break;
    }
    case M::wp_time: t.wallpapers.time = value_number(60); break;
    case M::link_caption: t.link_box.link_caption = v; break;
    case M::link_message: t.link_box.link_message = v; break;
    case M::music_file: t.music_files.emplace_back(v); break;
    default: return false;
    }
    return true;
}

void Synter::side_panel_section()
{
    next_lexeme();
    image_slot(target_->side_panel.back);
    button_slot(target_->side_panel.link_btn);
    close(M::end_side_panel, kSectionNotClosed);
}

void Synter::top_panel_section()
{
    next_lexeme();
    image_slot(target_->top_panel.back);
    close(M::end_top_panel, kSectionNotClosed);
}

void Synter::control_panel_section()
{
    Inf_control_panel& cp = target_->control_panel;
    next_lexeme();
    image_slot(cp.prev_image);
    button_slot(cp.prev_btn);
    image_slot(cp.setup_image);
    button_slot(cp.setup_btn);
    image_slot(cp.options_image);
    button_slot(cp.options_btn);
    image_slot(cp.next_image);
    button_slot(cp.next_btn);
    close(M::end_control_panel, kSectionNotClosed);
}

void Synter::mcontrol_panel_section()
{
    Inf_mcontrol_panel& mp = target_->mcontrol_panel;
    next_lexeme();
    image_slot(mp.back);
    button_slot(mp.prev_btn);
    button_slot(mp.play_btn);
    button_slot(mp.stop_btn);
    button_slot(mp.next_btn);
    button_slot(mp.options_btn);
    close(M::end_mcontrol_panel, kSectionNotClosed);
}

void Synter::opts_window_section()
{
    Inf_about_window& w = target_->cd.opts_window;
    next_lexeme();
    image_slot(w.back);
    button_slot(w.close_btn);
    while (at_key()) {
        if (!opts_key(w))
            throw ScriptError{kBadSectionKey};
        next_lexeme();
    }
    close(M::end_opts_window, kSectionNotClosed);
}

bool Synter::opts_key(Inf_about_window& w)
{
    const std::string_view v = value_text();
    switch (current.minor) {
    case M::cap_height: w.cap_height = value_number(26); break;
    case M::about_first: w.about_first = v; break;
    case M::about_second: w.about_second = v; break;
    case M::sound_off: w.sound_off = v; break;
    case M::cursors_off: w.cursors_off = v; break;
    case M::wp_off: w.wp_off = v; break;
    case M::wp_select: w.wp_select = v; break;
    case M::lang_select: w.lang_select = v; break;
    case M::music_off: w.music_off = v; break;
    case M::music_select: w.music_select = v; break;
    default: return false;
    }
    return true;
}

// ---- the catalogue --------------------------------------------------------------------------

void Synter::tab()
{
    Inf_shell& t = *target_;
    work_tab_.sels.clear();
    work_tab_.music = false;
    work_tab_.full_inf = true;

    next_lexeme();
    // The side-panel button goes into the description as soon as its block opens; remember
    // which one it is, since a "music" key of this tab marks it.
    std::size_t button_index = 0;
    bool has_button = false;
    if (at_tag(M::button)) {
        t.side_panel.tab_buttons.emplace_back();
        button_index = t.side_panel.tab_buttons.size() - 1;
        has_button = true;
        button_block(t.side_panel.tab_buttons.back());
    }
    if (at_tag(M::image)) {
        work_images_.emplace_back();
        image_block(work_images_.back());
    }
    while (at_key()) {
        if (current.minor == M::music) {
            work_tab_.music = true;
            if (has_button)
                t.side_panel.tab_buttons[button_index].music = true;
        } else if (current.minor == M::nofull_inf) {
            work_tab_.full_inf = false;
        } else {
            throw ScriptError{kBadBlockKey};
        }
        next_lexeme();
    }
    while (at_tag(M::sub))
        sub();

    t.main_frame.tab_images.push_back(std::move(work_images_));
    work_images_.clear();
    t.top_panel.tab_rows.push_back(IndBtn{std::move(work_buttons_)});
    work_buttons_.clear();
    // The working tab's subs are emptied when the next tab starts, so they can move out.
    t.main_frame.tabs.push_back(std::move(work_tab_));
    work_tab_.sels.clear();
    close(M::end_tab, kBlockNotClosed);
}

void Synter::sub()
{
    const Inf_shell& t = *target_;
    work_sel_.entries.clear();
    next_lexeme();
    if (at_tag(M::button)) {
        work_buttons_.emplace_back();
        button_block(work_buttons_.back());
    }
    if (at_tag(M::image)) {
        work_images_.emplace_back();
        image_block(work_images_.back());
    }
    work_sel_.label_font_size = -16;
    work_sel_.label_font_color = 0;
    work_sel_.description_title = t.main_frame.titles.description_title;
    work_sel_.sysinf_title = t.main_frame.titles.sysinf_title;
    while (at_key()) {
        if (!sub_key())
            throw ScriptError{kBadBlockKey};
        next_lexeme();
    }
    while (at_tag(M::p))
        entry();
    // The entries are emptied when the next sub starts; the rest of the working sub carries
    // over, so only the entries move out.
    last_entry_count_ = work_sel_.entries.size();
    // Whatever room was made ahead and not used goes back before the entries are kept.
    work_sel_.entries.shrink_to_fit();
    std::vector<SoftTabElement> entries = std::move(work_sel_.entries);
    work_sel_.entries.clear();
    work_tab_.sels.push_back(work_sel_);
    work_tab_.sels.back().entries = std::move(entries);
    close(M::end_sub, kBlockNotClosed);
}

bool Synter::sub_key()
{
    SEL& s = work_sel_;
    switch (current.minor) {
    case M::description_title: s.description_title = value_text(); break;
    case M::description_sm_title: s.description_sm_title = value_text(); break;
    case M::sysinf_title: s.sysinf_title = value_text(); break;
    case M::grid_left: s.grid_left = value_number(0); break;
    case M::grid_top: s.grid_top = value_number(0); break;
    case M::grid_width: s.grid_width = value_number(0); break;
    case M::grid_height: s.grid_height = value_number(0); break;
    case M::label_left: s.label_left = value_number(0); break;
    case M::label_top: s.label_top = value_number(0); break;
    case M::label_width: s.label_width = value_number(0); break;
    case M::thumb_left: s.thumb_left = value_number(0); break;
    case M::thumb_top: s.thumb_top = value_number(0); break;
    case M::label_font_size: s.label_font_size = value_number(-16); break;
    case M::label_font_color: s.label_font_color = value_number(0); break;
    default: return false;
    }
    return true;
}

void Synter::entry()
{
    // Subs of a disc tend to be alike: room for as many entries as the last sub had saves
    // moving the entries again and again while the list grows.
    if (work_sel_.entries.empty())
        work_sel_.entries.reserve(last_entry_count_);
    work_sel_.entries.emplace_back();
    int thumb_index = -1;
    int pic_index = -1;
    next_lexeme();
    while (at_key()) {
        // The element is looked up anew for each line: nothing else appends to the list here,
        // but a reference kept across lines would be one edit away from dangling.
        if (!entry_key(work_sel_.entries.back(), thumb_index, pic_index))
            throw ScriptError{kBadEntryKey};
        next_lexeme();
    }
    close(M::end_p, kEntryNotClosed);
}

bool Synter::entry_key(SoftTabElement& e, int& thumb_index, int& pic_index)
{
    const std::string_view v = value_text();
    switch (current.minor) {
    case M::title: e.title = v; break;
    case M::size: e.size = v; break;
    case M::developer: e.developer = v; break;
    case M::publisher: e.publisher = v; break;
    case M::type: e.type = v; break;
    case M::zhanr: e.zhanr = v; break;
    case M::version: e.version = v; break;
    case M::url: e.url = v; break;
    case M::url_dev: e.url_dev = v; break;
    case M::url_pub: e.url_pub = v; break;
    case M::sysinf: e.sysinf = v; break;
    case M::os: e.os = v; break;
    case M::description:
        if (!e.description.empty())
            e.description += '\n';
        e.description += v;
        break;
    case M::setup: e.setups.push_back({std::string(v), {}}); break;
    case M::setup_description:
        if (!e.setups.empty())
            e.setups.back().second = v;
        break;
    case M::thumb: {
        const auto index = static_cast<std::size_t>(++thumb_index);
        if (e.pics.size() > index)
            e.pics[index].thumb = v;
        else
            e.pics.push_back({std::string(v), {}});
        break;
    }
    case M::pic: {
        const auto index = static_cast<std::size_t>(++pic_index);
        if (e.pics.size() > index)
            e.pics[index].pic = v;
        else
            e.pics.push_back({{}, std::string(v)});
        break;
    }
    default: return false;
    }
    return true;
}
