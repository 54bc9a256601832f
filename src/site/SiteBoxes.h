// The menu's message boxes as the site shows them: each drawn offscreen by the menu's own box,
// as it looks when it opens, with each of its buttons given the keyboard's focus, hovered and
// pressed. The window's frame and title bar, which the window manager draws on the desktop, are
// the page's own; the page lays a real button over each drawn one and the box's text, invisibly,
// over its pixels.
#pragma once

#include <QImage>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <string>

#include "platform/Application.h"

// The box asking `text` under `caption` with `buttons`, as it looks when it opens.
QImage MessageBoxPicture(const std::string& text, const std::string& caption, MsgButtons buttons);

// The same box for the page: {w, h, title, text, textPlace, opened, buttons, escape}. `opened` is
// its picture as it opens; `buttons` lists its buttons in the order Tab moves through them, from
// the one focused when it opens, each {place, name, key (the letter that presses it, or empty),
// focused (the whole box once Tab has brought the focus to it), over, down (its place hovered and
// pressed), answer ("yes", "no", "ok" or "cancel")}; `escape` is the index of the button Esc
// answers with. Each picture goes through `store`, which gives its address in the site.
QJsonObject DrawnMessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                            const std::function<QString(const QImage&)>& store);
