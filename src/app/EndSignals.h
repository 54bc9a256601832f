// The menu ended by the session rather than by the reader: SIGTERM (a logout, a shutdown, kill),
// SIGHUP (the terminal it was started from is gone) and SIGINT (Ctrl+C there). Each ends the menu
// the way its close button does, on the interface thread, so that the players stop and the copies
// out of a disc image are removed (or handed on while their programs run).
#pragma once

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

class EndSignals {
public:
    // From now on, the first of those signals calls `end` on this (the interface) thread, from
    // the event loop; later ones are taken and dropped. The signal handler itself only writes a
    // byte to a pipe that the loop watches. One at a time in a process.
    explicit EndSignals(std::function<void()> end);
    // The signals end the process again, as they do by default.
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

private:
    std::function<void()> end_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<int> handled_;
    bool ended_ = false;
};
