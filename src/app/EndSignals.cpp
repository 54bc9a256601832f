#include "app/EndSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe the handler writes to: [0] is read by the event loop, [1] written by the handler.
int signal_pipe[2] = {-1, -1};

extern "C" void OnEndSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds an unread end: this one may be dropped.
    [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void()> end) : end_(std::move(end))
{
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signal_pipe[0] = signal_pipe[1] = -1;
        return;  // the signals end the process as by default
    }
    notifier_ = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[64];
        while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
        }
        if (ended_)
            return;
        ended_ = true;
        end_();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        // A signal the menu was started to ignore (SIGHUP under nohup, SIGINT in the background)
        // stays ignored.
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
        handled_.push_back(signal);
    }
}

EndSignals::~EndSignals()
{
    if (signal_pipe[0] < 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : handled_)
        sigaction(signal, &action, nullptr);
    notifier_.reset();
    close(signal_pipe[0]);
    close(signal_pipe[1]);
    signal_pipe[0] = signal_pipe[1] = -1;
}
