// A private Wayland session for the tests that run the real program: sway on a headless output,
// run as an ordinary user (sway refuses root), with or without XWayland, and the means to drive
// it: the compositor's window tree, a virtual pointer, keys and screenshots.
#pragma once

#include <sys/types.h>

#include <QImage>
#include <QRect>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// One window as the compositor's tree has it.
struct WaylandView {
    std::string name;
    std::string shell;  // "xdg_shell" or "xwayland"
    QRect rect;         // its inside on the output
    int decoration_height = 0;  // the compositor's title bar over it (0: none)
    std::string border;         // "none", "csd", "pixel" or "normal"
    bool focused = false;
    bool visible = false;
};

class WaylandSession {
public:
    // Starts sway with one 1024 x 768 output; `xwayland` lets X11 programs in. Throws
    // SessionUnavailable when this machine cannot have one (no sway, no ordinary user).
    explicit WaylandSession(bool xwayland);
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    struct SessionUnavailable {
        std::string why;
    };

    // The environment settings of a program in this session (WAYLAND_DISPLAY, XDG_RUNTIME_DIR,
    // DISPLAY or its absence, HOME).
    std::vector<std::string> Settings() const;
    // How to start a program as the session's user: the command that runs `program` so.
    std::vector<std::string> AsUser(const std::string& program) const;
    // Makes `path` (a folder of the test's own) readable by the session's user.
    void Share(const std::string& path) const;

    std::vector<WaylandView> Views() const;
    // The first view that `match` accepts, waiting up to `timeout`.
    template <class Match>
    std::optional<WaylandView> WaitForView(Match match, std::chrono::milliseconds timeout) const;

    // The virtual pointer's commands (wlpointer.py's: "click X Y", "drag X Y DX DY", ...).
    bool Pointer(const std::string& commands) const;
    // Types keys through the virtual keyboard (wtype's arguments, after its first delay).
    bool Keys(const std::vector<std::string>& args) const;
    // The whole output as it is now.
    QImage Screenshot() const;

private:
    // Runs a tool as the session's user in its environment, for at most 20 s; its standard output.
    std::string Run(const std::vector<std::string>& command, const std::string& input = {}) const;

    std::string dir_;
    std::string runtime_;
    std::string wayland_display_;
    std::string display_;
    std::string swaysock_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    pid_t sway_ = -1;
};

template <class Match>
std::optional<WaylandView> WaylandSession::WaitForView(Match match, std::chrono::milliseconds timeout) const
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (const WaylandView& v : Views())
            if (match(v))
                return v;
        if (std::chrono::steady_clock::now() > until)
            return std::nullopt;
        Run({"sleep", "0.2"});
    }
}
