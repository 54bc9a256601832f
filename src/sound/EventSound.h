// The simple sound player on the mixer's event channel: one WAV sound at a time, from memory or
// looping from a disc file; a new sound replaces the one playing.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>

#include "disc/PathResolver.h"
#include "sound/Mixer.h"
#include "sound/Sounds.h"

// The longest sound played: half an hour at the device rate (about 318 MB converted).
inline constexpr std::size_t kMaxSoundFrames = std::size_t{Mixer::kRate} * 60 * 30;

// A whole WAV file (any encoding SDL reads: PCM of 8 to 32 bits, float, IMA and MS ADPCM, A-law,
// mu-law) converted at once to the device format, stereo 16-bit at 44,100 Hz; nothing when it
// does not decode, holds no sound, or would be longer than `max_frames` at the device rate.
std::shared_ptr<const DeviceSound> ConvertWav(std::string_view wav, std::size_t max_frames = kMaxSoundFrames);

class MixerSoundOutput : public SoundOutput {
public:
    // Converted sounds are kept for playing again up to `cache_bytes` in all (least recently
    // played dropped first).
    static constexpr std::size_t kDefaultCacheBytes = 32u << 20;

    MixerSoundOutput(Mixer& mixer, PathResolver resolver, std::size_t cache_bytes = kDefaultCacheBytes);

    // Plays the WAV held in memory once. Bytes that do not decode stop the event channel and
    // play nothing.
    void PlayFromMemory(std::shared_ptr<const std::string> wav) override;
    // Loops the WAV file a disc path names until stopped; a file that is missing or does not
    // decode stops the event channel and plays nothing.
    void PlayLoop(const std::string& disc_path) override;
    // Stops the event channel; the decoder and sequencer channels play on.
    void StopAll() override;

    // How many converted sounds are kept.
    std::size_t CachedSounds() const { return cache_.size(); }

private:
    struct Cached {
        std::weak_ptr<const std::string> source;  // the bytes played from memory, or
        std::string path;                         // the file played by name
        std::shared_ptr<const DeviceSound> sound;
        std::size_t bytes = 0;
    };
    std::shared_ptr<const DeviceSound> FromCache(const std::shared_ptr<const std::string>* source,
                                                 const std::string* path);
    void Keep(Cached entry);

    Mixer& mixer_;
    PathResolver resolver_;
    std::size_t cache_limit_;
    std::size_t cache_bytes_ = 0;
    std::list<Cached> cache_;  // most recently played first
};
