#include "controls/WindowDrag.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

WindowDrag::WindowDrag(QWidget* window, QWidget* handle)
    : QObject(handle), window_(window), handle_(handle)
{
    handle_->installEventFilter(this);
}

void WindowDrag::Start(QPoint on_handle, QPoint global)
{
    // Where the press says the window is. The window system's record of the window's place can
    // be out of date: a window manager that frames a window as it is shown may leave it recorded
    // at the frame's first place, such as the corner of the screen. The window manager moves the
    // window by the mouse from the place it is told, so a wrong record would make it leap away.
    offset_ = handle_->mapTo(window_, on_handle);
    const QPoint place = global - offset_;
    QWindow* system_window = window_->windowHandle();
    if (system_window) {
        if (system_window->position() != place)
            system_window->setPosition(place);
        if (system_window->startSystemMove())
            return;
    }
    dragging_ = true;
    handle_->grabMouse();
}

bool WindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == handle_ && dragging_) {
        if (event->type() == QEvent::MouseMove) {
            window_->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - offset_);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            dragging_ = false;
            handle_->releaseMouse();
        }
    }
    return QObject::eventFilter(watched, event);
}
