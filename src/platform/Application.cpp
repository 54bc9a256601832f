#include "platform/Application.h"

#include <cstdio>
#include <cstdlib>

#include "disc/CodePages.h"

std::string MessageLogLine(const std::string& text, const std::string& caption)
{
    return PrintableDiscText(caption) + ": " + PrintableDiscText(text);
}

MsgResult Application::MessageBox(const std::string& text, const std::string& caption,
                                  MsgButtons buttons)
{
    const std::string line = MessageLogLine(text, caption) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return ShowMessageBox(text, caption, buttons);
}

void Application::ErrorReport(const std::string& text, const std::string& caption)
{
    if (reporting_) {
        const std::string line = MessageLogLine(text, caption) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        return;
    }
    reporting_ = true;
    try {
        MessageBox(text, caption, MsgButtons::Ok);
    } catch (...) {
        reporting_ = false;
        throw;
    }
    reporting_ = false;
}

void ConsoleApplication::Halt(int exit_code)
{
    std::fflush(nullptr);
    std::exit(exit_code);
}

MsgResult ConsoleApplication::ShowMessageBox(const std::string&, const std::string&,
                                             MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
        return MsgResult::Yes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        break;
    }
    return MsgResult::Ok;
}
