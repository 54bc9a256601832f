#include "elements/MainFrame.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "controls/SkinButtons.h"
#include "platform/Cursors.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"
#include "windows/Im_view.h"

namespace {

// The software view's fixed layout, in pixels of the main window.
constexpr int kListLeft = 124;
constexpr int kListTop = 77;
constexpr int kListWidth = 258;
constexpr int kListHeight = 304;
constexpr int kLabelLeft = 388;
constexpr int kLabelWidth = 250;
constexpr int kWrapWidth = 255;
constexpr int kThumbWidth = 169;
constexpr int kThumbHeight = 130;
constexpr int kThumbBand = 354;  // the thumbnail is centred between the text and y = 359
constexpr std::int32_t kListColour = 13689318;

// The info box's area.
constexpr int kInfoLeft = 122;
constexpr int kInfoTop = 71;
constexpr int kInfoWidth = 522;
constexpr int kInfoHeight = 314;

constexpr int kMusicFontHeight = -26;

TFont Tahoma(int height, bool bold)
{
    TFont font;
    font.height = height;
    font.bold = bold;
    return font;
}

int Bottom(const QWidget& w)
{
    return w.y() + w.height();
}

// "caption value" lines, each non-empty value on a line of its own.
void AddLine(std::string& text, const std::string& caption, const std::string& value)
{
    if (value.empty())
        return;
    if (!text.empty())
        text += '\n';
    text += caption + " " + value;
}

}  // namespace

MainFrame::MainFrame(const ElementContext& context, const Inf_main_frame& record, LinkEvent link)
    : description_(record), sound_(context.sound), sounder_(context.sounder)
{
    QWidget* parent = context.parent;
    picture_sound_.Load(context.resolver, description_.picture_sound);
    select_sound_.Load(context.resolver, description_.grid_select_sound);

    viewer_ = std::make_unique<TImageView>(parent, picture_sound_, sounder_, sound_, context.resolver);
    link_ = std::move(link);

    for (const std::vector<Inf_image>& images : description_.tab_images) {
        std::vector<std::unique_ptr<TImage>> pictures;
        for (const Inf_image& image : images) {
            auto picture = std::make_unique<TImage>(parent);
            SetupImage(*picture, parent, image, context.pictures);
            picture->hide();
            picture->OnClick = [this](QObject*) { ToggleView(); };
            pictures.push_back(std::move(picture));
        }
        tab_pictures_.push_back(std::move(pictures));
    }

    for (std::size_t t = 0; t < description_.tabs.size(); ++t) {
        const sub_se& tab = description_.tabs[t];
        std::vector<mf_aux> views;
        for (std::size_t s = 0; s < tab.sels.size(); ++s) {
            const SEL& sel = tab.sels[s];
            // The first two thumbnails of every entry, checked now and decoded when first shown;
            // a later entry naming the same picture replaces it. A pair without a thumbnail name
            // has nothing to load.
            for (const SoftTabElement& entry : sel.entries)
                for (std::size_t k = 0; k < entry.pics.size() && k < 2; ++k) {
                    const std::string& name = entry.pics[k].thumb;
                    if (!name.empty())
                        thumbnails_[name] = context.pictures.CheckPicture(name);
                }

            mf_aux view;
            view.list = std::make_unique<TStringGrid>(parent);
            view.list->hide();
            for (auto& label : view.labels) {
                label = std::make_unique<TLabel>(parent);
                label->hide();
            }
            view.thumbnail = std::make_unique<TImage>(parent);
            view.thumbnail->hide();
            if (tab.music)
                BuildMusicView(view, static_cast<int>(t), static_cast<int>(s));
            else
                BuildSoftwareView(view, static_cast<int>(t), static_cast<int>(s));
            views.push_back(std::move(view));
        }
        views_.push_back(std::move(views));
    }

    info_box_ = std::make_unique<MF_inf>(
        parent, description_.titles, kInfoLeft, kInfoTop, kInfoWidth, kInfoHeight,
        [this](const std::string& text) { Raise(link_, text); }, [this](QObject*) { ToggleView(); },
        [this](int which) { OpenPicture(which); }, thumbnails_);

    music_strip_ = std::make_unique<TImage>(parent);
    SetupImage(*music_strip_, parent, description_.music_strip, context.pictures);
    music_strip_->hide();

    music_label_ = std::make_unique<TLabel>(parent);
    music_label_->hide();
    music_label_->SetFont(Tahoma(kMusicFontHeight, true));
    music_label_->move(music_strip_->x() + 3,
                       music_strip_->y() + (music_strip_->height() - (-kMusicFontHeight) - 6) / 2);
}

