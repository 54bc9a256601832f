#include "sound/Mixer.h"

#include <SDL_audio.h>

#include <algorithm>
#include <cstring>
#include <system_error>

Mixer::Mixer(std::size_t ring_frames) : decoder_(ring_frames), sequencer_(ring_frames)
{
    // A producer's write wakes a parked device: the frames are heard from their first.
    decoder_.SetOnWrite([this] { Wake(); });
    sequencer_.SetOnWrite([this] { Wake(); });
}

Mixer::~Mixer()
{
    DetachDevice();
    // No callback runs any more: whatever it held is ours to release.
    ReleaseFinished();
    Voice* waiting = next_.exchange(nullptr);
    if (waiting != &stop_marker_)
        delete waiting;
    if (playing_ != &stop_marker_)
        delete playing_;
}

void Mixer::Mix(std::int16_t* out, std::size_t frames) noexcept
{
    std::memset(out, 0, frames * kChannels * sizeof(std::int16_t));

    // The event channel: take what the user-interface thread published, if anything.
    if (Voice* next = next_.exchange(nullptr, std::memory_order_acq_rel)) {
        GiveBack(playing_);
        playing_ = next == &stop_marker_ ? nullptr : next;
        position_ = 0;
    }
    bool heard = playing_ != nullptr;
    std::size_t done = 0;
    while (playing_ && done < frames) {
        const std::size_t n = std::min(frames - done, playing_->frames - position_);
        const std::int16_t* from = playing_->samples + position_ * kChannels;
        std::int16_t* to = out + done * kChannels;
        for (std::size_t i = 0; i < n * kChannels; ++i)
            to[i] = MixSample(to[i], from[i]);
        done += n;
        position_ += n;
        if (position_ == playing_->frames) {
            position_ = 0;
            if (!playing_->loop) {
                GiveBack(playing_);
                playing_ = nullptr;
            }
        }
    }

    if (!decoder_paused_.load(std::memory_order_acquire) && decoder_.MixInto(out, frames) > 0)
        heard = true;
    if (!sequencer_paused_.load(std::memory_order_acquire) && sequencer_.MixInto(out, frames) > 0)
        heard = true;
    quiet_frames_ = heard ? 0 : quiet_frames_ + std::min(frames, std::size_t{kRate} * 60);
}

void Mixer::GiveBack(Voice* voice) noexcept
{
    if (!voice)
        return;
    const std::size_t w = given_back_write_.load(std::memory_order_relaxed);
    if (w - given_back_read_.load(std::memory_order_acquire) == kGivenBackSlots)
        return;  // cannot happen (see the header); the voice would only be lost, never freed here
    given_back_[w % kGivenBackSlots] = voice;
    given_back_write_.store(w + 1, std::memory_order_release);
}

void Mixer::ReleaseFinished()
{
    const std::size_t w = given_back_write_.load(std::memory_order_acquire);
    std::size_t r = given_back_read_.load(std::memory_order_relaxed);
    for (; r != w; ++r) {
        delete given_back_[r % kGivenBackSlots];
        given_back_[r % kGivenBackSlots] = nullptr;
    }
    given_back_read_.store(r, std::memory_order_release);
}

void Mixer::Publish(Voice* voice)
{
    ReleaseFinished();
    // A voice still waiting was never taken by the callback and never will be.
    Voice* unseen = next_.exchange(voice, std::memory_order_acq_rel);
    if (unseen != &stop_marker_)
        delete unseen;
}

void Mixer::PlayEvent(std::shared_ptr<const DeviceSound> sound, bool loop)
{
    if (!sound || sound->Frames() == 0) {
        StopEvent();
        return;
    }
    auto voice = std::make_unique<Voice>();
    voice->samples = sound->samples.data();
    voice->frames = sound->Frames();
    voice->loop = loop;
    voice->sound = std::move(sound);
    Publish(voice.release());
    Wake();
}

void Mixer::StopEvent()
{
    Publish(&stop_marker_);
}

bool Mixer::PlayingOnce() noexcept
{
    std::lock_guard lock(park_mutex_);
    const SDL_AudioDeviceID device = device_.load(std::memory_order_acquire);
    if (device == 0)
        return false;
    SDL_LockAudioDevice(device);  // the callback's own state holds still
    bool once = playing_ && !playing_->loop;
    if (const Voice* waiting = next_.load(std::memory_order_acquire))
        once = waiting != &stop_marker_ && !waiting->loop;
    SDL_UnlockAudioDevice(device);
    return once;
}

void Mixer::SetPaused(Channel channel, bool paused) noexcept
{
    (channel == Channel::Decoder ? decoder_paused_ : sequencer_paused_).store(paused, std::memory_order_release);
    // What waited in the ring is to be heard again; a ring left empty (a track stopped while
    // paused) opens no device: its next write does.
    if (!paused && Ring(channel).Available() > 0)
        Wake();
}

