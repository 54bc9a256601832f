// The copy of an installer's folder out of a disc image: a folder of 3000 small files copied with
// DiscCopies::Copy out of an ISO image (and out of the same image kept as raw 2352-byte sectors),
// against the same folder copied from a folder disc. Prints the image's time (target: under a
// second) and its ratio to the folder's. Making 3000 files costs what the file system asks, on
// any disc: the reading of the same files alone (every file of the folder opened and read whole)
// is measured apart.
#include <benchmark/benchmark.h>

#include <archive.h>
#include <archive_entry.h>

#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/DiscCopy.h"
#include "platform/DiscImage.h"
#include "support/ImageFormats.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 3000;

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
// subfolders of a hundred, as a folder and as an ISO image and a .bin/.cue of it.
void WriteDisc()
{
    archive* a = archive_write_new();
    archive_write_set_format_iso9660(a);
    archive_write_set_option(a, "iso9660", "pad", nullptr);
    if (archive_write_open_filename(a, (Work() / "disc.iso").c_str()) != ARCHIVE_OK)
        std::abort();
    for (int i = 0; i < kFiles; ++i) {
        const std::string rel = "Setup/part" + std::to_string(i / 100) + "/file" + std::to_string(i) + ".dat";
        const std::string data(static_cast<std::size_t>(200 + i * 37 % 4000), static_cast<char>('a' + i % 26));
        fs::create_directories((Work() / "disc" / rel).parent_path());
        std::ofstream(Work() / "disc" / rel, std::ios::binary) << data;
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

BENCHMARK(BM_ReadFromFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromIso)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromBinCue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromIso)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFromBinCue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenIso)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    WriteDisc();  // before anything is measured

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double folder = BestOf([] { CopySetup(*Folder()); }, 3);
    const double iso = BestOf([] { CopySetup(*Iso()); }, 3);
    const double cue = BestOf([] { CopySetup(*Cue()); }, 3);
    const double read_folder = BestOf([] { ReadAll(*Folder()); }, 5);
    const double read_iso = BestOf([] { ReadAll(*Iso()); }, 5);
    const double read_cue = BestOf([] { ReadAll(*Cue()); }, 5);
    std::printf("copy of a %d-file folder out of an ISO image: %.0f ms (target: under 1000 ms); "
                "/ from a folder: %.1fx; out of .bin/.cue: %.0f ms\n",
                kFiles, iso * 1000.0, iso / folder, cue * 1000.0);
    std::printf("reading its files alone: from the ISO image %.0f ms, from .bin/.cue %.0f ms; "
                "/ from a folder: %.1fx\n",
                read_iso * 1000.0, read_cue * 1000.0, read_iso / read_folder);
    std::error_code ec;
    fs::remove_all(Work(), ec);
    return 0;
}
