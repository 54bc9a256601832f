// The menu's own small mixer: what the audio device plays is the sum, with saturation, of three
// channels, all stereo 16-bit at 44,100 Hz:
//   - the event channel: one sound held in memory at a time (the event sounds and the background
//     music loop), started and stopped by the user-interface thread;
//   - the decoder channel (mp3) and the sequencer channel (MIDI): rings that a producer fills from
//     its own thread.
// Mix is what the device's callback calls. It never blocks, allocates, frees or reads a file, so
// everything the callback may still see is released on the user-interface thread instead.
//
// While nothing is to be heard the device is parked: closed, so that SDL's audio thread (which
// goes on writing silence while a device is merely paused) no longer wakes the machine. The
// user-interface thread parks it now and then once every channel has been silent for a while and
// nothing waits to be played; anything that gives a channel something to play (an event sound, a
// write into a ring, a channel let go) opens it again, on the thread that gave it, before the
// first frame of that sound can be mixed.
#pragma once

#include <SDL_audio.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
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

    // Opens a device like the first, for this mixer's Mix, paused; 0 where it cannot (having said
    // why). Called on the waking thread with the mixer's own lock held: it must not call into
    // the mixer.
    using DeviceOpener = std::function<SDL_AudioDeviceID()>;
    // Takes on `device`, opened (paused) for this mixer's Mix, and starts it; `reopen` opens the
    // next one after a park.
    void AttachDevice(SDL_AudioDeviceID device, DeviceOpener reopen);
    // Closes the device for good, and one still being closed: no callback runs after this and
    // nothing opens a device again. From the thread that parks.
    void DetachDevice();
    // SDL's number of the open device; 0 while parked, and where there is none.
    SDL_AudioDeviceID Device() const noexcept { return device_.load(std::memory_order_acquire); }

    // The producers' side. A ring is written by one producer thread only.
    AudioRing& DecoderRing() noexcept { return decoder_; }
    AudioRing& SequencerRing() noexcept { return sequencer_; }
    AudioRing& Ring(Channel channel) noexcept { return channel == Channel::Decoder ? decoder_ : sequencer_; }
    // A paused channel is not mixed in and keeps what is waiting in its ring.
    void SetPaused(Channel channel, bool paused) noexcept;
    bool Paused(Channel channel) const noexcept;
    // Drops what is waiting in the channel's ring, with the device held so the callback does not
    // read it meanwhile. Called by the ring's producer; never from the callback.
    void Clear(Channel channel) noexcept;

    // The event channel, from the user-interface thread only. Play starts `sound` from its first
    // frame, replacing whatever the channel played; with `loop` it starts over without a gap at
    // its end, until replaced or stopped. An empty sound (or none) stops the channel.
    void PlayEvent(std::shared_ptr<const DeviceSound> sound, bool loop);
    void StopEvent();
    // Releases the sounds the callback has given back; Play and Stop do it too.
    void ReleaseFinished();
    // Whether a sound that does not loop waits or plays on the event channel of a device that
    // plays it: false while no device is open (parked, none, or lost: nothing would finish it).
    // Any thread but the callback's.
    bool PlayingOnce() noexcept;

    // How long every channel is silent before the device is parked: two seconds. A parked device
    // costs a reopen on the next sound, so the short gaps between the clicks of someone working
    // the menu do not park it; the menu left alone stops waking the machine soon after.
    static constexpr std::size_t kQuietBeforePark = 2 * kRate;
    // Parks (closes) the device when no channel has had anything to play for `quiet_frames`
    // frames and nothing waits to be played; true when the device is parked, or gone for good
    // (nothing is left to watch). From one thread (the user-interface thread), at a low rate.
    // Without a device nothing is parked. The device no longer plays once this returns; SDL's
    // close, which lets the last buffers drain for a moment, goes on on a thread of its own.
    bool ParkIfSilent(std::size_t quiet_frames = kQuietBeforePark);
    // Opens a parked device again and starts it; nothing while it is open. Any thread but the
    // callback's: the event channel and a channel let go call it, and so does every write into a
    // ring. A device that does not open leaves the mixer without one for good: silent, the opener
    // having said why once, and the rings without a reader (AudioRing::LoseReader), so that the
    // tracks still end.
    void Wake() noexcept;
    bool Parked() const noexcept { return parked_.load(std::memory_order_acquire); }
    // Called, on the thread that woke it, each time a parked device opens again (so that the
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

    // The device and its parking. `park_mutex_` is held around every SDL call on a device (open,
    // start, stop, lock, close), so that none of them meets a close; the callback never takes it
    // (SDL's own device lock, under which the callback runs, is always taken after it).
    // `quiet_frames_` is the callback's own count of frames mixed with nothing in them, read only
    // with the device held (or closed).
    std::atomic<SDL_AudioDeviceID> device_{0};
    DeviceOpener reopen_;
    SDL_AudioDeviceID closing_ = 0;  // stopped, and to be closed before any other is opened
    std::thread closer_;              // closes `closing_`; the parking thread's own
    std::size_t quiet_frames_ = 0;
    std::atomic<bool> parked_{false};
    bool lost_ = false;  // the device did not open again; with `park_mutex_` held
    std::mutex park_mutex_;
    std::function<void()> on_wake_;

    // Closes `closing_`, if any. With `park_mutex_` held.
    void CloseStopped() noexcept;

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
