// Which of Qt's window-system plugins the menu runs on in a Wayland session.
//
// Natively, through Qt's Wayland plugin, with X11 (XWayland) as the fallback when the plugin is
// missing. Natively the wallpaper can tell the compositor to let clicks through to what is below
// it, so that a click on it never raises it over the menu; an X11 window cannot tell a compositor
// that, and the menu then has to be shown anew each time the wallpaper is clicked. Qt itself would
// run on X11 in some Wayland sessions (GNOME's, or one that does not set XDG_SESSION_TYPE). A
// reader's own QT_QPA_PLATFORM always wins.
#pragma once

#include <optional>
#include <string>

// What the choice depends on: the session's variables, empty when unset.
struct SessionFacts {
    std::string qt_qpa_platform;   // QT_QPA_PLATFORM
    std::string wayland_display;   // WAYLAND_DISPLAY
    std::string session_type;      // XDG_SESSION_TYPE
    std::string display;           // DISPLAY

    // This process's environment.
    static SessionFacts FromEnvironment();
};

// The plugins to try, in order ("wayland;xcb"), or nothing to leave Qt's own choice.
std::optional<std::string> ChosenPlatform(const SessionFacts& session);

// Sets QT_QPA_PLATFORM to ChosenPlatform for this process's session; before the application object
// exists.
void ChooseWindowSystem();
