#include "elements/Zulwid.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <limits>
#include <memory>
#include <utility>

#include "platform/CodePages.h"
#include "platform/EventErrors.h"
#include "pictures/Picture.h"
#include "pictures/PictureFile.h"
#include "platform/Cursors.h"
#include "platform/DiscText.h"
#include "platform/ScreenCursors.h"

namespace {

// Gives a control its parent. A control that was not hidden on purpose is shown again when the
// new parent is already on screen (Qt hides a widget whose parent changes).
void Reparent(QWidget& widget, QWidget* parent)
{
    if (widget.parentWidget() == parent)
        return;
    const bool explicitly_hidden =
        widget.isHidden() && widget.testAttribute(Qt::WA_WState_ExplicitShowHide);
    widget.setParent(parent);
    if (!explicitly_hidden && parent != nullptr && parent->isVisible())
        widget.show();
}

// Parent, position, and size: the given one when both sides are non-zero, otherwise the size of
// the picture (auto-size).
void Place(TImage& image, QWidget* parent, int left, int top, int width, int height)
{
    Reparent(image, parent);
    image.move(left, top);
    if (width != 0 && height != 0) {
        image.SetAutoSize(false);
        image.resize(std::max(width, 0), std::max(height, 0));
    } else {
        image.SetAutoSize(true);
    }
}

// A skin picture as a pixmap; the loaded picture object is released at once.
QPixmap LoadPixmap(PictureSource& source, const std::string& name)
{
    std::unique_ptr<Picture> picture = source.LoadPicture(name);
    return picture ? picture->ToPixmap() : QPixmap();
}

// A non-empty hint becomes the control's hint with hints on; an empty one changes nothing.
void ApplyHint(TImage& image, const std::string& hint)
{
    if (hint.empty())
        return;
    image.SetHint(hint);
    image.SetShowHint(true);
}

bool InsideRect(const QWidget& widget, const QPointF& pos)
{
    return pos.x() >= 0 && pos.y() >= 0 && pos.x() < widget.width() && pos.y() < widget.height();
}

// The timer interval for a change time in seconds; 0 (and anything below) means never.
int ChangeIntervalMs(std::int32_t seconds)
{
    const std::int64_t ms = std::int64_t{seconds} * 1000;
    if (ms <= 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

// Places a button that keeps its own three pictures (tab and two-state buttons): position, size
// and hint as SetupImageButton, the pictures loaded into `normal`, `over`, `down` and written
// into Pic (shown), PicUp and PicDown.
void PlaceOwnPictures(TImgBtn& button, QWidget* parent, const Inf_button& record,
                      PictureSource& source, QPixmap& normal, QPixmap& over, QPixmap& down)
{
    Place(button, parent, record.left, record.top, record.width, record.height);
    ApplyHint(button, record.hint);
    normal = LoadPixmap(source, record.normal_pic);
    over = LoadPixmap(source, record.over_pic);
    down = LoadPixmap(source, record.down_pic);
    button.SetPic(normal);
    button.SetPicUp(over);
    button.SetPicDown(down);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TImage

TImage::TImage(QWidget* parent) : QLabel(parent), ControlHint(static_cast<QWidget&>(*this))
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setContentsMargins(0, 0, 0, 0);
    if (parent != nullptr && parent->isVisible())
        show();
}

void TImage::ShowPicture(const QPixmap& picture)
{
    if (picture.isNull())
        clear();
    else
        setPixmap(picture);
    if (auto_size_ && !picture.isNull())
        resize(picture.size());
}

void TImage::SetAutoSize(bool on)
{
    auto_size_ = on;
    const QPixmap shown = pixmap();
    if (auto_size_ && !shown.isNull())
        resize(shown.size());
}

void TImage::paintEvent(QPaintEvent* event)
{
    const QPixmap shown = pixmap();
    if (shown.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    // The label's own drawing would smooth the picture on a screen whose pixels are finer than
    // the skin's; drawn here, each of its pixels covers a whole block of the screen's. Placed
    // and clipped as the label places it, in the disabled look when the control is disabled.
    QPixmap picture = shown;
    if (!isEnabled()) {
        QStyleOption option;
        option.initFrom(this);
        picture = style()->generatedIconPixmap(QIcon::Disabled, shown, &option);
    }
    const QRect area = contentsRect();
    const QRect placed = QStyle::alignedRect(layoutDirection(), alignment(),
                                             shown.deviceIndependentSize().toSize(), area);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setClipRect(area);
    painter.drawPixmap(placed.topLeft(), picture);
}

void ControlHint::SetHint(const std::string& hint)
{
    hint_ = hint;
    UpdateToolTip();
}

void ControlHint::SetShowHint(bool on)
{
    show_hint_ = on;
    UpdateToolTip();
}

void ControlHint::SetHintCharset(std::uint8_t charset)
{
    own_charset_ = true;
    charset_ = charset;
    UpdateToolTip();
}

void ControlHint::UpdateToolTip()
{
    control_.setToolTip(show_hint_ ? LiteralTipText(DiscText(hint_, own_charset_ ? charset_ : current_charset)) : QString());
}

void TImage::TrackPress(const QMouseEvent& event)
{
    if (event.button() == Qt::LeftButton)
        clicked_ = true;
}

bool TImage::TrackRelease(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return true;
    const bool click = clicked_ && InsideRect(*this, event.position());
    clicked_ = false;
    if (!click || !OnClick)
        return true;
    // The handler may replace OnClick (tab and two-state buttons do) or destroy the control:
    // call a copy, and tell the caller whether the control still exists.
    QPointer<TImage> alive(this);
    Raise(OnClick, this);
    return !alive.isNull();
}

void TImage::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    TrackPress(*event);
    Raise(OnMouseDown, *event);
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click: the first press and its release were the click.
    event->accept();
    Raise(OnMouseDown, *event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!TrackRelease(*event))
        return;
    Raise(OnMouseUp, *event);
}

// ---------------------------------------------------------------------------------------------
// TImgBtn

TImgBtn::TImgBtn(QWidget* parent) : TImage(parent) {}

void TImgBtn::SetPic(const QPixmap& picture)
{
    pic_ = picture;
    ShowPicture(pic_);
}

void TImgBtn::SetPicUp(const QPixmap& picture)
{
    pic_up_ = picture;
}

void TImgBtn::SetPicDown(const QPixmap& picture)
{
    pic_down_ = picture;
}

void TImgBtn::enterEvent(QEnterEvent* event)
{
    if (supported_)
        MouseEnters(*event);
}

void TImgBtn::leaveEvent(QEvent* event)
{
    if (supported_)
        MouseLeaves(*event);
}

void TImgBtn::MouseEnters(QEvent& msg)
{
    // Qt's own notifications and the ones derived from moves during a press may both come
    // for one crossing: only a change counts.
    if (inside_)
        return;
    inside_ = true;
    ShowPicture(held_ ? pic_down_ : pic_up_);
    Raise(OnMouseEnter, msg);
}

void TImgBtn::MouseLeaves(QEvent& msg)
{
    if (!inside_)
        return;
    inside_ = false;
    ShowPicture(pic_);
    Raise(OnMouseLeave, msg);
}

void TImgBtn::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    // While the button is held Qt keeps the mouse on this control and tells it nothing about
    // leaving or coming back until the release; the moves it still gets say so.
    if (!supported_ || !held_)
        return;
    const bool over = InsideRect(*this, event->position());
    if (over && !inside_) {
        QEnterEvent enter(event->position(), event->scenePosition(), event->globalPosition());
        MouseEnters(enter);
    } else if (!over && inside_) {
        QEvent leave(QEvent::Leave);
        MouseLeaves(leave);
    }
}

void TImgBtn::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (!supported_ || event->button() != Qt::LeftButton)
        return;
    TrackPress(*event);
    held_ = true;
    if (inside_)
        ShowPicture(pic_down_);
    Raise(OnMouseDown, *event);
}

void TImgBtn::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A button reacts to the press: the second press of a double click presses it again.
    mousePressEvent(event);
}

