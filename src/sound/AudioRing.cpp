#include "sound/AudioRing.h"

#include <algorithm>

AudioRing::AudioRing(std::size_t capacity_frames)
    : capacity_(std::max<std::size_t>(capacity_frames, 1)),
      samples_(new std::int16_t[capacity_ * kChannels]())
{
}

std::size_t AudioRing::Space() const noexcept
{
    const std::uint64_t used = write_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire);
    return capacity_ - static_cast<std::size_t>(used);
}

std::size_t AudioRing::Available() const noexcept
{
    return static_cast<std::size_t>(write_.load(std::memory_order_acquire) -
                                    read_.load(std::memory_order_relaxed));
}

std::size_t AudioRing::Write(const std::int16_t* frames, std::size_t count) noexcept
{
    const std::size_t n = WriteWithoutNotice(frames, count);
    if (n > 0)
        Notify();
    return n;
}

std::size_t AudioRing::WriteWithoutNotice(const std::int16_t* frames, std::size_t count) noexcept
{
    const std::uint64_t w = write_.load(std::memory_order_relaxed);
    if (ReaderLost()) {
        write_.store(w + count, std::memory_order_release);
        TakeAsHeard();
        return count;
    }
    const std::size_t n = std::min(count, Space());
    // At most two runs: up to the end of the buffer, then from its start.
    const std::size_t at = static_cast<std::size_t>(w % capacity_);
    const std::size_t first = std::min(n, capacity_ - at);
    std::copy_n(frames, first * kChannels, samples_.get() + at * kChannels);
    std::copy_n(frames + first * kChannels, (n - first) * kChannels, samples_.get());
    write_.store(w + n, std::memory_order_release);
    // Pairs with the fence of LoseReader: either it sees these frames, or this sees the reader
    // gone and takes them itself.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (reader_lost_.load(std::memory_order_relaxed))
        TakeAsHeard();
    return n;
}

namespace {

void MixRun(std::int16_t* out, const std::int16_t* in, std::size_t samples) noexcept
{
    for (std::size_t i = 0; i < samples; ++i)
        out[i] = MixSample(out[i], in[i]);
}

}  // namespace

std::size_t AudioRing::MixInto(std::int16_t* out, std::size_t count) noexcept
{
    const std::uint64_t r = read_.load(std::memory_order_relaxed);
    const std::size_t n = std::min(count, Available());
    const std::size_t at = static_cast<std::size_t>(r % capacity_);
    const std::size_t first = std::min(n, capacity_ - at);
    MixRun(out, samples_.get() + at * kChannels, first * kChannels);
    MixRun(out + first * kChannels, samples_.get(), (n - first) * kChannels);
    read_.store(r + n, std::memory_order_release);
    consumed_.fetch_add(n, std::memory_order_acq_rel);
    return n;
}

void AudioRing::Clear() noexcept
{
    read_.store(write_.load(std::memory_order_acquire), std::memory_order_release);
}

void AudioRing::LoseReader() noexcept
{
    reader_lost_.store(true, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    TakeAsHeard();
}

void AudioRing::TakeAsHeard() noexcept
{
    // The writer and the thread that lost the reader may both get here: each frame is counted
    // by the one that moves the read count past it.
    const std::uint64_t w = write_.load(std::memory_order_acquire);
    std::uint64_t r = read_.load(std::memory_order_acquire);
    while (r < w) {
        if (read_.compare_exchange_weak(r, w, std::memory_order_acq_rel)) {
            consumed_.fetch_add(w - r, std::memory_order_acq_rel);
            return;
        }
    }
}
