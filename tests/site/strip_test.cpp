// The music strip's digit pictures on the demo disc's menu: for titles of its own, in Cyrillic
// and too wide for the strip, every time put together from them is the strip as the menu draws
// it, and the menu's strip is left as it was.
#include "site/StripText.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <iostream>
#include <string>

#include "controls/Label.h"
#include "controls/Zulwid.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "zulcheck/SiteStart.h"

namespace {

// The strip and its text as the window shows them after the music player writes `text`.
QImage MenuStrip(MainFrame& frame, const std::string& text)
{
    frame.SetMusicText(text);
    TImage& strip = *frame.MusicStrip();
    QImage image(strip.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    strip.render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
    frame.MusicLabel()->render(&painter, frame.MusicLabel()->pos() - strip.pos(), QRegion(), QWidget::DrawChildren);
    return image;
}

std::string Time(int minutes, int seconds)
{
    return std::to_string(minutes) + (seconds < 10 ? ":0" : ":") + std::to_string(seconds);
}

TEST(StripDigits, GiveTheStripAsTheMenuDrawsItAtEachTime)
{
    TempDir disc;
    const ProgramResult made = RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const int status = WithSiteMenu(disc.path().string(), std::cerr, [](OffscreenMenu& menu, const Inf_shell&) -> int {
        menu.ClickTab(2);
        MainFrame& frame = menu.Shell().Frame();
        // "Музыка дня" in code page 1251, and a title whose 8 bytes with the time overflow the strip.
        for (const std::string title : {"Orbit Waltz", "\xCC\xF3\xE7\xFB\xEA\xE0 \xE4\xED\xFF", "WWWWWWWWWW"}) {
            for (int minute_digits : {1, 2}) {
                const std::optional<StripDigits> digits = DrawStripDigits(frame, title, minute_digits);
                EXPECT_TRUE(digits) << title << ", " << minute_digits;
                if (!digits)
                    continue;
                EXPECT_FALSE(frame.MusicStrip()->isVisible());
                EXPECT_EQ(frame.MusicLabel()->Text(), "");
                // Every value of each part, each beside a different value of the other.
                const int first = minute_digits == 1 ? 0 : 10;
                for (int i = 0; i < 60 + 90; ++i) {
                    const int minutes = first + (i < 60 ? i * 7 : i) % (minute_digits == 1 ? 10 : 90);
                    const int seconds = i % 60;
                    EXPECT_EQ(ComposeStrip(*digits, minutes, seconds),
                              MenuStrip(frame, title.substr(0, 8) + ' ' + Time(minutes, seconds)))
                        << title << ' ' << Time(minutes, seconds);
                }
                frame.SetMusicText("");
            }
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
