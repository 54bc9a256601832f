#include "controls/ControlHint.h"

#include <QWidget>

#include "disc/CodePages.h"
#include "platform/DiscText.h"

void ControlHint::SetHint(const std::string& hint)
{
    hint_ = hint;
    UpdateToolTip();
}

void ControlHint::SetShowHint(bool on)
{
    show_hint_ = on;
    UpdateToolTip();
}

void ControlHint::SetHintCharset(std::uint8_t charset)
{
    own_charset_ = true;
    charset_ = charset;
    UpdateToolTip();
}

void ControlHint::UpdateToolTip()
{
    control_.setToolTip(show_hint_ ? LiteralTipText(DiscText(hint_, own_charset_ ? charset_ : current_charset)) : QString());
}
