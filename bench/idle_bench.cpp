// The menu left open: zulshell on the demo disc (written by make_demo_disc, without the language
// picture so that no language dialog comes) in a private Xvfb, with SDL's dummy audio driver so
// that the audio device is there. After the splash the music tab is opened (its clock runs,
// nothing plays; both banners and the wallpaper change on their timers) and the program's CPU
// time (user and system, from /proc) is read over 30 s (ZUL_IDLE_SECONDS sets another length),
// from when the audio device has closed after the tab's click sound. Prints it as a share of one
// core and against the target of 1%, how long the device took to close, the wake-ups per second
// of each of its threads (voluntary context switches, from /proc; SDL's audio thread under one
// name, whichever device it served) and, as the baseline measured in the same run over the same
// seconds, the CPU of the X server that shows the menu.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "X11Session.h"
#include "sound/AudioOutput.h"


namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The demo disc's main window, and its music tab's button (the third down the side panel).
constexpr int kWindowWidth = 648;
constexpr int kWindowHeight = 511;
constexpr int kMusicTabX = 7 + 20;
constexpr int kMusicTabY = 180 + 10;

int IdleSeconds()
{
    const char* text = std::getenv("ZUL_IDLE_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 30;
}

fs::path MakeDemoDisc()
{
    const fs::path p = WriteDemoDisc("zul-idle-bench", ZUL_BINARY_DIR "/tools/make_demo_disc");
    fs::remove(p / "graph" / "image_lit.dat");
    return p;
}

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// utime + stime of a process or thread, in clock ticks (fields 14 and 15 of its stat line).
long long CpuTicks(const fs::path& stat_file)
{
    const std::string stat = Slurp(stat_file);
    const std::size_t end_of_name = stat.rfind(')');
    if (end_of_name == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(end_of_name + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoll(field);
        if (i == 15)
            stime = std::stoll(field);
    }
    return utime + stime;
}

long long VoluntarySwitches(const fs::path& status_file)
{
    std::istringstream lines(Slurp(status_file));
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stoll(line.substr(line.find(':') + 1));
    return 0;
}

// The voluntary context switches (wake-ups after a wait) of each thread seen, from the first
// sample that saw it (0 for a thread born after the first sample) to the last.
struct ThreadWakeups {
    std::string name;
    long long first = 0;
    long long last = 0;
};

// Samples every thread of `pid`: SDL's audio thread comes and goes with the device, so the
// threads are sampled through the measure, not only at its ends.
void SampleThreads(pid_t pid, std::map<std::string, ThreadWakeups>& threads, bool first_sample)
{
    std::error_code ec;
    for (const fs::directory_entry& task : fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec)) {
        std::string name = Slurp(task.path() / "comm");
        if (!name.empty() && name.back() == '\n')
            name.pop_back();
        const long long count = VoluntarySwitches(task.path() / "status");
        const auto [it, added] = threads.try_emplace(task.path().filename().string(),
                                                      ThreadWakeups{name, first_sample ? count : 0, count});
        if (!added)
            it->second.last = count;
    }
}

// How many of a process's threads are SDL's audio threads (one while the device is open).
int AudioThreads(pid_t pid)
{
    int count = 0;
    std::error_code ec;
    for (const fs::directory_entry& task : fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec))
        count += Slurp(task.path() / "comm").rfind("SDLAudio", 0) == 0 ? 1 : 0;
    return count;
}

bool IsAudioThread(const std::string& name)
{
    return name.rfind("SDLAudio", 0) == 0;
}

struct Idle {
    double seconds = 0;
    double menu_share = 0;    // of one core
    double server_share = 0;  // of one core
    double audio_closed_after = -1;  // seconds from the music tab's click; -1: it stayed open
    std::map<std::string, double> wakeups_per_second;
    bool ok = false;
};

Idle MeasureIdle(const fs::path& disc, int seconds)
{
    Idle idle;
    X11Session x(1024, 768);
    RunningProgram menu(ZUL_BINARY_DIR "/src/app/zulshell", {}, disc.string(), x.display(),
                        {"SDL_AUDIODRIVER=dummy"});
    const auto started = std::chrono::steady_clock::now();
    std::string window;
    while (window.empty() && std::chrono::steady_clock::now() < started + 30s) {
        for (const std::string& w : x.WaitForWindows(".", 1s))
            if (x.Geometry(w).size() == QSize(kWindowWidth, kWindowHeight))
                window = w;
    }
    if (window.empty()) {
        std::fprintf(stderr, "the menu did not come up: %s\n", menu.Stderr().c_str());
        return idle;
    }
    // The splash goes five seconds after it came; then the music tab (its click sound opens the
    // device), and the mouse out of the way. The measure starts once the device has closed again
    // (or after 15 s), and no sooner than two seconds after the click.
    std::this_thread::sleep_until(started + 7s);
    const QPoint origin = x.Geometry(window).topLeft();
    x.Click(origin.x() + kMusicTabX, origin.y() + kMusicTabY);
    const auto clicked = std::chrono::steady_clock::now();
    x.MoveMouse(1023, 767);
    std::this_thread::sleep_for(2s);
    while (AudioThreads(menu.Pid()) > 0 && std::chrono::steady_clock::now() < clicked + 15s)
        std::this_thread::sleep_for(100ms);
    if (AudioThreads(menu.Pid()) == 0)
        idle.audio_closed_after = std::chrono::duration<double>(std::chrono::steady_clock::now() - clicked).count();

    const fs::path proc = fs::path("/proc") / std::to_string(menu.Pid());
    const fs::path server = fs::path("/proc") / std::to_string(x.ServerPid());
    const long long menu_before = CpuTicks(proc / "stat");
    const long long server_before = CpuTicks(server / "stat");
    std::map<std::string, ThreadWakeups> threads;
    SampleThreads(menu.Pid(), threads, true);
    const auto t0 = std::chrono::steady_clock::now();
    for (const auto until = t0 + std::chrono::seconds(seconds); std::chrono::steady_clock::now() < until;) {
        std::this_thread::sleep_until(std::min(until, std::chrono::steady_clock::now() + 1s));
        SampleThreads(menu.Pid(), threads, false);
    }
    const long long menu_after = CpuTicks(proc / "stat");
    const long long server_after = CpuTicks(server / "stat");
    idle.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    const double ticks_per_second = static_cast<double>(sysconf(_SC_CLK_TCK));
    idle.menu_share = static_cast<double>(menu_after - menu_before) / ticks_per_second / idle.seconds;
    idle.server_share = static_cast<double>(server_after - server_before) / ticks_per_second / idle.seconds;
    idle.wakeups_per_second["SDLAudio (the audio thread)"] = 0;
    for (const auto& [tid, thread] : threads) {
        const std::string name = IsAudioThread(thread.name) ? "SDLAudio (the audio thread)" : thread.name;
        idle.wakeups_per_second[name] += static_cast<double>(thread.last - thread.first) / idle.seconds;
    }
    idle.ok = menu.WaitForExit(0ms) == std::nullopt;  // still running: the measure stands
    if (!idle.ok)
        std::fprintf(stderr, "the menu ended while measured: %s\n", menu.Stderr().c_str());
    return idle;
}

