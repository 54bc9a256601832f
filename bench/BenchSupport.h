// Timing shared by the benchmarks: besides Google Benchmark's own table, each benchmark prints one
// ratio of two functions measured here, in the same process, as the best of several runs.
#pragma once

#include <algorithm>
#include <chrono>

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
