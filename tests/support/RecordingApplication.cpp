#include "support/RecordingApplication.h"

void RecordingApplication::SetTitle(const std::string& title)
{
    calls.push_back("title: " + title);
}

void RecordingApplication::Terminate(int exit_code)
{
    calls.push_back("terminate: " + std::to_string(exit_code));
}

void RecordingApplication::Halt(int exit_code)
{
    calls.push_back("halt: " + std::to_string(exit_code));
    throw ProgramHalted{exit_code};
}

MsgResult RecordingApplication::ShowMessageBox(const std::string& text, const std::string& caption,
                                               MsgButtons buttons)
{
    const char* kind = buttons == MsgButtons::Ok ? "ok" : buttons == MsgButtons::OkCancel ? "okcancel" : "yesno";
    calls.push_back(std::string("box[") + kind + "] " + caption + ": " + text);
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}
