// The disc on the web, on a big disc: make_demo_disc --big writes 300 entries with two thumbnails
// each (one language kept). On one core (the process is pinned to its first CPU):
//   - the export (zulcheck --site's start, drawing and writing) against the menu's own start on
//     the same disc (the disc started and its menu built, offscreen): target an export under 20 s;
//   - the site's bytes against those of the disc's graph folder and the disc files it copied
//     (target: at most 2x).
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
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
    std::error_code ec;
    fs::remove_all(SiteFolder(), ec);
    fs::remove_all(BigDisc(), ec);
    return 0;
}
