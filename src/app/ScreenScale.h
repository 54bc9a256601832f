// The menu's scale: every window, picture, cursor and font drawn a whole number of times larger,
// so that the skin's pixel art stays crisp on screens of high pixel density. Qt does the scaling
// and keeps every coordinate in the skin's own pixels; the factor is chosen before the
// application object exists.
#pragma once

#include <QByteArray>

#include <optional>
#include <string>
#include <utility>
#include <vector>

inline constexpr int kMinScale = 1;
inline constexpr int kMaxScale = 4;

// The factor a command line's value asks for: one digit from kMinScale to kMaxScale, nothing else.
std::optional<int> ParseScale(const std::string& value);

// Sets the scale of the application about to be made (none may exist yet): `factor` on every
// screen when given, otherwise each screen's own device pixel ratio rounded down, never below 1.
// Settings in the environment that would make the factor fractional or override it are set aside
// meanwhile. The environment is put back as it was when the object goes, once the application
// exists (Qt reads it as the application is made), so that the programs the menu starts get it
// unchanged.
class ScreenScaleSetting {
public:
    explicit ScreenScaleSetting(std::optional<int> factor);
    ~ScreenScaleSetting();
    ScreenScaleSetting(const ScreenScaleSetting&) = delete;
    ScreenScaleSetting& operator=(const ScreenScaleSetting&) = delete;

private:
    void Set(const char* name, std::optional<QByteArray> value);

    // Each variable changed, with its value before (none: it was not set).
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved_;
};
