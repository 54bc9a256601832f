// A drag with the left button as the window system delivers it to a control: a press at `local`
// (in the control's coordinates), a move by `by`, and the release there. `window_pos` is the
// screen position of the control's window, from which the global positions are made.
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QWidget>

inline void SendDrag(QWidget* control, QPoint window_pos, QPoint local, QPoint by,
                     QEvent::Type press_type = QEvent::MouseButtonPress)
{
    const QPoint global = window_pos + local;
    QMouseEvent press(press_type, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &press);
    QMouseEvent move(QEvent::MouseMove, local + by, global + by, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(control, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + by, global + by, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &release);
}
