#include "sound/Mp3Module.h"

#include <mpg123.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/LibraryLoader.h"
#include "sound/AudioRing.h"

namespace {

constexpr int kRate = AudioRing::kRate;
constexpr std::size_t kReadAheadFrames = kRate / 2;
// Decoded in pieces of four MPEG frames: few enough lock rounds, far below the read-ahead.
constexpr std::size_t kChunkFrames = 4 * 1152;
// How long the decoding thread sleeps while it waits for room in the ring or for the last
// frames to be heard; commands wake it at once.
constexpr auto kPoll = std::chrono::milliseconds(10);

struct Output {
    std::mutex mutex;
    AudioRing* ring = nullptr;
    std::function<void()> clear;
    std::function<void(bool)> hold;
};

Output& TheOutput()
{
    static Output output;
    return output;
}

// One module instance (the handle ESInitModule hands out).
struct Module {
    std::mutex mutex;
    std::condition_variable wake;

    // Settings, from the calling thread.
    int input_mode = imFile;
    int output_mode = omMMSystem;
    std::string input_name;
    std::string output_name;
    ESInOpenProc in_open = nullptr;
    ESInCloseProc in_close = nullptr;
    ESInGetSizeProc in_size = nullptr;
    ESInReadProc in_read = nullptr;
    void* in_user = nullptr;
    void* window = nullptr;

    // State, guarded by `mutex`.
    TElSPlayerMode mode = pmClosed;
    bool self_closed = false;  // the track ended and the module closed itself since the last open
    bool quit = false;         // the decoding thread is to close its input and end
    bool start = false;        // ESPlay has been given
    bool paused = false;
    bool open_done = false;    // the decoding thread has opened the stream (or failed to)
    int open_error = peNoError;
    std::thread worker;

    std::atomic<int> last_error{peNoError};

