// A private X server (Xvfb) for the tests that run the real program, and the means to drive it
// the way a person would: find windows, move and click the mouse, press keys, take screenshots.
#pragma once

#include <sys/types.h>

#include <QImage>
#include <QRect>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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
    // Where the window is on the screen with the frame a window manager put around it (the
    // extents it states in _NET_FRAME_EXTENTS); its inside when it has no frame.
    QRect Outside(const std::string& window) const;
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
    // `env` holds NAME=VALUE settings added to the program's environment (a NAME alone takes it away).
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
    // For a failure message: whether the program still runs and, when it does and gdb is
    // installed, where each of its threads is.
    std::string ThreadDump() const;

private:
    pid_t pid_ = -1;
    std::string err_file_;
    std::optional<int> exit_code_;
    bool ended_ = false;
};

// Everything SDL's disk audio driver plays, caught whole. The driver empties the file it writes
// into each time the device is opened, and the menu closes its device while silent and opens it
// again for the next sound; so the driver is given a FIFO, which a thread here drains into
// memory. This end holds the FIFO open for reading and writing both, so that the driver's
// opening never waits for a reader and its closing never ends the reading.
class DiskAudioCapture {
public:
    DiskAudioCapture();
    ~DiskAudioCapture();
    DiskAudioCapture(const DiskAudioCapture&) = delete;
    DiskAudioCapture& operator=(const DiskAudioCapture&) = delete;

    // The environment setting that sends the driver's output here (SDL_DISKAUDIOFILE=...).
    std::string Setting() const { return "SDL_DISKAUDIOFILE=" + fifo_; }
    // How many bytes have come so far, and the bytes themselves (raw stereo 16-bit frames).
    std::size_t Size() const;
    std::string Bytes() const;

private:
    void Read();

    std::string dir_;
    std::string fifo_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string bytes_;
    std::thread reader_;
};
