// The notification types of the skin's controls, the hint and tag every control has, and showing
// a control only when its owner wants it.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QEvent;
class QWidget;

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

// Shows a control of an element when asked to and when it is wanted (its Tag is 0); hides it
// when asked to hide.
template <class Control>
void ShowIfWanted(Control& control, bool show)
{
    control.setVisible(show && control.Tag() == 0);
}
