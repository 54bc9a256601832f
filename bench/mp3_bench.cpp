// Playing a three-minute mp3 as the menu plays a music track: a decoder-module player on the
// built-in module (the disc's graph\dll\elamp.esp being a Windows library), reading the file
// through FileInput's input events on the module's decoding thread and writing into the mixer's
// decoder ring, which is pulled with Mixer::Mix faster than real time until the module closes
// itself at the end. Against that: libmpg123 alone decoding the same file to the same format
// (44,100 Hz stereo 16-bit). Both are measured in CPU time of the whole process, since the
// decoding thread and the pulling thread both count. Two files: three minutes of generated
// silence (with an Info header), always; and a real file of ../shared/samples/mp3 repeated to
// three minutes, when that folder is there. Prints module and mixer / libmpg123 alone for each
// (target: at most 1.3x).
#include <benchmark/benchmark.h>

#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "demo/DemoFormats.h"
#include "disc/PathResolver.h"
#include "sound/ElSounds.h"
#include "sound/Mixer.h"
#include "sound/Mp3Module.h"

namespace {

namespace fs = std::filesystem;

constexpr char kSamplesFolder[] = "../shared/samples";
// A stereo CBR file of 2.784 s at 48,000 Hz without any length header, so that its copies can
// follow each other: each starts with a frame that borrows nothing from the one before.
constexpr char kSampleName[] = "mp3/exoplayer-bear-cbr-constant-frame-size-no-seek-table.mp3";
constexpr double kSampleSeconds = 2.784;
constexpr double kTrackSeconds = 180;

// CPU time of the whole process, in seconds.
double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Process CPU seconds taken by the cheapest of `runs` calls of `fn`.
template <typename Fn>
double BestCpuOf(Fn&& fn, int runs)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const double t0 = ProcessCpuSeconds();
        fn();
        best = std::min(best, ProcessCpuSeconds() - t0);
    }
    return best;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "mp3_bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

bool SamplesPresent()
{
    std::error_code ec;
    return fs::is_regular_file(std::string(kSamplesFolder) + "/" + kSampleName, ec);
}

// A disc folder of its own: the Windows decoder module (for which the built-in one stands in)
// and the three-minute files.
class BenchDisc {
public:
    BenchDisc()
    {
        std::string pattern = (fs::temp_directory_path() / "zul-mp3-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mp3_bench: mkdtemp");
            std::exit(1);
        }
        root_ = pattern;
        WriteBytes(root_ / "graph/dll/elamp.esp", std::string("MZ\x90\x00", 4));
        const int frames = static_cast<int>(kTrackSeconds * 44100 / 1152) + 1;
        WriteBytes(Silence(), SilentMp3(frames, 44100, Mp3LengthHeader::Info));
        if (SamplesPresent()) {
            // The copies without what comes before the first frame (zero bytes here).
            std::string one = ReadBytes(std::string(kSamplesFolder) + "/" + kSampleName);
            one.erase(0, std::min(one.find('\xFF'), one.size()));
            std::string track;
            for (double s = 0; s < kTrackSeconds; s += kSampleSeconds)
                track += one;
            WriteBytes(Sample(), track);
        }
    }
    ~BenchDisc()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    BenchDisc(const BenchDisc&) = delete;
    BenchDisc& operator=(const BenchDisc&) = delete;

    const fs::path& Root() const { return root_; }
    fs::path Silence() const { return root_ / "music/silence.mp3"; }
    fs::path Sample() const { return root_ / "music/sample.mp3"; }

private:
    fs::path root_;
};

// --- libmpg123 alone ---

// Decodes the whole file to 44,100 Hz stereo 16-bit, as the module has it decoded; the frames.
std::uint64_t DecodeAlone(const fs::path& file)
{
    int error = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &error);
    std::uint64_t frames = 0;
    if (mh != nullptr) {
        mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(mh);
        mpg123_format(mh, Mixer::kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (mpg123_open(mh, file.c_str()) == MPG123_OK) {
            std::vector<unsigned char> out(1152 * 4 * 4);
            for (;;) {
                size_t done = 0;
                const int rc = mpg123_read(mh, out.data(), out.size(), &done);
                frames += done / 4;
                benchmark::DoNotOptimize(out.data());
                if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
                    break;
            }
            mpg123_close(mh);
        }
        mpg123_delete(mh);
    }
    return frames;
}

