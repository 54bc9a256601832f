// The screen elements together, as the shell controller builds them on a window: a catalogue of
// three tabs made in the test, solid-colour skin pictures, sounds that are files of a temporary
// disc, and recording doubles for the message boxes, the opener and the sound output.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "support/WidgetTestSupport.h"
#include "elements/ZulShell.h"
#include "platform/EventErrors.h"
#include "windows/Im_view.h"
#include "support/RecordingApplication.h"
#include "support/RecordingOpener.h"
#include "support/RecordingPlayers.h"
#include "support/RecordingSound.h"
#include "support/TempDir.h"

namespace {

Inf_button Button(const std::string& name, int left, int top, const std::string& hint = {})
{
    Inf_button b;
    b.normal_pic = name + ".bmp";
    b.over_pic = name + "_over.bmp";
    b.down_pic = name + "_down.bmp";
    b.hint = hint;
    b.left = left;
    b.top = top;
    return b;
}

Inf_image Image(const std::string& name, int left, int top)
{
    Inf_image i;
    i.pic = name + ".bmp";
    i.left = left;
    i.top = top;
    return i;
}

SoftTabElement Entry(const std::string& title)
{
    SoftTabElement e;
    e.title = title;
    e.type = "Game";
    e.developer = "Dev " + title;
    e.url_dev = "http://dev/" + title;
    e.publisher = "Pub " + title;
    e.size = "10 MB";
    e.sysinf = "P100";
    e.os = "Win95";
    e.description = "About " + title;
    e.pics = {{"thumb_" + title + ".bmp", "shots\\" + title + ".bmp"}};
    return e;
}

// Tab 0: software, two sub-tabs, one tab picture. Tab 1: software with full information, three
// sub-tabs (one entry, none, two), a picture per sub-tab. Tab 2: music, one sub-tab of two tracks.
Inf_shell Catalogue()
{
    Inf_shell d;
    d.side_panel.back = Image("side", 0, 60);
    d.side_panel.link_btn = Button("link", 5, 400, "http://magazine");
    for (int t = 0; t < 3; ++t) {
        SP_Inf_button tab;
        static_cast<Inf_button&>(tab) = Button("tab" + std::to_string(t), 5, 70 + 30 * t);
        tab.music = t == 2;
        d.side_panel.tab_buttons.push_back(tab);
    }
    d.top_panel.back = Image("top", 120, 40);
    const int subs[3] = {2, 3, 1};
    for (int t = 0; t < 3; ++t) {
        IndBtn row;
        for (int s = 0; s < subs[t]; ++s)
            row.buttons.push_back(Button("sub" + std::to_string(t) + std::to_string(s), 130 + 60 * s, 45));
        d.top_panel.tab_rows.push_back(row);
    }

    Inf_main_frame& f = d.main_frame;
    f.tab_images = {{Image("pic0", 400, 5)},
                    {Image("pic10", 400, 5), Image("pic11", 400, 5), Image("pic12", 400, 5)},
                    {}};
    sub_se software;
    SEL first;
    first.entries = {Entry("alpha"), Entry("beta"), Entry("gamma")};
    first.entries[1].publisher = first.entries[1].developer;  // no publisher line
    first.entries[2].developer.clear();                        // no developer labels
    first.entries[2].version = "1.2";
    first.entries[2].zhanr = "Arcade";
    SEL second;
    second.entries = {Entry("delta")};
    software.sels = {first, second};
    sub_se full;
    full.full_inf = true;
    SEL one;
    one.entries = {Entry("solo")};
    one.description_title = "Description";
    one.sysinf_title = "Requirements";
    SEL none;
    SEL two;
    two.entries = {Entry("east"), Entry("west")};
    two.entries[1].pics.push_back({"", "shots\\west2.bmp"});  // a picture without a thumbnail
    full.sels = {one, none, two};
    sub_se music;
    music.music = true;
    SEL tracks;
    tracks.entries = {Entry("track one"), Entry("track two")};
    tracks.entries[0].description = "First track";
    tracks.entries[0].setups = {{"music\\one.mp3", ""}};
    tracks.entries[1].setups = {{"music\\two.mid", ""}};
    tracks.entries[1].description = "Second track";
    tracks.grid_left = 130;
    tracks.grid_top = 80;
    tracks.grid_width = 200;
    tracks.grid_height = 150;
    tracks.label_left = 350;
    tracks.label_top = 80;
    tracks.label_width = 200;
    tracks.label_font_size = -14;
    tracks.thumb_left = 350;
    tracks.thumb_top = 200;
    music.sels = {tracks};
    f.tabs = {software, full, music};
    f.titles.size_title = "Size:";
    f.titles.zhanr_title = "Genre:";
    f.titles.developer_title = "Developer:";
    f.titles.publisher_title = "Publisher:";
    f.titles.url_title = "Web:";
    f.titles.description_title = "About:";
    f.titles.sysinf_title = "Needs:";
    f.small_titles.developer_sm_title = "By";
    f.small_titles.publisher_sm_title = "Published by";
    f.small_titles.size_sm_title = "Size";
    f.small_titles.sysinf_sm_title = "Needs";
    f.small_titles.os_sm_title = "OS";
    f.small_titles.description_sm_title = "About";
    f.small_titles.version_sm_title = "Version";
    f.small_titles.zhanr_sm_title = "Genre";
    f.music_strip = Image("strip", 130, 390);
    f.grid_select_sound = "snd\\select.wav";
    f.picture_sound = "snd\\picture.wav";

    Inf_control_panel& c = d.control_panel;
    c.prev_image = Image("cp_prev_back", 130, 420);
    c.prev_btn = Button("cp_prev", 130, 420);
    c.setup_image = Image("cp_setup_back", 200, 420);
    c.setup_btn = Button("cp_setup", 200, 420);
    c.options_image = Image("cp_opts_back", 270, 420);
    c.options_btn = Button("cp_opts", 270, 420);
    c.next_image = Image("cp_next_back", 340, 420);
    c.next_btn = Button("cp_next", 340, 420);
    Inf_mcontrol_panel& m = d.mcontrol_panel;
    m.back = Image("mp_back", 130, 420);
    m.prev_btn = Button("mp_prev", 130, 420);
    m.play_btn = Button("mp_play", 160, 420);
    m.stop_btn = Button("mp_stop", 190, 420);
    m.next_btn = Button("mp_next", 220, 420);
    m.options_btn = Button("mp_opts", 250, 420);
    d.picture = Image("picture", 600, 5);
    d.sp_btn_sound = "snd\\tab.wav";
    d.link_sound = "snd\\link.wav";
    d.setup_sound = "snd\\setup.wav";
    d.link_box = {"Web", "Open this address?"};
    return d;
}

// Any picture the description names, in a colour of its own.
class AnySource : public ColourSource {
public:
    std::unique_ptr<Picture> LoadPicture(const std::string& name) override
    {
        if (pictures.find(name) == pictures.end())
            Add(name, QColor::fromRgb(static_cast<QRgb>(std::hash<std::string>{}(name) & 0xFFFFFF)));
        return ColourSource::LoadPicture(name);
    }
};

class ScreenTest : public ::testing::Test {
protected:
    ScreenTest() : resolver(disc.path())
    {
        for (const char* name : {"select", "picture", "tab", "link", "setup"})
            disc.Write(std::string("snd/") + name + ".wav", std::string("RIFF ") + name);
        window.resize(648, 511);
        window.show();
        sounder.sounds_on = true;
        SetEventErrorHandler([this](const std::string& text) { errors.push_back(text); });
    }
    ~ScreenTest() override
    {
        shell.reset();
        SetEventErrorHandler({});
    }

