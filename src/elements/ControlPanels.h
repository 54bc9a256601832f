// The two button strips under the main frame. The control panel serves software tabs: previous
// entry, run setup, options, next entry. The music control panel takes its place in music tabs:
// previous track, play/pause, stop, options, next track. Their controls lie directly on the main
// window at the places the description gives.
#pragma once

#include <array>
#include <memory>

#include "elements/ElementContext.h"
#include "controls/SkinButtons.h"
#include "model/Description.h"

class ControlPanel {
public:
    // Builds the four picture and button pairs; all start visible.
    ControlPanel(QWidget* parent, const Inf_control_panel& record, TNotifyEvent previous,
                 TNotifyEvent setup, TNotifyEvent options, TNotifyEvent next, PictureSource& pictures);
    ~ControlPanel();
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    void SetVisible(bool visible);
    // Off, the previous, setup and next buttons ignore the mouse altogether (no picture changes,
    // no click); the options button always works.
    void SetListButtonsActive(bool active);

    // Pair i: 0 previous entry, 1 setup, 2 options, 3 next entry.
    TImage* Picture(int i) const { return pictures_.at(static_cast<std::size_t>(i)).get(); }
    TImgBtn* Button(int i) const { return buttons_.at(static_cast<std::size_t>(i)).get(); }

private:
    std::array<std::unique_ptr<TImage>, 4> pictures_;
    std::array<std::unique_ptr<TImgBtn>, 4> buttons_;
    Inf_control_panel description_;
};

class MControlPanel {
public:
    // Builds the panel in its stopped look (its stop button is clicked once, so `stop` runs once)
    // and hides it.
    MControlPanel(QWidget* parent, const Inf_mcontrol_panel& record, TNotifyEvent previous,
                  TNotifyEvent play, TNotifyEvent pause, TNotifyEvent stop, TNotifyEvent next,
                  TNotifyEvent options, PictureSource& pictures);
    ~MControlPanel();
    MControlPanel(const MControlPanel&) = delete;
    MControlPanel& operator=(const MControlPanel&) = delete;

    void SetVisible(bool visible);
    // Off, the previous, play/pause, stop and next buttons ignore the mouse altogether (no
    // picture changes, no click, and PressStop clicks nothing); the options button always works.
    void SetListButtonsActive(bool active);
    // Releases play/pause and clicks stop: the stop callback runs.
    void PressStop();
    // Releases play/pause and shows stop pressed, calling nothing.
    void ShowStopped();

    TImage* Background() const { return background_.get(); }
    TImgBtn* PreviousButton() const { return previous_.get(); }
    T2stateBtn* PlayButton() const { return play_.get(); }
    SidePanelBtn* StopButton() const { return stop_.get(); }
    TImgBtn* NextButton() const { return next_.get(); }
    TImgBtn* OptionsButton() const { return options_.get(); }

private:
    TNotifyEvent on_previous_, on_play_, on_pause_, on_stop_, on_next_, on_options_;
    std::unique_ptr<TImage> background_;
    std::unique_ptr<TImgBtn> previous_;
    std::unique_ptr<T2stateBtn> play_;
    std::unique_ptr<SidePanelBtn> stop_;
    std::unique_ptr<TImgBtn> next_;
    std::unique_ptr<TImgBtn> options_;
    Inf_mcontrol_panel description_;
};
