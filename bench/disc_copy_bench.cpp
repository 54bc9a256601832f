// The copy of an installer's folder out of a disc image: a folder of 4000 small files copied with
// DiscCopies::Copy out of an ISO image (out of the same image kept as raw 2352-byte sectors, and
// out of an image whose files zisofs packed), against the same folder copied from a folder disc.
// Making 4000 files costs what the file system asks, on any disc, so each image is measured by
// its ratio to the folder, the two copies timed in turn in the same rounds (target: at most 1.3x).
// The reading of the same files alone (every file of the folder opened and read whole) is
// measured apart.
//
// Also the peak memory of opening an image of one folder of a million empty files (44 MB), and
// of one just under the index's cap on entries, each in a process of its own (target: at most
// 300 MB whatever the image).
#include <benchmark/benchmark.h>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "disc/DiscCopy.h"
#include "disc/DiscImage.h"
#include "support/ImageFormats.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 4000;

const fs::path& Work()
{
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "zul-disc-copy-bench";
        fs::remove_all(p);
        fs::create_directories(p / "disc");
        return p;
    }();
    return path;
}

// The disc: an installer's folder of kFiles files of a few hundred bytes to a few KiB, in
// subfolders of a hundred, as a folder, as an ISO image and a .bin/.cue of it, and as an ISO
// image whose files zisofs packed.
void WriteIso(const fs::path& image, bool packed)
{
    archive* a = archive_write_new();
    archive_write_set_format_iso9660(a);
    archive_write_set_option(a, "iso9660", "pad", nullptr);
    if (packed)
        archive_write_set_option(a, "iso9660", "zisofs", "direct");
    if (archive_write_open_filename(a, image.c_str()) != ARCHIVE_OK)
        std::abort();
    for (int i = 0; i < kFiles; ++i) {
        const std::string rel = "Setup/part" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".dat";
        const std::string data(static_cast<std::size_t>(200 + i * 37 % 4000), static_cast<char>('a' + i % 26));
        if (!packed) {
            fs::create_directories((Work() / "disc" / rel).parent_path());
            std::ofstream(Work() / "disc" / rel, std::ios::binary) << data;
        }
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, rel.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(data.size()));
        if (archive_write_header(a, entry) != ARCHIVE_OK ||
            archive_write_data(a, data.data(), data.size()) != static_cast<la_ssize_t>(data.size()))
            std::abort();
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

void WriteDisc()
{
    WriteIso(Work() / "disc.iso", false);
    WriteIso(Work() / "packed.iso", true);
    std::ifstream in(Work() / "disc.iso", std::ios::binary);
    std::stringstream iso;
    iso << in.rdbuf();
    WriteImageAs(iso.str(), ImageFormat::kCueMode1, Work() / "disc");
}

void CopySetup(const DiscFs& disc)
{
    DiscCopies copies;
    CopyFailure failure;
    if (!copies.Copy(disc, disc.Root() / "Setup", failure)) {
        std::fprintf(stderr, "copy failed: %s\n", failure.text.c_str());
        std::abort();
    }
}

// Every file under the folder `folder` of `disc` opened and read whole.
void ReadAll(const DiscFs& disc, const fs::path& folder = "Setup")
{
    std::size_t bytes = 0;
    std::string buffer(64 * 1024, '\0');
    for (const std::string& name : disc.List(disc.Root() / folder)) {
        const fs::path path = folder / name;
        if (disc.Stat(disc.Root() / path).kind == DiscEntryKind::kFolder) {
            ReadAll(disc, path);
            continue;
        }
        const std::unique_ptr<DiscReader> reader = disc.Open(disc.Root() / path);
        if (!reader)
            std::abort();
        while (const std::size_t n = reader->Read(buffer.data(), buffer.size()))
            bytes += n;
    }
    benchmark::DoNotOptimize(bytes);
}

const std::shared_ptr<const DiscFs>& Folder()
{
    static const std::shared_ptr<const DiscFs> disc = FolderDiscFs(Work() / "disc");
    return disc;
}

const std::shared_ptr<const DiscFs>& Iso()
{
    static const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Work() / "disc.iso");
    return disc;
}

const std::shared_ptr<const DiscFs>& Cue()
{
    static const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Work() / "disc.cue");
    return disc;
}

