// The way decoded sound reaches the audio device: a ring of stereo 16-bit frames at the device
// rate (44,100 Hz) with one writer (a decoder's own thread) and one reader (the device's
// callback). The reader never blocks, allocates or takes a lock; neither does the writer, but for
// what its write hook does.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class AudioRing {
public:
    static constexpr int kChannels = 2;
    static constexpr int kRate = 44100;

    // Room for `capacity_frames` frames (at least 1).
    explicit AudioRing(std::size_t capacity_frames);
    AudioRing(const AudioRing&) = delete;
    AudioRing& operator=(const AudioRing&) = delete;

    // Writer: copies up to `count` frames (interleaved left, right) in; returns how many fitted.
    std::size_t Write(const std::int16_t* frames, std::size_t count) noexcept;
    // Writer: the same without calling the write hook, for a writer that writes under a lock of
    // its own: the hook may open the audio device, which takes a while, so the writer calls
    // Notify once it has let its lock go.
    std::size_t WriteWithoutNotice(const std::int16_t* frames, std::size_t count) noexcept;
    void Notify() const
    {
        if (on_write_)
            on_write_();
    }
    // Writer: how many frames would fit now.
    std::size_t Space() const noexcept;
    // Called by Write, on the writer's thread, after frames have gone in (the mixer starts its
    // device again with it). Set before the writer starts.
    void SetOnWrite(std::function<void()> on_write) { on_write_ = std::move(on_write); }

    // Reader: mixes up to `count` frames into `out` (added with saturation) and consumes them;
    // returns how many there were.
    std::size_t MixInto(std::int16_t* out, std::size_t count) noexcept;
    // Reader: how many frames are waiting.
    std::size_t Available() const noexcept;

    // Every frame the reader has consumed since the ring was made: the time heard.
    std::uint64_t FramesConsumed() const noexcept { return consumed_.load(std::memory_order_acquire); }

    // Drops what is waiting. Only while the reader does not run (the device paused or locked), or
    // from the reader itself.
    void Clear() noexcept;

    // The reader is gone for good (the audio device could not be opened again): what is waiting,
    // and from now on whatever is written, is taken as heard at once. The time heard goes on, so
    // a producer that waits for its frames to be heard or for room never waits. Any thread but a
    // writer's own; the reader no longer runs.
    void LoseReader() noexcept;
    bool ReaderLost() const noexcept { return reader_lost_.load(std::memory_order_acquire); }

    std::size_t Capacity() const noexcept { return capacity_; }

private:
    // Takes every frame written so far as heard (the lost reader's part).
    void TakeAsHeard() noexcept;

    std::size_t capacity_;
    std::unique_ptr<std::int16_t[]> samples_;
    std::atomic<std::uint64_t> write_{0};  // frames ever written
    std::atomic<std::uint64_t> read_{0};   // frames ever read
    std::atomic<std::uint64_t> consumed_{0};
    std::atomic<bool> reader_lost_{false};
    std::function<void()> on_write_;
};

// Adds `b` to `a` with saturation at the 16-bit limits.
inline std::int16_t MixSample(std::int16_t a, std::int16_t b) noexcept
{
    const int sum = int{a} + int{b};
    return static_cast<std::int16_t>(sum > 32767 ? 32767 : sum < -32768 ? -32768 : sum);
}
