// The start of the program up to the parsed description: the languages on the disc and the choice
// among them, the wallpaper and splash windows, the loading of the script and the cursors. Every
// window-system step goes through an interface, so the order of the steps and every message can be
// checked without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Languages.h"
#include "disc/PathResolver.h"
#include "model/Description.h"
#include "platform/Application.h"
#include "platform/Cursors.h"

// The windows the start opens.
class StartupWindows {
public:
    virtual ~StartupWindows() = default;
    // The modal language dialog over `languages` with `preselected` selected; returns the index
    // the user chose.
    virtual int ChooseLanguage(const std::vector<lang_inf>& languages, int preselected) = 0;
    virtual void ShowWallpaperWindow(const WPs_inf& wallpapers) = 0;
    virtual void ShowSplash(const std::string& picture_path) = 0;
    // The main window takes the cursor in `slot`.
    virtual void SetMainWindowCursor(int slot) = 0;
};

constexpr const char* kAppTitle = ".ZUL CD";
constexpr const char* kLoadingTitle = "Loading...";
constexpr const char* kNoMainFile = "Can't find main file!!!";
constexpr const char* kFatalCaption = "Fatal Error";
constexpr const char* kErrorCaption = "Error";
constexpr int kFatalExitCode = 1;
// A start that failed (a script that did not open or parse) ends the program with this status.
constexpr int kFailedStartExitCode = 1;

class Startup {
public:
    Startup(Application& app, StartupWindows& windows, CursorSlots& cursors,
            PathResolver resolver);

    // From filling the language table to the main window's cursor, in order. Ends the program
    // through Application::Halt when the disc has no usable script.
    void Run();

    // Finds the scripts, chooses the language and returns the script's disc path.
    std::string FindLanguages();
    // Parses the script on the loading thread into `description` and waits for it.
    void LoadDescription(const std::string& script);
    void LoadCursors();

    const lang_inf& language() const { return languages.at(static_cast<std::size_t>(language_index)); }

    Inf_shell description;
    std::vector<lang_inf> languages;
    std::int32_t language_index = 0;
    CursorHandle main_cursor = 0;
    CursorHandle link_cursor = 0;
    bool cursors_ok = false;
    bool cursors_off = false;

private:
    [[noreturn]] void Fatal();

    Application& app_;
    StartupWindows& windows_;
    CursorSlots& cursors_;
    PathResolver resolver_;
};
