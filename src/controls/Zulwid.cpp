#include "controls/Zulwid.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>

#include "platform/EventErrors.h"

namespace {

bool InsideRect(const QWidget& widget, const QPointF& pos)
{
    return pos.x() >= 0 && pos.y() >= 0 && pos.x() < widget.width() && pos.y() < widget.height();
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
