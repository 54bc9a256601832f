// The start of a big disc: reading the picture archive and taking every picture the build asks
// for, in the build's order, the way the program does (the archive read in the background, its
// workers decoding ahead; the skin's pictures loaded, the thumbnails only checked and the first
// view's shown), against unpacking the same archive and decoding the same pictures on one thread.
// The disc (about 300 entries with two thumbnails each, their covers, the skin's backgrounds and
// buttons: about 40 MB of archive, pictures with photo-like grain so that they do not compress to
// nothing) is written by the RAR writer into the temporary folder.
//
// Prints start / single-threaded unpack and decode (target: at most 0.75x on 2 cores) and the
// peak memory of each against the archive's unpacked size (target: at most 1.3x). Memory is the
// growth of the process's peak resident size (VmHWM, reset through /proc/self/clear_refs before
// each measured run), with the loaded pictures dropped as soon as they are taken, as the build
// does once it has copied them: what is left is what the archive itself holds.
//
// Then the whole program: make_demo_disc --big writes a disc of 300 entries (one language kept,
// so that no language dialog waits for a person), and zulshell is started on it in a private
// Xvfb; the time from starting the process until its main window is visible (polled through
// Xlib) is put against unpacking that disc's archive and decoding its pictures on one thread
// here, and the program's peak resident size at that moment against the unpacked size.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <malloc.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "archive/DecodePool.h"
#include "archive/UnrarModule.h"
#include "archive/ZipGrFile.h"
#include "demo/DemoFormats.h"
#include "platform/Application.h"
#include "platform/LibraryLoader.h"
#include "rarwriter/RarWriter.h"
#include "X11Session.h"

#include <X11/Xlib.h>

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 300;
constexpr int kThumbsPerEntry = 2;
constexpr int kThumbW = 400, kThumbH = 300;

// A photo-like picture: a lit gradient, a few soft shapes and sensor grain.
QImage Photo(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    const int r0 = static_cast<int>(random() % 200), g0 = static_cast<int>(random() % 200),
              b0 = static_cast<int>(random() % 200);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double light = 0.6 + 0.4 * std::sin(x * 0.02 + seed) * std::cos(y * 0.015);
            row[x] = qRgb(static_cast<int>(r0 * light) & 0xFF, static_cast<int>(g0 * light + y / 8) & 0xFF,
                          static_cast<int>(b0 * light + x / 10) & 0xFF);
        }
    }
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 12; ++i) {
            painter.setBrush(QColor(static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                                    static_cast<int>(random() % 256), 160));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(static_cast<int>(random() % static_cast<unsigned>(width)),
                                static_cast<int>(random() % static_cast<unsigned>(height)), width / 4, height / 5);
        }
    }
    std::normal_distribution<double> grain(0.0, 14.0);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(grain(random));
            auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
            row[x] = qRgb(clamp(qRed(row[x]) + n), clamp(qGreen(row[x]) + n), clamp(qBlue(row[x]) + n));
        }
    }
    return image;
}

// A picture of the build: loaded, or only checked (a thumbnail, shown later).
struct Asked {
    std::string name;
    bool checked = false;
};

struct Disc {
    fs::path root;     // graph\dll\unrar.dll and graph\shell.dat
    fs::path archive;  // graph\shell.dat
    std::vector<Asked> build_order;  // every picture of the build, in order
    std::size_t unpacked = 0;
};

// The members in the archive's order (a RAR tool adds a folder tree sorted); the build asks for
// the skin's pictures first, then each entry's thumbnails and cover in the catalogue's order.
const Disc& BigDisc()
{
    static const Disc disc = [] {
        Disc d;
        d.root = fs::temp_directory_path() / "zul-start-bench";
        d.archive = d.root / "graph" / "shell.dat";
        fs::remove_all(d.root);
        fs::create_directories(d.root / "graph" / "dll");
        std::ofstream(d.root / "graph" / "dll" / "unrar.dll", std::ios::binary) << "MZ";  // the built-in module stands in
        RarWriter writer(d.archive);
        auto add = [&](const std::string& name, const std::string& bytes) {
            writer.AddFile(name, bytes);
            d.unpacked += bytes.size();
        };
        unsigned seed = 1;
        for (int i = 0; i < 4; ++i) {
            const std::string name = "back" + std::to_string(i) + ".jpg";
            add(name, EncodedPicture(Photo(800, 600, seed++), "JPG", 90));
            d.build_order.push_back({name});
        }
        for (int i = 0; i < 20; ++i)
            for (const char* state : {"n", "h", "d"}) {
                const std::string name = "btn\\b" + std::to_string(i) + state + (i % 2 ? ".gif" : ".bmp");
                const QImage picture = Photo(96, 32, seed++);
                add(name, i % 2 ? GifFile({picture}) : EncodedPicture(picture, "BMP"));
                d.build_order.push_back({name});
            }
        for (int e = 0; e < kEntries; ++e) {
            char id[16];
            std::snprintf(id, sizeof id, "e%03d", e);
            for (int k = 1; k <= kThumbsPerEntry; ++k) {
                const std::string name = std::string("shots\\") + id + "_" + std::to_string(k) + ".jpg";
                add(name, EncodedPicture(Photo(kThumbW, kThumbH, seed++), "JPG", 92));
                d.build_order.push_back({name, true});
            }
        }
        // The tab buttons are asked for again by the panels.
        for (int i = 0; i < 6; ++i)
            d.build_order.push_back({"btn\\b" + std::to_string(i) + "n" + (i % 2 ? ".gif" : ".bmp")});
        writer.Finish();
        return d;
    }();
    return disc;
}

