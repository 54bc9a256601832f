// Reading the picture archive through ZipGrFile against a plain libunarr loop that reads every
// member of the same archive into memory. The archive (about 40 MB of picture-like bytes in a
// few hundred members, stored, RAR 4) is written by the RAR writer into the temporary folder.
// Prints ZipGrFile time / plain loop time (target: at most 1.1x) and ZipGrFile's peak memory
// against the archive's unpacked size (target: at most 1.2x).
//
// Memory is measured two ways, both around the first ZipGrFile construction of the run (before
// the plain loop or the timed runs have touched the heap):
// - counted: every C++ allocation goes through the replaced operator new/delete below, which
//   keep the live total and its peak (malloc_usable_size of each block, so the allocator's
//   rounding counts too); the member streams are C++ allocations, so this is the figure that
//   shows whether a member's bytes are ever held twice;
// - resident: the growth of the process's peak resident size (getrusage ru_maxrss), which also
//   sees the C libraries' own buffers.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include <malloc.h>
#include <sys/resource.h>
#include <unarr.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "archive/UnrarModule.h"
#include "archive/ZipGrFile.h"
#include "platform/Application.h"
#include "platform/LibraryLoader.h"
#include "rarwriter/RarWriter.h"

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

void Count(void* p)
{
    const size_t live = g_live += malloc_usable_size(p);
    size_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
}

}  // namespace

void* operator new(size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    Count(p);
    return p;
}

void operator delete(void* p) noexcept
{
    if (p != nullptr) {
        g_live -= malloc_usable_size(p);
        std::free(p);
    }
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

namespace {

namespace fs = std::filesystem;

constexpr int kMembers = 300;
constexpr size_t kMemberSize = 140 * 1024;  // 300 x 140 KiB = 41 MiB

// Bytes that do not compress, with a JPEG-like start, as a skin's pictures are.
std::string PictureBytes(int index)
{
    std::string bytes(kMemberSize, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ull * static_cast<uint64_t>(index + 1);
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x & 0xFF);
    }
    bytes.replace(0, 4, "\xFF\xD8\xFF\xE0");
    return bytes;
}

const fs::path& ArchiveFile()
{
    static const fs::path path = [] {
        fs::path p = fs::temp_directory_path() / "zul-archive-bench.dat";
        RarWriter writer(p);
        for (int i = 0; i < kMembers; ++i)
            writer.AddFile("skin\\pic" + std::to_string(i) + ".jpg", PictureBytes(i));
        writer.Finish();
        return p;
    }();
    return path;
}

size_t UnpackedSize()
{
    return static_cast<size_t>(kMembers) * kMemberSize;
}

void ReadWithZipGrFile()
{
    ConsoleApplication app;
    // The reading alone: no workers decoding ahead (start_bench measures those).
    ZipGrFile zip(app, MakeBuiltinLibrary(BuiltinUnrarEntryPoints()), ArchiveFile(), "graph\\shell.dat",
                  kMaxUnpackedBytes, 0);
    benchmark::DoNotOptimize(zip.Members().size());
}

// The plain loop: the library called directly, every member read whole into its own string.
void ReadWithLibunarr()
{
    ar_stream* stream = ar_open_file(ArchiveFile().c_str());
    ar_archive* archive = ar_open_rar_archive(stream);
    std::vector<std::string> members;
    while (ar_parse_entry(archive)) {
        std::string bytes(ar_entry_get_size(archive), '\0');
        if (!ar_entry_uncompress(archive, bytes.data(), bytes.size()))
            std::abort();
        members.push_back(std::move(bytes));
    }
    ar_close_archive(archive);
    ar_close(stream);
    benchmark::DoNotOptimize(members.size());
}

void BM_PlainLibunarrLoop(benchmark::State& state)
{
    for (auto _ : state)
        ReadWithLibunarr();
}

void BM_ZipGrFile(benchmark::State& state)
{
    for (auto _ : state)
        ReadWithZipGrFile();
}

BENCHMARK(BM_PlainLibunarrLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipGrFile)->Unit(benchmark::kMillisecond);

long MaxRssBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

}  // namespace

int main(int argc, char** argv)
{
    ArchiveFile();  // written before anything is measured

    const size_t live_before = g_live.load();
    g_peak = live_before;
    const long rss_before = MaxRssBytes();
    ReadWithZipGrFile();
    const double counted = static_cast<double>(g_peak.load() - live_before) / static_cast<double>(UnpackedSize());
    const double resident = static_cast<double>(MaxRssBytes() - rss_before) / static_cast<double>(UnpackedSize());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double plain = BestOf(ReadWithLibunarr, 5);
    const double zip = BestOf(ReadWithZipGrFile, 5);
    std::printf("ZipGrFile / plain libunarr loop: %.2fx (target: at most 1.1x)\n", zip / plain);
    std::printf("ZipGrFile peak memory / unpacked size: %.2fx counted, %.2fx resident (target: at most 1.2x)\n",
                counted, resident);
    std::error_code ec;
    fs::remove(ArchiveFile(), ec);
    return 0;
}
