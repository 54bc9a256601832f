// zulshell: the autorun menu of a cover disc.
//   zulshell [DISC_ROOT]     (the disc root defaults to the current folder)
#include <QApplication>

#include <cstdio>
#include <exception>

#include "app/MainForm.h"
#include "app/QtApplication.h"
#include "app/Startup.h"
#include "sound/Sounds.h"

int main(int argc, char** argv)
{
    ZulApplication application(argc, argv);
    QtApplication app;
    // The window title of a message box with no window yet: the application's own title.
    app.SetTitle("");
    RegisterSkinFonts();
    const PathResolver resolver(argc > 1 ? argv[1] : ".");
    SilentSoundOutput sound;
    SystemOpener opener(resolver);
    try {
        TMainForm form(app, resolver, sound, opener);
        form.show();
        return app.Exec();
    } catch (const std::exception& e) {
        // The application's standard exception display: a box under the application's title.
        // The menu could not start, and whatever started it is told so by the exit status.
        app.MessageBox(e.what(), app.Title(), MsgButtons::Ok);
    }
    return kFailedStartExitCode;
}