    void Build(const Inf_shell& d = Catalogue())
    {
        const ElementContext context{&window, source, resolver, sound, sounder, app, opener, decoder, sequencer};
        shell = std::make_unique<ZUL_shell>(context, d, [this](QObject*) { ++options; });
        sound.played.clear();
    }

    void ClickTab(int t) { shell->Side().Buttons().at(static_cast<std::size_t>(t))->PressAndRelease(); }
    void ClickSub(int s)
    {
        shell->Top().Rows().at(static_cast<std::size_t>(shell->Top().Row())).at(static_cast<std::size_t>(s))->PressAndRelease();
    }
    static void Click(QWidget& w)
    {
        SendPress(w, QPoint(1, 1));
        SendRelease(w, QPoint(1, 1));
    }
    const mf_aux& CurrentView() const { return shell->Frame().View(shell->Frame().Tab(), shell->Frame().Sub()); }
    std::string L(int n) const { return CurrentView().L(n).Text(); }

    TempDir disc;
    PathResolver resolver;
    QWidget window;
    AnySource source;
    RecordingSoundOutput sound;
    Sounder sounder;
    RecordingApplication app;
    RecordingOpener opener;
    RecordingDecoder decoder;
    RecordingSequencer sequencer;
    std::vector<std::string> errors;
    int options = 0;
    std::unique_ptr<ZUL_shell> shell;
};

TEST_F(ScreenTest, TheFirstTabIsPressedAtStartAndEveryViewIsFilled)
{
    Build();
    MainFrame& f = shell->Frame();
    EXPECT_EQ(shell->Side().Selected(), 0);
    EXPECT_EQ(f.Tab(), 0);
    EXPECT_EQ(f.Sub(), 0);
    EXPECT_TRUE(CurrentView().list->isVisible());
    EXPECT_EQ(L(1), "alpha");
    EXPECT_TRUE(shell->Controls().Button(0)->isVisible());
    EXPECT_FALSE(shell->MusicControls().PlayButton()->isVisible());
    EXPECT_TRUE(shell->Frame().TabPictures()[0][0]->isVisible());
    // Views not on show were filled for their first entry, a one-entry list included.
    EXPECT_EQ(f.View(0, 1).L(1).Text(), "delta");
    EXPECT_EQ(f.View(1, 0).L(1).Text(), "solo");
    EXPECT_EQ(f.View(2, 0).L(1).Text(), "First track");
    EXPECT_FALSE(f.View(0, 1).list->isVisible());
    // The thumbnails were loaded once each; a pair without a thumbnail name loaded nothing.
    EXPECT_EQ(std::count(source.loaded.begin(), source.loaded.end(), "thumb_alpha.bmp"), 1);
    EXPECT_EQ(std::count(source.loaded.begin(), source.loaded.end(), ""), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ScreenTest, TabsRememberTheirSubTabAndThePanelsFollowTheKindOfTab)
{
    Build();
    ClickTab(1);
    ClickSub(2);
    ClickTab(0);
    EXPECT_EQ(shell->Frame().Sub(), 0);
    ClickTab(1);
    EXPECT_EQ(shell->Top().Row(), 1);
    EXPECT_EQ(shell->Top().Column(), 2);
    EXPECT_EQ(shell->Frame().Sub(), 2);
    EXPECT_TRUE(CurrentView().list->isVisible());
    EXPECT_FALSE(shell->Frame().View(1, 0).list->isVisible());
    // Tab 1 has a picture per sub-tab; the one of sub-tab 2 is up, the others are not.
    const auto& pictures = shell->Frame().TabPictures();
    EXPECT_TRUE(pictures[1][2]->isVisible());
    EXPECT_FALSE(pictures[1][0]->isVisible());
    EXPECT_FALSE(pictures[0][0]->isVisible());

    ClickTab(2);
    EXPECT_FALSE(shell->Controls().Button(0)->isVisible());
    EXPECT_TRUE(shell->MusicControls().PlayButton()->isVisible());
    // Tab 2 has one sub-tab; leaving it for tab 0 finds every index inside its lists.
    ClickTab(0);
    EXPECT_TRUE(shell->Controls().Button(0)->isVisible());
    EXPECT_TRUE(errors.empty());
    // Clicking the selected tab does nothing; the side-panel sound played for each change.
    ClickTab(0);
    EXPECT_EQ(std::count(sound.played.begin(), sound.played.end(), "RIFF tab"), 5);
}

TEST_F(ScreenTest, ASubTabIndexOfAnotherTabNeverFailsTheTabPictures)
{
    // Tab 0 gets two pictures for its two sub-tabs: coming from sub-tab 2 of tab 1, the index
    // 2 lies outside tab 0's pictures.
    Inf_shell d = Catalogue();
    d.main_frame.tab_images[0] = {Image("pic00", 400, 5), Image("pic01", 400, 5)};
    Build(d);
    ClickTab(1);
    ClickSub(2);
    ClickTab(0);
    ClickSub(1);
    EXPECT_TRUE(errors.empty()) << errors.front();
    const auto& pictures = shell->Frame().TabPictures();
    EXPECT_TRUE(pictures[0][1]->isVisible());
    EXPECT_FALSE(pictures[0][0]->isVisible());
    EXPECT_FALSE(pictures[1][2]->isVisible());
}

TEST_F(ScreenTest, TheSoftwareViewLaysOutItsLabelsByTheEntry)
{
    Build();
    const SoftSmallTitles& t = Catalogue().main_frame.small_titles;
    const mf_aux& v = CurrentView();
    // alpha: developer and publisher differ; no full information: the whole block in L5.
    EXPECT_EQ(v.L(2).Text(), "Game");
    EXPECT_EQ(v.L(2).y(), v.L(1).y() + v.L(1).height() + 5);
    EXPECT_EQ(v.L(3).Text(), t.developer_sm_title);
    EXPECT_EQ(v.L(4).Text(), "Dev alpha");
    EXPECT_EQ(v.L(4).Hint(), "http://dev/alpha");
    EXPECT_EQ(v.L(4).x(), v.L(3).x() + v.L(3).width() + 5);
    EXPECT_EQ(v.L(5).Text(), "Published by Pub alpha\nSize 10 MB\nNeeds P100\nOS Win95\nAbout About alpha");
    EXPECT_EQ(v.L(5).y(), v.L(4).y() + v.L(4).height());
    EXPECT_TRUE(v.thumbnail->isVisible());
    const int picture_height = v.thumbnail->Shown().height();
    EXPECT_EQ(v.thumbnail->y(), (v.L(5).y() + v.L(5).height() + 5 + 354 - picture_height) / 2);

    // beta: the publisher is the developer.
    shell->Controls().Button(3)->PressAndRelease();
    EXPECT_EQ(v.selected, 1);
    EXPECT_EQ(v.L(5).Text().rfind("Size 10 MB", 0), 0u);
    // gamma: no developer; version and genre join the type.
    shell->Controls().Button(3)->PressAndRelease();
    EXPECT_EQ(v.L(2).Text(), "Game\nVersion 1.2\nGenre Arcade");
    EXPECT_FALSE(v.L(3).isVisible());
    EXPECT_FALSE(v.L(4).isVisible());
    EXPECT_EQ(v.L(3).Tag(), 1);
    EXPECT_EQ(v.L(5).y(), v.L(4).y() + v.L(4).height());  // under the hidden L4, where it was
    // Next on the last entry, previous on the first change nothing.
    shell->Controls().Button(3)->PressAndRelease();
    EXPECT_EQ(v.selected, 2);
    for (int i = 0; i < 3; ++i)
        shell->Controls().Button(0)->PressAndRelease();
    EXPECT_EQ(v.selected, 0);
    EXPECT_EQ(v.list->Row(), 0);
    EXPECT_EQ(L(1), "alpha");
    // Each move played the select sound.
    EXPECT_EQ(std::count(sound.played.begin(), sound.played.end(), "RIFF select"), 4);
}

TEST_F(ScreenTest, WithoutFullInformationOnlyTheDeveloperLinksAfterTheQuestion)
{
    Build();
    const mf_aux& v = CurrentView();
    Click(v.L(1));
    Click(*v.thumbnail);
    EXPECT_FALSE(shell->Frame().InfoBox().Shown());
    app.answers = {MsgResult::No, MsgResult::Yes};
    Click(v.L(4));
    EXPECT_TRUE(opener.links.empty());
    Click(v.L(4));
    // Links go the way that never starts a program.
    EXPECT_EQ(opener.links, (std::vector<std::string>{"http://dev/alpha"}));
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(app.calls, (std::vector<std::string>{"box[yesno] Web: Open this address?\nhttp://dev/alpha",
                                                   "box[yesno] Web: Open this address?\nhttp://dev/alpha"}));
    EXPECT_EQ(std::count(sound.played.begin(), sound.played.end(), "RIFF link"), 1);
    // The side panel's link button opens its hint.
    Click(*shell->Side().LinkButton());
    EXPECT_EQ(opener.links.back(), "http://magazine");
}

TEST_F(ScreenTest, TheInfoBoxTakesTheViewsPlaceInTabsWithFullInformation)
{
    Build();
    ClickTab(1);
    MF_inf& box = shell->Frame().InfoBox();
    Click(CurrentView().L(4));  // in these tabs every part of the view toggles
    ASSERT_TRUE(box.Shown());
    EXPECT_FALSE(CurrentView().list->isVisible());
    EXPECT_EQ(box.Title()->Text(), "solo");
    // Rows follow one another; an empty genre takes no room.
    EXPECT_EQ(box.Caption(1)->Tag(), 1);
    EXPECT_FALSE(box.Value(1)->isVisible());
    EXPECT_EQ(box.Value(2)->y(), box.Value(0)->y() + box.Value(0)->height() + 1);
    EXPECT_EQ(box.Caption(2)->y(), box.Value(2)->y());
    // The developer opens its address, the empty web address row is hidden.
    EXPECT_TRUE(box.Value(2)->ShowHint());
    EXPECT_FALSE(box.Value(4)->isVisible());
    EXPECT_EQ(box.SysinfCaption()->Text(), "Requirements");
    EXPECT_TRUE(box.Thumbnail(0)->isVisible());
    EXPECT_FALSE(box.Thumbnail(1)->isVisible());
    app.answers = {MsgResult::Yes};
    Click(*box.Value(2));
    EXPECT_EQ(opener.links, (std::vector<std::string>{"http://dev/solo"}));
    EXPECT_TRUE(box.Shown());
    // Any other click returns to the view.
    Click(*box.Caption(0));
    EXPECT_FALSE(box.Shown());
    EXPECT_TRUE(CurrentView().list->isVisible());
    EXPECT_FALSE(box.Title()->isVisible());

    // Two entries: next and previous keep the box filled for the selected entry.
    ClickSub(2);
    Click(CurrentView().L(1));
    ASSERT_TRUE(box.Shown());
    shell->Controls().Button(3)->PressAndRelease();
    EXPECT_EQ(box.Title()->Text(), "west");
    EXPECT_TRUE(box.Thumbnail(1)->isVisible());  // the second picture has no thumbnail: empty
    EXPECT_TRUE(box.Thumbnail(1)->Shown().isNull());
    shell->Controls().Button(0)->PressAndRelease();
    EXPECT_EQ(box.Title()->Text(), "east");
    EXPECT_FALSE(box.Thumbnail(1)->isVisible());
    EXPECT_TRUE(errors.empty());
}

TEST_F(ScreenTest, ASubTabWithoutEntriesOffersNothing)
{
    Build();
    ClickTab(1);
    ClickSub(1);
    const mf_aux& v = CurrentView();
    EXPECT_TRUE(v.list->isVisible());
    Click(*v.list->viewport());
    shell->Controls().Button(3)->PressAndRelease();
    shell->Controls().Button(0)->PressAndRelease();
    shell->Controls().Button(1)->PressAndRelease();
    Click(v.L(1));
    EXPECT_FALSE(shell->Frame().InfoBox().Shown());
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_TRUE(opener.links.empty());
    EXPECT_TRUE(errors.empty()) << errors.front();

    // A first sub-tab without entries starts the menu all the same.
    Inf_shell d = Catalogue();
    d.main_frame.tabs[0].sels[0].entries.clear();
    shell.reset();
    Build(d);
    EXPECT_EQ(L(1), "");
    EXPECT_TRUE(errors.empty());
}

TEST_F(ScreenTest, AnEmptyRowOfSubTabsShowsNoViewAndCanBeLeft)
{
    Inf_shell d = Catalogue();
    d.top_panel.tab_rows[1].buttons.clear();
    d.main_frame.tabs[1].sels.clear();
    d.main_frame.tab_images[1].clear();
    Build(d);
    ClickTab(1);
    EXPECT_EQ(shell->Top().Row(), 1);
    ClickTab(0);
    ClickTab(1);
    ClickTab(0);
    EXPECT_TRUE(CurrentView().list->isVisible());
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// Tab 1 of the catalogue without sub-tabs, with a picture of its own.
Inf_shell CatalogueWithAnEmptyTab()
{
    Inf_shell d = Catalogue();
    d.top_panel.tab_rows[1].buttons.clear();
    d.main_frame.tabs[1].sels.clear();
    d.main_frame.tab_images[1] = {Image("pic1", 400, 5)};
    return d;
}

TEST_F(ScreenTest, ATabWithoutSubTabsShowsOnlyItsOwnPictureAndItsListButtonsDoNothing)
{
    Build(CatalogueWithAnEmptyTab());
    const QRgb pic0 = Rgb(source.pictures.at("pic0.bmp").colour);
    const QRgb pic1 = Rgb(source.pictures.at("pic1.bmp").colour);
    auto corner = [&] { return window.grab().toImage().pixel(405, 8) | 0xFF000000u; };
    ASSERT_EQ(corner(), pic0);
    ClickTab(1);
    EXPECT_EQ(corner(), pic1);
    EXPECT_FALSE(shell->Frame().View(0, 0).list->isVisible());
    sound.played.clear();
    for (int i : {0, 1, 3})
        Click(*shell->Controls().Button(i));
    EXPECT_TRUE(sound.played.empty());  // not even the setup sound
    EXPECT_TRUE(opener.opened.empty());
    Click(*shell->Controls().Button(2));
    EXPECT_EQ(options, 1);
    // The tab left for one without pictures takes its picture along, and nothing comes back.
    ClickTab(2);
    EXPECT_NE(corner(), pic0);
    EXPECT_NE(corner(), pic1);
    ClickTab(1);
    ClickTab(0);
    EXPECT_EQ(corner(), pic0);
    Click(*shell->Controls().Button(3));
    EXPECT_EQ(CurrentView().selected, 1);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ScreenTest, TheSetupButtonOpensTheOnlyInstallerDirectly)
{
    Inf_shell d = Catalogue();
    d.main_frame.tabs[0].sels[0].entries[0].setups = {{"soft\\alpha\\setup.exe", "Install"}};
    Build(d);
    shell->Controls().Button(1)->PressAndRelease();
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"soft\\alpha\\setup.exe"}));
    EXPECT_TRUE(opener.links.empty());
    shell->Controls().Button(3)->PressAndRelease();
    shell->Controls().Button(1)->PressAndRelease();  // beta has no setup
    EXPECT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(std::count(sound.played.begin(), sound.played.end(), "RIFF setup"), 2);
    shell->Controls().Button(2)->PressAndRelease();
    EXPECT_EQ(options, 1);
}

