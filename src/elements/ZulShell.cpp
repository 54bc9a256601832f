#include "elements/ZulShell.h"

#include "controls/SkinButtons.h"
#include "platform/EventErrors.h"
#include "windows/Setupwin.h"

ZUL_shell::ZUL_shell(const ElementContext& context, const Inf_shell& record, TNotifyEvent options)
    : description_(record), context_(context)
{
    QWidget* parent = context_.parent;
    setup_sound_.Load(context_.resolver, description_.setup_sound);
    link_sound_.Load(context_.resolver, description_.link_sound);
    side_panel_sound_.Load(context_.resolver, description_.sp_btn_sound);

    auto link = [this](const std::string& text) { OpenLink(text); };
    side_panel_ = std::make_unique<SidePanel>(
        parent, description_.side_panel, [this](int tab, int kind) { TabChosen(tab, kind); }, link,
        context_.pictures, context_.resolver);
    main_frame_ = std::make_unique<MainFrame>(context_, description_.main_frame, link);
    music_ = std::make_unique<MusicPlayback>(*main_frame_, context_.decoder, context_.sequencer,
                                             context_.sounder, context_.sound);
    top_panel_ = std::make_unique<TopPanel>(parent, description_.top_panel,
                                            [this](int column) { SubChosen(column); }, context_.pictures);
    control_panel_ = std::make_unique<ControlPanel>(
        parent, description_.control_panel, [this](QObject*) { PreviousEntry(); },
        [this](QObject*) { RunSetup(); }, options, [this](QObject*) { NextEntry(); }, context_.pictures);
    music_panel_ = std::make_unique<MControlPanel>(
        parent, description_.mcontrol_panel, [this](QObject*) { music_->PreviousTrack(); },
        [this](QObject*) { music_->Play(); }, [this](QObject*) { music_->Pause(); },
        [this](QObject*) { music_->Stop(); }, [this](QObject*) { music_->NextTrack(); }, options,
        context_.pictures);
    music_->SetPanel(music_panel_.get());

    picture_ = std::make_unique<TImage>(parent);
    SetupImage(*picture_, parent, description_.picture, context_.pictures);
    banner_ = std::make_unique<Banner>(parent, description_.banner, link, context_.resolver);

    side_panel_->ClickFirst();
    main_frame_->ShowStart();
}

ZUL_shell::~ZUL_shell()
{
    side_panel_.reset();
    top_panel_.reset();
    picture_.reset();
    banner_.reset();
    control_panel_.reset();
    music_panel_.reset();
    music_.reset();
    main_frame_.reset();
}

void ZUL_shell::TabChosen(int tab, int kind)
{
    PlayEventSound(context_.sound, context_.sounder, side_panel_sound_);
    main_frame_->ShowTab(tab, kind);
    top_panel_->ShowRow(tab);
    // A tab without sub-tabs has no list: the panels' buttons that act on one do nothing there.
    const bool has_list = main_frame_->HasSubTabs();
    control_panel_->SetListButtonsActive(has_list);
    music_panel_->SetListButtonsActive(has_list);
    if (kind == 0) {
        music_panel_->SetVisible(false);
        control_panel_->SetVisible(true);
        music_->SoftwareTabShown();
    } else if (kind == 1) {
        control_panel_->SetVisible(false);
        music_panel_->SetVisible(true);
        music_->MusicTabShown();
    }
}

void ZUL_shell::SubChosen(int column)
{
    main_frame_->ShowSub(column);
}

std::string LinkQuestion(const Inf_link_box& box, const std::string& link)
{
    return box.link_message + "\n" + link;
}

void ZUL_shell::OpenLink(const std::string& link)
{
    const Inf_link_box& box = description_.link_box;
    if (context_.app.MessageBox(LinkQuestion(box, link), box.link_caption, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    PlayEventSound(context_.sound, context_.sounder, link_sound_);
    context_.opener.OpenLink(link);
}

void ZUL_shell::RunSetup()
{
    PlayEventSound(context_.sound, context_.sounder, setup_sound_);
    const SoftTabElement* entry = main_frame_->SelectedEntry();
    if (entry == nullptr || entry->setups.empty())
        return;
    if (entry->setups.size() == 1) {
        context_.opener.Open(entry->setups.front().first);
        return;
    }
    // The window lists the entry's own setups for as long as it is open.
    const std::vector<string_pair> setups = entry->setups;
    const Inf_setup_win& c = description_.setup_win;
    Tsetup_win window(context_.parent, setups, c.setup_nomer, c.setup_file, c.setup_desc, c.setup_run,
                      c.setup_close, context_.opener);
    window.exec();
}

void ZUL_shell::PreviousEntry()
{
    main_frame_->PreviousEntry(main_frame_->Tab(), main_frame_->Sub());
}

void ZUL_shell::NextEntry()
{
    main_frame_->NextEntry(main_frame_->Tab(), main_frame_->Sub());
}

