// The side panel: the column of tab buttons (one per tab of the catalogue) over its background
// picture, with one link button and a small banner. It reports the tab chosen and the links
// clicked; its controls lie directly on the main window at the places the description gives.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "elements/ElementContext.h"
#include "controls/Banner.h"
#include "controls/SkinButtons.h"
#include "model/Description.h"

class SidePanel {
public:
    // A chosen tab: its index and its kind (1 a music tab, 0 a software tab).
    using TabEvent = std::function<void(int tab, int kind)>;
    using LinkEvent = std::function<void(const std::string& link)>;

    SidePanel(QWidget* parent, const Inf_side_panel& record, TabEvent tab, LinkEvent link,
              PictureSource& pictures, const PathResolver& resolver);
    ~SidePanel();
    SidePanel(const SidePanel&) = delete;
    SidePanel& operator=(const SidePanel&) = delete;

    // Clicks the first tab button for the user; nothing without tab buttons.
    void ClickFirst();

    int Selected() const { return selected_; }
    TImage* Background() const { return background_.get(); }
    TImgBtn* LinkButton() const { return link_button_.get(); }
    const std::vector<std::unique_ptr<SidePanelBtn>>& Buttons() const { return buttons_; }
    Banner* PanelBanner() const { return banner_.get(); }

private:
    void TabSelect(int index);
    void TabNotify();
    void LinkButtonClick();

    Inf_side_panel description_;
    int selected_ = 0;
    TabEvent tab_;
    LinkEvent link_;
    std::unique_ptr<TImage> background_;
    std::unique_ptr<TImgBtn> link_button_;
    std::vector<std::unique_ptr<SidePanelBtn>> buttons_;
    std::unique_ptr<Banner> banner_;
};
