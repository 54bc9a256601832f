// The audio device: SDL's audio subsystem alone (no SDL video), one device opened at 44,100 Hz,
// stereo, signed 16-bit, and exactly that, whatever the driver (SDL_AUDIODRIVER chooses it, down
// to SDL's `disk` and `dummy` drivers). Its callback plays the mixer.
#pragma once

#include <SDL_audio.h>

#include <chrono>
#include <string>

#include "sound/Mixer.h"
#include "sound/Sounds.h"

class AudioOutput {
public:
    // Starts the audio subsystem and opens and starts the device. Where that fails the menu runs
    // silent: Works() is false and one line on standard error says why.
    AudioOutput();
    // Stops and closes the device and ends the audio subsystem: no callback runs after this.
    // Producers of the decoder and sequencer rings stop before.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool Works() const { return device_ != 0; }
    // Why the device could not be opened; empty when it works.
    const std::string& Error() const { return error_; }
    Mixer& GetMixer() { return mixer_; }
    // SDL's number of the open device; 0 when there is none.
    SDL_AudioDeviceID Device() const { return device_; }

    // Waits, at most `limit`, until no sound that does not loop plays on the event channel: the
    // sound of the closing window is heard before the device closes.
    void FinishEventSound(std::chrono::milliseconds limit);

private:
    static void Callback(void* mixer, Uint8* stream, int bytes);

    Mixer mixer_;  // outlives the device
    bool subsystem_ = false;
    SDL_AudioDeviceID device_ = 0;
    std::string error_;
};

// The sound output of a menu without an audio device: silent, and says so.
class NoDeviceSoundOutput : public SilentSoundOutput {
public:
    bool Works() const override { return false; }
};
