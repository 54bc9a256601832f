// zulshell: the autorun menu of a cover disc.
//   zulshell [DISC_ROOT]     (the disc root defaults to the current folder)
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>

#include "app/MainForm.h"
#include "app/QtApplication.h"
#include "app/Startup.h"
#include "sound/AudioOutput.h"
#include "sound/EventSound.h"
#include "sound/Sounds.h"

int main(int argc, char** argv)
{
    ZulApplication application(argc, argv);
    QtApplication app;
    // The window title of a message box with no window yet: the application's own title.
    app.SetTitle("");
    RegisterSkinFonts();
    const PathResolver resolver(argc > 1 ? argv[1] : ".");
    // The audio device lives longest: it closes after the window, when the menu ends.
    AudioOutput audio;
    std::unique_ptr<SoundOutput> sound;
    if (audio.Works())
        sound = std::make_unique<MixerSoundOutput>(audio.GetMixer(), resolver);
    else
        sound = std::make_unique<NoDeviceSoundOutput>();
    SystemOpener opener(resolver);
    int status = kFailedStartExitCode;
    try {
        TMainForm form(app, resolver, *sound, opener, audio.Works() ? &audio.GetMixer() : nullptr);
        form.show();
        status = app.Exec();
    } catch (const std::exception& e) {
        // The application's standard exception display: a box under the application's title.
        // The menu could not start, and whatever started it is told so by the exit status.
        app.MessageBox(e.what(), app.Title(), MsgButtons::Ok);
    }
    // The closing window's sound is heard out (briefly) before the device closes.
    audio.FinishEventSound(std::chrono::seconds(3));
    return status;
}
