// The menu's message box: its caption, its text and its buttons, set up the same way wherever a
// box is shown (the running menu asks with it; the site draws it offscreen).
#pragma once

#include <string>

#include "platform/Application.h"

class QMessageBox;

// Sets up `box` to ask `text` under `caption` with `buttons`: the text is shown as the characters
// it holds (it often carries disc text: a link, a file name), never guessed to be markup; the first
// button is the default one, and Esc answers with the last.
void SetUpMessageBox(QMessageBox& box, const std::string& text, const std::string& caption, MsgButtons buttons);

// The answer of a box set up by SetUpMessageBox that ended with `code` (what exec() returned).
MsgResult MessageBoxAnswer(int code, MsgButtons buttons);
