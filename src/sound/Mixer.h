// The menu's own small mixer: what the audio device plays is the sum, with saturation, of three
// channels, all stereo 16-bit at 44,100 Hz:
//   - the event channel: one sound held in memory at a time (the event sounds and the background
//     music loop), started and stopped by the user-interface thread;
//   - the decoder channel (mp3) and the sequencer channel (MIDI): rings that a producer fills from
//     its own thread.
// Mix is what the device's callback calls. It never blocks, allocates, frees or reads a file, so
// everything the callback may still see is released on the user-interface thread instead.
//
// While nothing is to be heard the device is parked (paused): the user-interface thread parks it
// now and then once every channel has been silent for a moment, and anything that gives a channel
// something to play (an event sound, a write into a ring, a channel let go) starts it again.
#pragma once

#include <SDL_audio.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/AudioRing.h"

// A sound converted to the device format: interleaved left, right frames. Never changes once made.
struct DeviceSound {
    std::vector<std::int16_t> samples;
    std::size_t Frames() const { return samples.size() / 2; }
};

class Mixer {
public:
    static constexpr int kRate = AudioRing::kRate;
    static constexpr int kChannels = AudioRing::kChannels;

    enum class Channel { Decoder, Sequencer };

    // Each producer ring holds `ring_frames` frames (half a second by default).
    explicit Mixer(std::size_t ring_frames = kRate / 2);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // The device side: fills `out` with `frames` stereo frames. Called by the device's callback,
    // or directly where there is no device.
    void Mix(std::int16_t* out, std::size_t frames) noexcept;

    // The device whose callback calls Mix, so that the rings can be cleared while it is held;
    // 0 (the default) while there is none.
    void AttachDevice(SDL_AudioDeviceID device) noexcept { device_.store(device, std::memory_order_release); }

    // The producers' side. A ring is written by one producer thread only.
    AudioRing& DecoderRing() noexcept { return decoder_; }
    AudioRing& SequencerRing() noexcept { return sequencer_; }
    AudioRing& Ring(Channel channel) noexcept { return channel == Channel::Decoder ? decoder_ : sequencer_; }
    // A paused channel is not mixed in and keeps what is waiting in its ring.
    void SetPaused(Channel channel, bool paused) noexcept;
    bool Paused(Channel channel) const noexcept;
    // Drops what is waiting in the channel's ring, with the device held so the callback does not
    // read it meanwhile. Called by the ring's producer.
    void Clear(Channel channel) noexcept;

    // The event channel, from the user-interface thread only. Play starts `sound` from its first
    // frame, replacing whatever the channel played; with `loop` it starts over without a gap at
    // its end, until replaced or stopped. An empty sound (or none) stops the channel.
    void PlayEvent(std::shared_ptr<const DeviceSound> sound, bool loop);
    void StopEvent();
    // Releases the sounds the callback has given back; Play and Stop do it too.
    void ReleaseFinished();
    // Whether a sound that does not loop waits or plays on the event channel. Only while the
    // callback does not run (the device held, or none).
    bool PlayingOnce() const noexcept;

    // Parks the device when no channel has had anything to play for `quiet_frames` frames and
    // nothing waits to be played; true when the device is parked. From the user-interface thread,
    // at a low rate. Without a device nothing is parked.
    bool ParkIfSilent(std::size_t quiet_frames = kRate / 2);
    // Starts a parked device again; nothing while it runs. Any thread but the callback's: the
    // event channel and a channel let go call it, and so does every write into a ring.
    void Wake() noexcept;
    bool Parked() const noexcept { return parked_.load(std::memory_order_acquire); }
    // Called, on the thread that woke it, each time a parked device starts again (so that the
    // user-interface thread can watch for silence again). Set while no producer or sound runs.
    void SetOnWake(std::function<void()> on_wake) { on_wake_ = std::move(on_wake); }

private:
    // One start of a sound on the event channel. Made and deleted on the user-interface thread;
    // the callback only reads `samples` and `frames`.
    struct Voice {
        std::shared_ptr<const DeviceSound> sound;
        const std::int16_t* samples = nullptr;
        std::size_t frames = 0;
        bool loop = false;
    };

    // Retires the callback's current voice into the return queue. Callback only.
    void GiveBack(Voice* voice) noexcept;
    void Publish(Voice* voice);
    // Whether an unpaused ring has frames waiting.
    bool RingsHaveSound() const noexcept;

    AudioRing decoder_;
    AudioRing sequencer_;
    std::atomic<bool> decoder_paused_{false};
    std::atomic<bool> sequencer_paused_{false};
    std::atomic<SDL_AudioDeviceID> device_{0};

    // Parking. `quiet_frames_` is the callback's own count of frames mixed with nothing in them,
    // read only with the device held (or parked). `park_mutex_` orders a park against a wake.
    std::size_t quiet_frames_ = 0;
    std::atomic<bool> parked_{false};
    std::mutex park_mutex_;
    std::function<void()> on_wake_;

    // Handoff of the event channel: the user-interface thread puts a new voice (or the stop
    // marker) in `next_`; the callback takes it with an exchange, so a voice it never took is
    // known to be unseen and is deleted at once. A voice the callback took is its own until it
    // ends or is replaced; then the callback pushes it onto `given_back_`, a single-producer
    // single-consumer queue the user-interface thread empties and deletes. At most three voices
    // are ever in it between two emptyings (the one playing, the one waiting, and one published
    // after the last emptying, since every publication empties it first), so it never fills.
    static constexpr std::size_t kGivenBackSlots = 8;
    std::atomic<Voice*> next_{nullptr};
    Voice* playing_ = nullptr;  // the callback's own
    std::size_t position_ = 0;  // the callback's own: the next frame of `playing_`
    std::array<Voice*, kGivenBackSlots> given_back_{};
    std::atomic<std::size_t> given_back_write_{0};
    std::atomic<std::size_t> given_back_read_{0};
    Voice stop_marker_;
};
