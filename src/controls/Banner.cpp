#include "controls/Banner.h"

#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <limits>
#include <memory>
#include <utility>

#include "pictures/Picture.h"
#include "pictures/PictureFile.h"
#include "platform/Cursors.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"

namespace {

// The timer interval for a change time in seconds; 0 (and anything below) means never.
int ChangeIntervalMs(std::int32_t seconds)
{
    const std::int64_t ms = std::int64_t{seconds} * 1000;
    if (ms <= 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

}  // namespace

std::mt19937& ProgramRandom()
{
    // Seeded from the clock when first used; the screen's elements live on the main thread.
    static std::mt19937 generator(static_cast<std::mt19937::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ std::time(nullptr)));
    return generator;
}

Banner::Banner(QWidget* parent, const Inf_banner& record, LinkEvent link,
               const PathResolver& resolver, RandomChoice choose)
    : QWidget(parent),
      description_(record),
      link_(std::move(link)),
      resolver_(resolver),
      choose_(std::move(choose))
{
    picture_ = new TImage(this);
    setCursor(ScreenCursor(kLinkCursorSlot));

    timer_ = new QTimer(this);
    timer_->setInterval(ChangeIntervalMs(description_.time));

    move(description_.left, description_.top);
    auto_size_ = description_.width == 0 || description_.height == 0;
    // An auto-sized banner takes the size of its pictures; without one it covers nothing.
    if (auto_size_)
        resize(0, 0);
    else
        resize(std::max(description_.width, 0), std::max(description_.height, 0));
    FitPicture();

    if (!description_.items.empty()) {
        picture_->SetShowHint(true);
        picture_->OnClick = [this](QObject*) { BannerClick(); };
        ShowRandomAd();
        connect(timer_, &QTimer::timeout, this, [this] { TimerTick(); });
        // An interval of 0 never changes the advertisement (a zero Qt timer would fire
        // continuously).
        if (timer_->interval() > 0)
            timer_->start();
    }

    if (parent != nullptr && parent->isVisible())
        show();
}

Banner::~Banner()
{
    timer_->stop();
}

void Banner::ShowRandomAd()
{
    const std::size_t count = description_.items.size();
    if (count == 0)
        return;
    const std::size_t index =
        (choose_ ? choose_(count)
                 : std::uniform_int_distribution<std::size_t>(0, count - 1)(ProgramRandom())) %
        count;
    ShowAd(index);
}

void Banner::ShowAd(std::size_t index)
{
    if (index >= description_.items.size())
        return;
    const Inf_banner_aux ad = description_.items[index];
    const std::unique_ptr<Picture> picture = LoadPictureFile(resolver_, ad.pic);
    picture_->ShowPicture(picture->ToPixmap());
    if (auto_size_) {
        resize(picture->Width(), picture->Height());
        FitPicture();
    }
    picture_->SetHint(ad.url);
    shown_ = index;
}

void Banner::StopChanging()
{
    timer_->stop();
}

void Banner::TimerTick()
{
    // A picture that fails goes to the application's error report; the previous advertisement
    // stays.
    GuardEvent([this] { ShowRandomAd(); });
}

void Banner::BannerClick()
{
    // Copies: the callback may ask the user in a modal box, during which the timer can change
    // the advertisement.
    const std::string link = picture_->Hint();
    Raise(link_, link);
}

void Banner::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitPicture();
}

void Banner::FitPicture()
{
    // Done after every resize of our own as well: a hidden widget gets its resize event only
    // when it is shown.
    picture_->setGeometry(0, 0, width(), height());
}
