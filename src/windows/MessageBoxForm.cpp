#include "windows/MessageBoxForm.h"

#include <QMessageBox>

#include "platform/DiscText.h"

void SetUpMessageBox(QMessageBox& box, const std::string& text, const std::string& caption, MsgButtons buttons)
{
    box.setWindowTitle(DiscText(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(DiscText(text));
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
}

MsgResult MessageBoxAnswer(int code, MsgButtons buttons)
{
    switch (code) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
}
