// The wallpaper window: a borderless black window over the whole desktop, behind the menu, that
// tiles a JPEG picture of one of the description's wallpaper folders from its top-left corner and
// replaces it with another picture of the same folder, picked at random, every `time` seconds.
//
// Stacking: the window asks the window manager to keep it below the others. Without a window
// manager (a bare X server) that hint does nothing and a newly shown window comes out on top, so
// after the wallpaper is shown, and whenever it is activated, the main window is raised again,
// and after it any open modal window (options, viewer, setup window, message box), so that the
// wallpaper never covers the menu and the menu never covers a box the user must answer.
//
// In a Wayland session (natively or through XWayland) the compositor places and stacks the windows:
// it has no "keep below", would tile and frame an ordinary window and raises the window that is
// clicked. There the wallpaper is a window of the screen's fixed size, which compositors float
// undecorated over the whole screen; natively it takes the pointer in its last pixel only, so that
// a click on it goes to what is below and never raises it. The menu is transient for it
// (KeepAboveWallpaper), which compositors that stack by parent keep above it; and whenever the
// compositor activates the wallpaper all the same (as it comes back from minimised, or is clicked
// through XWayland), the menu is shown anew, which puts it in front with the keyboard.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <QWidgetList>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "model/Description.h"
#include "disc/PathResolver.h"

class QHideEvent;
class QPaintEvent;
class QPainter;
class QShowEvent;

// What the wallpaper window needs to know about the display: the desktop's rectangle and its
// colour depth in bits per pixel.
struct DesktopFacts {
    QRect geometry;
    int depth = 0;

    // The primary screen's; an empty desktop of depth 0 when there is no screen.
    static DesktopFacts PrimaryScreen();
};

class TWPForm : public QWidget {
public:
    // The seconds clock that seeds each random pick.
    using SecondsClock = std::function<std::time_t()>;

    // `menu` is the main window, kept in front of the wallpaper; it is not the window's parent (a
    // child window would be stacked above its parent), so whoever creates the wallpaper window
    // destroys it. Pictures are files of the disc found through `resolver`. Ends with
    // SetWallpapers(`initial`).
    TWPForm(QWidget* menu, const WPs_inf& initial, const PathResolver& resolver,
            DesktopFacts desktop = DesktopFacts::PrimaryScreen());
    ~TWPForm() override;

    // Takes a wallpaper set and decides `available`: a display of more than 8 bits per pixel,
    // at least one folder and a desktop wider than 640 pixels. When available, sets the timer's
    // interval and lists the JPEG files of every folder (replacing any earlier lists).
    void SetWallpapers(const WPs_inf& set);

    // Switches to folder `index` and shows one of its pictures; nothing when the show is not
    // available or the index is not one of the folders. Throws PictureError as ShowRandom does
    // (the folder is switched all the same).
    void ShowFolder(int index);

    // Loads a picture of the current folder picked at random (the same one within the same
    // second of the clock) and repaints. A folder without JPEG files shows black. A picture that
    // cannot be loaded throws PictureError and the previous picture stays.
    void ShowRandom();

    // The event handlers of the window and its timer.
    void FormShow();      // a picture, then the timer runs (it stays stopped if the picture fails)
    void FormHide();      // the timer stops
    void Timer1Timer();   // another picture; a failure is reported and the timer goes on
    void FormActivate();  // the wallpaper was activated: the menu comes back in front
    void PaintBox1Paint(QPainter& painter);  // the picture tiled over the window, else black

    // Replaces the clock that seeds the random pick (the system clock's seconds by default).
    void SetClock(SecondsClock clock) { clock_ = std::move(clock); }

    // The disc path of the picture shown; empty when none is.
    const std::string& CurrentFile() const { return current_file_; }
    // The picture shown (null when the window is black).
    const QPixmap& CurrentPicture() const { return Image1; }

    bool available = false;
    // For each folder of the set, in its order, the names of its JPEG files.
    std::vector<std::vector<std::string>> files;
    std::int32_t folder_index = 0;
    QPointer<QWidget> main_window;
    WPs_inf wallpapers;
    std::int32_t bits_per_pixel = 0;
    // The platform has no system too old for the show.
    const bool old_system = false;

    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the timer exactly when it is switched on and has an interval: an interval of 0 never
    // fires.
    void UpdateTimer();
    // On Wayland, lets only the window's last pixel take the pointer.
    void TakeClicksInCornerOnly();
    // In a Wayland session: the menu is hidden and shown again, in front of the wallpaper.
    void ShowMenuAnew();
    bool menu_anew_on_release_ = false;

    PathResolver resolver_;
    DesktopFacts desktop_;
    SecondsClock clock_;
    QPixmap Image1;
    std::string current_file_;
    bool timer_enabled_ = false;
    int interval_ms_ = 0;
};

// The timer interval for a wallpaper time in seconds: time x 1000 milliseconds; 0 (never) for a
// time of 0 or below, and the longest interval the timer takes for a time too long for it.
int WallpaperInterval(std::int32_t seconds);

// The index of the picture among `count` that the random pick gives in second `seconds` of the
// clock; 0 when there are none.
std::size_t RandomPictureIndex(std::time_t seconds, std::size_t count);

// Whether the program runs in a Wayland session: on Qt's Wayland plugin, or through X11 with the
// session's Wayland display set.
bool InWaylandSession();

// In a Wayland session, makes `window` (a top-level window, not yet shown) a dialog transient for
// the wallpaper `wallpaper`, so that the compositor keeps it above; nothing elsewhere.
void KeepAboveWallpaper(QWidget* window, QWidget* wallpaper);

// The visible modal top-level windows, the active modal window last.
QWidgetList VisibleModalWindows();

// The windows to raise, bottom first, so that the menu comes in front of the wallpaper without
// covering an open modal window: the main window, then each of `modal_windows`. Nothing when
// the main window is missing, hidden or minimised. The last one also gets the focus.
std::vector<QWidget*> WindowsToRaise(QWidget* main_window, const QWidgetList& modal_windows);

// Raises the windows WindowsToRaise gives for the visible modal windows, and activates the last.
void KeepMenuInFront(QWidget* main_window);
