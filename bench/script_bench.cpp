// Parsing a large script against reading the same file line by line with the same stream and
// nothing else. Prints parse time / plain reading time (target: at most 2).
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "script/Synter.h"

namespace {

namespace fs = std::filesystem;

// A script of about `lines` lines in the shape of a real disc: a cd section, then tabs of subs
// of entries with several description lines, setups and pictures. CR LF line ends.
std::string MakeScript(int lines)
{
    std::string s;
    int n = 0;
    auto add = [&](const std::string& line) {
        s += line;
        s += "\r\n";
        ++n;
    };
    add("cd");
    add("image");
    add("pic = skin\\back.jpg");
    add("/image");
    add("title = Benchmark disc");
    add("size_title = Size:");
    add("/cd");
    int entry = 0;
    while (n < lines) {
        add("tab");
        add("button");
        add("normal_pic = skin\\tab.bmp");
        add("left = 10");
        add("top = 60");
        add("/button");
        for (int sub = 0; sub < 5 && n < lines; ++sub) {
            add("sub");
            add("button");
            add("normal_pic = skin\\sub.bmp");
            add("/button");
            add("grid_left = 160");
            for (int p = 0; p < 20 && n < lines; ++p, ++entry) {
                add("p");
                add("title = Program number " + std::to_string(entry));
                add("size = 12 MB");
                add("developer = Some Developer Ltd.");
                add("zhanr = Arcade");
                add("description = A line of description text that goes on for a while.");
                add("description = And a second line, as descriptions often have.");
                add("setup = soft\\prog" + std::to_string(entry) + "\\setup.exe");
                add("thumb = shots\\t" + std::to_string(entry) + ".jpg");
                add("pic = soft\\prog" + std::to_string(entry) + "\\big.jpg");
                add("url = http://example.com/" + std::to_string(entry));
                add("/p");
            }
            add("/sub");
        }
        add("/tab");
    }
    return s;
}

const fs::path& ScriptFile()
{
    static const fs::path path = [] {
        fs::path p = fs::temp_directory_path() / "zul-script-bench.dat";
        std::ofstream(p, std::ios::binary) << MakeScript(200000);
        return p;
    }();
    return path;
}

void ReadLines()
{
    ScriptStream stream(ScriptFile());
    std::string line;
    std::size_t lines = 0;
    for (;;) {
        const int c = stream.get();
        if (c < 0)
            break;
        if (c == '\n') {
            ++lines;
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    benchmark::DoNotOptimize(lines);
}

// Parses into `description`; the caller destroys it outside the measured time, since freeing
// the description is no part of reading the script.
void Parse(Inf_shell& description)
{
    Synter synter(ScriptFile());
    synter.parse(description);
    benchmark::DoNotOptimize(description.main_frame.tabs.size());
}

void BM_ReadLines(benchmark::State& state)
{
    for (auto _ : state)
        ReadLines();
}

void BM_Parse(benchmark::State& state)
{
    for (auto _ : state) {
        auto description = std::make_unique<Inf_shell>();
        Parse(*description);
        state.PauseTiming();
        description.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The ratio from the best of several runs of each, measured here in the same process.
    std::unique_ptr<Inf_shell> description;
    const double read = BestOf(ReadLines, 5);
    const double parse = BestOf([&] { Parse(*description); }, 5,
                                [&] { description = std::make_unique<Inf_shell>(); });
    std::printf("script parse / plain line reading: %.2fx (target: at most 2x)\n", parse / read);
    std::error_code ec;
    fs::remove(ScriptFile(), ec);
    return 0;
}