TEST_F(ScreenTest, TheMusicTabListsTracksAndItsStripCentresItsText)
{
    source.Add("strip.bmp", Qt::darkGray, QSize(300, 30));
    Build();
    ClickTab(2);
    MainFrame& f = shell->Frame();
    const mf_aux& v = CurrentView();
    EXPECT_EQ(v.list->geometry(), QRect(130, 80, 200, 150));
    EXPECT_EQ(v.L(1).Text(), "First track");
    EXPECT_FALSE(v.L(2).isVisible());
    // The stopped panel: stop pressed; stop ran once at construction and emptied the strip.
    EXPECT_FALSE(f.MusicStrip()->isVisible());
    shell->MusicControls().NextButton()->PressAndRelease();
    EXPECT_EQ(v.L(1).Text(), "Second track");
    EXPECT_EQ(v.selected, 1);
    shell->MusicControls().PreviousButton()->PressAndRelease();
    EXPECT_EQ(v.selected, 0);

    TImage& strip = *f.MusicStrip();
    TLabel& label = *f.MusicLabel();
    f.SetMusicText("Song");
    EXPECT_TRUE(strip.isVisible());
    EXPECT_TRUE(label.isVisible());
    EXPECT_EQ(label.x(), strip.x() + 3 + (strip.width() - label.width()) / 2);
    f.SetMusicText(std::string(200, 'W'));
    EXPECT_EQ(label.x(), strip.x() + 3);
    EXPECT_EQ(label.width(), strip.width() - 6);
    f.SetMusicText("");
    EXPECT_FALSE(strip.isVisible());
    EXPECT_FALSE(label.isVisible());
    // On a software tab the strip stays hidden whatever it says.
    ClickTab(0);
    f.SetMusicText("Song");
    EXPECT_FALSE(strip.isVisible());
    ClickTab(2);
    EXPECT_TRUE(strip.isVisible());
}

