// The application-wide window-system operations: message boxes, the application title, and
// ending the program. The program talks to them only through this interface, so the start and
// the failure paths can be run and checked without a window system.
#pragma once

#include <string>

enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

class Application {
public:
    virtual ~Application() = default;

    // Shows a modal message box. Every box is also written to standard error as one line
    // "CAPTION: TEXT" (MessageLogLine), so a person who started the program from a terminal sees
    // what went wrong even when no box can be seen.
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons);

    // The application's default error report: a box captioned `caption` (the application's
    // title) holding `text`, with one OK button. Reports come from timers too; while one box is
    // open a new report is not stacked on it but only written to standard error.
    void ErrorReport(const std::string& text, const std::string& caption);

    virtual void SetTitle(const std::string& title) = 0;

    // Asks the event loop to end; takes effect when the loop next runs, and the program then ends
    // with `exit_code`.
    virtual void Terminate(int exit_code) = 0;

    // Ends the process at once with the given exit code. Implementations do not return to the
    // caller (a test double throws ProgramHalted instead).
    virtual void Halt(int exit_code) = 0;

protected:
    virtual MsgResult ShowMessageBox(const std::string& text, const std::string& caption,
                                     MsgButtons buttons) = 0;

private:
    bool reporting_ = false;  // an error report's box is open
};

// Thrown by doubles of Halt so that a test sees the end of the program as the end of the call.
struct ProgramHalted {
    int exit_code;
};

// One line "CAPTION: TEXT" in UTF-8, the disc's bytes read in its code page; a line feed is written
// as \n and any other control character as \xNN, so nothing from a disc can steer a terminal.
std::string MessageLogLine(const std::string& text, const std::string& caption);

// An Application without a window system (the command-line tools): boxes go to standard error
// only and answer with the first button; there is no title to show and no event loop to end;
// Halt ends the process with std::exit.
class ConsoleApplication : public Application {
public:
    void SetTitle(const std::string&) override {}
    void Terminate(int) override {}
    void Halt(int exit_code) override;

protected:
    MsgResult ShowMessageBox(const std::string&, const std::string&, MsgButtons buttons) override;
};
