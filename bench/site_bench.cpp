// The disc on the web, on a big disc: make_demo_disc --big writes 300 entries with two thumbnails
// each (one language kept). On one core (the process is pinned to its first CPU):
//   - the export (zulcheck --site's start, drawing and writing) against the menu's own start on
//     the same disc (the disc started and its menu built, offscreen): target an export under 20 s;
//   - the site's bytes against those of the disc's graph folder and the disc files it copied
//     (target: at most 2x);
//   - the first screen: the bytes the page needs before it shows its first state (target: under
//     3 MB), and, where Chromium, chromedriver and Selenium are installed, the time to it from a
//     local web server in headless Chromium against the menu's own start (target: under 1 s).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "BenchSupport.h"

#include <sched.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <iostream>
#include <set>
#include <string>
#include <system_error>

#include "site/SiteExport.h"
#include "zulcheck/SiteStart.h"

namespace {

namespace fs = std::filesystem;

fs::path BigDisc()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "zul-site-bench-disc";
        std::error_code ec;
        fs::remove_all(d, ec);
        const std::string command =
            std::string(ZUL_BINARY_DIR "/tools/make_demo_disc ") + d.string() + " --big 300 > /dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "make_demo_disc --big failed\n");
            std::exit(1);
        }
        fs::remove(d / "graph" / "image_lit.dat", ec);
        return d;
    }();
    return dir;
}

fs::path SiteFolder()
{
    return fs::temp_directory_path() / "zul-site-bench-site";
}

void Start()
{
    if (WithSiteMenu(BigDisc().string(), std::cerr, [](OffscreenMenu&, const Inf_shell&) { return 0; }) != 0)
        std::exit(1);
}

void Export()
{
    std::error_code ec;
    fs::remove_all(SiteFolder(), ec);
    const int status = WithSiteMenu(BigDisc().string(), std::cerr, [](OffscreenMenu& menu, const Inf_shell& d) {
        const std::string error = WriteWholeSite(SiteFolder(), false, [&](const fs::path& folder) {
            WriteSite(menu, d, folder);
        });
        return error.empty() ? 0 : 1;
    });
    if (status != 0)
        std::exit(1);
}

std::uintmax_t Bytes(const fs::path& folder)
{
    std::uintmax_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            total += it->file_size(ec);
    return total;
}

// What the page fetches before its first state shows: the page, its script, style and data, its
// icon, and the pictures of the first state's layers (with the hover, pressed and selected looks
// the page puts in with them, a banner's first advertisement), of the splash, the wallpaper and
// the cursors.
std::uintmax_t FirstScreenBytes(const fs::path& site)
{
    QFile file(QString::fromStdString((site / "data.js").string()));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    QByteArray data = file.readAll();
    data = data.mid(data.indexOf('{'), data.lastIndexOf('}') - data.indexOf('{') + 1);
    const QJsonObject menu = QJsonDocument::fromJson(data).object();
    std::set<QString> files{"index.html", "site.js", "site.css", "data.js", "icon.png"};
    const bool subs = !menu["tabs"][0]["subs"].toArray().isEmpty();
    const QJsonArray layers = menu["layers"].toArray();
    for (const QJsonValue id : menu["scenes"][subs ? "0,0,0,0" : "0,-1,0,0"].toArray()) {
        const QJsonObject layer = layers[id.toInt()].toObject();
        for (const char* look : {"img", "over", "down", "sel"})
            if (layer[look].isString())
                files.insert(layer[look].toString());
        if (layer["banner"].isDouble())
            files.insert(menu["banners"][layer["banner"].toInt()]["ads"][0]["img"].toString());
    }
    // The splash's first frame, and the largest picture of the first wallpaper folder (the page
    // picks one at random).
    if (menu["splash"]["frames"][0].isString())
        files.insert(menu["splash"]["frames"][0].toString());
    QString wallpaper;
    std::uintmax_t largest = 0;
    for (const QJsonValue picture : menu["wallpaper"]["folders"][0].toArray()) {
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(site / picture["img"].toString().toStdString(), ec);
        if (!ec && size >= largest) {
            largest = size;
            wallpaper = picture["img"].toString();
        }
    }
    if (!wallpaper.isEmpty())
        files.insert(wallpaper);
    for (const char* cursor : {"main", "link"})
        if (menu["cursors"][cursor]["img"].isString())
            files.insert(menu["cursors"][cursor]["img"].toString());
    std::uintmax_t total = 0;
    std::error_code ec;
    for (const QString& name : files) {
        const std::uintmax_t size = fs::file_size(site / name.toStdString(), ec);
        total += ec ? 0 : size;
    }
    return total;
}

// The first screen in headless Chromium from a local web server: milliseconds to the first paint
// and to the first state shown, and the bytes fetched by then; nothing without a browser.
std::optional<std::array<double, 3>> BrowserFirstScreen(const fs::path& site)
{
    // A reader's browser has every core of the machine: the pinning of the export is undone for it.
    cpu_set_t pinned;
    sched_getaffinity(0, sizeof pinned, &pinned);
    cpu_set_t all;
    CPU_ZERO(&all);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        CPU_SET(cpu, &all);
    sched_setaffinity(0, sizeof all, &all);
    const std::string command = "/usr/bin/python3 " ZUL_SOURCE_DIR "/bench/site_first_screen.py " + site.string();
    FILE* pipe = popen(command.c_str(), "r");
    std::array<double, 3> measured{};
    const int read = pipe == nullptr ? 0 : std::fscanf(pipe, "%lf %lf %lf", &measured[0], &measured[1], &measured[2]);
    const bool ended = pipe != nullptr && pclose(pipe) == 0;
    sched_setaffinity(0, sizeof pinned, &pinned);
    if (!ended || read != 3)
        return std::nullopt;
    return measured;
}

void BM_Start(benchmark::State& state)
{
    for (auto _ : state)
        Start();
}

void BM_Export(benchmark::State& state)
{
    for (auto _ : state)
        Export();
}

BENCHMARK(BM_Start)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    sched_setaffinity(0, sizeof one, &one);
    BigDisc();  // written before anything is measured

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double start = BestOf(Start, 2);
    const double exported = BestOf(Export, 2);
    std::printf("site export of a 300-entry disc on one core: %.1f s (target: under 20 s); / the menu's start: %.1fx\n",
                exported, exported / start);
    const auto site = static_cast<double>(Bytes(SiteFolder()));
    const auto copied = static_cast<double>(Bytes(SiteFolder() / "disc"));
    const auto graph = static_cast<double>(Bytes(BigDisc() / "graph"));
    std::printf("site size: %.1f MB / (graph folder %.1f MB + disc files copied %.1f MB): %.2fx (target: at most 2x)\n",
                site / 1e6, graph / 1e6, copied / 1e6, site / (graph + copied));
    std::printf("first screen: %.2f MB before it shows (target: under 3 MB)\n",
                static_cast<double>(FirstScreenBytes(SiteFolder())) / 1e6);
    if (const auto browser = BrowserFirstScreen(SiteFolder()))
        std::printf("first screen in headless Chromium from a local server: first paint %.0f ms, shown %.0f ms "
                    "(target: under 1 s) with %.2f MB fetched; / the menu's start: %.2fx\n",
                    (*browser)[0], (*browser)[1], (*browser)[2] / 1e6, (*browser)[1] / 1000 / start);
    else
        std::printf("first screen in a browser: SKIPPED (Chromium, chromedriver or Selenium missing; see above)\n");
    std::error_code ec;
    fs::remove_all(SiteFolder(), ec);
    fs::remove_all(BigDisc(), ec);
    return 0;
}
