#include "sound/Sequencer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "disc/DiscFs.h"
#include "sound/MidiFile.h"

namespace {

constexpr std::size_t kBlockFrames = 1024;  // frames rendered at a time (23 ms)
constexpr std::size_t kMinBlockFrames = 256;
constexpr auto kWriterWait = std::chrono::milliseconds(3);  // while the ring is full

constexpr const char* kSoundFontDir = "/usr/share/sounds/sf2";
constexpr const char* kGeneralMidiFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// FluidSynth writes its messages to standard error unless told otherwise; the menu's standard
// error carries only its own lines, so they go nowhere.
void DropFluidLog(int, const char*, void*) {}

void RouteFluidLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, DropFluidLog, nullptr);
    });
}

std::uint64_t FramesOf(double micros)
{
    return static_cast<std::uint64_t>(std::llround(micros * AudioRing::kRate / 1e6));
}

}  // namespace

struct Sequencer::Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;
    bool has_font = false;  // without one the synthesiser is not run: its output would be dither noise

    Synth() = default;
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;
    ~Synth()
    {
        DropPlayer();
        if (synth != nullptr)
            delete_fluid_synth(synth);
        if (settings != nullptr)
            delete_fluid_settings(settings);
    }
    void DropPlayer()
    {
        if (player != nullptr) {
            fluid_player_stop(player);
            delete_fluid_player(player);
            player = nullptr;
        }
    }
};

struct Sequencer::Shared {
    std::mutex mutex;
    bool alive = true;
    std::uint64_t generation = 0;  // changes whenever a pending notification must be dropped
    std::function<void()> on_end;

    std::uint64_t Bump()
    {
        std::lock_guard lock(mutex);
        return ++generation;
    }
    std::uint64_t Generation()
    {
        std::lock_guard lock(mutex);
        return generation;
    }
    void Deliver(std::uint64_t gen)
    {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex);
            if (!alive || gen != generation)
                return;
            call = on_end;
        }
        if (call)
            call();
    }
};

Sequencer::Sequencer(AudioRing& ring, Post post) : Sequencer(ring, std::move(post), Options{}) {}

Sequencer::Sequencer(AudioRing& ring, Post post, Options options)
    : ring_(ring), post_(std::move(post)), options_(std::move(options)), shared_(std::make_shared<Shared>())
{
}

Sequencer::~Sequencer()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->alive = false;
    }
    Close();
}

std::string Sequencer::FindSoundFont()
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(kGeneralMidiFont, ec))
        return kGeneralMidiFont;
    std::vector<std::string> found;
    for (std::filesystem::directory_iterator it(kSoundFontDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& p = it->path();
        if (p.extension() == ".sf2" && std::filesystem::is_regular_file(p, ec))
            found.push_back(p.string());
    }
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

void Sequencer::OpenDevice()
{
    if (synth_ != nullptr)
        return;
    RouteFluidLog();
    auto synth = std::make_unique<Synth>();
    synth->settings = new_fluid_settings();
    if (synth->settings != nullptr) {
        fluid_settings_setnum(synth->settings, "synth.sample-rate", AudioRing::kRate);
        fluid_settings_setstr(synth->settings, "player.timing-source", "sample");
        fluid_settings_setint(synth->settings, "synth.cpu-cores", 1);
        synth->synth = new_fluid_synth(synth->settings);
    }
    const std::string font = options_.soundfont.empty() ? FindSoundFont() : options_.soundfont;
    if (synth->synth == nullptr) {
        std::fprintf(stderr, "No MIDI music: the synthesiser could not be started\n");
    } else if (font.empty()) {
        std::fprintf(stderr, "No MIDI music: no SoundFont in %s\n", kSoundFontDir);
    } else if (fluid_synth_sfload(synth->synth, font.c_str(), 1) == FLUID_FAILED) {
        std::fprintf(stderr, "No MIDI music: cannot load the SoundFont %s\n", font.c_str());
    } else {
        synth->has_font = true;
    }
    synth_ = std::move(synth);
}

void Sequencer::Open()
{
    OpenDevice();
    std::lock_guard lock(mutex_);
    if (mode_ == SequencerMode::mpNotReady)
        mode_ = SequencerMode::mpOpen;
}

void Sequencer::Open(const std::string& path)
{
    Open(*FolderDiscFs(std::filesystem::path(path).parent_path()), path);
}

void Sequencer::Open(const DiscFs& disc, const std::filesystem::path& path)
{
    CloseTrack();
    Open();
    auto file = std::make_unique<MidiFile>(MidiFile::Load(disc, path));
    std::lock_guard lock(mutex_);
    track_ = std::move(file);
    total_frames_ = FramesOf(track_->LengthMicros());
    rendered_frames_ = 0;
    base_consumed_ = ring_.FramesConsumed();
    stopped_at_ = 0;
    mode_ = SequencerMode::mpStopped;
    quit_ = false;
    thread_ = std::thread([this] { RenderLoop(); });
}

void Sequencer::CloseTrack()
{
    shared_->Bump();
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        quit_ = true;
        Silence();
        if (synth_ != nullptr)
            synth_->DropPlayer();
        track_.reset();
        total_frames_ = rendered_frames_ = stopped_at_ = 0;
        if (mode_ != SequencerMode::mpNotReady)
            mode_ = SequencerMode::mpOpen;
    }
    wake_.notify_all();
    thread_.join();
}

void Sequencer::Close()
{
    CloseTrack();
    std::lock_guard lock(mutex_);
    mode_ = SequencerMode::mpNotReady;
}

