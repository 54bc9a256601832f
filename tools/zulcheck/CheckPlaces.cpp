#include "zulcheck/CheckPlaces.h"

#include "disc/CodePages.h"

namespace {

void Image(std::vector<SkinSlot>& slots, const std::string& place, const Inf_image& image)
{
    slots.push_back({place, image.pic});
}

// A button's three pictures: normal, hover, pressed.
void Button(std::vector<SkinSlot>& slots, const std::string& place, const Inf_button& button)
{
    slots.push_back({place + ".normal_pic", button.normal_pic});
    slots.push_back({place + ".over_pic", button.over_pic});
    slots.push_back({place + ".down_pic", button.down_pic});
}

std::string N(std::size_t index)
{
    return std::to_string(index + 1);
}

}  // namespace

std::string TabPlace(const Inf_shell& d, std::size_t tab)
{
    std::string place = "tab " + N(tab);
    const auto& buttons = d.side_panel.tab_buttons;
    if (buttons.size() == d.main_frame.tabs.size() && tab < buttons.size() && !buttons[tab].hint.empty())
        place += " \"" + PrintableDiscText(buttons[tab].hint) + "\"";
    return place;
}

std::vector<SkinSlot> SkinSlots(const Inf_shell& d)
{
    std::vector<SkinSlot> slots;
    // The main window's own skin.
    Image(slots, "cd.window.back.pic", d.cd.window.back);
    Button(slots, "cd.window.min_btn", d.cd.window.min_btn);
    Button(slots, "cd.window.close_btn", d.cd.window.close_btn);
    // The options window.
    Image(slots, "cd.opts_window.back.pic", d.cd.opts_window.back);
    Button(slots, "cd.opts_window.close_btn", d.cd.opts_window.close_btn);
    // The side panel.
    Image(slots, "side_panel.back.pic", d.side_panel.back);
    Button(slots, "side_panel.link_btn", d.side_panel.link_btn);
    for (std::size_t i = 0; i < d.side_panel.tab_buttons.size(); ++i)
        Button(slots, "side-panel button " + N(i), d.side_panel.tab_buttons[i]);
    // The main frame: the tabs' pictures, then tab by tab and sub-tab by sub-tab the first two
    // thumbnails of every entry (a pair without a thumbnail loads nothing), then the music strip.
    const Inf_main_frame& frame = d.main_frame;
    for (std::size_t t = 0; t < frame.tab_images.size(); ++t)
        for (std::size_t j = 0; j < frame.tab_images[t].size(); ++j)
            Image(slots, TabPlace(d, t) + " picture " + N(j), frame.tab_images[t][j]);
    for (std::size_t t = 0; t < frame.tabs.size(); ++t)
        for (std::size_t s = 0; s < frame.tabs[t].sels.size(); ++s)
            for (const SoftTabElement& entry : frame.tabs[t].sels[s].entries)
                for (std::size_t k = 0; k < entry.pics.size() && k < 2; ++k)
                    if (!entry.pics[k].thumb.empty())
                        slots.push_back({TabPlace(d, t) + " sub-tab " + N(s) + " \"" + PrintableDiscText(entry.title) +
                                             "\" thumb " + N(k),
                                         entry.pics[k].thumb});
    Image(slots, "main_frame.music_strip.pic", frame.music_strip);
    // The top panel and its rows of sub-tab buttons.
    Image(slots, "top_panel.back.pic", d.top_panel.back);
    for (std::size_t t = 0; t < d.top_panel.tab_rows.size(); ++t)
        for (std::size_t j = 0; j < d.top_panel.tab_rows[t].buttons.size(); ++j)
            Button(slots, TabPlace(d, t) + " top-panel button " + N(j), d.top_panel.tab_rows[t].buttons[j]);
    // The control panel: each picture with its button.
    const Inf_control_panel& c = d.control_panel;
    Image(slots, "control_panel.prev_image.pic", c.prev_image);
    Button(slots, "control_panel.prev_btn", c.prev_btn);
    Image(slots, "control_panel.setup_image.pic", c.setup_image);
    Button(slots, "control_panel.setup_btn", c.setup_btn);
    Image(slots, "control_panel.options_image.pic", c.options_image);
    Button(slots, "control_panel.options_btn", c.options_btn);
    Image(slots, "control_panel.next_image.pic", c.next_image);
    Button(slots, "control_panel.next_btn", c.next_btn);
    // The music control panel; its options button comes before its next button.
    const Inf_mcontrol_panel& m = d.mcontrol_panel;
    Image(slots, "mcontrol_panel.back.pic", m.back);
    Button(slots, "mcontrol_panel.prev_btn", m.prev_btn);
    Button(slots, "mcontrol_panel.play_btn", m.play_btn);
    Button(slots, "mcontrol_panel.stop_btn", m.stop_btn);
    Button(slots, "mcontrol_panel.options_btn", m.options_btn);
    Button(slots, "mcontrol_panel.next_btn", m.next_btn);
    // The stand-alone picture.
    Image(slots, "picture.pic", d.picture);
    return slots;
}
