#include "DemoDisc.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <thread>

#include "X11Session.h"
#include "archive/ZipGrFile.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"

namespace fs = std::filesystem;

DemoDisc::DemoDisc(bool russian_only)
{
    const ProgramResult made = RunProgram(kMakeDemoDisc, {dir.path().string()});
    if (made.exit_code != 0)
        throw std::runtime_error("make_demo_disc failed: " + made.err);
    if (russian_only)
        fs::remove(Script("image_lit.dat"));
    Synter synter(Script("image_ru.dat"));
    synter.parse(description);
}

QImage DemoDisc::Picture(const std::string& member) const
{
    RecordingApplication app;
    ZipGrFile archive(app, PathResolver(dir.path()));
    return archive.LoadPicture(member)->Image().convertToFormat(QImage::Format_RGB32);
}

QImage DemoDisc::File(const std::string& disc_path) const
{
    const std::optional<fs::path> file = PathResolver(dir.path()).Find(disc_path);
    return file ? QImage(QString::fromStdString(file->string())).convertToFormat(QImage::Format_RGB32) : QImage();
}

DemoDisc::Given DemoDisc::AsGiven(bool image) const
{
    if (!image)
        return {{}, Root()};
    const fs::path iso = elsewhere.path() / "demo.iso";
    const ProgramResult made = RunProgram(kMakeDemoDisc, {"--iso-of", Root(), iso.string()});
    if (made.exit_code != 0)
        throw std::runtime_error("make_demo_disc --iso-of failed: " + made.err);
    return {{iso.string()}, elsewhere.path().string()};
}

void EditScript(const fs::path& script, const std::string& anchor, const std::string& key, const std::string& line)
{
    std::string text = ReadFileBytes(script);
    const std::size_t from = text.find(anchor);
    ASSERT_NE(from, std::string::npos) << anchor;
    const std::size_t at = text.find("\r\n" + key, from);
    ASSERT_NE(at, std::string::npos) << key;
    const std::size_t end = text.find("\r\n", at + 2 + key.size());
    text.replace(at + 2, end + 2 - (at + 2), line.empty() ? "" : line + "\r\n");
    std::ofstream(script, std::ios::binary | std::ios::trunc) << text;
}

std::string WaitForMainWindow(X11Session& x)
{
    using namespace std::chrono_literals;
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < until) {
        for (const std::string& w : x.WaitForWindows(".", 1s))
            if (x.Geometry(w).size() == QSize(648, 511))
                return w;
        std::this_thread::sleep_for(200ms);
    }
    return {};
}

std::string RunFirstSetup(X11Session& x, QPoint setup)
{
    using namespace std::chrono_literals;
    x.Click(setup.x(), setup.y());
    std::string setup_window;
    for (int i = 0; i < 50 && setup_window.empty(); ++i) {
        for (const std::string& w : x.WaitForWindows("^.*$", 200ms))  // it has no caption text
            if (x.Geometry(w).size() == QSize(585, 109))
                setup_window = w;
    }
    if (!setup_window.empty()) {
        const QRect place = x.Geometry(setup_window);
        x.Click(place.x() + 504 + 37, place.y() + 8 + 12);  // Run
    }
    return setup_window;
}

::testing::AssertionResult SameColour(QRgb seen, QRgb expected, int tolerance)
{
    const int d = std::abs(qRed(seen) - qRed(expected)) + std::abs(qGreen(seen) - qGreen(expected)) +
                  std::abs(qBlue(seen) - qBlue(expected));
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "seen #" << (seen & 0xFFFFFF) << ", expected #"
                                         << (expected & 0xFFFFFF);
}

QPoint Middle(const Inf_button& b, const QImage& picture)
{
    return {b.left + picture.width() / 2, b.top + picture.height() / 2};
}

void MakeOffscreenGuiApplication()
{
    static int argc = 1;
    static char arg0[] = "e2e";
    static char* argv[] = {arg0, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QGuiApplication::instance())
        new QGuiApplication(argc, argv);
}