bool Mixer::Paused(Channel channel) const noexcept
{
    return (channel == Channel::Decoder ? decoder_paused_ : sequencer_paused_).load(std::memory_order_acquire);
}

void Mixer::Clear(Channel channel) noexcept
{
    std::lock_guard lock(park_mutex_);
    // A parked device runs no callback: the ring is the producer's alone.
    const SDL_AudioDeviceID device = device_.load(std::memory_order_acquire);
    if (device != 0)
        SDL_LockAudioDevice(device);
    Ring(channel).Clear();
    if (device != 0)
        SDL_UnlockAudioDevice(device);
}

bool Mixer::RingsHaveSound() const noexcept
{
    return (!decoder_paused_.load(std::memory_order_acquire) && decoder_.Available() > 0) ||
           (!sequencer_paused_.load(std::memory_order_acquire) && sequencer_.Available() > 0);
}

void Mixer::AttachDevice(SDL_AudioDeviceID device, DeviceOpener reopen)
{
    std::lock_guard lock(park_mutex_);
    reopen_ = std::move(reopen);
    quiet_frames_ = 0;
    parked_.store(false, std::memory_order_release);
    device_.store(device, std::memory_order_release);
    if (device != 0)
        SDL_PauseAudioDevice(device, 0);
}

void Mixer::DetachDevice()
{
    if (closer_.joinable())
        closer_.join();
    std::lock_guard lock(park_mutex_);
    CloseStopped();
    reopen_ = nullptr;
    parked_.store(false, std::memory_order_release);
    const SDL_AudioDeviceID device = device_.exchange(0, std::memory_order_acq_rel);
    if (device != 0)
        SDL_CloseAudioDevice(device);  // waits for a running callback to return
}

void Mixer::CloseStopped() noexcept
{
    if (closing_ != 0)
        SDL_CloseAudioDevice(closing_);
    closing_ = 0;
}

bool Mixer::ParkIfSilent(std::size_t quiet_frames)
{
    // The close of the last park ended long ago; its thread is let go here, not under the lock
    // it takes.
    if (closer_.joinable())
        closer_.join();
    std::lock_guard lock(park_mutex_);
    if (parked_.load(std::memory_order_relaxed) || lost_)
        return true;
    const SDL_AudioDeviceID device = device_.load(std::memory_order_acquire);
    if (device == 0)
        return false;
    SDL_LockAudioDevice(device);  // the callback's own state holds still
    const Voice* waiting = next_.load(std::memory_order_acquire);
    const bool event_silent = playing_ == nullptr && (waiting == nullptr || waiting == &stop_marker_);
    if (event_silent && quiet_frames_ >= quiet_frames) {
        // Parked first, the rings looked at after: a producer that wrote before this sees the
        // frames counted here, one that writes after sees the device parked and wakes it (once
        // this lock is let go).
        parked_.store(true, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (RingsHaveSound()) {
            parked_.store(false, std::memory_order_relaxed);
        } else {
            // Stopped at once: once the lock is let go, no callback of it runs again.
            SDL_PauseAudioDevice(device, 1);
            device_.store(0, std::memory_order_release);
            closing_ = device;
        }
    }
    SDL_UnlockAudioDevice(device);
    if (closing_ != 0) {
        // SDL's close lets the device's last buffers drain (some tens of milliseconds) and waits
        // for its thread: not on this thread, which draws the menu. A wake that comes first
        // closes it itself before it opens another.
        try {
            closer_ = std::thread([this] {
                std::lock_guard closing(park_mutex_);
                CloseStopped();
            });
        } catch (const std::system_error&) {
            CloseStopped();
        }
    }
    return parked_.load(std::memory_order_relaxed);
}

void Mixer::Wake() noexcept
{
    // Pairs with the fence of ParkIfSilent: what was just written or published is seen there, or
    // the parking is seen here.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!parked_.load(std::memory_order_relaxed))
        return;
    {
        std::lock_guard lock(park_mutex_);
        if (!parked_.load(std::memory_order_relaxed))
            return;
        // Whatever comes of the opening, the device is no longer parked: open, or gone for good.
        // A waker that comes meanwhile returns at once; its sound is mixed by the device opened
        // here, which nothing has played from yet.
        parked_.store(false, std::memory_order_release);
        // The stopped device is closed before another is opened: some devices open only once.
        CloseStopped();
        // No callback runs while the device is closed: its count can be reset here.
        quiet_frames_ = 0;
        const SDL_AudioDeviceID device = reopen_ ? reopen_() : 0;
        if (device == 0) {
            // The menu goes on silent. Nothing will read the rings again: what their producers
            // write is taken as heard, so that the tracks still end and nothing waits for them.
            reopen_ = nullptr;
            lost_ = true;
            decoder_.LoseReader();
            sequencer_.LoseReader();
            return;
        }
        device_.store(device, std::memory_order_release);
        SDL_PauseAudioDevice(device, 0);
    }
    if (on_wake_)
        on_wake_();
}