    // The output of the open stream and what has gone into it.
    AudioRing* ring = nullptr;
    std::function<void()> clear;
    std::function<void(bool)> hold;
    std::atomic<std::uint64_t> base{0};       // the ring's consumed count when play started
    std::atomic<std::int64_t> written{0};     // frames of this track written into the ring
    std::atomic<std::int64_t> length{-1};     // frames of the track; -1 while unknown
};

Module* ModuleOf(ESHandle handle)
{
    return static_cast<Module*>(handle);
}

int Fail(Module* m, int error)
{
    m->last_error.store(error);
    return 0;
}

int Succeed(Module* m)
{
    m->last_error.store(peNoError);
    return 1;
}

int FramesToMs(std::int64_t frames)
{
    const std::int64_t ms = frames * 1000 / kRate;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// ---- The decoding thread ---------------------------------------------------------------------

struct Input {
    Module* module;
    ESUserData data;
};

mpg123_ssize_t ReadThroughCallback(void* handle, void* buffer, size_t count)
{
    auto* input = static_cast<Input*>(handle);
    const auto want = static_cast<std::int32_t>(std::min<size_t>(count, INT32_MAX));
    std::int32_t got = 0;
    if (!input->module->in_read(input->module->in_user, input->data, buffer, want, &got) || got < 0 || got > want)
        return -1;
    return got;
}

// The stream cannot set its position.
off_t CannotSeek(void*, off_t, int)
{
    return -1;
}

class Decoder {
public:
    Decoder(Module* m, ESUserData data) : m_(m), input_{m, data} {}
    ~Decoder()
    {
        if (mh_ != nullptr)
            mpg123_delete(mh_);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Sets libmpg123 up on the input and decodes up to the first audio; the error code on failure.
    int Open(std::int64_t size)
    {
        int error = MPG123_OK;
        mh_ = mpg123_new(nullptr, &error);
        if (mh_ == nullptr)
            return peNoResources;
        mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_NO_PEEK_END | MPG123_SEEKBUFFER, 0.0);
        if (mpg123_format_none(mh_) != MPG123_OK ||
            mpg123_format(mh_, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK ||
            mpg123_replace_reader_handle(mh_, &ReadThroughCallback, &CannotSeek, nullptr) != MPG123_OK)
            return peInternalError;
        if (mpg123_open_handle(mh_, &input_) != MPG123_OK)
            return peInputError;
        if (size > 0)
            mpg123_set_filesize(mh_, static_cast<off_t>(size));
        pending_.resize(kChunkFrames * AudioRing::kChannels);
        if (!DecodeChunk() || pending_frames_ == 0)
            return peInputError;  // no audio in it at all
        // The header's frame count (after the encoder's delay and padding), or an estimate from
        // the size and the bitrate; no seeking either way.
        const off_t length = mpg123_length(mh_);
        if (length >= 0)
            m_->length.store(static_cast<std::int64_t>(length));
        return peNoError;
    }

    // Fills the pending chunk; false at the end of the stream (or on an error within it).
    bool DecodeChunk()
    {
        pending_frames_ = 0;
        pending_offset_ = 0;
        for (;;) {
            size_t done = 0;
            const int rc = mpg123_read(mh_, reinterpret_cast<unsigned char*>(pending_.data()),
                                       pending_.size() * sizeof(std::int16_t), &done);
            pending_frames_ = done / (sizeof(std::int16_t) * AudioRing::kChannels);
            if (pending_frames_ > 0)
                return true;
            if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
                return false;
        }
    }

    // Writes what fits of the pending chunk into the ring, keeping at most half a second ahead;
    // how many frames went in. The ring's hook is left to the caller.
    std::size_t WritePending()
    {
        AudioRing& ring = *m_->ring;
        const std::size_t waiting = std::min(ring.Available(), kReadAheadFrames);
        const std::size_t room = std::min(ring.Space(), kReadAheadFrames - waiting);
        const std::size_t n = ring.WriteWithoutNotice(pending_.data() + pending_offset_ * AudioRing::kChannels,
                                                      std::min(room, pending_frames_));
        pending_offset_ += n;
        pending_frames_ -= n;
        m_->written.fetch_add(static_cast<std::int64_t>(n));
        return n;
    }

    bool HasPending() const { return pending_frames_ > 0; }

private:
    Module* m_;
    Input input_;
    mpg123_handle* mh_ = nullptr;
    std::vector<std::int16_t> pending_;
    std::size_t pending_frames_ = 0;
    std::size_t pending_offset_ = 0;
};

std::uint64_t Heard(const Module* m)
{
    const std::uint64_t consumed = m->ring->FramesConsumed();
    const std::uint64_t base = m->base.load();
    return consumed > base ? consumed - base : 0;
}

void Run(Module* m)
{
    ESUserData data = 0;
    std::uint8_t can_set_pos = 0;
    auto report_open = [m](int error) {
        std::lock_guard lock(m->mutex);
        m->open_error = error;
        m->open_done = true;
        m->wake.notify_all();
    };
    if (!m->in_open(m->in_user, &data, &can_set_pos)) {
        report_open(peInputError);
        return;
    }
    auto close_input = [m, data] {
        if (m->in_close != nullptr)
            m->in_close(m->in_user, data);
    };

    bool ended = false;
    {
        std::int64_t size = -1;
        if (m->in_size == nullptr || !m->in_size(m->in_user, data, &size))
            size = -1;
        Decoder decoder(m, data);
        const int error = decoder.Open(size);
        if (error != peNoError) {
            close_input();
            report_open(error);
            return;
        }
        report_open(peNoError);

        std::unique_lock lock(m->mutex);
        m->wake.wait(lock, [m] { return m->quit || m->start; });
        bool at_end = false;
        while (!m->quit) {
            if (m->paused) {
                m->wake.wait(lock);
                continue;
            }
            if (decoder.HasPending()) {
                // Under the lock (it never blocks): once ESPause returns, nothing more comes. The
                // ring's hook, which opens a parked device (tens to hundreds of milliseconds),
                // runs with the lock let go: the menu's calls (the clock, pause, stop) never
                // wait for the device.
                if (decoder.WritePending() > 0) {
                    lock.unlock();
                    m->ring->Notify();
                    lock.lock();
                } else if (!m->quit && !m->paused) {
                    m->wake.wait_for(lock, kPoll);
                }
                continue;
            }
            if (!at_end) {
                lock.unlock();
                at_end = !decoder.DecodeChunk();
                if (at_end)
                    m->length.store(m->written.load());  // the frames there really were
                lock.lock();
                continue;
            }
            // The last frame has been heard (or dropped from the ring: nothing more will be).
            if (Heard(m) >= static_cast<std::uint64_t>(m->written.load()) || m->ring->Available() == 0) {
                ended = true;
                break;
            }
            m->wake.wait_for(lock, kPoll);
        }
    }
    // The input first: once the module shows itself closed, its thread calls out no more, so
    // that the end handler may be given anew for the next track.
    close_input();
    if (ended) {
        std::lock_guard lock(m->mutex);
        if (!m->quit) {
            m->mode = pmClosed;
            m->self_closed = true;
        }
    }
}

// Ends the decoding thread (which closes its input) and waits for it. Not with `mutex` held.
void EndWorker(Module* m)
{
    {
        std::lock_guard lock(m->mutex);
        m->quit = true;
        m->wake.notify_all();
    }
    if (m->worker.joinable())
        m->worker.join();
}

// Drops what the stream left in the ring, so that it is not heard after stop or close, and lets
// the ring's reader go again if a pause held it.
void DropOutput(Module* m)
{
    if (m->clear)
        m->clear();
    if (m->hold)
        m->hold(false);
}

// ---- Entry points ----------------------------------------------------------------------------

ESHandle ESInitModule()
{
    return new (std::nothrow) Module;
}

int ESDeInitModule(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    if (m->worker.joinable() && m->worker.get_id() == std::this_thread::get_id())
        return Fail(m, peIncorrectMode);  // from inside one of its own callbacks
    EndWorker(m);
    DropOutput(m);
    delete m;
    return 1;
}

int ESOpen(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::unique_lock lock(m->mutex);
    if (m->mode != pmClosed)
        return Fail(m, peIncorrectMode);
    if (m->input_mode != imCallback)
        return Fail(m, peNotImplemented);
    if (m->output_mode == omFile || m->output_mode == omCallback)
        return Fail(m, peNotImplemented);
    if (m->in_open == nullptr || m->in_read == nullptr)
        return Fail(m, peNoCallback);
    if (m->worker.joinable()) {  // the thread of a track that ended by itself
        lock.unlock();
        m->worker.join();
        lock.lock();
    }
    m->quit = m->start = m->paused = m->open_done = false;
    m->self_closed = false;
    m->open_error = peNoError;
    m->written.store(0);
    m->length.store(-1);
    try {
        m->worker = std::thread(&Run, m);
    } catch (const std::exception&) {
        return Fail(m, peNoResources);
    }
    m->wake.wait(lock, [m] { return m->open_done; });
    if (m->open_error != peNoError) {
        const int error = m->open_error;
        lock.unlock();
        m->worker.join();
        return Fail(m, error);
    }
    m->mode = pmOpened;
    return Succeed(m);
}

int ESInitStream(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    if (m->mode != pmOpened)
        return Fail(m, peIncorrectMode);
    {
        Output& output = TheOutput();
        std::lock_guard output_lock(output.mutex);
        m->ring = output.ring;
        m->clear = output.clear;
        m->hold = output.hold;
    }
    if (m->ring == nullptr)
        return Fail(m, peOutputError);
    m->mode = pmReady;
    return Succeed(m);
}

int ESPlay(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    {
        std::lock_guard lock(m->mutex);
        if (m->mode != pmReady)
            return Fail(m, peIncorrectMode);
        // Whatever another stream left in the ring is not part of this track's time.
        m->base.store(m->ring->FramesConsumed() + m->ring->Available());
        m->start = true;
        m->mode = pmPlaying;
        m->wake.notify_all();
    }
    // A pause that came as the last track closed itself held the reader, and nothing let it go
    // since: the new track is heard all the same. Not under the lock (it may open the device).
    if (m->hold)
        m->hold(false);
    return Succeed(m);
}

// Pause and resume: after the module closed itself at the end of the track they do nothing
// and report no error (the caller may have asked just before it saw the track end).
int SwitchPause(ESHandle h, TElSPlayerMode from, TElSPlayerMode to, bool paused)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    {
        std::lock_guard lock(m->mutex);
        if (m->mode == pmClosed && m->self_closed)
            return Fail(m, peNoError);
        if (m->mode != from)
            return Fail(m, peIncorrectMode);
        m->paused = paused;
        m->mode = to;
        m->wake.notify_all();
    }
    // The frames already in the ring are held with the decoding: the pause is heard at once, the
    // time heard stops with it, and the resume goes on from the next frame. Letting the reader go
    // may open a parked device: not under the lock.
    if (m->hold)
        m->hold(paused);
    return Succeed(m);
}

int ESPause(ESHandle h)
{
    return SwitchPause(h, pmPlaying, pmPaused, true);
}

int ESResume(ESHandle h)
{
    return SwitchPause(h, pmPaused, pmPlaying, false);
}

// Stop and close end the decoding thread; after the module closed itself they succeed.
int ESStop(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    {
        std::lock_guard lock(m->mutex);
        if (m->mode == pmClosed && m->self_closed)
            return Succeed(m);
        if (m->mode != pmPlaying && m->mode != pmPaused)
            return Fail(m, peIncorrectMode);
        if (m->worker.get_id() == std::this_thread::get_id())
            return Fail(m, peIncorrectMode);
    }
    EndWorker(m);
    DropOutput(m);
    std::lock_guard lock(m->mutex);
    if (m->mode != pmClosed)
        m->mode = pmStopped;
    return Succeed(m);
}

int ESClose(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    {
        std::lock_guard lock(m->mutex);
        if (m->mode == pmClosed && !m->self_closed)
            return Fail(m, peIncorrectMode);
        if (m->worker.get_id() == std::this_thread::get_id())
            return Fail(m, peIncorrectMode);
    }
    EndWorker(m);
    DropOutput(m);
    std::lock_guard lock(m->mutex);
    m->mode = pmClosed;
    m->self_closed = false;
    return Succeed(m);
}

int ESGetPlayerMode(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return pmClosed;
    std::lock_guard lock(m->mutex);
    return m->mode;
}

int ESGetPos(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return -1;
    std::lock_guard lock(m->mutex);
    if (m->mode == pmClosed) {
        Fail(m, peNoError);
        return -1;
    }
    if (m->mode == pmOpened || m->mode == pmReady)
        return 0;
    // Never more than was written, which ESGetSize never falls below.
    const auto heard = static_cast<std::int64_t>(std::min<std::uint64_t>(Heard(m), INT64_MAX));
    return FramesToMs(std::min(heard, m->written.load()));
}

int ESGetSize(ESHandle h)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return -1;
    std::lock_guard lock(m->mutex);
    if (m->mode == pmClosed) {
        Fail(m, peNoError);
        return -1;
    }
    // An estimate that fell short grows with what has been decoded.
    return FramesToMs(std::max(m->length.load(), m->written.load()));
}

int ESLastError(ESHandle h)
{
    Module* m = ModuleOf(h);
    return m == nullptr ? peInvalidHandle : m->last_error.load();
}

int ESSetInputMode(ESHandle h, int mode)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    m->input_mode = mode;
    return Succeed(m);
}

