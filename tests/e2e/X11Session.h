// A private X server (Xvfb) for the tests that run the real program, and the means to drive it
// the way a person would: find windows, move and click the mouse, press keys, take screenshots.
#pragma once

#include <sys/types.h>

#include <QImage>
#include <QRect>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class X11Session {
public:
    // Starts Xvfb on a free display with one screen of the given size.
    X11Session(int width = 1024, int height = 768);
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    const std::string& display() const { return display_; }
    // The X server's process.
    pid_t ServerPid() const { return server_; }

    // Runs xdotool with `args` on this display; its standard output.
    std::string XdoTool(const std::vector<std::string>& args) const;

    // The visible windows whose name matches the regular expression, waiting up to `timeout`.
    std::vector<std::string> WaitForWindows(const std::string& name_regex,
                                            std::chrono::milliseconds timeout) const;
    // xdotool's idea of a window's place: right for unframed windows, but for a window that a
    // window manager has framed it counts the frame's offset twice.
    QRect Geometry(const std::string& window) const;
    // Where the window's inside is on the screen, framed or not (xwininfo's absolute place).
    QRect Placement(const std::string& window) const;
    void MoveMouse(int x, int y) const;
    void MouseDown() const;
    void MouseUp() const;
    void Click(int x, int y) const;
    // Sends a key (xdotool's key names) to a window.
    void Key(const std::string& window, const std::string& key) const;
    // The whole screen as it is now.
    QImage Screenshot() const;

private:
    std::string display_;
    pid_t server_ = -1;
};

// A program started in the background on a display, with its output collected.
class RunningProgram {
public:
    // `env` holds NAME=VALUE settings added to the program's environment.
    RunningProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd, const std::string& display,
                   const std::vector<std::string>& env = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The exit code once the program has ended, waiting up to `timeout`; nothing if it still runs
    // (or ended by a signal).
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    // What the program has written to standard error so far.
    std::string Stderr() const;
    pid_t Pid() const { return pid_; }
    // Waits until standard error holds `text`.
    bool WaitForStderr(const std::string& text, std::chrono::milliseconds timeout) const;

private:
    pid_t pid_ = -1;
    std::string err_file_;
    std::optional<int> exit_code_;
    bool ended_ = false;
};