MainFrame::~MainFrame()
{
    info_box_.reset();
    views_.clear();
    tab_pictures_.clear();
    music_label_.reset();
    music_strip_.reset();
    viewer_.reset();
}

void MainFrame::MakeList(mf_aux& view, const SEL& sel, int row_height)
{
    TStringGrid& list = *view.list;
    list.SetColCount(1);
    list.SetFixedRows(0);
    list.SetRowSelect(true);
    list.SetGridLines(false);
    list.SetFont(Tahoma(-11, true));
    list.SetColor(ColorFromValue(kListColour));
    list.setCursor(ScreenCursor(kMainCursorSlot));
    list.SetDefaultRowHeight(row_height);
    list.SetRowCount(static_cast<int>(sel.entries.size()));
    list.SetColWidth(0, list.width());
    for (std::size_t r = 0; r < sel.entries.size(); ++r)
        list.SetCell(0, static_cast<int>(r), sel.entries[r].title);
}

void MainFrame::BuildSoftwareView(mf_aux& view, int tab, int sub)
{
    TStringGrid& list = *view.list;
    list.setGeometry(kListLeft, kListTop, kListWidth, kListHeight);
    MakeList(view, SubRecord(tab, sub), 11 + 8);

    TLabel& l1 = view.L(1);
    l1.SetFont(Tahoma(-18, true));
    l1.SetWordWrap(true);
    l1.move(kLabelLeft, kListTop);
    l1.SetWidth(kLabelWidth);
    TLabel& l2 = view.L(2);
    l2.SetFont(Tahoma(-11, true));
    l2.SetWordWrap(true);
    l2.move(kLabelLeft, Bottom(l1) + 2);
    l2.SetWidth(kLabelWidth);
    TLabel& l3 = view.L(3);
    l3.SetFont(Tahoma(-11, true));
    l3.move(kLabelLeft, Bottom(l2));
    TLabel& l4 = view.L(4);
    l4.SetFont(Tahoma(-11, true));
    l4.move(kLabelLeft, l3.y());
    l4.SetWidth(50);
    TLabel& l5 = view.L(5);
    l5.SetFont(Tahoma(-11, false));
    l5.SetWordWrap(true);
    l5.move(kLabelLeft, l5.y());
    l5.SetWidth(kLabelWidth);

    TImage& thumb = *view.thumbnail;
    thumb.setAlignment(Qt::AlignCenter);
    thumb.setGeometry(l2.x() + 40, kListTop + kListHeight - kThumbHeight - 5, kThumbWidth,
                      kThumbHeight);

    for (int n : {1, 2, 3, 5})
        view.L(n).OnClick = [this](QObject*) { ToggleView(); };
    thumb.OnClick = [this](QObject*) { ToggleView(); };
    if (TabRecord(tab).full_inf) {
        l4.OnClick = [this](QObject*) { ToggleView(); };
    } else {
        l4.OnClick = [this](QObject* sender) { OpenLinkLabel(sender); };
        l4.setCursor(ScreenCursor(kLinkCursorSlot));
        l4.SetShowHint(true);
    }
    list.OnSelectCell = [this, tab, sub](int, int row, bool&) { SelectEntry(tab, sub, row); };
}

void MainFrame::BuildMusicView(mf_aux& view, int tab, int sub)
{
    const SEL& sel = SubRecord(tab, sub);
    TStringGrid& list = *view.list;
    list.setGeometry(sel.grid_left, sel.grid_top, sel.grid_width, sel.grid_height);
    MakeList(view, sel, 11 + 4);

    TLabel& l1 = view.L(1);
    TFont font = Tahoma(sel.label_font_size, true);
    font.color = ColorFromValue(sel.label_font_color);
    l1.SetFont(font);
    l1.SetWordWrap(true);
    l1.move(sel.label_left, sel.label_top);
    l1.SetWidth(sel.label_width);
    TLabel& l2 = view.L(2);
    l2.SetFont(Tahoma(-11, true));
    l2.move(sel.label_left, l2.y());
    for (int n : {2, 3, 4, 5})
        view.L(n).SetTag(1);

    TImage& thumb = *view.thumbnail;
    thumb.move(sel.thumb_left, sel.thumb_top);
    thumb.SetAutoSize(true);

    list.OnSelectCell = [this, tab, sub](int, int row, bool&) { SelectTrack(tab, sub, row); };
}