Idle& Result()
{
    static Idle result;
    return result;
}

void BM_MenuLeftOpen(benchmark::State& state)
{
    const fs::path disc = MakeDemoDisc();
    for (auto _ : state) {
        Result() = MeasureIdle(disc, IdleSeconds());
        state.SetIterationTime(Result().seconds);
    }
    state.counters["cpu_percent"] = Result().menu_share * 100.0;
    state.counters["xvfb_cpu_percent"] = Result().server_share * 100.0;
    std::error_code ec;
    fs::remove_all(disc, ec);
}

BENCHMARK(BM_MenuLeftOpen)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The first sound after silence: from a write into the decoder ring until the device's callback
// has taken its first frame, through SDL's dummy driver in this process. With the device parked
// (closed, as the menu left alone has it) the write opens it; the baseline, measured in the same
// run, is the same write to a device that is open and running, which takes it at its next period.
struct FirstFrame {
    double parked_ms = 0;
    double open_ms = 0;
};

FirstFrame& FirstFrameResult()
{
    static FirstFrame result;
    return result;
}

// The device of the first-frame measures, made by the first of them and closed at the end.
std::unique_ptr<AudioOutput>& DummyAudio()
{
    static std::unique_ptr<AudioOutput> audio;
    return audio;
}

double FirstFrameDelay(Mixer& mixer, bool parked)
{
    AudioRing& ring = mixer.DecoderRing();
    const std::int16_t frame[2] = {1, 1};
    if (parked) {
        while (!mixer.ParkIfSilent(0))
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(100ms);  // the close behind the park is over, as it is long before a click
    } else if (mixer.Parked()) {
        const std::uint64_t consumed = ring.FramesConsumed();
        ring.Write(frame, 1);
        while (ring.FramesConsumed() == consumed)
            std::this_thread::yield();
    }
    // Anywhere in the device's period, as a click comes.
    std::this_thread::sleep_for(std::chrono::microseconds(3000 + std::rand() % 20000));
    const std::uint64_t consumed = ring.FramesConsumed();
    const auto t0 = std::chrono::steady_clock::now();
    ring.Write(frame, 1);
    while (ring.FramesConsumed() == consumed)
        std::this_thread::yield();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_FirstFrame(benchmark::State& state)
{
    if (!DummyAudio()) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        DummyAudio() = std::make_unique<AudioOutput>();
    }
    AudioOutput& audio = *DummyAudio();
    if (!audio.Works()) {
        state.SkipWithError(audio.Error().c_str());
        return;
    }
    const bool parked = state.range(0) == 1;
    double total = 0;
    for (auto _ : state) {
        const double delay = FirstFrameDelay(audio.GetMixer(), parked);
        state.SetIterationTime(delay);
        total += delay;
    }
    const double mean_ms = total / static_cast<double>(state.iterations()) * 1000.0;
    (parked ? FirstFrameResult().parked_ms : FirstFrameResult().open_ms) = mean_ms;
}

BENCHMARK(BM_FirstFrame)->ArgName("parked")->Arg(0)->Arg(1)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DummyAudio().reset();

    const FirstFrame& first = FirstFrameResult();
    if (first.open_ms > 0)
        std::printf("first frame of a sound taken by the device: %.2f ms when parked (the sound opens it),"
                    " %.2f ms when open: %.2fx the open device\n",
                    first.parked_ms, first.open_ms, first.parked_ms / first.open_ms);
    const Idle& idle = Result();
    if (!idle.ok)
        return 1;
    std::printf("idle CPU over %.0f s: %.2f%% of one core (target: below 1%%): %.2fx the target;"
                " the X server meanwhile: %.2f%%\n",
                idle.seconds, idle.menu_share * 100.0, idle.menu_share / 0.01, idle.server_share * 100.0);
    if (idle.audio_closed_after >= 0)
        std::printf("audio device closed %.1f s after the music tab's click\n", idle.audio_closed_after);
    else
        std::printf("audio device still open 15 s after the music tab's click\n");
    std::printf("wake-ups per second by thread:");
    for (const auto& [name, rate] : idle.wakeups_per_second)
        std::printf(" %s %.1f;", name.c_str(), rate);
    std::printf("\n");
    return 0;
}
