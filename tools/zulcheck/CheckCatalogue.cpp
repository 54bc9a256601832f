// The Checker's catalogue: the tabs and sub-tabs against their buttons, each entry with its
// pictures, setups and links, and what the menu does with a setup or a link on this system.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/Description.h"
#include "platform/Opener.h"
#include "zulcheck/CheckPlaces.h"
#include "zulcheck/Checker.h"

using check_text::Plural;
using check_text::Q;
using check_text::T;

void Checker::CheckCatalogue(const Inf_shell& d, const std::string& script)
{
    const std::vector<sub_se>& tabs = d.main_frame.tabs;
    const std::size_t buttons = d.side_panel.tab_buttons.size();
    // Button n of the side panel opens tab n, however the two lists came to differ.
    const std::string counts =
        Plural(tabs.size(), "tab has", "tabs have") + " " + Plural(buttons, "side-panel button", "side-panel buttons");
    if (buttons < tabs.size())
        Add(Severity::Warning, T(script) + " side_panel",
            counts + " (a tab without its button block): button n opens tab n, so the tabs after the last button "
                     "cannot be reached");
    else if (buttons > tabs.size())
        Add(Severity::Warning, T(script) + " side_panel",
            counts + " (a tab cut short after its button was read): button n opens tab n, so the buttons after the "
                     "last tab open none");

    for (std::size_t t = 0; t < tabs.size(); ++t) {
        const sub_se& tab = tabs[t];
        const std::string where_tab = T(script) + " " + TabPlace(d, t);
        const std::size_t subs = tab.sels.size();
        const std::size_t row = t < d.top_panel.tab_rows.size() ? d.top_panel.tab_rows[t].buttons.size() : 0;
        const std::size_t pictures = t < d.main_frame.tab_images.size() ? d.main_frame.tab_images[t].size() : 0;
        if (subs == 0)
            Add(Severity::Warning, where_tab,
                "the tab has no sub-tab: its top-panel row is empty and it shows no list");
        else if (row != subs)
            Add(Severity::Warning, where_tab,
                Plural(subs, "sub-tab has", "sub-tabs have") + " " +
                    Plural(row, "top-panel button", "top-panel buttons") +
                    " (a sub-tab without its button block): button n opens sub-tab n, so the sub-tabs after the last "
                    "button cannot be reached");
        if (pictures > 1 && pictures != subs)
            Add(Severity::Warning, where_tab,
                Plural(subs, "sub-tab", "sub-tabs") + " and " + Plural(pictures, "picture", "pictures") +
                    " (the tab's own image block and one of each sub-tab): the frame shows picture n with sub-tab n");

        for (std::size_t s = 0; s < subs; ++s) {
            const SEL& sel = tab.sels[s];
            const std::string where_sub = where_tab + " sub-tab " + std::to_string(s + 1);
            if (sel.entries.empty())
                Add(Severity::Warning, where_sub, "the sub-tab has no entry: its list is empty");
            for (const SoftTabElement& entry : sel.entries) {
                const std::string where = where_sub + " " + Q(entry.title);
                if (tab.music)
                    CheckTrack(entry, where);
                else
                    CheckEntry(tab, entry, where);
            }
        }
    }
}

