// The widgets every skinned screen is assembled from: a picture control, the image button that
// swaps pictures on hover and press, the tab-style and two-state buttons, and the rotating
// advertisement banner; plus the two helpers that place a picture or a button from its record.
//
// Every clickable thing of the skin is a picture. The widgets are QWidgets created with a parent,
// which owns them: the parent's destruction destroys them. A callback counts as assigned when it
// holds a function; calling an unassigned one does nothing.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "archive/PictureSource.h"
#include "model/Description.h"
#include "platform/PathResolver.h"

class QEnterEvent;
class QEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QTimer;

// A click or another notification; the sender is the control it comes from.
using TNotifyEvent = std::function<void(QObject* Sender)>;
// A mouse notification with the message the control received (a QMouseEvent for presses and
// releases, a QEnterEvent or a plain leave event for hovering).
using TOnMouseEvent = std::function<void(QEvent& Msg)>;

// What the skin's controls have besides their picture or text: a hint, bytes of the disc's code
// page that are the control's tooltip while hints are on (elements also keep links in it), and a
// tag kept for the owner (0 unless the owner says otherwise).
class ControlHint {
public:
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return show_hint_; }
    void SetShowHint(bool on);

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

protected:
    explicit ControlHint(QWidget& control) : control_(control) {}
    ~ControlHint() = default;
    ControlHint(const ControlHint&) = delete;
    ControlHint& operator=(const ControlHint&) = delete;

    // The character set the hint is read in; until one is given, the active language's.
    void SetHintCharset(std::uint8_t charset);

private:
    void UpdateToolTip();

    QWidget& control_;
    std::string hint_;
    bool show_hint_ = false;
    int tag_ = 0;
    bool own_charset_ = false;
    std::uint8_t charset_ = 0;
};

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

// A tab of a group of mutually exclusive tabs. A click calls the select callback with the
// button's index, selects the button and then calls the notify callback. A selected button shows
// its pressed picture whatever the mouse does and ignores clicks until the group deselects it.
class SidePanelBtn : public TImgBtn {
public:
    using SelectEvent = std::function<void(int index)>;

    // Places itself from `record` (as SetupImageButton does) with its three pictures.
    SidePanelBtn(PictureSource& source, QWidget* parent, const Inf_button& record, int index,
                 SelectEvent select, TNotifyEvent notify);

    void Select();
    void Deselect();

    int Index() const { return index_; }

private:
    void BtnClick();

    SelectEvent select_;
    TNotifyEvent notify_;
    QPixmap normal_;
    QPixmap over_;
    QPixmap down_;
    int index_;
};

// A button that latches pressed on its first click and then alternates between a second and a
// first action on further clicks (play / pause) while it keeps looking pressed, until its owner
// releases it.
class T2stateBtn : public TImgBtn {
public:
    T2stateBtn(PictureSource& source, QWidget* parent, const Inf_button& record,
               TNotifyEvent first_click, TNotifyEvent second_click);

    // Shows the pressed picture for idle and hover; the next click is a second click.
    void Latch();
    // Back to the three pictures; the next click is a first click.
    void Release();

private:
    void FirstClick();
    void SecondClick();

    TNotifyEvent first_click_;
    TNotifyEvent second_click_;
    QPixmap normal_;
    QPixmap over_;
    QPixmap down_;
};

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
    bool auto_size_ = false;
    TImage* picture_ = nullptr;
    QTimer* timer_ = nullptr;
};

// Shows a control of an element when asked to and when it is wanted (its Tag is 0); hides it
// when asked to hide.
template <class Control>
void ShowIfWanted(Control& control, bool show)
{
    control.setVisible(show && control.Tag() == 0);
}

// Places an image control from its record: parent, left, top; the record's width and height when
// both are non-zero, otherwise auto-size. The record's picture is loaded from `source` (a missing
// or bad picture ends the program there) and shown.
void SetupImage(TImage& image, QWidget* parent, const Inf_image& record, PictureSource& source);

// Places an image button like SetupImage and loads `normal_pic` into Pic (shown), `over_pic`
// into PicUp and `down_pic` into PicDown. A non-empty hint becomes the tooltip with hints on; an
// empty one leaves hints off.
void SetupImageButton(TImgBtn& button, QWidget* parent, const Inf_button& record,
                      PictureSource& source);