TEST_F(ScreenTest, TheMusicPanelsStopButtonAndStoppedLook)
{
    Build();
    ClickTab(2);
    MControlPanel& panel = shell->MusicControls();
    MainFrame& f = shell->Frame();
    const QRgb stop_down = Rgb(source.pictures.at("mp_stop_down.bmp").colour);
    const QRgb play_normal = Rgb(source.pictures.at("mp_play.bmp").colour);
    const QRgb play_down = Rgb(source.pictures.at("mp_play_down.bmp").colour);
    // Stopped at start: stop shows pressed and does nothing when clicked again.
    EXPECT_EQ(ColourAt(panel.StopButton()->Shown()), stop_down);
    // Play latches and frees stop; stop runs the stop callback (the strip empties) and releases play.
    panel.PlayButton()->PressAndRelease();
    EXPECT_EQ(ColourAt(panel.PlayButton()->Shown()), play_down);
    EXPECT_NE(ColourAt(panel.StopButton()->Shown()), stop_down);
    f.SetMusicText("Playing");
    panel.PressStop();
    EXPECT_EQ(ColourAt(panel.PlayButton()->Shown()), play_normal);
    EXPECT_EQ(ColourAt(panel.StopButton()->Shown()), stop_down);
    EXPECT_FALSE(f.MusicStrip()->isVisible());
    // The stopped look alone calls nothing: the strip keeps its text.
    panel.PlayButton()->PressAndRelease();
    f.SetMusicText("Playing");
    panel.ShowStopped();
    EXPECT_EQ(ColourAt(panel.PlayButton()->Shown()), play_normal);
    EXPECT_EQ(ColourAt(panel.StopButton()->Shown()), stop_down);
    EXPECT_TRUE(f.MusicStrip()->isVisible());
}

