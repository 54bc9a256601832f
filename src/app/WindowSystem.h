// Which of Qt's window-system plugins the menu runs on in a Wayland session.
//
// The menu's windows rely on what an X11 window manager grants a program: a window placed where the
// program puts it (the menu in the middle of the screen, the viewer and the setup window beside it),
// a wallpaper kept below the others. Wayland leaves placement and stacking to the compositor, so in a
// Wayland session that also offers X11 (XWayland) the menu runs there, through Qt's xcb plugin, and
// natively only when the session has no X11. A reader's own QT_QPA_PLATFORM always wins.
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

// The plugin to run on ("xcb"), or nothing to leave Qt's own choice.
std::optional<std::string> ChosenPlatform(const SessionFacts& session);

// Sets QT_QPA_PLATFORM to ChosenPlatform for this process's session; before the application object
// exists.
void ChooseWindowSystem();
