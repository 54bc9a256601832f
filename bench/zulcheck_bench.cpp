// zulcheck DISC_ROOT on the demo disc: the whole check (both scripts, the picture archive and every
// picture, sound, track, cursor and wallpaper they name) against reading every file of the disc
// whole into memory, which any check has to do at least. The demo disc is written by
// make_demo_disc into the temporary folder. Prints the check's time (target: well under a second)
// and its ratio to the plain reading.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "disc/Files.h"
#include "zulcheck/Check.h"


namespace {

namespace fs = std::filesystem;

const fs::path& DemoDisc()
{
    static const fs::path path = WriteDemoDisc("zul-zulcheck-bench", ZUL_BINARY_DIR "/tools/make_demo_disc");
    return path;
}

void Check()
{
    const CheckReport report = CheckDisc(DemoDisc());
    if (report.HasErrors())
        std::abort();
    benchmark::DoNotOptimize(report.findings.size());
}

// Every regular file of the disc read whole.
void ReadFiles()
{
    std::size_t bytes = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(DemoDisc()))
        if (entry.is_regular_file())
            if (const std::optional<std::string> content = ReadWholeFile(entry.path()))
                bytes += content->size();
    benchmark::DoNotOptimize(bytes);
}

void BM_ReadDiscFiles(benchmark::State& state)
{
    for (auto _ : state)
        ReadFiles();
}

void BM_CheckDemoDisc(benchmark::State& state)
{
    for (auto _ : state)
        Check();
}

BENCHMARK(BM_ReadDiscFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckDemoDisc)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    DemoDisc();  // written before anything is measured

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double read = BestOf(ReadFiles, 5);
    const double check = BestOf(Check, 5);
    std::printf("zulcheck on the demo disc: %.0f ms (target: well under 1000 ms); / reading its files: %.1fx\n",
                check * 1000.0, check / read);
    std::error_code ec;
    fs::remove_all(DemoDisc(), ec);
    return 0;
}
