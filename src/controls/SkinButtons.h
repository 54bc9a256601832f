// The controls placed from their records with pictures of the skin's archive: the tab-style and
// two-state buttons, and the two helpers that place a picture or an image button.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

#include "archive/PictureSource.h"
#include "controls/Zulwid.h"
#include "model/Description.h"

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

// Places an image control from its record: parent, left, top; the record's width and height when
// both are non-zero, otherwise auto-size. The record's picture is loaded from `source` (a missing
// or bad picture ends the program there) and shown.
void SetupImage(TImage& image, QWidget* parent, const Inf_image& record, PictureSource& source);

// Places an image button like SetupImage and loads `normal_pic` into Pic (shown), `over_pic`
// into PicUp and `down_pic` into PicDown. A non-empty hint becomes the tooltip with hints on; an
// empty one leaves hints off.
void SetupImageButton(TImgBtn& button, QWidget* parent, const Inf_button& record,
                      PictureSource& source);