void TImgBtn::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (!supported_ || event->button() != Qt::LeftButton)
        return;
    // The click runs first, so a click handler that rewrites PicUp decides what stays visible.
    if (!TrackRelease(*event))
        return;
    held_ = false;
    if (inside_)
        ShowPicture(pic_up_);
    Raise(OnMouseUp, *event);
}

void TImgBtn::PressAndRelease()
{
    const QPointF origin(0, 0);
    const QPointF global = mapToGlobal(origin);
    QPointer<TImgBtn> alive(this);
    QMouseEvent press(QEvent::MouseButtonPress, origin, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    if (alive.isNull())
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, origin, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(this, &release);
}

// ---------------------------------------------------------------------------------------------
// SidePanelBtn

SidePanelBtn::SidePanelBtn(PictureSource& source, QWidget* parent, const Inf_button& record,
                           int index, SelectEvent select, TNotifyEvent notify)
    : TImgBtn(parent), select_(std::move(select)), notify_(std::move(notify)), index_(index)
{
    PlaceOwnPictures(*this, parent, record, source, normal_, over_, down_);
    OnClick = [this](QObject*) { BtnClick(); };
}

void SidePanelBtn::Select()
{
    SetPic(down_);
    SetPicUp(down_);
    OnClick = nullptr;
}

void SidePanelBtn::Deselect()
{
    SetPic(normal_);
    SetPicUp(over_);
    SetPicDown(down_);
    OnClick = [this](QObject*) { BtnClick(); };
}

void SidePanelBtn::BtnClick()
{
    QPointer<SidePanelBtn> alive(this);
    if (select_) {
        const SelectEvent handler = select_;
        handler(index_);  // within the click, which is guarded
        if (alive.isNull())
            return;
    }
    Select();
    Raise(notify_, this);
}

// ---------------------------------------------------------------------------------------------
// T2stateBtn

T2stateBtn::T2stateBtn(PictureSource& source, QWidget* parent, const Inf_button& record,
                       TNotifyEvent first_click, TNotifyEvent second_click)
    : TImgBtn(parent), first_click_(std::move(first_click)), second_click_(std::move(second_click))
{
    PlaceOwnPictures(*this, parent, record, source, normal_, over_, down_);
    OnClick = [this](QObject*) { FirstClick(); };
}

void T2stateBtn::Latch()
{
    SetPic(down_);
    SetPicUp(down_);
    OnClick = [this](QObject*) { SecondClick(); };
}

void T2stateBtn::Release()
{
    SetPic(normal_);
    SetPicUp(over_);
    SetPicDown(down_);
    OnClick = [this](QObject*) { FirstClick(); };
}

void T2stateBtn::FirstClick()
{
    Latch();
    Raise(first_click_, this);
}

void T2stateBtn::SecondClick()
{
    // The pictures stay latched; only the next click's action changes.
    OnClick = [this](QObject*) { FirstClick(); };
    Raise(second_click_, this);
}

// ---------------------------------------------------------------------------------------------
// Banner

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
    const Inf_banner_aux ad = description_.items[index];
    const std::unique_ptr<Picture> picture = LoadPictureFile(resolver_, ad.pic);
    picture_->ShowPicture(picture->ToPixmap());
    if (auto_size_) {
        resize(picture->Width(), picture->Height());
        FitPicture();
    }
    picture_->SetHint(ad.url);
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

// ---------------------------------------------------------------------------------------------
// Placing helpers

void SetupImage(TImage& image, QWidget* parent, const Inf_image& record, PictureSource& source)
{
    Place(image, parent, record.left, record.top, record.width, record.height);
    image.ShowPicture(LoadPixmap(source, record.pic));
}

void SetupImageButton(TImgBtn& button, QWidget* parent, const Inf_button& record,
                      PictureSource& source)
{
    Place(button, parent, record.left, record.top, record.width, record.height);
    button.SetPic(LoadPixmap(source, record.normal_pic));
    button.SetPicUp(LoadPixmap(source, record.over_pic));
    button.SetPicDown(LoadPixmap(source, record.down_pic));
    ApplyHint(button, record.hint);
}
