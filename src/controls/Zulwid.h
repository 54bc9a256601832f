// The picture control and the image button that swaps pictures on hover and press: every
// clickable thing of the skin is a picture.
//
// The widgets are QWidgets created with a parent, which owns them: the parent's destruction
// destroys them. A callback counts as assigned when it holds a function; calling an unassigned
// one does nothing.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "controls/ControlHint.h"

class QEnterEvent;
class QEvent;
class QMouseEvent;
class QPaintEvent;

// The picture control: shows one picture at its top left corner, unscaled and clipped to the
// control; with auto-size on, the control takes the size of every picture it is given to show.
// A click is a left press on the control followed by a left release inside it; a double click
// is one click (its second press raises OnMouseDown but does not count again). On a screen
// drawn larger than the skin's pixels (see app/ScreenScale.h), every pixel of the picture is
// repeated, never smoothed.
class TImage : public QLabel, public ControlHint {
public:
    explicit TImage(QWidget* parent);

    // Copies `picture` into the shown picture (a null pixmap shows nothing).
    void ShowPicture(const QPixmap& picture);
    // The picture on show.
    QPixmap Shown() const { return pixmap(); }

    bool AutoSize() const { return auto_size_; }
    // Switching auto-size on sizes the control to the shown picture at once.
    void SetAutoSize(bool on);

    TNotifyEvent OnClick;
    // Raised after a press or release of any mouse button on the control.
    TOnMouseEvent OnMouseDown;
    TOnMouseEvent OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Click tracking: a left press marks the control as clicked ...
    void TrackPress(const QMouseEvent& event);
    // ... and a left release inside it then raises OnClick. False when the click handler
    // destroyed the control, which the caller must then no longer touch.
    bool TrackRelease(const QMouseEvent& event);

private:
    bool auto_size_ = false;
    bool clicked_ = false;
};

// The image button: shows `Pic` when idle, `PicUp` while the mouse is over it and `PicDown`
// while the left button is held on it with the mouse over it. With `Supported` off it ignores
// hovering and the left button altogether (no pictures change, no events, no click).
// Every press is a press: the second press of a double click clicks again.
class TImgBtn : public TImage {
public:
    explicit TImgBtn(QWidget* parent);

    const QPixmap& Pic() const { return pic_; }
    // Writing Pic also shows it at once; writing PicUp or PicDown only keeps the picture.
    void SetPic(const QPixmap& picture);
    const QPixmap& PicUp() const { return pic_up_; }
    void SetPicUp(const QPixmap& picture);
    const QPixmap& PicDown() const { return pic_down_; }
    void SetPicDown(const QPixmap& picture);

    bool Supported() const { return supported_; }
    void SetSupported(bool on) { supported_ = on; }

    // The mouse is over the control / the left button went down on it and is not yet up.
    bool Inside() const { return inside_; }
    bool Held() const { return held_; }

    // Presses the button on behalf of the user: a left-button press and a left-button release,
    // both at (0, 0), sent to the control as if they came from the mouse. It clicks whenever the
    // hover behaviour is on, wherever the mouse is.
    void PressAndRelease();

    TOnMouseEvent OnMouseEnter;  // after the hover (or pressed) picture is shown
    TOnMouseEvent OnMouseLeave;  // after the normal picture is shown again
    // OnMouseDown and OnMouseUp (of TImage) are raised here for the left button only, after the
    // press or release is handled.

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void MouseEnters(QEvent& msg);
    void MouseLeaves(QEvent& msg);

    QPixmap pic_;
    QPixmap pic_up_;
    QPixmap pic_down_;
    bool supported_ = true;
    bool inside_ = false;
    bool held_ = false;
};