TEST_F(ScreenTest, ATrackListNotOnShowMovesQuietlyAndItsLabelFollows)
{
    Build();
    ClickTab(0);
    MainFrame& f = shell->Frame();
    sound.played.clear();
    f.NextTrack(2, 0);
    const mf_aux& v = f.View(2, 0);
    EXPECT_EQ(v.selected, 1);
    EXPECT_EQ(v.list->Row(), 1);
    EXPECT_EQ(v.L(1).Text(), "Second track");
    EXPECT_FALSE(v.list->isVisible());
    f.NextTrack(2, 0);  // the last track: nothing moves
    EXPECT_EQ(v.selected, 1);
    f.PreviousTrack(2, 0);
    EXPECT_EQ(v.L(1).Text(), "First track");
    EXPECT_TRUE(sound.played.empty());
    // The list's own event is back: a key on it selects as before.
    ClickTab(2);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(v.list.get(), &down);
    EXPECT_EQ(v.L(1).Text(), "Second track");
}

// The music tab of the catalogue with five tracks of every kind.
Inf_shell MusicCatalogue()
{
    Inf_shell d = Catalogue();
    SEL& tracks = d.main_frame.tabs[2].sels[0];
    tracks.entries = {Entry("Soundtrack 1"), Entry("Midi"), Entry("Upper"), Entry("Module"), Entry("Silent")};
    tracks.entries[0].setups = {{"music\\one.mp3", ""}};
    tracks.entries[1].setups = {{"music\\two.mid", ""}};
    tracks.entries[2].setups = {{"music\\THREE.MP3", ""}};
    tracks.entries[3].setups = {{"music\\four.mod", ""}};
    return d;
}

