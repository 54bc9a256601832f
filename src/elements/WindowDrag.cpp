#include "elements/WindowDrag.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

WindowDrag::WindowDrag(QWidget* window, QWidget* handle)
    : QObject(handle), window_(window), handle_(handle)
{
    handle_->installEventFilter(this);
}

void WindowDrag::Start(QPoint global)
{
    QWindow* system_window = window_->windowHandle();
    if (system_window && system_window->startSystemMove())
        return;
    dragging_ = true;
    offset_ = global - window_->frameGeometry().topLeft();
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
