// The options window: a skinned modal window in which the user switches event sounds, background
// music, the standard cursors and the wallpaper show, and picks a background music file, a
// wallpaper folder and a language. It also shows two lines about the disc.
//
// The main window creates it once and, each time the options button is pressed, hands it an
// OptionsState describing the current settings and which of them may be changed. The window
// edits its own copy of that record and reports on closing whether the user accepted (OK). It
// never lets event sounds and background music be on together.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPoint>

#include <cstdint>

#include "archive/PictureSource.h"
#include "controls/Label.h"
#include "controls/Zulwid.h"
#include "disc/PathResolver.h"
#include "model/Description.h"
#include "model/OptionsState.h"
#include "sound/Sounds.h"
#include "windows/Buttonwithcolor.h"

class QEvent;
class QKeyEvent;
class QPaintEvent;
class QShowEvent;
class WindowDrag;

// A bevel: a frame or a line drawn in the button shadow and highlight colours, raised or
// lowered. It has no background of its own.
class TOptionsBevel : public QWidget {
public:
    enum Shape { bsBox, bsTopLine };
    enum Style { bsLowered, bsRaised };

    TOptionsBevel(QWidget* parent, Shape shape, Style style);

    Shape BevelShape() const { return shape_; }
    Style BevelStyle() const { return style_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape shape_;
    Style style_;
};

// A label of the options window: a TLabel that shows its text greyed and embossed while it is
// disabled, as the window's disabled controls are.
class TOptionsLabel : public TLabel {
public:
    explicit TOptionsLabel(QWidget* parent) : TLabel(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A panel: fills itself with its palette's window colour inside a raised one-pixel edge.
class TOptionsPanel : public QWidget {
public:
    explicit TOptionsPanel(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TOptionsForm : public QDialog {
public:
    // What Result() reports.
    static constexpr std::int32_t kClosed = 0;     // closed any other way
    static constexpr std::int32_t kAccepted = 1;   // OK
    static constexpr std::int32_t kCancelled = 2;  // Cancel or Esc

    // Builds the window from the description `about` (background, close button, caption strip
    // height and texts in the disc's code page), with pictures from `source` (used only here)
    // and the OK and Cancel sounds read through `resolver`. The sound switch `sounder` and the
    // sound `output` are kept by reference and must outlive the window.
    TOptionsForm(QWidget* owner, const Inf_about_window& about, const Sounder& sounder,
                 SoundOutput& output, const PathResolver& resolver, PictureSource& source);
    ~TOptionsForm() override;

    TOptionsForm(const TOptionsForm&) = delete;
    TOptionsForm& operator=(const TOptionsForm&) = delete;

    // Shows `r` and the window, modally; returns when it has closed. Afterwards Result() says how
    // it closed and, when it is kAccepted, State() holds the user's choice. The lists `r` points
    // to must stay alive while the window is open; a null list counts as an empty one.
    void RunOptions(const OptionsState& r);

    // kAccepted, kCancelled or kClosed for the last RunOptions (kClosed before any).
    std::int32_t Result() const { return result_; }
    // The working copy: the record handed in, with the fields the controls stand for as the
    // user left them. The offered flags, player music and the list pointers are never changed.
    const OptionsState& State() const { return state_; }

    const Inf_about_window& Description() const { return description_; }
    const SoundFile& OkSound() const { return ok_sound_; }
    const SoundFile& CancelSound() const { return cancel_sound_; }

    // The event handlers. The check box handlers read the box's new state; the combo box
    // handlers its selection.
    void SoundCheckBoxClick();
    void MusicCheckBoxClick();
    void CursorCheckBoxClick();
    void WPCheckBoxClick();
    void WPComboBoxChange();
    void LangComboBoxChange();
    void MusicComboBoxChange();
    // OK and Cancel: the button's sound (as the sound switch allows), the result, and the window
    // closes. Only the first of them counts in one showing of the window.
    void YesBtnClick();
    void CancelBtnClick();
    // Closes the window without a result.
    void close_btnClick();
    // A press on the background at (x, y) of the background picture; `global` is where on the
    // screen. Presses in the top caption strip (y up to cap_height) move the window.
    void backMouseDown(Qt::MouseButton button, int x, int y, QPoint global);
    // A key released while the window itself has the keyboard focus: Esc presses CancelBtn.
    void FormKeyUp(int key);

    // Ends the modal loop; calls that come when the window is no longer shown are ignored (a
    // button's own deferred close after its handler closed the window already).
    void done(int result) override;

    TImage* back;
    TImgBtn* close_btn;
    TOptionsBevel* Bevel1;
    TOptionsPanel* Panel1;
    TLabel* ZULLabel;
    TOptionsLabel* Label1;
    TOptionsLabel* Label2;
    TOptionsBevel* Bevel2;
    QCheckBox* SoundCheckBox;
    QCheckBox* CursorCheckBox;
    QCheckBox* WPCheckBox;
    TOptionsLabel* WPLabel;
    QComboBox* WPComboBox;
    TOptionsLabel* LangLabel;
    QComboBox* LangComboBox;
    QCheckBox* MusicCheckBox;
    TOptionsLabel* MusicLabel;
    QComboBox* MusicComboBox;
    TOptionsBevel* Bevel3;
    TBitBtnWithColor* YesBtn;
    TBitBtnWithColor* ApplyBtn;
    TBitBtnWithColor* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Plays `sound` as an event sound when the sound switch allows it, takes `button`'s modal
    // result and ends the modal loop; nothing once OK or Cancel has been pressed in this showing.
    void Finish(const TBitBtnWithColor& button, const SoundFile& sound);

    Inf_about_window description_;
    OptionsState state_;
    std::int32_t result_ = kClosed;
    const Sounder& sounder_;
    SoundOutput& output_;
    SoundFile ok_sound_;
    SoundFile cancel_sound_;
    WindowDrag* drag_ = nullptr;
    bool finishing_ = false;  // OK or Cancel has been pressed in this showing
};
