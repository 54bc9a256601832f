// The application-wide window-system operations with Qt: real message boxes, the application's
// display name as its title, quitting the event loop, ending the process.
#pragma once

#include <QApplication>

#include <string>

#include "platform/Application.h"

// The menu's Qt application object. Exceptions never cross the event loop: one that a handler
// lets escape is caught here, as the event is delivered, and reported like any other.
class ZulApplication : public QApplication {
public:
    ZulApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

class QtApplication : public Application {
public:
    // Becomes the place where exceptions raised while handling events are reported.
    QtApplication();
    ~QtApplication() override;
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

    void SetTitle(const std::string& title) override;
    const std::string& Title() const { return title_; }
    // Asks the event loop to end with `exit_code`: before the main loop runs, the request is kept
    // and the loop is never entered (a modal box meanwhile is not cut short); while it runs, it
    // quits.
    void Terminate(int exit_code) override;
    // Runs the main event loop unless the end was asked for already; the program's exit code.
    int Exec();
    // Ends the process at once, without unwinding the windows.
    void Halt(int exit_code) override;

protected:
    MsgResult ShowMessageBox(const std::string& text, const std::string& caption,
                             MsgButtons buttons) override;

private:
    std::string title_;
    bool terminate_requested_ = false;
    int terminate_code_ = 0;
    bool running_ = false;
};

// The program's icon: an amber disc with a "Z", drawn here so that no file is needed.
class QIcon;
QIcon ProgramIcon();
// Draws that icon into the square (0, 0, size, size) of `painter`; the installed icons (bitmaps of
// every size and the scalable picture) are drawn by the same code.
class QPainter;
void PaintProgramIcon(QPainter& painter, int size);

// Makes the fonts the skin expects (Tahoma, MS Sans Serif) known to the application; they come
// with Wine's font package, outside the system's font paths. False when none was found. On a
// screen drawn larger than the skin's pixels, Tahoma stands in for MS Sans Serif, whose letters
// come at a few fixed sizes only.
bool RegisterSkinFonts();
