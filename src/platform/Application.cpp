#include "platform/Application.h"

#include <cstdio>
#include <cstdlib>

std::string MessageLogLine(const std::string& text, const std::string& caption)
{
    std::string line = caption + ": ";
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else
            line += c;
    }
    return line;
}

MsgResult Application::MessageBox(const std::string& text, const std::string& caption,
                                  MsgButtons buttons)
{
    const std::string line = MessageLogLine(text, caption) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return ShowMessageBox(text, caption, buttons);
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
