#include "elements/ControlPanels.h"

#include "platform/EventErrors.h"

ControlPanel::ControlPanel(QWidget* parent, const Inf_control_panel& record, TNotifyEvent previous,
                           TNotifyEvent setup, TNotifyEvent options, TNotifyEvent next,
                           PictureSource& pictures)
    : description_(record)
{
    const std::array<const Inf_image*, 4> images = {&description_.prev_image, &description_.setup_image,
                                                    &description_.options_image, &description_.next_image};
    const std::array<const Inf_button*, 4> buttons = {&description_.prev_btn, &description_.setup_btn,
                                                      &description_.options_btn, &description_.next_btn};
    std::array<TNotifyEvent, 4> clicks = {std::move(previous), std::move(setup), std::move(options),
                                          std::move(next)};
    for (std::size_t i = 0; i < 4; ++i) {
        pictures_[i] = std::make_unique<TImage>(parent);
        SetupImage(*pictures_[i], parent, *images[i], pictures);
        buttons_[i] = std::make_unique<TImgBtn>(parent);
        SetupImageButton(*buttons_[i], parent, *buttons[i], pictures);
        buttons_[i]->OnClick = std::move(clicks[i]);
    }
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::SetVisible(bool visible)
{
    for (std::size_t i = 0; i < 4; ++i) {
        pictures_[i]->setVisible(visible);
        buttons_[i]->setVisible(visible);
    }
}

void ControlPanel::SetListButtonsActive(bool active)
{
    for (std::size_t i : {0u, 1u, 3u})
        buttons_[i]->SetSupported(active);
}

MControlPanel::MControlPanel(QWidget* parent, const Inf_mcontrol_panel& record,
                             TNotifyEvent previous, TNotifyEvent play, TNotifyEvent pause,
                             TNotifyEvent stop, TNotifyEvent next, TNotifyEvent options,
                             PictureSource& pictures)
    : on_previous_(std::move(previous)),
      on_play_(std::move(play)),
      on_pause_(std::move(pause)),
      on_stop_(std::move(stop)),
      on_next_(std::move(next)),
      on_options_(std::move(options)),
      description_(record)
{
    background_ = std::make_unique<TImage>(parent);
    SetupImage(*background_, parent, description_.back, pictures);

    previous_ = std::make_unique<TImgBtn>(parent);
    SetupImageButton(*previous_, parent, description_.prev_btn, pictures);
    previous_->OnClick = [this](QObject* sender) { Raise(on_previous_, sender); };

    play_ = std::make_unique<T2stateBtn>(
        pictures, parent, description_.play_btn,
        [this](QObject* sender) {
            // Stop is freed first, so that a play that cannot start leaves the stopped look.
            stop_->Deselect();
            Raise(on_play_, sender);
        },
        [this](QObject* sender) { Raise(on_pause_, sender); });

    stop_ = std::make_unique<SidePanelBtn>(
        pictures, parent, description_.stop_btn, 1, [](int) {},
        [this](QObject* sender) {
            Raise(on_stop_, sender);
            play_->Release();
        });
    stop_->PressAndRelease();

    options_ = std::make_unique<TImgBtn>(parent);
    SetupImageButton(*options_, parent, description_.options_btn, pictures);
    options_->OnClick = [this](QObject* sender) { Raise(on_options_, sender); };

    next_ = std::make_unique<TImgBtn>(parent);
    SetupImageButton(*next_, parent, description_.next_btn, pictures);
    next_->OnClick = [this](QObject* sender) { Raise(on_next_, sender); };

    SetVisible(false);
}

MControlPanel::~MControlPanel() = default;

void MControlPanel::SetVisible(bool visible)
{
    for (QWidget* control : {static_cast<QWidget*>(background_.get()), static_cast<QWidget*>(previous_.get()),
                             static_cast<QWidget*>(play_.get()), static_cast<QWidget*>(stop_.get()),
                             static_cast<QWidget*>(next_.get()), static_cast<QWidget*>(options_.get())})
        control->setVisible(visible);
}

void MControlPanel::SetListButtonsActive(bool active)
{
    for (TImgBtn* button : {previous_.get(), static_cast<TImgBtn*>(play_.get()),
                            static_cast<TImgBtn*>(stop_.get()), next_.get()})
        button->SetSupported(active);
}

void MControlPanel::PressStop()
{
    play_->Release();
    stop_->PressAndRelease();
}

void MControlPanel::ShowStopped()
{
    play_->Release();
    stop_->Select();
}
