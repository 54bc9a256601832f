#include "controls/SkinButtons.h"

#include <QPointer>

#include <algorithm>
#include <memory>
#include <utility>

#include "pictures/Picture.h"
#include "platform/EventErrors.h"

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
// Placing a picture or an image button from its record

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