class MusicTest : public ScreenTest {
protected:
    void SetUp() override
    {
        source.Add("strip.bmp", Qt::darkGray, QSize(300, 30));
        Build(MusicCatalogue());
        ClickTab(2);
        decoder.calls.clear();
        sequencer.calls.clear();
    }
    MusicPlayback& Music() { return shell->Music(); }
    MControlPanel& Panel() { return shell->MusicControls(); }
    void Select(int row)
    {
        while (CurrentView().selected < row)
            Panel().NextButton()->PressAndRelease();
    }
    std::string Strip() { return shell->Frame().MusicLabel()->Text(); }
};

TEST_F(MusicTest, PlayStartsTheSelectedTrackWithThePlayerOfItsExtension)
{
    Panel().PlayButton()->PressAndRelease();
    EXPECT_EQ(decoder.calls, (std::vector<std::string>{"mp3 name music\\one.mp3", "mp3 open", "mp3 init", "mp3 play"}));
    EXPECT_EQ(sequencer.calls, (std::vector<std::string>{"midi device"}));
    EXPECT_EQ(Strip(), "Soundtrack 1");
    EXPECT_TRUE(Music().ClockTimer().isActive());
    // The clock: the first eight letters and the time left.
    decoder.size = 80000;
    decoder.position = 5000;
    Music().ClockTick();
    EXPECT_EQ(Strip(), "Soundtra 1:15");
    decoder.position = 71000;
    Music().ClockTick();
    EXPECT_EQ(Strip(), "Soundtra 0:09");

    // Pause, and play again resumes; play of the same file while it plays changes nothing.
    Panel().PlayButton()->PressAndRelease();
    EXPECT_EQ(decoder.mode, DecoderPlayer::Mode::Paused);
    Panel().PlayButton()->PressAndRelease();
    EXPECT_EQ(decoder.calls.back(), "mp3 resume");
    decoder.calls.clear();
    Music().Play();
    EXPECT_TRUE(decoder.calls.empty());

    // Stop: both players stop, the strip empties.
    Panel().StopButton()->PressAndRelease();
    EXPECT_EQ(decoder.calls, (std::vector<std::string>{"mp3 stop", "mp3 close"}));
    EXPECT_TRUE(Music().StoppedByUser());
    EXPECT_FALSE(shell->Frame().MusicStrip()->isVisible());
    EXPECT_FALSE(Music().ClockTimer().isActive());
}

TEST_F(MusicTest, FilesThatCannotPlayShowTheStoppedLook)
{
    const QRgb stop_down = Rgb(source.pictures.at("mp_stop_down.bmp").colour);
    for (int row : {2, 4}) {  // an upper-case extension, and a track without a file
        Select(row);
        Panel().PlayButton()->PressAndRelease();
        EXPECT_EQ(ColourAt(Panel().StopButton()->Shown()), stop_down) << row;
        EXPECT_EQ(decoder.mode, DecoderPlayer::Mode::Closed);
    }
    // A module file is known but starts nothing; the play button stays latched.
    Panel().PreviousButton()->PressAndRelease();
    EXPECT_EQ(CurrentView().selected, 3);
    Panel().PlayButton()->PressAndRelease();
    EXPECT_EQ(Music().PlayerKind(), MusicPlayback::kUnplayable);
    EXPECT_NE(ColourAt(Panel().StopButton()->Shown()), stop_down);
    EXPECT_EQ(MusicPlayback::LastFile(), "music\\four.mod");
}

