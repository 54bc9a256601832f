// Moving a borderless window by a strip of its skin. The window system moves the window while
// the button is held; where it cannot (no window manager), the window follows the mouse itself
// until the button is released.
#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

class WindowDrag : public QObject {
public:
    // Moves `window` by presses on `handle`, a control of the window that gets the mouse.
    WindowDrag(QWidget* window, QWidget* handle);

    // Starts moving the window for a press at `on_handle` (the handle's coordinates), which is
    // `global` on the screen.
    void Start(QPoint on_handle, QPoint global);
    bool Dragging() const { return dragging_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QWidget* handle_;
    bool dragging_ = false;
    QPoint offset_;  // the press in the window's coordinates
};
