#include "app/ScreenScale.h"

#include <QGuiApplication>
#include <QtGlobal>

std::optional<int> ParseScale(const std::string& value)
{
    if (value.size() != 1 || value[0] < '0' + kMinScale || value[0] > '0' + kMaxScale)
        return std::nullopt;
    return value[0] - '0';
}

ScreenScaleSetting::ScreenScaleSetting(std::optional<int> factor)
{
    // A factor of the user's (all screens or each), or a rounding that keeps fractions, would make
    // the skin's pixels unequal: the menu decides the factor itself.
    Set("QT_SCALE_FACTOR", std::nullopt);
    Set("QT_SCREEN_SCALE_FACTORS", std::nullopt);
    Set("QT_SCALE_FACTOR_ROUNDING_POLICY", std::nullopt);
    if (factor) {
        // The factor asked for, whatever the screen says of itself: Qt's own factor from the
        // screen is switched off and the global one set.
        Set("QT_ENABLE_HIGHDPI_SCALING", QByteArray("0"));
        Set("QT_SCALE_FACTOR", QByteArray::number(*factor));
    } else {
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Floor);
    }
}

ScreenScaleSetting::~ScreenScaleSetting()
{
    // Back in the opposite order, so that a variable changed twice ends as it was first.
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            qputenv(it->first, *it->second);
        else
            qunsetenv(it->first);
    }
}

void ScreenScaleSetting::Set(const char* name, std::optional<QByteArray> value)
{
    std::optional<QByteArray> before;
    if (qEnvironmentVariableIsSet(name))
        before = qgetenv(name);
    saved_.emplace_back(name, std::move(before));
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}
