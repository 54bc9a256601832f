// The rotating advertisement strip, whose pictures are files of the disc rather than members of
// the skin's archive.
#pragma once

#include <QWidget>

#include <cstddef>
#include <functional>
#include <random>
#include <string>

#include "controls/Zulwid.h"
#include "disc/PathResolver.h"
#include "model/Description.h"

class QResizeEvent;
class QTimer;

// The program's one random generator, seeded from the clock when first used, so that banners
// made at the same moment still go their own ways. Main thread only.
std::mt19937& ProgramRandom();

// An advertisement strip: shows one advertisement of its list at a time, picked at random and
// changed every `time` seconds (0: never). The picture is read from the file the advertisement
// names on the disc; its link is the tooltip and is passed to the link callback on a click.
class Banner : public QWidget {
public:
    using LinkEvent = std::function<void(const std::string& link)>;
    // Picks one of `count` advertisements (count > 0); the result must be below count.
    using RandomChoice = std::function<std::size_t(std::size_t count)>;

    // Shows the first advertisement at once: a picture file that is missing, of an unknown kind
    // or broken raises PictureError out of the constructor. Without `choose`, a uniform choice
    // from the program's one random generator (ProgramRandom).
    Banner(QWidget* parent, const Inf_banner& record, LinkEvent link, const PathResolver& resolver,
           RandomChoice choose = {});
    ~Banner() override;

    Banner(const Banner&) = delete;
    Banner& operator=(const Banner&) = delete;

    // Shows an advertisement picked at random (the same one may come twice in a row); nothing
    // when the list is empty. Throws PictureError when the picture cannot be shown, leaving the
    // previous advertisement and its link on show.
    void ShowRandomAd();
    // Shows advertisement `index` of the list (nothing beyond it), as ShowRandomAd shows the one it
    // picks; throws as it does.
    void ShowAd(std::size_t index);
    // Keeps the advertisement on show from now on: the timer stops.
    void StopChanging();
    // The advertisement on show (0 when the list is empty).
    std::size_t ShownAd() const { return shown_; }

    const Inf_banner& Description() const { return description_; }
    TImage* PictureControl() const { return picture_; }
    const QTimer* Timer() const { return timer_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void TimerTick();
    void BannerClick();
    void FitPicture();

    Inf_banner description_;
    LinkEvent link_;
    PathResolver resolver_;
    RandomChoice choose_;
    std::size_t shown_ = 0;
    bool auto_size_ = false;
    TImage* picture_ = nullptr;
    QTimer* timer_ = nullptr;
};
