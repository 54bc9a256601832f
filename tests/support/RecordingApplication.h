// A recording double of Application: every operation is appended to `calls` as one line, and
// message boxes answer with the next of `answers` (or the first button when none is left).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Application.h"

class RecordingApplication : public Application {
public:
    std::vector<std::string> calls;
    std::deque<MsgResult> answers;

    void SetTitle(const std::string& title) override;
    void Terminate(int exit_code) override;
    void Halt(int exit_code) override;  // records, then throws ProgramHalted

protected:
    MsgResult ShowMessageBox(const std::string& text, const std::string& caption,
                             MsgButtons buttons) override;
};