const sub_se& MainFrame::TabRecord(int tab) const
{
    return CheckedAt(description_.tabs, tab);
}

const SEL& MainFrame::SubRecord(int tab, int sub) const
{
    return CheckedAt(TabRecord(tab).sels, sub);
}

mf_aux& MainFrame::ViewAt(int tab, int sub)
{
    return CheckedAt(CheckedAt(views_, tab), sub);
}

const mf_aux& MainFrame::View(int tab, int sub) const
{
    return CheckedAt(CheckedAt(views_, tab), sub);
}

const SoftTabElement* MainFrame::SelectedEntry() const
{
    if (!HasView(tab_, sub_))
        return nullptr;
    const std::vector<SoftTabElement>& entries = SubRecord(tab_, sub_).entries;
    const int row = View(tab_, sub_).selected;
    if (row < 0 || static_cast<std::size_t>(row) >= entries.size())
        return nullptr;
    return &entries[static_cast<std::size_t>(row)];
}

void MainFrame::SelectEntry(int tab, int sub, int row)
{
    const SEL& sel = SubRecord(tab, sub);
    // A sub-tab without entries shows one empty row, which selects nothing.
    if (row < 0 || static_cast<std::size_t>(row) >= sel.entries.size())
        return;
    const SoftTabElement& e = sel.entries[static_cast<std::size_t>(row)];
    const SoftSmallTitles& t = description_.small_titles;
    mf_aux& view = ViewAt(tab, sub);
    const bool box_up = info_box_ && info_box_->Shown();

    PlayEventSound(sound_, sounder_, select_sound_);
    view.selected = row;

    TLabel& l1 = view.L(1);
    l1.SetText(e.title);
    l1.SetWordWrap(true);
    l1.SetWidth(kWrapWidth);

    TLabel& l2 = view.L(2);
    l2.move(l2.x(), Bottom(l1) + 5);
    std::string second = e.type;
    if (!e.version.empty())
        second += "\n" + t.version_sm_title + " " + e.version;
    if (!e.zhanr.empty())
        second += "\n" + t.zhanr_sm_title + " " + e.zhanr;
    l2.SetText(second);
    l2.SetWordWrap(true);
    l2.SetWidth(kWrapWidth);

    TLabel& l3 = view.L(3);
    TLabel& l4 = view.L(4);
    if (!e.developer.empty()) {
        l3.move(l3.x(), Bottom(l2));
        l3.SetText(t.developer_sm_title);
        l4.SetHint(e.url_dev);
        l4.move(l3.x() + l3.width() + 5, l3.y());
        l4.SetText(e.developer);
        l4.SetWordWrap(true);
        l4.SetWidth(kLabelWidth - l3.width());
        l3.SetTag(0);
        l4.SetTag(0);
        l3.setVisible(!box_up);
        l4.setVisible(!box_up);
    } else {
        l3.hide();
        l4.hide();
        l3.SetTag(1);
        l4.SetTag(1);
    }

    TLabel& l5 = view.L(5);
    l5.move(l2.x(), Bottom(l4));
    std::string facts;
    if (e.publisher != e.developer)
        AddLine(facts, t.publisher_sm_title, e.publisher);
    AddLine(facts, t.size_sm_title, e.size);
    if (!TabRecord(tab).full_inf) {
        AddLine(facts, t.sysinf_sm_title, e.sysinf);
        AddLine(facts, t.os_sm_title, e.os);
        AddLine(facts, t.description_sm_title, e.description);
    }
    l5.SetText(facts);
    l5.SetWordWrap(true);
    l5.SetWidth(kWrapWidth);

    TImage& thumb = *view.thumbnail;
    if (e.pics.empty()) {
        thumb.SetTag(1);
        thumb.hide();
    } else {
        // A pair without a thumbnail name leaves the thumbnail empty.
        const auto it = thumbnails_.find(e.pics[0].thumb);
        thumb.ShowPicture(it != thumbnails_.end() ? it->second.Pixmap() : QPixmap());
        thumb.SetTag(0);
        thumb.setVisible(!box_up);
    }
    const int picture_height = thumb.Shown().isNull() ? 0 : thumb.Shown().height();
    thumb.move(thumb.x(), (Bottom(l5) + 5 + kThumbBand - picture_height) / 2);
}