void Checker::CheckEntry(const sub_se& tab, const SoftTabElement& entry, const std::string& where)
{
    for (std::size_t k = 0; k < entry.pics.size(); ++k) {
        const PicPair& pair = entry.pics[k];
        const std::string where_pic = where + " picture " + std::to_string(k + 1);
        if (k >= 2 && !pair.thumb.empty())
            Add(Severity::Note, where_pic,
                "the thumbnail " + Q(pair.thumb) + " is never shown: the info box shows the first two");
        if (k < 2 && pair.thumb.empty() && !pair.pic.empty())
            Add(Severity::Warning, where_pic,
                "a full-size picture without a thumbnail: the info box offers nothing to open it (only the viewer's "
                "stepping reaches it)");
        if (pair.pic.empty()) {
            if (k < 2 && !pair.thumb.empty() && tab.full_inf)
                Add(Severity::Error, where_pic,
                    "the thumbnail " + Q(pair.thumb) +
                        " has no full-size picture: opening it, the viewer reports a failure");
            continue;
        }
        Locate(pair.pic, where_pic);
        if (const std::optional<std::string> failure = PictureFileFailure(pair.pic))
            Add(Severity::Error, where_pic,
                "the full-size picture " + Q(pair.pic) + " does not load; the viewer reports: " + T(*failure));
    }
    for (std::size_t i = 0; i < entry.setups.size(); ++i) {
        const std::string& target = entry.setups[i].first;
        const std::string where_setup = where + " setup " + std::to_string(i + 1);
        if (target.empty()) {
            Add(Severity::Warning, where_setup, "the setup names no file: running it does nothing");
            continue;
        }
        const bool on_disc = Locate(target, where_setup).has_value();
        const OpenPlan plan = PlanOpen(target, resolver_, search_path_);
        if (!on_disc && plan.action == OpenPlan::Action::Fail && plan.failure == "nothing of that name on the disc") {
            Add(Severity::Error, where_setup,
                Q(target) + " is not on the disc: running it opens nothing (the menu writes: cannot open " + Q(target) +
                    ")");
            continue;
        }
        CheckSetupStart(plan, target, where_setup);
    }
    CheckLink(entry.url, where + " url");
    CheckLink(entry.url_dev, where + " url_dev");
    CheckLink(entry.url_pub, where + " url_pub");
}

void Checker::CheckSetupStart(const OpenPlan& plan, const std::string& target, const std::string& where)
{
    using Kind = OpenPlan::Kind;
    const std::string what = Q(target);
    if (plan.action == OpenPlan::Action::NoWine) {
        Add(Severity::Warning, where,
            what + " is a Windows program and Wine is not installed here: the menu starts nothing and tells the "
                   "reader that Wine runs it");
        return;
    }
    if (plan.action == OpenPlan::Action::Fail && plan.kind == Kind::None) {
        Add(Severity::Warning, where, what + " cannot be opened here: " + T(plan.failure));
        return;
    }
    // What the desktop is handed needs the desktop's xdg-open, which a bare system may lack.
    const std::string desktop =
        plan.action == OpenPlan::Action::Fail ? " (xdg-open, which is missing here)" : " (xdg-open)";
    switch (plan.kind) {
    case Kind::None:
        return;
    case Kind::NativeProgram:
        Add(Severity::Note, where, what + " is a native program: the menu starts it");
        return;
    case Kind::WindowsProgram:
        Add(Severity::Note, where,
            what + " is a Windows program: the menu starts it through Wine (" + T(plan.argv.front()) + ")");
        return;
    case Kind::Document:
        Add(Severity::Note, where, what + " is a document: the menu hands it to the desktop" + desktop);
        return;
    case Kind::Folder:
        Add(Severity::Note, where, what + " is a folder: the menu hands it to the desktop" + desktop);
        return;
    case Kind::WebLink:
        Add(Severity::Note, where, what + " is a web link: the menu hands it to the desktop's browser" + desktop);
        return;
    }
}

void Checker::CheckLink(const std::string& link, const std::string& where)
{
    if (link.empty())
        return;
    if (Locate(link, where)) {
        // A file of the disc: the menu opens only documents and folders from a link.
        const OpenPlan plan = PlanOpen(link, resolver_, search_path_, OpenAs::kLink);
        if (plan.action == OpenPlan::Action::Fail && plan.kind == OpenPlan::Kind::None)
            Add(Severity::Warning, where,
                "the link " + Q(link) + " names a file the menu does not open from a link: " + T(plan.failure));
        return;
    }
    // An address goes to the desktop: asked with no search path for it, the opener says so by
    // not looking on the disc at all.
    const OpenPlan plan = PlanOpen(link, resolver_, std::string());
    if (plan.action == OpenPlan::Action::Fail && plan.failure == "nothing of that name on the disc")
        Add(Severity::Warning, where,
            "the link " + Q(link) + " is neither an address (a scheme such as http: or www.) nor a file of the disc: "
            "it opens nothing");
}
