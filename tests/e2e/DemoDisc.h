// The demo disc as the end-to-end tests use it: made in a temporary folder by the demo disc
// writer, what its Russian script says, its pictures, and how the program is given it.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>

#include <filesystem>
#include <string>
#include <vector>

#include "script/Synter.h"
#include "support/TempDir.h"

inline const std::string kZulshell = ZUL_BINARY_DIR "/src/app/zulshell";
inline const std::string kMakeDemoDisc = ZUL_BINARY_DIR "/tools/make_demo_disc";

class DemoDisc {
public:
    // With `russian_only`, the Lithuanian script is removed, so the menu asks no language.
    explicit DemoDisc(bool russian_only = false);

    std::filesystem::path Script(const std::string& name) const { return dir.path() / "graph" / name; }
    std::string Root() const { return dir.path().string(); }

    // A skin picture of the disc's archive, decoded.
    QImage Picture(const std::string& member) const;
    // A picture file of the disc, found by its disc path; a null image when there is none.
    QImage File(const std::string& disc_path) const;

    // How the program is given the disc: its folder as the working folder, or (`image`) an ISO
    // image of the folder as it is now, as the one argument, run from elsewhere.
    struct Given {
        std::vector<std::string> args;
        std::string cwd;
    };
    Given AsGiven(bool image) const;

    TempDir dir;
    TempDir elsewhere;  // where an image of the disc is written and the program runs from
    Inf_shell description;
};

// Replaces, in the disc's script, the first lines after `anchor` that begin with `key` (which may
// span lines) by `line` (an empty `line` removes them). The script is bytes with CR LF line ends.
void EditScript(const std::filesystem::path& script, const std::string& anchor, const std::string& key,
                const std::string& line);

class X11Session;

// The menu's main window: the visible window of its size, waited for up to 30 s; empty when it
// never came.
std::string WaitForMainWindow(X11Session& x);

// The setup window the setup button at `setup` (a point of the screen) brings up for an entry with
// several setups, once Run has been pressed in it (which starts the first); empty when it never
// came.
std::string RunFirstSetup(X11Session& x, QPoint setup);

// Colours as the screen shows them may differ by rounding (or, for a photo, by the JPEG
// decoder: `tolerance`); anything more is another picture.
::testing::AssertionResult SameColour(QRgb seen, QRgb expected, int tolerance = 6);

// The tests' own Qt application (for decoding pictures, never on screen), made once.
void MakeOffscreenGuiApplication();

// The middle of a button as placed on the window.
QPoint Middle(const Inf_button& b, const QImage& picture);
