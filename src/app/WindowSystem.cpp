#include "app/WindowSystem.h"

#include <cstdlib>

namespace {

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

SessionFacts SessionFacts::FromEnvironment()
{
    return {Variable("QT_QPA_PLATFORM"), Variable("WAYLAND_DISPLAY"), Variable("XDG_SESSION_TYPE"),
            Variable("DISPLAY")};
}

std::optional<std::string> ChosenPlatform(const SessionFacts& session)
{
    if (!session.qt_qpa_platform.empty())
        return std::nullopt;
    const bool wayland = !session.wayland_display.empty() || session.session_type == "wayland";
    if (!wayland)
        return std::nullopt;
    return session.display.empty() ? "wayland" : "wayland;xcb";
}

void ChooseWindowSystem()
{
    if (const std::optional<std::string> platform = ChosenPlatform(SessionFacts::FromEnvironment()))
        setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
}
