// Timing shared by the benchmarks: besides Google Benchmark's own table, each benchmark prints one
// ratio of two functions measured here, in the same process, as the best of several runs.
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

// Seconds taken by the fastest of `runs` calls of `fn`; `prepare` runs before each call, untimed.
template <typename Fn, typename Prepare>
double BestOf(Fn&& fn, int runs, Prepare&& prepare)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

template <typename Fn>
double BestOf(Fn&& fn, int runs)
{
    return BestOf(fn, runs, [] {});
}

// The demo disc written afresh into `folder` (under the temporary folder) by the build's
// make_demo_disc (the benchmark defines ZUL_BINARY_DIR); the process ends if that fails.
inline std::filesystem::path WriteDemoDisc(const std::string& folder, const std::string& maker)
{
    const std::filesystem::path p = std::filesystem::temp_directory_path() / folder;
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    const std::string target = p.string();
    std::vector<char*> argv = {const_cast<char*>(maker.c_str()), const_cast<char*>(target.c_str()), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, maker.c_str(), nullptr, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "make_demo_disc failed\n");
        std::exit(1);
    }
    return p;
}
