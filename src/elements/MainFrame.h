// The main frame: the central area of the main window where the catalogue is read. For every
// sub-tab of every tab it builds, once and hidden, an entry view: the list of the sub-tab's
// entries and the labels and thumbnail that describe the entry selected in it. Changing tab or
// sub-tab hides one prepared view and shows another. In tabs with full information a click on a
// view shows the info box in its place. Music tabs list their tracks in the same way and add a
// strip that shows the playing track. Its controls lie directly on the main window.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "elements/ElementContext.h"
#include "elements/InfoBox.h"
#include "controls/Label.h"
#include "controls/StringGrid.h"
#include "controls/Zulwid.h"
#include "model/Description.h"
#include "sound/Sounds.h"

class TImageView;

// One entry view: the list, the five labels L1 to L5 and the thumbnail.
struct mf_aux {
    std::unique_ptr<TStringGrid> list;
    std::array<std::unique_ptr<TLabel>, 5> labels;
    std::unique_ptr<TImage> thumbnail;
    int selected = 0;  // the row selected in the list

    TLabel& L(int n) const { return *labels[static_cast<std::size_t>(n - 1)]; }
};

class MainFrame {
public:
    using LinkEvent = std::function<void(const std::string& link)>;

    // Builds every view, the info box, the picture viewer and the music strip, all hidden; every
    // thumbnail is checked in `context.pictures` now (its failure raised now) and decoded when
    // it is first shown.
    MainFrame(const ElementContext& context, const Inf_main_frame& record, LinkEvent link);
    ~MainFrame();
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    void ShowTab(int tab, int kind);
    void ShowSub(int sub);
    // Move the selection of the list of (tab, sub) by one row, as the list's own keys do.
    void NextEntry(int tab, int sub);
    void PreviousEntry(int tab, int sub);
    // The same for a music list, also while another list is on show.
    void NextTrack(int tab, int sub);
    void PreviousTrack(int tab, int sub);
    // Shows `text` on the music strip; the empty text hides the strip.
    void SetMusicText(const std::string& text);
    // The first display: every view filled for its first entry, then the first view shown.
    void ShowStart();
    // Shows or hides the view of the current tab and sub-tab.
    void SetViewVisible(bool visible);

    int Tab() const { return tab_; }
    // The sub-tab on show; meaningless while the tab on show has no sub-tabs.
    int Sub() const { return sub_; }
    // Whether the tab on show has sub-tabs, and so a view on show.
    bool HasSubTabs() const;
    int Kind() const { return kind_; }
    const mf_aux& View(int tab, int sub) const;
    // The records of a tab and of one of its sub-tabs (index-checked).
    const sub_se& TabRecord(int tab) const;
    const SEL& SubRecord(int tab, int sub) const;
    // The entry selected in the current view, or nullptr when the view has none.
    const SoftTabElement* SelectedEntry() const;
    MF_inf& InfoBox() const { return *info_box_; }
    TImage* MusicStrip() const { return music_strip_.get(); }
    TLabel* MusicLabel() const { return music_label_.get(); }
    TImageView& Viewer() const { return *viewer_; }
    const ThumbnailMap& Thumbnails() const { return thumbnails_; }
    const std::vector<std::vector<std::unique_ptr<TImage>>>& TabPictures() const { return tab_pictures_; }

private:
    void BuildSoftwareView(mf_aux& view, int tab, int sub);
    void BuildMusicView(mf_aux& view, int tab, int sub);
    void MakeList(mf_aux& view, const SEL& sel, int row_height);

    void SelectEntry(int tab, int sub, int row);
    void SelectTrack(int tab, int sub, int row);
    void ToggleView();
    void OpenPicture(int which);
    void OpenLinkLabel(QObject* sender);
    void MoveSelection(int tab, int sub, int step);
    void MoveTrackQuietly(int tab, int sub, int step);
    void ShowView(int tab, int sub, bool show);
    void SendKey(TStringGrid& list, int key);

    mf_aux& ViewAt(int tab, int sub);
    bool HasView(int tab, int sub) const;
    // The picture of `tab` that goes with its sub-tab `index`: its only picture, or the one at
    // `index`; nullptr when there is none.
    TImage* TabPicture(int tab, int index) const;

    std::unique_ptr<TImage> music_strip_;
    std::unique_ptr<TLabel> music_label_;
    std::unique_ptr<TImageView> viewer_;
    std::vector<std::vector<std::unique_ptr<TImage>>> tab_pictures_;
    std::vector<std::vector<mf_aux>> views_;
    ThumbnailMap thumbnails_;
    std::unique_ptr<MF_inf> info_box_;
    int kind_ = 0;
    int tab_ = 0;
    int previous_tab_ = 0;
    int sub_ = 0;
    LinkEvent link_;
    Inf_main_frame description_;
    SoundOutput& sound_;
    Sounder& sounder_;
    SoundFile picture_sound_;
    SoundFile select_sound_;
};
