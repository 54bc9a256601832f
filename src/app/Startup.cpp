#include "app/Startup.h"

#include "app/LoadObj.h"
#include "disc/CodePages.h"

namespace {
constexpr const char* kScriptPattern = "graph\\image_*.dat";
constexpr std::size_t kPrefixLength = 6;  // "image_"
constexpr std::size_t kSuffixLength = 4;  // ".dat"
}  // namespace

Startup::Startup(Application& app, StartupWindows& windows, CursorSlots& cursors,
                 PathResolver resolver)
    : app_(app), windows_(windows), cursors_(cursors), resolver_(std::move(resolver))
{
}

void Startup::Run()
{
    FillKnownLanguages();
    app_.SetTitle(kAppTitle);
    const std::string script = FindLanguages();
    windows_.ShowWallpaperWindow(description.wallpapers);
    windows_.ShowSplash("graph\\splash\\" + language().code + "\\Intro.gif");
    app_.SetTitle(kLoadingTitle);
    LoadDescription(script);
    LoadCursors();
    windows_.SetMainWindowCursor(kMainCursorSlot);
}

void Startup::Fatal()
{
    app_.MessageBox(kNoMainFile, kFatalCaption, MsgButtons::Ok);
    app_.Halt(kFatalExitCode);
    // Halt does not come back; should an implementation fail to end the program, stop here.
    throw ProgramHalted{kFatalExitCode};
}

std::string Startup::FindLanguages()
{
    const std::vector<std::string> files = FindFiles(resolver_, kScriptPattern);
    if (files.empty())
        Fatal();
    for (const std::string& name : files) {
        // The search ignores case but the code is cut by position and compared exactly.
        if (name.size() < kPrefixLength + kSuffixLength)
            continue;
        const std::string code =
            name.substr(kPrefixLength, name.size() - kPrefixLength - kSuffixLength);
        if (auto known = known_languages.find(code); known != known_languages.end())
            languages.push_back(known->second);
    }
    if (languages.empty())
        Fatal();

    language_index = 0;
    if (languages.size() >= 2) {
        // Russian is preselected (the last one, should two scripts carry its code).
        int preselected = 0;
        for (std::size_t i = 0; i < languages.size(); ++i)
            if (languages[i].code == "ru")
                preselected = static_cast<int>(i);
        const int chosen = windows_.ChooseLanguage(languages, preselected);
        // A dialog that ends without a valid choice keeps the preselected language.
        language_index = (chosen >= 0 && static_cast<std::size_t>(chosen) < languages.size())
                             ? chosen
                             : preselected;
    }
    return "graph\\image_" + language().code + ".dat";
}

void Startup::LoadDescription(const std::string& script)
{
    // From here on texts are shown, and names beyond ASCII in the disc's paths are read, in the
    // language's code page.
    current_charset = language().charset;
    LoadObj loader(description, resolver_.SharedDisc(), resolver_.Resolve(script));
    loader.Start();
    if (loader.WaitFor() != 0) {
        // The loading thread handed its failure back; show it here, on the main thread.
        app_.MessageBox(loader.failure()->Message(), kErrorCaption, MsgButtons::Ok);
        app_.Terminate(kFailedStartExitCode);
    }
}

void Startup::LoadCursors()
{
    cursors_ok = true;
    cursors_off = false;

    if (std::optional<CursorHandle> main = cursors_.LoadCursorFromFile(description.cd.main_cursor)) {
        main_cursor = *main;
        cursors_.SetSlot(kMainCursorSlot, *main);
    } else {
        cursors_ok = false;
        cursors_off = true;
        cursors_.SetStandardSlot(kMainCursorSlot, StandardCursor::Arrow);
    }

    std::optional<CursorHandle> link = cursors_.LoadCursorFromFile(description.cd.link_cursor);
    if (link && cursors_ok) {
        link_cursor = *link;
        cursors_.SetSlot(kLinkCursorSlot, *link);
    } else {
        cursors_ok = false;
        cursors_off = true;
        cursors_.SetStandardSlot(kLinkCursorSlot, StandardCursor::HandPoint);
    }
}
