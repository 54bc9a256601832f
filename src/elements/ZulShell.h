// The shell controller: turns the parsed description into the working menu. It builds every
// screen element (side panel, main frame, top panel, control panels, the stand-alone picture and
// the main banner), connects their callbacks, asks before a link is opened, starts installers,
// plays the side-panel, setup and link sounds, and takes everything down again.
#pragma once

#include <memory>
#include <string>

#include "elements/ControlPanels.h"
#include "elements/ElementContext.h"
#include "elements/MainFrame.h"
#include "elements/MusicPlayback.h"
#include "elements/SidePanel.h"
#include "elements/TopPanel.h"
#include "controls/Banner.h"
#include "model/Description.h"
#include "sound/Sounds.h"

// The question asked before `link` is opened: the disc's message, then the link on a line of its own.
std::string LinkQuestion(const Inf_link_box& box, const std::string& link);

class ZUL_shell {
public:
    // Builds the elements from `record` with the pictures of `context.pictures` (which need to
    // stay open only until this returns), then presses the first tab and fills the first views.
    // `options` is the main window's answer to both options buttons.
    ZUL_shell(const ElementContext& context, const Inf_shell& record, TNotifyEvent options);
    ~ZUL_shell();
    ZUL_shell(const ZUL_shell&) = delete;
    ZUL_shell& operator=(const ZUL_shell&) = delete;

    // The elements' callbacks.
    void TabChosen(int tab, int kind);
    void SubChosen(int column);
    void OpenLink(const std::string& link);
    void RunSetup();
    void PreviousEntry();
    void NextEntry();

    SidePanel& Side() const { return *side_panel_; }
    TopPanel& Top() const { return *top_panel_; }
    MainFrame& Frame() const { return *main_frame_; }
    ControlPanel& Controls() const { return *control_panel_; }
    MControlPanel& MusicControls() const { return *music_panel_; }
    MusicPlayback& Music() const { return *music_; }
    TImage* Picture() const { return picture_.get(); }
    Banner* MainBanner() const { return banner_.get(); }

private:
    Inf_shell description_;
    ElementContext context_;
    SoundFile setup_sound_;
    SoundFile link_sound_;
    SoundFile side_panel_sound_;
    std::unique_ptr<SidePanel> side_panel_;
    std::unique_ptr<MainFrame> main_frame_;
    std::unique_ptr<MusicPlayback> music_;
    std::unique_ptr<TopPanel> top_panel_;
    std::unique_ptr<ControlPanel> control_panel_;
    std::unique_ptr<MControlPanel> music_panel_;
    std::unique_ptr<TImage> picture_;
    std::unique_ptr<Banner> banner_;
};