const std::shared_ptr<const DiscFs>& Packed()
{
    static const std::shared_ptr<const DiscFs> disc = OpenDiscImage(Work() / "packed.iso");
    return disc;
}

void BM_CopyFromFolder(benchmark::State& state)
{
    for (auto _ : state)
        CopySetup(*Folder());
}

void BM_CopyFromIso(benchmark::State& state)
{
    for (auto _ : state)
        CopySetup(*Iso());
}

void BM_CopyFromBinCue(benchmark::State& state)
{
    for (auto _ : state)
        CopySetup(*Cue());
}

void BM_CopyFromZisofs(benchmark::State& state)
{
    for (auto _ : state)
        CopySetup(*Packed());
}

void BM_OpenIso(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenDiscImage(Work() / "disc.iso"));
}

void BM_ReadFromFolder(benchmark::State& state)
{
    for (auto _ : state)
        ReadAll(*Folder());
}

void BM_ReadFromIso(benchmark::State& state)
{
    for (auto _ : state)
        ReadAll(*Iso());
}

void BM_ReadFromBinCue(benchmark::State& state)
{
    for (auto _ : state)
        ReadAll(*Cue());
}

void BM_ReadFromZisofs(benchmark::State& state)
{
    for (auto _ : state)
        ReadAll(*Packed());
}

BENCHMARK(BM_ReadFromFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromIso)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromBinCue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromZisofs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromIso)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromBinCue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromZisofs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenIso)->Unit(benchmark::kMillisecond);

double Seconds(void (*fn)(const DiscFs&), const DiscFs& disc)
{
    const auto t0 = std::chrono::steady_clock::now();
    fn(disc);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The median over `rounds` of what `fn` takes on `disc` over what it takes on the folder disc,
// the two timed one after the other in each round, so that a change in the machine's load
// between rounds weighs on both.
double Ratio(void (*fn)(const DiscFs&), const DiscFs& disc, int rounds)
{
    std::vector<double> ratios;
    for (int i = 0; i < rounds; ++i) {
        const double folder = Seconds(fn, *Folder());
        ratios.push_back(Seconds(fn, disc) / folder);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

void Copy(const DiscFs& disc) { CopySetup(disc); }
void Read(const DiscFs& disc) { ReadAll(disc); }

// The peak resident memory of a process of its own that opens `image` (this program, run again
// with --open, which says it), and whether the image opened.
std::string PeakMemory(const fs::path& image)
{
    const std::string command = fs::read_symlink("/proc/self/exe").string() + " --open '" + image.string() + "'";
    std::FILE* child = popen(command.c_str(), "r");
    char said[128] = {};
    if (!child || !std::fgets(said, sizeof said, child) || pclose(child) == -1)
        std::abort();
    return std::string(said, strcspn(said, "\n"));
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0) {
        bool opened = true;
        try {
            OpenDiscImage(argv[2]);
        } catch (const DiscImageError&) {
            opened = false;
        }
        // The peak of this process's own memory (its high-water mark), in MB.
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmHWM:"))
                std::printf("%ld MB (%s)\n", std::atol(line.c_str() + 6) / 1024, opened ? "opened" : "refused");
        }
        return 0;
    }
    WriteDisc();  // before anything is measured

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("copy of a %d-file folder / from a folder (target: at most 1.3x): out of an ISO image %.2fx, "
                "out of .bin/.cue %.2fx, packed by zisofs %.2fx\n",
                kFiles, Ratio(Copy, *Iso(), 5), Ratio(Copy, *Cue(), 5), Ratio(Copy, *Packed(), 5));
    std::printf("reading its files alone / from a folder: out of an ISO image %.2fx, out of .bin/.cue %.2fx, "
                "packed by zisofs %.2fx\n",
                Ratio(Read, *Iso(), 5), Ratio(Read, *Cue(), 5), Ratio(Read, *Packed(), 5));
    WriteBytes(Work() / "million.iso", IsoOfOneBigFolder(1000000));
    WriteBytes(Work() / "under-cap.iso", IsoOfOneBigFolder(199990));
    std::printf("peak memory opening one folder of a million empty files: %s; of 199990: %s (target: at most 300 MB)\n",
                PeakMemory(Work() / "million.iso").c_str(), PeakMemory(Work() / "under-cap.iso").c_str());
    std::error_code ec;
    fs::remove_all(Work(), ec);
    return 0;
}
