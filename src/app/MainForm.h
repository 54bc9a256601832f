// The main window: the whole program. Its constructor runs the start (languages, splash,
// loading the description, cursors, sounds) and builds the skinned screen from the description;
// the window then handles its own few events: minimise, close, dragging by its top strip.
#pragma once

#include <QPoint>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/OptionsExchange.h"
#include "app/QtApplication.h"
#include "app/Startup.h"
#include "archive/ZipGrFile.h"
#include "controls/WindowDrag.h"
#include "elements/ZulShell.h"
#include "platform/Opener.h"
#include "sound/ElSounds.h"
#include "sound/Mixer.h"
#include "sound/MusicPlayers.h"
#include "sound/Sequencer.h"
#include "controls/Zulwid.h"
#include "platform/CursorFile.h"
#include "disc/PathResolver.h"
#include "sound/Sounds.h"
#include "windows/Options.h"
#include "windows/Wpform.h"


class TMainForm : public QWidget, private StartupWindows {
public:
    static constexpr int kClientWidth = 648;
    static constexpr int kClientHeight = 511;
    static constexpr unsigned kBackgroundColour = 0x9AAE9E;  // as the window system writes it: 0x00BBGGRR

    // `sound`, `opener` and `mixer` must outlive the window. With a mixer (an audio device is
    // open) the music tabs play through the mp3 player and the sequencer; without one they are
    // silent. `pictures`, when given, is the disc's picture archive already being read in the
    // background (ZipGrFile::ReadInBackground on the same disc); without it the window starts
    // the read once the language is chosen.
    TMainForm(QtApplication& app, PathResolver resolver, SoundOutput& sound, Opener& opener,
              Mixer* mixer = nullptr, std::unique_ptr<ZipGrFile> pictures = nullptr);
    ~TMainForm() override;

    const Inf_shell& description() const { return startup_.description; }
    const Sounder& sounder() const { return sounder_; }
    const Startup& startup() const { return startup_; }
    // The shell controller, once the screen is built.
    ZUL_shell* shell() const { return shell_.get(); }
    // The options window, once the screen is built, and the wallpaper window.
    TOptionsForm* options_form() const { return options_form_.get(); }
    TWPForm* wp_form() const { return wp_form_.get(); }

    // The options buttons of both control panels: the options sound, then the options window
    // with the current settings; an accepted choice is applied.
    void OptionsRequest();
    OptionsState GetOptionsState();
    void ApplyOptions(const OptionsState& r);
    // Minimises the menu. The wallpaper window, which covers the whole desktop, hides while the
    // menu is minimised and comes back behind it when the menu is restored. Without a window
    // manager nothing iconifies the menu: it stays on the screen, counted as minimised, until
    // the reader turns to it again (a mouse or key press on it, or its activation), which
    // restores it.
    void min_btnClick();
    void close_btnClick();
    // A press on the background picture at (x, y) in its own coordinates.
    void backMouseDown(Qt::MouseButton button, int x, int y, QPoint global);

    // The layout's controls.
    TImage* back;
    TImgBtn* min_btn;
    TImgBtn* close_btn;

protected:
    void closeEvent(QCloseEvent* event) override;  // the layout's FormClose
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The menu's window state has changed: the wallpaper follows it.
    void WindowStateChanged();
    // The reader turned to the menu while it counts as minimised: it is restored.
    void TurnedTo();
    void StartReadingPictures();
    void BuildScreen();
    void FinalSoundState();
    OptionsSubjects Subjects();

    // The start's window steps.
    int ChooseLanguage(const std::vector<lang_inf>& languages, int preselected) override;
    void ShowWallpaperWindow(const WPs_inf& wallpapers) override;
    void ShowSplash(const std::string& picture_path) override;
    void SetMainWindowCursor(int slot) override;

    QtApplication& app_;
    SoundOutput& sound_;
    Opener& opener_;
    PathResolver resolver_;
    QtCursorSlots cursors_;
    Startup startup_;
    SoundFile close_sound_;
    SoundFile options_sound_;
    Sounder sounder_;
    // The players of the music tabs: the decoder-module player's item 0 (mp3) and the MIDI
    // sequencer, as the music playback sees them; silent stand-ins without an audio device.
    void PreparePlayers(Mixer* mixer);
    TElPlayerMan ElPlayerMan1;
    std::unique_ptr<Sequencer> MediaPlayer1;
    std::unique_ptr<DecoderPlayer> decoder_;
    std::unique_ptr<SequencerDevice> sequencer_;
    // The picture archive, read in the background from the wallpaper window on, until the build
    // has taken its pictures.
    std::unique_ptr<ZipGrFile> pictures_;
    std::unique_ptr<ZUL_shell> shell_;
    std::unique_ptr<TOptionsForm> options_form_;
    // A window of its own, not a child: a child window would be stacked above the menu.
    std::unique_ptr<TWPForm> wp_form_;

    WindowDrag* drag_;  // moves the window by its top strip; owned by `back`
    // The wallpaper window was hidden because the menu was minimised, and comes back with it.
    bool wallpaper_away_ = false;
};