int ESSetOutputMode(ESHandle h, int mode)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    m->output_mode = mode;
    return Succeed(m);
}

int ESSetInputName(ESHandle h, const char* name)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    m->input_name = name != nullptr ? name : "";
    return Succeed(m);
}

int ESSetOutputName(ESHandle h, const char* name)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    m->output_name = name != nullptr ? name : "";
    return Succeed(m);
}

// Settings that have no meaning for this module: accepted and ignored.
int AcceptInt(ESHandle h, int)
{
    Module* m = ModuleOf(h);
    return m == nullptr ? 0 : Succeed(m);
}

int AcceptText(ESHandle h, const char*)
{
    Module* m = ModuleOf(h);
    return m == nullptr ? 0 : Succeed(m);
}

int AcceptTwoInts(ESHandle h, int, int)
{
    Module* m = ModuleOf(h);
    return m == nullptr ? 0 : Succeed(m);
}

// Playing part of a track is not offered: only the whole track (limits 0, 0).
int ESSetLimits(ESHandle h, int start, int end)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    return start == 0 && end == 0 ? Succeed(m) : Fail(m, peNotImplemented);
}

int NotImplemented(ESHandle h)
{
    Module* m = ModuleOf(h);
    return m == nullptr ? 0 : Fail(m, peNotImplemented);
}