TEST_F(MusicTest, PreviousAndNextMoveTheSelectionOrChangeTheTrackPlaying)
{
    // Nothing plays: next only moves the selection.
    Panel().NextButton()->PressAndRelease();
    EXPECT_EQ(CurrentView().selected, 1);
    EXPECT_TRUE(sequencer.calls.empty());
    Panel().PreviousButton()->PressAndRelease();
    // Playing the first track: previous changes nothing and keeps it playing.
    Panel().PlayButton()->PressAndRelease();
    decoder.calls.clear();
    Panel().PreviousButton()->PressAndRelease();
    EXPECT_TRUE(decoder.calls.empty());
    EXPECT_EQ(decoder.mode, DecoderPlayer::Mode::Playing);
    // Next goes to the MIDI track.
    Panel().NextButton()->PressAndRelease();
    EXPECT_EQ(decoder.calls, (std::vector<std::string>{"mp3 stop", "mp3 close"}));
    EXPECT_EQ(sequencer.calls.back(), "midi play");
    EXPECT_EQ(Music().Track(), 1);
    EXPECT_EQ(CurrentView().selected, 1);
    EXPECT_EQ(Strip(), "Midi");
    // Next while paused stops through the stop button first.
    Panel().PlayButton()->PressAndRelease();  // pause (the button is latched since play)
    EXPECT_EQ(sequencer.mode, SequencerDevice::Mode::Paused);
    Panel().NextButton()->PressAndRelease();
    EXPECT_EQ(Music().Track(), 2);
    EXPECT_EQ(sequencer.mode, SequencerDevice::Mode::Stopped);
    // The stop button ran, but the new track plays: its time shows and its end leads on.
    EXPECT_FALSE(Music().StoppedByUser());
    EXPECT_TRUE(Music().ClockTimer().isActive());
}

TEST_F(MusicTest, APausedSequencerIsStoppedSoThatPlayStartsTheTrackChosen)
{
    Select(1);
    Panel().PlayButton()->PressAndRelease();
    Panel().PlayButton()->PressAndRelease();  // pause the MIDI track
    Panel().StopButton()->PressAndRelease();
    EXPECT_EQ(sequencer.mode, SequencerDevice::Mode::Stopped);
    Panel().PreviousButton()->PressAndRelease();
    sequencer.calls.clear();
    Panel().PlayButton()->PressAndRelease();
    EXPECT_EQ(decoder.mode, DecoderPlayer::Mode::Playing);
    EXPECT_TRUE(std::find(sequencer.calls.begin(), sequencer.calls.end(), "midi resume") == sequencer.calls.end());
}

TEST_F(MusicTest, AtTheEndOfATrackTheNextOneFollowsUntilTheLast)
{
    Panel().PlayButton()->PressAndRelease();
    // The mp3 track read to its end: the next one starts at the advance tick.
    Music().TrackEnded(Music().Generation());
    EXPECT_TRUE(Music().AdvanceTimer().isActive());
    decoder.mode = DecoderPlayer::Mode::Closed;  // the module closes itself after the last sample
    Music().AdvanceTick();
    EXPECT_EQ(Music().Track(), 1);
    EXPECT_EQ(sequencer.calls.back(), "midi play");
    // An end reported for reads before a stop or a change of track is dropped.
    const unsigned old = Music().Generation() - 1;
    Music().TrackEnded(old);
    EXPECT_FALSE(Music().AdvanceTimer().isActive());
    // The MIDI track ends by itself: the advance follows; stopped by the user: nothing.
    sequencer.End();
    EXPECT_TRUE(Music().AdvanceTimer().isActive());
    Music().AdvanceTick();
    EXPECT_EQ(Music().Track(), 2);
    // The last track ending leaves the stopped look and hides the strip.
    Select(4);
    Music().Stop();
    Panel().PlayButton()->PressAndRelease();  // a track without a file: stopped look
    Music().TrackEnded(Music().Generation());
    EXPECT_FALSE(shell->Frame().MusicStrip()->isVisible());
}

TEST_F(MusicTest, AnEndReadWhileTheTrackIsStoppedOrChangedLeadsNowhere)
{
    // The mp3 player's thread finishes its last read while the player is being stopped.
    decoder.on_stop = [this] { decoder.OnInputEnd(); };
    Panel().PlayButton()->PressAndRelease();
    Panel().StopButton()->PressAndRelease();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Music().AdvanceTimer().isActive());
    Panel().PlayButton()->PressAndRelease();
    Panel().NextButton()->PressAndRelease();
    QCoreApplication::processEvents();
    EXPECT_EQ(Music().Track(), 1);
    EXPECT_FALSE(Music().AdvanceTimer().isActive());

    // The MIDI track plays to its end, and its notice is still queued when an mp3 starts: by
    // previous, or by stop and play. It names the MIDI track, and leads nowhere.
    for (bool by_stop : {false, true}) {
        sequencer.mode = SequencerDevice::Mode::Stopped;
        if (by_stop)
            Panel().StopButton()->PressAndRelease();
        Panel().PreviousButton()->PressAndRelease();
        if (by_stop)
            Panel().PlayButton()->PressAndRelease();
        ASSERT_EQ(decoder.mode, DecoderPlayer::Mode::Playing);
        sequencer.OnNotify();
        EXPECT_FALSE(Music().AdvanceTimer().isActive()) << by_stop;
        Panel().NextButton()->PressAndRelease();
    }
}

