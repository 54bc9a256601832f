// The music strip's text as the menu draws it, for the page to show any time of a track in the
// menu's own pixels. The strip reads "TITLE M:SS" (the title's first 8 bytes, the minutes and
// seconds left). Its digits are all as wide, so for a given title and number of minute digits the
// title, the blank and the colon stay where they are whatever the time, and the minutes and the
// seconds each keep their own columns (two digits side by side may share a column, the blank and
// the colon keep the minutes and the seconds apart). So the strip is drawn with the time 0:00 and
// then with each value of the minutes and of the seconds; the page shows the first and lays over
// it the minutes' columns and the seconds' columns from the drawings of their values.
#pragma once

#include <QImage>

#include <optional>
#include <string>
#include <vector>

#include "elements/MainFrame.h"

struct StripDigits {
    // The minutes' or the seconds' columns in the strip, [left, right), and where the drawings of
    // their values lie in `pictures`: value v at ((v % 10) * (right - left), top + (v / 10) * the
    // strip's height).
    struct Part {
        int left = 0;
        int right = 0;
        int top = 0;
    };
    // The strip with the time 0:00 at the top, the values' columns below it.
    QImage pictures;
    int height = 0;
    Part minutes;
    Part seconds;
};

// The strip of `frame` with `title` and a time of `minute_digits` minute digits, drawn by the
// frame's own strip and label. Nothing when the parts do not give the strip exactly as the menu
// draws it (checked on two times; a face whose digits differ in width fails it): the page then
// writes the text itself. The frame's strip is left as it was.
std::optional<StripDigits> DrawStripDigits(MainFrame& frame, const std::string& title, int minute_digits);

// The strip as `digits` shows it for `minutes` and `seconds` left.
QImage ComposeStrip(const StripDigits& digits, int minutes, int seconds);