void MainFrame::SelectTrack(int tab, int sub, int row)
{
    const SEL& sel = SubRecord(tab, sub);
    if (row < 0 || static_cast<std::size_t>(row) >= sel.entries.size())
        return;
    const SoftTabElement& track = sel.entries[static_cast<std::size_t>(row)];
    mf_aux& view = ViewAt(tab, sub);
    view.selected = row;
    TLabel& l1 = view.L(1);
    l1.SetText(track.description);
    l1.SetWidth(sel.label_width);
    // A track without a picture of its own, or whose pair names no thumbnail, keeps the one
    // shown before.
    if (!track.pics.empty()) {
        const auto it = thumbnails_.find(track.pics[0].thumb);
        if (it != thumbnails_.end())
            view.thumbnail->ShowPicture(it->second.Pixmap());
    }
}

bool MainFrame::HasView(int tab, int sub) const
{
    return tab >= 0 && static_cast<std::size_t>(tab) < views_.size() && sub >= 0 &&
           static_cast<std::size_t>(sub) < views_[static_cast<std::size_t>(tab)].size();
}

bool MainFrame::HasSubTabs() const
{
    return HasView(tab_, 0);
}

void MainFrame::ShowView(int tab, int sub, bool show)
{
    // A tab without sub-tabs has no view to show or hide.
    if (!HasView(tab, sub))
        return;
    mf_aux& view = ViewAt(tab, sub);
    ShowIfWanted(*view.list, show);
    for (auto& label : view.labels)
        ShowIfWanted(*label, show);
    ShowIfWanted(*view.thumbnail, show);
}

void MainFrame::SetViewVisible(bool visible)
{
    ShowView(tab_, sub_, visible);
}

void MainFrame::ToggleView()
{
    if (!TabRecord(tab_).full_inf)
        return;
    if (info_box_->Shown()) {
        info_box_->SetShown(false);
        SetViewVisible(true);
        return;
    }
    const SoftTabElement* entry = SelectedEntry();
    if (entry == nullptr)
        return;  // no entry: the info box has nothing to show
    info_box_->Fill(*entry);
    SetViewVisible(false);
    info_box_->SetShown(true);
}

void MainFrame::OpenPicture(int which)
{
    const SoftTabElement* entry = SelectedEntry();
    if (entry == nullptr)
        return;
    PlayEventSound(sound_, sounder_, picture_sound_);
    // The viewer keeps a reference to the list while it is open: hand it a copy that lives as
    // long as the call.
    const std::vector<PicPair> pictures = entry->pics;
    viewer_->ShowList(pictures, static_cast<unsigned>(which));
}

void MainFrame::OpenLinkLabel(QObject* sender)
{
    if (const auto* label = dynamic_cast<const TLabel*>(sender)) {
        const std::string link = label->Hint();
        Raise(link_, link);
    }
}

void MainFrame::ShowTab(int tab, int kind)
{
    if (info_box_->Shown())
        info_box_->SetShown(false);
    previous_tab_ = tab_;
    tab_ = tab;
    ShowView(previous_tab_, sub_, false);
    kind_ = kind;
    if (kind_ == 0) {
        music_strip_->hide();
        music_label_->hide();
    } else if (kind_ == 1) {
        ShowIfWanted(*music_strip_, true);
        ShowIfWanted(*music_label_, true);
    }
    // A tab without sub-tabs gets no ShowSub, which changes the pictures otherwise: the picture
    // of the tab shown before goes now, and the tab's own picture, if it has one, comes.
    if (!HasSubTabs()) {
        if (TImage* previous = TabPicture(previous_tab_, sub_))
            previous->hide();
        const std::size_t t = static_cast<std::size_t>(tab_);
        if (tab_ >= 0 && t < tab_pictures_.size() && tab_pictures_[t].size() == 1)
            tab_pictures_[t].front()->show();
    }
}

void MainFrame::ShowSub(int sub)
{
    if (info_box_->Shown())
        info_box_->SetShown(false);

    // The tab pictures. The current sub-tab index belongs to the tab shown before and may lie
    // outside this tab's pictures: there is nothing to hide then.
    if (TImage* previous = TabPicture(previous_tab_, sub_))
        previous->hide();
    if (TImage* current = TabPicture(tab_, sub_))
        current->hide();
    if (TImage* next = TabPicture(tab_, sub))
        next->show();

    for (std::size_t s = 0; s < CheckedAt(views_, tab_).size(); ++s)
        ShowView(tab_, static_cast<int>(s), false);
    sub_ = sub;
    ShowView(tab_, sub_, true);
    const SEL& sel = SubRecord(tab_, sub_);
    info_box_->SetSectionCaptions(sel.description_title, sel.sysinf_title);
}