std::uint64_t g_sink = 0;

// Reads the archive and decodes every picture of the build on this thread.
void SingleThreaded()
{
    ConsoleApplication app;
    ZipGrFile zip(app, MakeBuiltinLibrary(BuiltinUnrarEntryPoints()), BigDisc().archive, "graph\\shell.dat",
                  kMaxUnpackedBytes, 0);
    for (const Asked& asked : BigDisc().build_order) {
        const std::unique_ptr<Picture> picture = zip.LoadPicture(asked.name);
        g_sink += static_cast<std::uint64_t>(picture->Width()) + picture->Image().pixel(0, 0);
    }
    zip.Close();
}

// The thumbnails the first view shows at once (its first rows, as the list's keys pass over them).
constexpr int kShownAtOnce = 4;

// The program's way: the archive read in the background while `workers` decode ahead, the skin's
// pictures taken, the thumbnails checked and those of the first view shown.
void Start(int workers, std::size_t* peak_waiting = nullptr)
{
    ConsoleApplication app;
    const std::unique_ptr<ZipGrFile> zip = ZipGrFile::ReadInBackground(app, PathResolver(BigDisc().root), workers);
    std::vector<CheckedPicture> thumbnails;
    for (const Asked& asked : BigDisc().build_order) {
        if (asked.checked) {
            thumbnails.push_back(zip->CheckPicture(asked.name));
            continue;
        }
        const std::unique_ptr<Picture> picture = zip->LoadPicture(asked.name);
        g_sink += static_cast<std::uint64_t>(picture->Width()) + picture->Image().pixel(0, 0);
    }
    for (int i = 0; i < kShownAtOnce && i < static_cast<int>(thumbnails.size()); ++i)
        g_sink += thumbnails[static_cast<std::size_t>(i)].Image().pixel(0, 0);
    if (peak_waiting != nullptr && zip->Decoding() != nullptr)
        *peak_waiting = zip->Decoding()->PeakWaitingBytes();
    zip->Close();
}

void DecodingAhead()
{
    Start(kDecodeWorkersOfMachine);
}

long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

// The growth of the peak resident size over the resident size before `fn`, in bytes; -1 when the
// peak cannot be reset.
template <typename Fn>
double PeakGrowth(Fn&& fn)
{
    malloc_trim(0);
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        if (!clear.flush())
            return -1;
    }
    const long before = StatusKb("VmRSS");
    fn();
    return static_cast<double>(StatusKb("VmHWM") - before) * 1024.0;
}

void BM_SingleThreadedUnpackAndDecode(benchmark::State& state)
{
    for (auto _ : state)
        SingleThreaded();
}

void BM_StartDecodingAhead(benchmark::State& state)
{
    for (auto _ : state)
        DecodingAhead();
}

// ---- the whole program

// The big disc as the menu reads it; empty when it cannot be written.
fs::path BigMenuDisc()
{
    const fs::path dir = fs::temp_directory_path() / "zul-start-bench-disc";
    std::error_code ec;
    fs::remove_all(dir, ec);
    const std::string command =
        std::string(ZUL_BINARY_DIR "/tools/make_demo_disc ") + dir.string() + " --big 300 > /dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    fs::remove(dir / "graph" / "image_lit.dat", ec);
    return dir;
}

// Every picture member of the disc's archive, unpacked and decoded on this thread.
void UnpackAndDecodeMenuDisc(const fs::path& disc)
{
    ConsoleApplication app;
    ZipGrFile zip(app, MakeBuiltinLibrary(BuiltinUnrarEntryPoints()), disc / "graph" / "shell.dat",
                  "graph\\shell.dat", kMaxUnpackedBytes, 0);
    for (const auto& [name, stream] : zip.Members())
        if (MakePicture(name) != nullptr)
            g_sink += static_cast<std::uint64_t>(zip.LoadPicture(name)->Width());
    zip.Close();
}

std::size_t MenuDiscUnpackedSize(const fs::path& disc)
{
    ConsoleApplication app;
    ZipGrFile zip(app, MakeBuiltinLibrary(BuiltinUnrarEntryPoints()), disc / "graph" / "shell.dat",
                  "graph\\shell.dat", kMaxUnpackedBytes, 0);
    std::size_t size = 0;
    for (const auto& [name, stream] : zip.Members())
        size += stream->Size();
    return size;
}

