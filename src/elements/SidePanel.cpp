#include "elements/SidePanel.h"

#include "platform/Cursors.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"

SidePanel::SidePanel(QWidget* parent, const Inf_side_panel& record, TabEvent tab, LinkEvent link,
                     PictureSource& pictures, const PathResolver& resolver)
    : description_(record), link_(std::move(link))
{
    background_ = std::make_unique<TImage>(parent);
    SetupImage(*background_, parent, description_.back, pictures);

    link_button_ = std::make_unique<TImgBtn>(parent);
    SetupImageButton(*link_button_, parent, description_.link_btn, pictures);
    link_button_->setCursor(ScreenCursor(kLinkCursorSlot));
    link_button_->OnClick = [this](QObject*) { LinkButtonClick(); };

    tab_ = std::move(tab);
    for (std::size_t i = 0; i < description_.tab_buttons.size(); ++i)
        buttons_.push_back(std::make_unique<SidePanelBtn>(
            pictures, parent, description_.tab_buttons[i], static_cast<int>(i),
            [this](int index) { TabSelect(index); }, [this](QObject*) { TabNotify(); }));

    banner_ = std::make_unique<Banner>(parent, description_.banner, link_, resolver);
}

SidePanel::~SidePanel()
{
    background_.reset();
    link_button_.reset();
    banner_.reset();
    buttons_.clear();
}

void SidePanel::ClickFirst()
{
    if (!buttons_.empty())
        buttons_.front()->PressAndRelease();
}

void SidePanel::TabSelect(int index)
{
    CheckedAt(buttons_, selected_)->Deselect();
    selected_ = index;
}

void SidePanel::TabNotify()
{
    if (!tab_)
        return;
    const SP_Inf_button& button = CheckedAt(description_.tab_buttons, selected_);
    const TabEvent handler = tab_;
    handler(selected_, button.music ? 1 : 0);
}

void SidePanel::LinkButtonClick()
{
    const std::string link = link_button_->Hint();
    Raise(link_, link);
}