int NotImplementedWith(ESHandle h, void*)
{
    return NotImplemented(h);
}

int ESSetPos(ESHandle h, int)
{
    return NotImplemented(h);
}

int Yes(ESHandle h)
{
    Module* m = ModuleOf(h);
    return m == nullptr ? 0 : Succeed(m);
}

int No(ESHandle)
{
    return 0;
}

int ESGetVersion(ESHandle)
{
    return 1;
}

const char* ESGetName(ESHandle)
{
    return "MPEG audio decoder";
}

const char* ESGetAbout(ESHandle)
{
    return "Built-in MPEG audio decoder (libmpg123)";
}

const char* ESGetExts(ESHandle)
{
    return "mp3";
}

int ESSetOutCB(ESHandle h, ESOutDataProc, ESOutActionProc, void*)
{
    // The decoded sound always goes to the program's output ring.
    return Yes(h);
}

int ESSetInCB(ESHandle h, ESInOpenProc open, ESInCloseProc close, ESInGetSizeProc size, ESInSeekProc,
              ESInReadProc read, void* user)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    m->in_open = open;
    m->in_close = close;
    m->in_size = size;
    m->in_read = read;
    m->in_user = user;
    return Succeed(m);
}

int ESSetWindow(ESHandle h, void* window)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    std::lock_guard lock(m->mutex);
    m->window = window;
    return Succeed(m);
}

