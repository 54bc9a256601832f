#include "platform/EventErrors.h"

#include <cstdio>
#include <utility>

#include "platform/Application.h"

namespace {

EventErrorHandler& Handler()
{
    static EventErrorHandler handler;
    return handler;
}

std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

}  // namespace

void SetEventErrorHandler(EventErrorHandler handler)
{
    Handler() = std::move(handler);
}

void ReportCurrentException()
{
    const std::string text = CurrentExceptionText();
    try {
        if (Handler()) {
            Handler()(text);
            return;
        }
    } catch (...) {
        // The report itself failed (no memory for a box): the line below is all that is left.
    }
    const std::string line = MessageLogLine(text, "Exception") + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}
