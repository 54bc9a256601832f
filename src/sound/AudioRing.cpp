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
    const std::uint64_t w = write_.load(std::memory_order_relaxed);
    const std::size_t n = std::min(count, Space());
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t slot = static_cast<std::size_t>((w + i) % capacity_) * kChannels;
        samples_[slot] = frames[i * kChannels];
        samples_[slot + 1] = frames[i * kChannels + 1];
    }
    write_.store(w + n, std::memory_order_release);
    return n;
}

std::size_t AudioRing::MixInto(std::int16_t* out, std::size_t count) noexcept
{
    const std::uint64_t r = read_.load(std::memory_order_relaxed);
    const std::size_t n = std::min(count, Available());
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t slot = static_cast<std::size_t>((r + i) % capacity_) * kChannels;
        out[i * kChannels] = MixSample(out[i * kChannels], samples_[slot]);
        out[i * kChannels + 1] = MixSample(out[i * kChannels + 1], samples_[slot + 1]);
    }
    read_.store(r + n, std::memory_order_release);
    consumed_.fetch_add(n, std::memory_order_acq_rel);
    return n;
}

void AudioRing::Clear() noexcept
{
    read_.store(write_.load(std::memory_order_acquire), std::memory_order_release);
}