int ESUseOutCB(ESHandle h, int use)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    return use == 0 ? Succeed(m) : Fail(m, peNotImplemented);
}

int ESUseEQ(ESHandle h, int use)
{
    Module* m = ModuleOf(h);
    if (m == nullptr)
        return 0;
    return use == 0 ? Succeed(m) : Fail(m, peNotImplemented);
}

// The volume is the output's business: the module has none of its own to set.
int ESCanSetVolume(ESHandle h, int* can)
{
    if (can != nullptr)
        *can = 0;
    return Yes(h);
}

int ESGetVolume(ESHandle h, std::uint32_t* volume)
{
    if (volume != nullptr)
        *volume = 0xFFFFFFFFu;
    return Yes(h);
}

int ESSetVolume(ESHandle h, std::uint32_t)
{
    return NotImplemented(h);
}

template <typename Function>
void* Address(Function function)
{
    return reinterpret_cast<void*>(function);
}

}  // namespace

void SetMp3ModuleOutput(AudioRing* ring, std::function<void()> clear, std::function<void(bool)> hold)
{
    Output& output = TheOutput();
    std::lock_guard lock(output.mutex);
    output.ring = ring;
    output.clear = std::move(clear);
    output.hold = std::move(hold);
}

const BuiltinEntryPoints& BuiltinMp3EntryPoints()
{
    static const BuiltinEntryPoints entry_points = {
        {"ESInitModule", Address(&ESInitModule)},
        {"ESDeInitModule", Address(&ESDeInitModule)},
        {"ESOpen", Address(&ESOpen)},
        {"ESClose", Address(&ESClose)},
        {"ESPlay", Address(&ESPlay)},
        {"ESCanPause", Address(&Yes)},
        {"ESPause", Address(&ESPause)},
        {"ESResume", Address(&ESResume)},
        {"ESStop", Address(&ESStop)},
        {"ESCanSetPos", Address(&No)},
        {"ESGetPos", Address(&ESGetPos)},
        {"ESSetPos", Address(&ESSetPos)},
        {"ESGetAbout", Address(&ESGetAbout)},
        {"ESGetName", Address(&ESGetName)},
        {"ESGetSize", Address(&ESGetSize)},
        {"ESSetInputMode", Address(&ESSetInputMode)},
        {"ESSetOutputMode", Address(&ESSetOutputMode)},
        {"ESSetInputName", Address(&ESSetInputName)},
        {"ESSetOutputName", Address(&ESSetOutputName)},
        {"ESSetOutputDev", Address(&AcceptText)},
        {"ESGetPlayerMode", Address(&ESGetPlayerMode)},
        {"ESLastError", Address(&ESLastError)},
        {"ESGetVersion", Address(&ESGetVersion)},
        {"ESSetBuffers", Address(&AcceptTwoInts)},
        {"ESSetPriority", Address(&AcceptInt)},
        {"ESSetLimits", Address(&ESSetLimits)},
        {"ESSetOutCB", Address(&ESSetOutCB)},
        {"ESGetVolume", Address(&ESGetVolume)},
        {"ESSetVolume", Address(&ESSetVolume)},
        {"ESCanSetVolume", Address(&ESCanSetVolume)},
        {"ESGetExts", Address(&ESGetExts)},
        {"ESGetInfo1", Address(&NotImplementedWith)},
        {"ESGetInfo2", Address(&NotImplementedWith)},
        {"ESInitStream", Address(&ESInitStream)},
        {"ESSetDevNum", Address(&AcceptInt)},
        {"ESSetInCB", Address(&ESSetInCB)},
        {"ESSetWindow", Address(&ESSetWindow)},
        {"ESUseOutCB", Address(&ESUseOutCB)},
        {"ESUseEQ", Address(&ESUseEQ)},
        {"ESHasEQ", Address(&No)},
        {"ESEQ", Address(&NotImplementedWith)},
    };
    return entry_points;
}
