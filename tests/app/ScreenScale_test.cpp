// The scale chosen before the application is made. Qt reads it once, as the application object
// is made, so every case makes its own application in a child process (a death test) and ends
// with the factor it got as its exit status. The screen's own ratio is stood in for by the font
// resolution Qt takes it from (QT_FONT_DPI, 96 dots per inch being a ratio of 1).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "app/ScreenScale.h"

namespace {

// Makes an application with `env` set, after the set-up for `factor`, and ends the process with
// ten times the factor the primary screen got (15 for 1.5).
[[noreturn]] void ExitWithFactor(const std::vector<std::pair<const char*, const char*>>& env,
                                 std::optional<int> factor)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const auto& [name, value] : env)
        setenv(name, value, 1);
    int argc = 1;
    char arg0[] = "screen_scale";
    char* argv[] = {arg0, nullptr};
    ScreenScaleSetting scale(factor);
    QGuiApplication app(argc, argv);
    std::_Exit(static_cast<int>(std::lround(QGuiApplication::primaryScreen()->devicePixelRatio() * 10)));
}

TEST(ScreenScaleDeathTest, WithoutAFactorTheScreensRatioIsRoundedDownNeverBelowOne)
{
    EXPECT_EXIT(ExitWithFactor({}, std::nullopt), ::testing::ExitedWithCode(10), "");
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "144"}}, std::nullopt), ::testing::ExitedWithCode(10), "");
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "200"}}, std::nullopt), ::testing::ExitedWithCode(20), "");
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "300"}}, std::nullopt), ::testing::ExitedWithCode(30), "");
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "60"}}, std::nullopt), ::testing::ExitedWithCode(10), "");
    // Settings of the user's that would make it fractional are set aside.
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "144"},
                                {"QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough"},
                                {"QT_SCALE_FACTOR", "1.25"},
                                {"QT_SCREEN_SCALE_FACTORS", "1.5"}},
                               std::nullopt),
                ::testing::ExitedWithCode(10), "");
    // Switching Qt's scaling off is the user's to do: a ratio of 1.
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "200"}, {"QT_ENABLE_HIGHDPI_SCALING", "0"}}, std::nullopt),
                ::testing::ExitedWithCode(10), "");
}

TEST(ScreenScaleDeathTest, AGivenFactorIsTheFactorWhateverTheScreenSays)
{
    EXPECT_EXIT(ExitWithFactor({}, 3), ::testing::ExitedWithCode(30), "");
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "200"}}, 1), ::testing::ExitedWithCode(10), "");
    EXPECT_EXIT(ExitWithFactor({{"QT_FONT_DPI", "200"}, {"QT_SCALE_FACTOR", "1.5"},
                                {"QT_SCREEN_SCALE_FACTORS", "3"}, {"QT_ENABLE_HIGHDPI_SCALING", "1"}},
                               4),
                ::testing::ExitedWithCode(40), "");
}

TEST(ScreenScale, TheEnvironmentIsPutBackAsItWas)
{
    setenv("QT_SCALE_FACTOR", "1.25", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "", 1);  // set, but empty
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    unsetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
    {
        ScreenScaleSetting scale(2);
        EXPECT_EQ(qgetenv("QT_SCALE_FACTOR"), "2");
        EXPECT_EQ(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), "0");
    }
    EXPECT_EQ(qgetenv("QT_SCALE_FACTOR"), "1.25");
    EXPECT_TRUE(qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"));
    EXPECT_EQ(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), "");
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_SCREEN_SCALE_FACTORS"));
    {
        ScreenScaleSetting scale(std::nullopt);
        EXPECT_FALSE(qEnvironmentVariableIsSet("QT_SCALE_FACTOR"));
    }
    EXPECT_EQ(qgetenv("QT_SCALE_FACTOR"), "1.25");
    unsetenv("QT_SCALE_FACTOR");
    unsetenv("QT_ENABLE_HIGHDPI_SCALING");
}

}  // namespace