// --- through the player, the module and the mixer ---

// Plays the whole file; the frames the mixer took out of the decoder ring.
std::uint64_t PlayThroughModule(const BenchDisc& disc, const fs::path& file)
{
    using namespace std::chrono_literals;
    Mixer mixer;
    SetMp3ModuleOutput(&mixer.DecoderRing(), [&mixer] { mixer.Clear(Mixer::Channel::Decoder); });
    std::uint64_t frames = 0;
    {
        const PathResolver resolver(disc.Root());
        TElPlayerMan man(&resolver);
        TElPlayer& p = man.Players().Add();
        PrepareModulePlayer(p);
        p.SetInputName(file.string());
        try {
            p.Open();
            p.InitStream();
            p.Play();
        } catch (const TElSException& e) {
            std::fprintf(stderr, "mp3_bench: the module does not play %s (error %d)\n", file.c_str(), e.Code());
            std::exit(1);
        }
        // Pulled as a device would, but without waiting for real time. The module refills the
        // ring in bursts of up to half a second; while it is empty the pull sleeps rather than
        // spins, so that its own idling is hardly counted.
        constexpr std::size_t kBlock = 1024;
        std::vector<std::int16_t> out(kBlock * Mixer::kChannels);
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        while (p.GetPlayerMode() != pmClosed) {
            const std::size_t waiting = mixer.DecoderRing().Available();
            if (waiting == 0) {
                if (std::chrono::steady_clock::now() > deadline) {
                    std::fprintf(stderr, "mp3_bench: the module did not reach the end of %s\n", file.c_str());
                    std::exit(1);
                }
                std::this_thread::sleep_for(5ms);
                continue;
            }
            mixer.Mix(out.data(), kBlock);
            frames += std::min(waiting, kBlock);
            benchmark::DoNotOptimize(out.data());
        }
    }
    SetMp3ModuleOutput(nullptr);
    return frames;
}

void BM_Libmpg123Alone(benchmark::State& state, const fs::path* file)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeAlone(*file));
}

void BM_ThroughModuleAndMixer(benchmark::State& state, const BenchDisc* disc, const fs::path* file)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlayThroughModule(*disc, *file));
}

void PrintRatio(const BenchDisc& disc, const fs::path& file, const char* what)
{
    const std::uint64_t decoded = DecodeAlone(file);
    const std::uint64_t played = PlayThroughModule(disc, file);
    const double alone = BestCpuOf([&] { DecodeAlone(file); }, 5);
    const double module = BestCpuOf([&] { PlayThroughModule(disc, file); }, 5);
    std::printf("mp3 through module and mixer / libmpg123 alone (%s, %.1f s): %.2fx (target: at most 1.3x)\n", what,
                static_cast<double>(decoded) / Mixer::kRate, module / alone);
    if (played + Mixer::kRate / 10 < decoded)
        std::printf("mp3_bench: the module played %llu frames of %llu\n", static_cast<unsigned long long>(played),
                    static_cast<unsigned long long>(decoded));
}

}  // namespace

int main(int argc, char** argv)
{
    const BenchDisc disc;
    const fs::path silence = disc.Silence();
    const fs::path sample = disc.Sample();
    const bool samples = SamplesPresent();
    benchmark::RegisterBenchmark("BM_Libmpg123Alone/silence", BM_Libmpg123Alone, &silence)
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_ThroughModuleAndMixer/silence", BM_ThroughModuleAndMixer, &disc, &silence)
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    if (samples) {
        benchmark::RegisterBenchmark("BM_Libmpg123Alone/sample", BM_Libmpg123Alone, &sample)
            ->MeasureProcessCPUTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_ThroughModuleAndMixer/sample", BM_ThroughModuleAndMixer, &disc, &sample)
            ->MeasureProcessCPUTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatio(disc, silence, "generated silence");
    if (samples)
        PrintRatio(disc, sample, "a sample repeated");
    else
        std::printf("mp3_bench: %s not found beside the repository: only the generated silence is measured\n",
                    kSamplesFolder);
    return 0;
}