void Sequencer::Silence()
{
    if (synth_ != nullptr && synth_->synth != nullptr)
        fluid_synth_all_sounds_off(synth_->synth, -1);
    if (options_.drop_queued)
        options_.drop_queued();
    if (options_.hold_reader)
        options_.hold_reader(false);
}

void Sequencer::StartFromTop()
{
    Silence();
    if (synth_->has_font) {
        synth_->DropPlayer();
        synth_->player = new_fluid_player(synth_->synth);
        // A file the synthesiser's own reader refuses (SMPTE timing, say) plays as silence for
        // its length, so that the track still ends on time.
        if (synth_->player != nullptr) {
            const std::string& smf = track_->SmfBytes();
            if (fluid_player_add_mem(synth_->player, smf.data(), smf.size()) != FLUID_OK ||
                fluid_player_play(synth_->player) != FLUID_OK)
                synth_->DropPlayer();
        }
    }
    // The track's first frame is heard after whatever still waits in the ring.
    for (;;) {
        const std::uint64_t consumed = ring_.FramesConsumed();
        const std::size_t waiting = ring_.Available();
        if (ring_.FramesConsumed() == consumed) {
            base_consumed_ = consumed + waiting;
            break;
        }
    }
    rendered_frames_ = 0;
    stopped_at_ = 0;
}

void Sequencer::Play()
{
    {
        std::lock_guard lock(mutex_);
        if (track_ == nullptr || mode_ == SequencerMode::mpPlaying)
            return;
        shared_->Bump();
        if (mode_ == SequencerMode::mpPaused) {
            if (options_.hold_reader)
                options_.hold_reader(false);
        } else {
            StartFromTop();
        }
        mode_ = SequencerMode::mpPlaying;
    }
    wake_.notify_all();
}

void Sequencer::Resume()
{
    {
        std::lock_guard lock(mutex_);
        if (mode_ != SequencerMode::mpPaused)
            return;
        shared_->Bump();
        if (options_.hold_reader)
            options_.hold_reader(false);
        mode_ = SequencerMode::mpPlaying;
    }
    wake_.notify_all();
}

void Sequencer::Pause()
{
    std::lock_guard lock(mutex_);
    if (mode_ != SequencerMode::mpPlaying)
        return;
    shared_->Bump();
    if (options_.hold_reader)
        options_.hold_reader(true);
    mode_ = SequencerMode::mpPaused;
}

void Sequencer::Stop()
{
    std::lock_guard lock(mutex_);
    if (mode_ != SequencerMode::mpPlaying && mode_ != SequencerMode::mpPaused)
        return;
    shared_->Bump();
    stopped_at_ = HeardFrames();
    Silence();
    mode_ = SequencerMode::mpStopped;
}

SequencerMode Sequencer::Mode() const
{
    std::lock_guard lock(mutex_);
    return mode_;
}

std::int64_t Sequencer::Length() const
{
    std::lock_guard lock(mutex_);
    return track_ != nullptr ? track_->LengthMs() : 0;
}

std::int64_t Sequencer::Position() const
{
    std::lock_guard lock(mutex_);
    if (track_ == nullptr)
        return 0;
    const std::uint64_t frames = mode_ == SequencerMode::mpStopped ? stopped_at_ : HeardFrames();
    const auto ms = static_cast<std::int64_t>(frames * 1000 / AudioRing::kRate);
    return std::min(ms, track_->LengthMs());
}

void Sequencer::SetNotify(std::function<void()> on_end)
{
    std::lock_guard lock(shared_->mutex);
    shared_->on_end = std::move(on_end);
}

std::uint64_t Sequencer::HeardFrames() const
{
    const std::uint64_t consumed = ring_.FramesConsumed();
    const std::uint64_t heard = consumed > base_consumed_ ? consumed - base_consumed_ : 0;
    return std::min(heard, rendered_frames_);
}

void Sequencer::RenderLoop()
{
    std::vector<std::int16_t> block(kBlockFrames * AudioRing::kChannels);
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (mode_ != SequencerMode::mpPlaying) {
            wake_.wait(lock);
            continue;
        }
        if (rendered_frames_ < total_frames_) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, total_frames_ - rendered_frames_));
            const std::size_t n = std::min(want, ring_.Space());
            if (n < std::min(want, kMinBlockFrames)) {
                wake_.wait_for(lock, kWriterWait);
                continue;
            }
            // A ring nobody reads any more takes what comes as heard: the track ends at once,
            // unrendered.
            if (synth_->player != nullptr && !ring_.ReaderLost()) {
                fluid_synth_write_s16(synth_->synth, static_cast<int>(n), block.data(), 0, 2, block.data(), 1, 2);
            } else {
                std::fill(block.begin(), block.end(), std::int16_t{0});
            }
            ring_.WriteWithoutNotice(block.data(), n);
            rendered_frames_ += n;
            // The ring's hook opens a parked device (tens to hundreds of milliseconds): not with
            // the lock held, which the menu's calls (the clock, pause, stop) take.
            lock.unlock();
            ring_.Notify();
            lock.lock();
            continue;
        }
        // Everything is rendered: the track ends when the reader has taken its last frame.
        if (HeardFrames() < total_frames_) {
            wake_.wait_for(lock, kWriterWait);
            continue;
        }
        mode_ = SequencerMode::mpStopped;
        stopped_at_ = total_frames_;
        synth_->DropPlayer();
        const std::uint64_t gen = shared_->Generation();
        lock.unlock();
        if (post_)
            post_([shared = shared_, gen] { shared->Deliver(gen); });
        lock.lock();
    }
}
