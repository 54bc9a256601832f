// zulshell: the autorun menu of a cover disc.
//   zulshell [--scale N] [DISC_ROOT]   (the disc root defaults to the current folder; N, from 1
//                                      to 4, is the factor the whole menu is drawn larger by)
//   zulshell [--scale N] DISC_IMAGE    (an image of the disc, read in place: .iso, .bin/.cue,
//                                      .mdf/.mds, .img/.ccd, .nrg, or a CD drive such as /dev/sr0)
//   zulshell --help | --version
// Given no disc outside a disc's folder (started from the applications menu), the menu starts on
// the mounted cover disc, asks which of several, or opens a file dialog when there is none.
// Exit status: 0 the menu was closed, 1 the menu could not start (a box said why) or no disc was
// chosen, 2 a wrong command line.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "app/CopyWindow.h"
#include "app/DiscSearch.h"
#include "app/EndSignals.h"
#include "app/MainForm.h"
#include "app/QtApplication.h"
#include "app/QtDiscChooser.h"
#include "app/ScreenScale.h"
#include "app/Startup.h"
#include "app/WindowSystem.h"
#include "archive/ZipGrFile.h"
#include "disc/DiscImage.h"
#include "sound/AudioOutput.h"
#include "sound/EventSound.h"
#include "sound/Sounds.h"
#include "version/Version.h"

