#include "platform/ThreadQuietStderr.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

thread_local int t_quiet_depth = 0;

// Writes what the stream is given to descriptor 2 in full, or drops it on a quiet thread; either
// way the stream is told it was written, as a write to standard error is never retried.
ssize_t WriteUnlessQuiet(void*, const char* data, size_t size)
{
    if (t_quiet_depth > 0)
        return static_cast<ssize_t>(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(STDERR_FILENO, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

FILE* MakeFilter()
{
    cookie_io_functions_t functions{};
    functions.write = WriteUnlessQuiet;
    FILE* filter = fopencookie(nullptr, "w", functions);
    if (filter == nullptr)
        return nullptr;
    // Unbuffered like the stream it replaces: each call reaches descriptor 2 at once, in order
    // with what is written there directly.
    std::setvbuf(filter, nullptr, _IONBF, 0);
    // Whoever asks which descriptor standard error is (GLib's log writer drops its messages when
    // there is none) is told descriptor 2, where the writes go. The stream itself still writes
    // through WriteUnlessQuiet only.
    filter->_fileno = STDERR_FILENO;
    std::fflush(stderr);
    stderr = filter;
    return filter;
}

// Made once, on first use or before main at the latest, while the program has one thread.
FILE* Filter()
{
    static FILE* const filter = MakeFilter();
    return filter;
}

[[maybe_unused]] FILE* const g_installed_before_main = Filter();

}  // namespace

ThreadQuietStderr::ThreadQuietStderr()
{
    Filter();
    ++t_quiet_depth;
}

ThreadQuietStderr::~ThreadQuietStderr()
{
    --t_quiet_depth;
}

bool ThreadQuietStderr::Filtering()
{
    return Filter() != nullptr && stderr == Filter();
}