void MainFrame::SendKey(TStringGrid& list, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&list, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&list, &release);
}

TImage* MainFrame::TabPicture(int tab, int index) const
{
    // One picture stands for the whole tab, several for one sub-tab each.
    if (tab < 0 || static_cast<std::size_t>(tab) >= tab_pictures_.size())
        return nullptr;
    const auto& pictures = tab_pictures_[static_cast<std::size_t>(tab)];
    if (pictures.size() == 1)
        return pictures.front().get();
    if (index < 0 || static_cast<std::size_t>(index) >= pictures.size())
        return nullptr;
    return pictures[static_cast<std::size_t>(index)].get();
}

void MainFrame::MoveSelection(int tab, int sub, int step)
{
    // A tab without sub-tabs has no list to move in.
    if (!HasView(tab, sub))
        return;
    mf_aux& view = ViewAt(tab, sub);
    const std::vector<SoftTabElement>& entries = SubRecord(tab, sub).entries;
    const int count = static_cast<int>(entries.size());
    const int target = view.selected + step;
    if (count == 0 || target < 0 || target >= count)
        return;
    SendKey(*view.list, step > 0 ? Qt::Key_Down : Qt::Key_Up);
    info_box_->Fill(entries[static_cast<std::size_t>(target)]);
    if (info_box_->Shown())
        info_box_->SetShown(true);
}

void MainFrame::NextEntry(int tab, int sub)
{
    MoveSelection(tab, sub, +1);
}

void MainFrame::PreviousEntry(int tab, int sub)
{
    MoveSelection(tab, sub, -1);
}

void MainFrame::MoveTrackQuietly(int tab, int sub, int step)
{
    if (tab == tab_ && sub == sub_) {
        MoveSelection(tab, sub, step);
        return;
    }
    mf_aux& view = ViewAt(tab, sub);
    const int count = static_cast<int>(SubRecord(tab, sub).entries.size());
    const int target = view.selected + step;
    if (target < 0 || target >= count)
        return;
    // The list is not on show: it moves without raising its event, and its labels follow the
    // track now selected.
    const TStringGrid::TSelectCellEvent handler = view.list->OnSelectCell;
    view.list->OnSelectCell = nullptr;
    SendKey(*view.list, step > 0 ? Qt::Key_Down : Qt::Key_Up);
    SelectTrack(tab, sub, target);
    view.list->OnSelectCell = handler;
}

void MainFrame::NextTrack(int tab, int sub)
{
    MoveTrackQuietly(tab, sub, +1);
}

void MainFrame::PreviousTrack(int tab, int sub)
{
    MoveTrackQuietly(tab, sub, -1);
}

void MainFrame::SetMusicText(const std::string& text)
{
    music_label_->SetText(text);
    if (text.empty()) {
        music_strip_->SetTag(1);
        music_label_->SetTag(1);
        music_strip_->hide();
        music_label_->hide();
        return;
    }
    music_strip_->SetTag(0);
    music_label_->SetTag(0);
    if (kind_ == 1) {
        music_strip_->show();
        music_label_->show();
    }
    const int strip_left = music_strip_->x();
    const int strip_width = music_strip_->width();
    if (music_label_->width() > strip_width - 6) {
        music_label_->move(strip_left + 3, music_label_->y());
        music_label_->SetWidth(strip_width - 6);
    } else {
        music_label_->move(strip_left + 3 + (strip_width - music_label_->width()) / 2, music_label_->y());
    }
}

void MainFrame::ShowStart()
{
    for (std::size_t t = 0; t < views_.size(); ++t) {
        for (std::size_t s = 0; s < views_[t].size(); ++s) {
            tab_ = static_cast<int>(t);
            sub_ = static_cast<int>(s);
            mf_aux& view = views_[t][s];
            for (int i = 0; i < 3; ++i)
                SendKey(*view.list, Qt::Key_Down);
            for (int i = 0; i < 3; ++i)
                SendKey(*view.list, Qt::Key_Up);
            // The keys do not move a one-row list: its entry is filled the way the list's own
            // event fills it.
            if (description_.tabs[t].sels[s].entries.size() == 1) {
                if (description_.tabs[t].music)
                    SelectTrack(tab_, sub_, 0);
                else
                    SelectEntry(tab_, sub_, 0);
            }
            ShowView(tab_, sub_, false);
        }
    }
    tab_ = 0;
    sub_ = 0;
    if (const SoftTabElement* first = SelectedEntry())
        info_box_->Fill(*first);
    ShowView(0, 0, true);
}
