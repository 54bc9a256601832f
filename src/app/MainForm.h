// The main window: the whole program. Its constructor runs the start (languages, splash,
// loading the description, cursors, sounds) and builds the skinned screen from the description;
// the window then handles its own few events: minimise, close, dragging by its top strip.
#pragma once

#include <QPoint>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/QtApplication.h"
#include "app/Startup.h"
#include "elements/Zulwid.h"
#include "platform/CursorFile.h"
#include "platform/PathResolver.h"
#include "sound/Sounds.h"

class TMainForm : public QWidget, private StartupWindows {
public:
    static constexpr int kClientWidth = 648;
    static constexpr int kClientHeight = 511;
    static constexpr unsigned kBackgroundColour = 0x9AAE9E;  // as the window system writes it: 0x00BBGGRR

    TMainForm(QtApplication& app, PathResolver resolver, SoundOutput& sound);
    ~TMainForm() override;

    const Inf_shell& description() const { return startup_.description; }
    const Sounder& sounder() const { return sounder_; }
    const Startup& startup() const { return startup_; }

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildScreen();
    void FinalSoundState();

    // The start's window steps.
    int ChooseLanguage(const std::vector<lang_inf>& languages, int preselected) override;
    void ShowWallpaperWindow(const WPs_inf& wallpapers) override;
    void ShowSplash(const std::string& picture_path) override;
    void SetMainWindowCursor(int slot) override;

    QtApplication& app_;
    SoundOutput& sound_;
    PathResolver resolver_;
    QtCursorSlots cursors_;
    Startup startup_;
    SoundFile close_sound_;
    SoundFile options_sound_;
    Sounder sounder_;

    // Moving the window by hand where the platform cannot move it (no window manager).
    bool dragging_ = false;
    QPoint drag_offset_;
};
