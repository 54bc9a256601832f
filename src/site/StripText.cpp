#include "site/StripText.h"

#include <QPainter>

#include <algorithm>

#include "controls/Label.h"
#include "controls/Zulwid.h"

namespace {

// The strip with `text` on it, as the window shows the two.
QImage DrawStrip(MainFrame& frame, const std::string& text)
{
    TImage& strip = *frame.MusicStrip();
    TLabel& label = *frame.MusicLabel();
    frame.SetMusicText(text);
    QImage image(strip.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    strip.render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
    label.render(&painter, label.pos() - strip.pos(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The strip's text as the music player writes it, the minutes written with `minute_digits` digits.
std::string StripText(const std::string& title, int minute_digits, int minutes, int seconds)
{
    std::string written = std::to_string(minutes);
    written.insert(0, static_cast<std::size_t>(std::max(0, minute_digits - static_cast<int>(written.size()))), '0');
    return title.substr(0, 8) + ' ' + written + (seconds < 10 ? ":0" : ":") + std::to_string(seconds);
}

QPoint ValueAt(const StripDigits& digits, const StripDigits::Part& part, int value)
{
    return {(value % 10) * (part.right - part.left), part.top + (value / 10) * digits.height};
}

// The columns where any of `drawings` differs from `base`, as [left, right) (empty when none).
std::pair<int, int> Differing(const QImage& base, const std::vector<QImage>& drawings)
{
    int left = base.width();
    int right = 0;
    for (const QImage& drawing : drawings)
        for (int y = 0; y < base.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(base.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(drawing.constScanLine(y));
            for (int x = 0; x < base.width(); ++x)
                if (a[x] != b[x]) {
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                }
        }
    return left < right ? std::pair{left, right} : std::pair{0, 0};
}

}  // namespace

QImage ComposeStrip(const StripDigits& digits, int minutes, int seconds)
{
    QImage image = digits.pictures.copy(0, 0, digits.pictures.width(), digits.height);
    QPainter painter(&image);
    for (const auto& [part, value] : {std::pair{digits.minutes, minutes}, std::pair{digits.seconds, seconds}})
        painter.drawImage(QPoint(part.left, 0), digits.pictures,
                          QRect(ValueAt(digits, part, value), QSize(part.right - part.left, digits.height)));
    return image;
}

std::optional<StripDigits> DrawStripDigits(MainFrame& frame, const std::string& title, int minute_digits)
{
    TImage& strip = *frame.MusicStrip();
    TLabel& label = *frame.MusicLabel();
    const std::string before = label.Text();
    const bool strip_hidden = strip.isHidden();
    const bool label_hidden = label.isHidden();
    const int strip_tag = strip.Tag();
    const int label_tag = label.Tag();

    int minute_values = 1;
    for (int i = 0; i < minute_digits; ++i)
        minute_values *= 10;
    StripDigits digits;
    digits.height = strip.height();
    const QImage base = DrawStrip(frame, StripText(title, minute_digits, 0, 0));
    std::vector<QImage> minutes;
    for (int m = 0; m < minute_values; ++m)
        minutes.push_back(DrawStrip(frame, StripText(title, minute_digits, m, 0)));
    std::vector<QImage> seconds;
    for (int s = 0; s < 60; ++s)
        seconds.push_back(DrawStrip(frame, StripText(title, minute_digits, 0, s)));
    std::tie(digits.minutes.left, digits.minutes.right) = Differing(base, minutes);
    std::tie(digits.seconds.left, digits.seconds.right) = Differing(base, seconds);
    digits.minutes.top = digits.height;
    digits.seconds.top = digits.minutes.top + (minute_values + 9) / 10 * digits.height;
    const int width = std::max({base.width(), 10 * (digits.minutes.right - digits.minutes.left),
                                10 * (digits.seconds.right - digits.seconds.left)});
    digits.pictures = QImage(width, digits.seconds.top + 6 * digits.height, QImage::Format_RGB32);
    digits.pictures.fill(Qt::black);
    {
        QPainter painter(&digits.pictures);
        painter.drawImage(0, 0, base);
        for (const auto& [part, drawings] : {std::pair{digits.minutes, &minutes}, std::pair{digits.seconds, &seconds}})
            for (std::size_t v = 0; v < drawings->size(); ++v)
                painter.drawImage(ValueAt(digits, part, static_cast<int>(v)), (*drawings)[v],
                                  QRect(part.left, 0, part.right - part.left, digits.height));
    }

    // The parts hold when two times put together from them are the menu's own drawings.
    bool exact = true;
    for (const auto& [m, s] : {std::pair{12, 34}, std::pair{98, 57}}) {
        const int shown = m % minute_values;
        if (ComposeStrip(digits, shown, s) != DrawStrip(frame, StripText(title, minute_digits, shown, s)))
            exact = false;
    }

    frame.SetMusicText(before);
    strip.setHidden(strip_hidden);
    label.setHidden(label_hidden);
    strip.SetTag(strip_tag);
    label.SetTag(label_tag);
    if (!exact)
        return std::nullopt;
    return digits;
}