// True when a mapped top-level window of the skin's size (648 x 511) is on `display`. Asked
// through one connection of our own: a poll costs a round trip or two, where starting a tool for
// each poll would take the CPU the program under measurement needs.
bool MainWindowVisible(Display* display)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0)
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) != 0)
            found = attributes.map_state == IsViewable && attributes.width == 648 && attributes.height == 511;
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

// Seconds from starting zulshell to its main window (the skin's 648 x 511) being visible, and
// the program's peak resident size then; a negative time when the window did not come.
double StartToMainWindow(const X11Session& x, const fs::path& disc, long* peak_kb)
{
    // The program is alone on its display, which has no window manager: any mapped top-level
    // window of the skin's size is its own main window.
    Display* display = XOpenDisplay(x.display().c_str());
    if (display == nullptr) {
        std::fprintf(stderr, "start_bench: cannot open display %s\n", x.display().c_str());
        return -1;
    }
    const auto t0 = std::chrono::steady_clock::now();
    RunningProgram menu(ZUL_BINARY_DIR "/src/app/zulshell", {}, disc.string(), x.display(),
                        {"SDL_AUDIODRIVER=dummy"});
    double seconds = -1;
    while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(60)) {
        if (MainWindowVisible(display)) {
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            std::ifstream status("/proc/" + std::to_string(menu.Pid()) + "/status");
            std::string line;
            while (std::getline(status, line))
                if (line.rfind("VmHWM:", 0) == 0)
                    *peak_kb = std::stol(line.substr(6));
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    XCloseDisplay(display);
    if (seconds < 0)
        std::fprintf(stderr, "start_bench: no main window: %s\n", menu.Stderr().c_str());
    return seconds;
}

void WholeProgram()
{
    if (std::system("command -v Xvfb > /dev/null") != 0) {
        std::printf("whole program: skipped (Xvfb is needed)\n");
        return;
    }
    const fs::path disc = BigMenuDisc();
    if (disc.empty()) {
        std::printf("whole program: skipped (make_demo_disc --big failed)\n");
        return;
    }
    const double unpacked = static_cast<double>(MenuDiscUnpackedSize(disc));
    const double alone = BestOf([&] { UnpackAndDecodeMenuDisc(disc); }, 5);
    double start = 1e300;
    long peak_kb = 0;
    {
        X11Session x;
        for (int run = 0; run < 5; ++run) {
            long peak = 0;
            const double seconds = StartToMainWindow(x, disc, &peak);
            if (seconds < 0)
                break;
            if (seconds < start) {
                start = seconds;
                peak_kb = peak;
            }
        }
    }
    std::error_code ec;
    fs::remove_all(disc, ec);
    if (start > 1e299) {
        std::printf("whole program: the main window did not come\n");
        return;
    }
    std::printf("whole program, big disc (%.1f MB unpacked): start to main window %.0f ms; "
                "single-threaded unpack and decode %.0f ms\n",
                unpacked / 1e6, start * 1e3, alone * 1e3);
    std::printf("start to main window / single-threaded unpack and decode: %.2fx (goal at most 0.75x on 2 cores)\n",
                start / alone);
    std::printf("program peak memory / unpacked size: %.2fx (%.0f MB; the whole program: Qt, fonts, sound, "
                "every element's pictures)\n",
                static_cast<double>(peak_kb) * 1024.0 / unpacked, static_cast<double>(peak_kb) / 1024.0);
}

BENCHMARK(BM_SingleThreadedUnpackAndDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_StartDecodingAhead)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    const Disc& disc = BigDisc();  // written before anything is measured
    const double unpacked = static_cast<double>(disc.unpacked);
    std::printf("disc: %d entries, %zu pictures asked, archive %.1f MB unpacked, %u workers\n", kEntries,
                disc.build_order.size(), unpacked / 1e6, DecodePool::MachineWorkers());

    std::size_t peak_waiting = 0;
    const double memory_alone = PeakGrowth(SingleThreaded);
    const double memory_ahead = PeakGrowth([&] { Start(kDecodeWorkersOfMachine, &peak_waiting); });

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double alone = BestOf(SingleThreaded, 5);
    const double ahead = BestOf(DecodingAhead, 5);
    std::printf("single-threaded unpack and decode: %.0f ms; start decoding ahead: %.0f ms\n", alone * 1e3,
                ahead * 1e3);
    std::printf("start / single-threaded unpack and decode: %.2fx (goal at most 0.75x on 2 cores)\n", ahead / alone);
    if (memory_ahead < 0) {
        std::printf("peak memory: not measured (/proc/self/clear_refs cannot be written)\n");
    } else {
        std::printf("start peak memory / unpacked size: %.2fx (goal at most 1.3x); single-threaded: %.2fx; "
                    "decoded pictures waiting at most: %.2fx\n",
                    memory_ahead / unpacked, memory_alone / unpacked, static_cast<double>(peak_waiting) / unpacked);
    }
    std::error_code ec;
    fs::remove_all(disc.root, ec);

    WholeProgram();
    return g_sink == 42 ? 1 : 0;
}