TEST_F(MusicTest, ATrackThatEndsLeadsToTheNextWhateverIsPressedMeanwhile)
{
    // The end read, then a pause: the resume carries the advance out.
    Panel().PlayButton()->PressAndRelease();
    Music().TrackEnded(Music().Generation());
    Panel().PlayButton()->PressAndRelease();
    EXPECT_FALSE(Music().AdvanceTimer().isActive());
    Panel().PlayButton()->PressAndRelease();
    EXPECT_TRUE(Music().AdvanceTimer().isActive());
    // Previous on the first track changes nothing, the advance neither.
    Panel().PreviousButton()->PressAndRelease();
    EXPECT_TRUE(Music().AdvanceTimer().isActive());

    // The end reported only once the track is paused: due from the resume all the same.
    Panel().StopButton()->PressAndRelease();
    Panel().PlayButton()->PressAndRelease();
    Panel().PlayButton()->PressAndRelease();
    Music().TrackEnded(Music().Generation());
    EXPECT_FALSE(Music().AdvanceTimer().isActive());
    Panel().PlayButton()->PressAndRelease();
    EXPECT_TRUE(Music().AdvanceTimer().isActive());

    // Next while paused goes through the stop button; the MIDI track it starts still leads on.
    Panel().PlayButton()->PressAndRelease();
    Panel().NextButton()->PressAndRelease();
    ASSERT_EQ(sequencer.mode, SequencerDevice::Mode::Playing);
    sequencer.End();
    EXPECT_TRUE(Music().AdvanceTimer().isActive());
}

TEST_F(MusicTest, ASubTabWithoutTracksPlaysNothing)
{
    Inf_shell d = MusicCatalogue();
    d.main_frame.tabs[2].sels[0].entries.clear();
    shell.reset();
    Build(d);
    ClickTab(2);
    Panel().PlayButton()->PressAndRelease();
    Panel().NextButton()->PressAndRelease();
    Panel().PreviousButton()->PressAndRelease();
    EXPECT_EQ(decoder.mode, DecoderPlayer::Mode::Closed);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MusicTest, TheButtonsOfAMusicTabWithoutSubTabsLeaveTheMusicAlone)
{
    Inf_shell d = MusicCatalogue();
    SP_Inf_button tab;
    static_cast<Inf_button&>(tab) = Button("tab3", 5, 160);
    tab.music = true;
    d.side_panel.tab_buttons.push_back(tab);
    d.top_panel.tab_rows.emplace_back();
    d.main_frame.tabs.push_back(d.main_frame.tabs[2]);
    d.main_frame.tabs[3].sels.clear();
    d.main_frame.tab_images.emplace_back();
    shell.reset();
    Build(d);
    ClickTab(2);
    Panel().PlayButton()->PressAndRelease();
    ClickTab(3);
    decoder.calls.clear();
    const QRgb play_down = Rgb(source.pictures.at("mp_play_down.bmp").colour);
    const QRect play = Panel().PlayButton()->geometry();
    auto play_colour = [&] { return window.grab(play).toImage().pixel(2, 2) | 0xFF000000u; };
    ASSERT_EQ(play_colour(), play_down);
    for (QWidget* button : {static_cast<QWidget*>(Panel().PlayButton()), static_cast<QWidget*>(Panel().NextButton()),
                            static_cast<QWidget*>(Panel().PreviousButton()), static_cast<QWidget*>(Panel().StopButton())})
        Click(*button);
    EXPECT_EQ(play_colour(), play_down);
    EXPECT_TRUE(decoder.calls.empty());
    EXPECT_EQ(Music().Track(), 0);
    // Asked directly, play and the track buttons' work find nothing to do either.
    Music().Play();
    Music().NextTrack();
    EXPECT_TRUE(decoder.calls.empty());
    EXPECT_TRUE(errors.empty()) << errors.front();
    // Back on the tab of the track, the buttons work again.
    ClickTab(2);
    Panel().NextButton()->PressAndRelease();
    EXPECT_EQ(Music().Track(), 1);
}

TEST_F(MusicTest, TheBackgroundLoopGivesWayToTheMusicAndComesBackOnASoftwareTab)
{
    sounder.sounds_on = false;
    sounder.has_music = true;
    sounder.music_playing = true;
    sounder.music_files = {"graph\\music\\loop.wav"};
    Panel().PlayButton()->PressAndRelease();
    EXPECT_FALSE(sounder.music_playing);
    EXPECT_TRUE(sounder.player_music);
    Panel().StopButton()->PressAndRelease();
    ClickTab(0);
    EXPECT_TRUE(sounder.music_playing);
    EXPECT_FALSE(sounder.player_music);
    EXPECT_EQ(sound.played.back(), "loop graph\\music\\loop.wav");
}

TEST_F(ScreenTest, AThumbnailOfTheInfoBoxOpensTheViewerOnItsPicture)
{
    disc.Write("shots/solo.bmp", BitmapBytes(Qt::red, QSize(40, 30)));
    Build();
    ClickTab(1);
    Click(CurrentView().L(1));
    MF_inf& box = shell->Frame().InfoBox();
    ASSERT_TRUE(box.Shown());
    TImageView& viewer = shell->Frame().Viewer();
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(viewer.isVisible());
        EXPECT_EQ(viewer.windowTitle(), "shots\\solo.bmp (1/1)");
        viewer.close();
    });
    Click(*box.Thumbnail(0));
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_GE(std::count(sound.played.begin(), sound.played.end(), "RIFF picture"), 1);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