namespace {

constexpr int kWrongCommandLineExitCode = 2;

constexpr const char* kUsage =
    "usage: zulshell [--scale N] [DISC_ROOT | DISC_IMAGE]\n"
    "       zulshell --help | --version\n";

// What the command line asks for: the disc root to show and the factor to draw the menu at
// (none: the screen's own), or an exit status once it is answered.
struct CommandLine {
    std::string disc_root = ".";
    bool disc_image = false;  // the disc root is an image file
    bool given = false;       // the disc root was given (not the current folder by default)
    std::optional<int> scale;
    std::optional<int> exit_now;
};

int WrongCommandLine(const std::string& message)
{
    std::fprintf(stderr, "zulshell: %s\n%s", message.c_str(), kUsage);
    return kWrongCommandLineExitCode;
}

// Reads the command line before any window-system connection exists, so --help, --version and
// every mistake are answered without a display, and no argument reaches Qt, which would take
// options such as -style or -display for itself.
CommandLine ParseCommandLine(int argc, char** argv)
{
    CommandLine line;
    bool options_done = false;
    std::optional<std::string> operand;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options_done && arg == "--") {
            options_done = true;
        } else if (!options_done && arg == "--help") {
            std::fputs(kUsage, stdout);
            line.exit_now = 0;
            return line;
        } else if (!options_done && arg == "--version") {
            std::printf("zulshell %s\n", ZUL_VERSION);
            line.exit_now = 0;
            return line;
        } else if (!options_done && (arg == "--scale" || arg.rfind("--scale=", 0) == 0)) {
            // The factor follows as the next argument or after "=".
            std::optional<std::string> value;
            if (arg != "--scale")
                value = arg.substr(arg.find('=') + 1);
            else if (i + 1 < argc)
                value = argv[++i];
            if (!value || value->empty()) {
                line.exit_now = WrongCommandLine("--scale needs a factor from 1 to 4");
                return line;
            }
            line.scale = ParseScale(*value);
            if (!line.scale) {
                line.exit_now = WrongCommandLine("wrong scale: " + *value + " (a whole factor from 1 to 4)");
                return line;
            }
        } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
            line.exit_now = WrongCommandLine("unknown option: " + arg);
            return line;
        } else if (operand) {
            line.exit_now = WrongCommandLine("more than one disc root: " + *operand + ", " + arg);
            return line;
        } else {
            operand = arg;
        }
    }
    if (operand) {
        // A missing path would otherwise end as the menu's own "Can't find main file" box, which
        // tells a reader who mistyped the path nothing about it. A file, or a CD drive's block
        // device, is a disc image.
        std::error_code ec;
        line.disc_image = IsDiscImagePath(*operand);
        if (!line.disc_image && !std::filesystem::is_directory(*operand, ec)) {
            std::fprintf(stderr, "zulshell: %s: not a folder\n", operand->c_str());
            line.exit_now = kWrongCommandLineExitCode;
            return line;
        }
        line.disc_root = *operand;
        line.given = true;
    }
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    const CommandLine line = ParseCommandLine(argc, argv);
    if (line.exit_now)
        return *line.exit_now;
    // Copies out of a disc image that earlier runs left behind (the machine was switched off, the
    // menu killed), once no program of theirs runs.
    SweepStaleCopies();
    // Given no disc, and not started in a disc's folder (the applications menu starts programs in
    // the home folder): the cover discs mounted, the CDs and the desktop's removable media.
    std::optional<std::vector<std::string>> mounted_discs;
    if (!line.given && !IsDiscFolder(line.disc_root))
        mounted_discs = FindMountedCoverDiscs();
    // Qt sees the program's name only: the command line has been read.
    int qt_argc = 1;
    char* qt_argv[] = {argv[0], nullptr};
    auto scale = std::make_unique<ScreenScaleSetting>(line.scale);
    ChooseWindowSystem();
    ZulApplication application(qt_argc, qt_argv);
    scale.reset();
    QtApplication app;
    // The window title of a message box with no window yet: the application's own title.
    app.SetTitle("");
    RegisterSkinFonts();
    std::string disc_root = line.disc_root;
    bool disc_image = line.disc_image;
    if (mounted_discs) {
        // The only disc found, or the reader's choice among several, or of a folder or an image.
        QtDiscChooser chooser(QDir::currentPath());
        const std::optional<std::string> chosen = ChooseStartDisc(*mounted_discs, chooser);
        if (!chosen) {
            std::fputs("zulshell: no disc chosen\n", stderr);
            return kFailedStartExitCode;
        }
        disc_root = *chosen;
        disc_image = IsDiscImagePath(disc_root);
    }
    std::shared_ptr<const DiscFs> disc;
    std::string unreadable_image;
    if (!disc_image) {
        disc = FolderDiscFs(disc_root);
    } else {
        try {
            disc = OpenDiscImage(disc_root);
        } catch (const std::exception& e) {  // DiscImageError names the image
            unreadable_image = e.what();
        }
    }
    if (!disc) {
        // Like every start that fails: a box under the application's title (echoed on standard
        // error) and status 1.
        app.MessageBox(unreadable_image, kAppTitle, MsgButtons::Ok);
        return kFailedStartExitCode;
    }
    const PathResolver resolver(std::move(disc));
    // The audio device lives longest: it closes after the window, when the menu ends.
    AudioOutput audio;
    // The picture archive is read, and its pictures decoded, while the languages, the splash and
    // the description come up; what fails is shown where the build first needs it. Not sooner:
    // Qt takes the thread that first uses it for its main thread (the workers use QImage), the
    // environment is changed for Qt's scale until the application exists, and the search for the
    // audio device silences standard error for every thread.
    std::unique_ptr<ZipGrFile> pictures = ZipGrFile::ReadInBackground(app, resolver);
    // Once a second while the device is open: parked (closed) once nothing has been heard for two
    // seconds, so that the menu left open wakes nothing up; the next sound opens it (and starts
    // this) again.
    QTimer park_audio;
    park_audio.setInterval(1000);
    QObject::connect(&park_audio, &QTimer::timeout, [&audio, &park_audio] {
        if (audio.GetMixer().ParkIfSilent())
            park_audio.stop();
    });
    if (audio.Works()) {
        audio.GetMixer().SetOnWake([&park_audio] {
            QMetaObject::invokeMethod(&park_audio, qOverload<>(&QTimer::start), Qt::QueuedConnection);
        });
        park_audio.start();
    }
    std::unique_ptr<SoundOutput> sound;
    if (audio.Works())
        sound = std::make_unique<MixerSoundOutput>(audio.GetMixer(), resolver);
    else
        sound = std::make_unique<NoDeviceSoundOutput>();
    // What the reader can do about a setup that cannot start comes in a box under the menu's title.
    // Copies out of an image are made away from the interface thread.
    SystemOpener opener(
        resolver, std::nullopt, [&app](const std::string& text) { app.MessageBox(text, app.Title(), MsgButtons::Ok); },
        std::make_unique<QtCopyRunner>());
    // The session's end (a logout, Ctrl+C in the terminal) closes the menu as its close button
    // does, with its status. Every event loop ends with it: the main one, and a box's or a
    // window's own (the setup window, the language question while the menu starts, which then
    // goes on with the preselected language and never enters the main loop).
    TMainForm* shown = nullptr;
    EndSignals end_signals([&app, &shown] {
        if (shown)
            shown->close_btnClick();
        app.Terminate(0);
        QCoreApplication::exit(0);
    });
    int status = kFailedStartExitCode;
    try {
        TMainForm form(app, resolver, *sound, opener, audio.Works() ? &audio.GetMixer() : nullptr,
                       std::move(pictures));
        form.show();
        shown = &form;
        status = app.Exec();
        shown = nullptr;
    } catch (const std::exception& e) {
        shown = nullptr;
        // The application's standard exception display: a box under the application's title.
        // The menu could not start, and whatever started it is told so by the exit status.
        app.MessageBox(e.what(), app.Title(), MsgButtons::Ok);
    }
    // The closing window's sound is heard out (briefly) before the device closes.
    audio.FinishEventSound(std::chrono::seconds(3));
    audio.GetMixer().SetOnWake(nullptr);
    return status;
}
