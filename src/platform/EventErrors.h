// Exceptions never cross the window system's event loop. Whatever our handlers raise while an
// event is handled (a picture that does not load, an index outside a list) is caught where the
// event reaches our code and given to the application's error report: a box under the
// application's title with the exception's text. The menu keeps running.
#pragma once

#include <exception>
#include <functional>
#include <string>

// Where reports go: the application installs its error report at start. Without one, a report
// is written to standard error.
using EventErrorHandler = std::function<void(const std::string& text)>;
void SetEventErrorHandler(EventErrorHandler handler);

// Reports the exception now being handled (call from a catch block).
void ReportCurrentException();

// Runs `body`; an exception it raises is reported and goes no further.
template <class Body>
void GuardEvent(Body&& body) noexcept
{
    try {
        body();
    } catch (...) {
        ReportCurrentException();
    }
}

// Calls a callback if it is assigned, through a copy (the callback may replace or destroy its
// holder), guarded as above.
template <class Callback, class... Args>
void Raise(const Callback& callback, Args&&... args) noexcept
{
    if (!callback)
        return;
    const Callback handler = callback;
    GuardEvent([&] { handler(std::forward<Args>(args)...); });
}
