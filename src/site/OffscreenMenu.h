// The menu without a screen: the main window's background picture and its two buttons, and every
// screen element the shell controller builds, on a window that is never shown to anybody. Its
// sounds are silent, its opener opens nothing and its boxes only go to standard error; clicks are
// answered by the elements' own code, so each state it is brought to is drawn as the menu draws
// it. The site export draws its pictures from it, and the site's tests compare against it.
#pragma once

#include <QWidget>

#include <memory>

#include "controls/Zulwid.h"
#include "elements/ZulShell.h"
#include "model/Description.h"
#include "platform/Application.h"
#include "platform/Opener.h"
#include "disc/PathResolver.h"
#include "sound/AudioOutput.h"
#include "sound/MusicPlayers.h"
#include "sound/Sounds.h"
#include "windows/Options.h"

class OffscreenMenu {
public:
    static constexpr int kWidth = 648;
    static constexpr int kHeight = 511;

    // Builds the menu of `description` (already loaded, its language's code page current) with
    // the skin pictures of the disc's archive. What stops the menu's own build raises here, or
    // reaches `app` (a box, then Halt) as it does in the menu. The banners' random choices start
    // from a fixed seed, so that two menus built from one disc show the same advertisements.
    OffscreenMenu(Application& app, const PathResolver& resolver, const Inf_shell& description);
    ~OffscreenMenu();
    OffscreenMenu(const OffscreenMenu&) = delete;
    OffscreenMenu& operator=(const OffscreenMenu&) = delete;

    QWidget& Window() const { return *window_; }
    const PathResolver& Resolver() const { return resolver_; }
    // The opener the menu's controls are given: it opens nothing.
    Opener& QuietOpener() { return opener_; }
    ZUL_shell& Shell() const { return *shell_; }
    TImage& Back() const { return *back_; }
    TImgBtn& MinButton() const { return *min_; }
    TImgBtn& CloseButton() const { return *close_; }
    // The options window both options buttons open, as the menu builds it.
    TOptionsForm& OptionsWindow() const { return *options_; }

    // The reader's clicks: a tab button, a sub-tab button of the row on show, a row of the list on
    // show (moved to by the list's own keys, as the next and previous buttons move it), the entry's
    // description (which shows or hides the info box in tabs with full information), and the next
    // and previous buttons. A click the menu would ignore changes nothing.
    void ClickTab(int tab);
    void ClickSub(int sub);
    void SelectRow(int row);
    void ClickEntry();
    void ClickNext();
    void ClickPrevious();
    // The music panel's play button: the chosen track plays (silently).
    void ClickPlay();
    // The MIDI track playing has `left_ms` milliseconds left, and the strip's clock shows it.
    void SetTimeLeft(int left_ms);

    // The whole window as it is drawn now.
    QImage Grab() const;

private:
    class NoOpener : public Opener {
    public:
        void Open(const std::string&) override {}
        void OpenLink(const std::string&) override {}
    };

    // Plays nothing; its length is what SetTimeLeft makes it, its position the start.
    class StillSequencer : public NoSequencer {
    public:
        int Length() override { return length_; }
        int length_ = 0;
    };

    PathResolver resolver_;
    NoDeviceSoundOutput sound_;
    Sounder sounder_;
    NoOpener opener_;
    NoDecoderPlayer decoder_;
    StillSequencer sequencer_;
    std::unique_ptr<QWidget> window_;
    TImage* back_ = nullptr;
    TImgBtn* min_ = nullptr;
    TImgBtn* close_ = nullptr;
    std::unique_ptr<TOptionsForm> options_;
    std::unique_ptr<ZUL_shell> shell_;
};

// Sends a left click (press and release) to `widget` at `point`, as the mouse does.
void ClickWidget(QWidget& widget, QPoint point);
