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
    // silent: Works() is false and one line on standard error says why. The mixer closes the
    // device while nothing is heard and opens it again the same way; should that fail, the menu
    // goes on silent and one line on standard error says why (the music tracks then end as soon
    // as they are decoded).
    AudioOutput();
    // Closes the device and ends the audio subsystem: no callback runs after this. Producers of
    // the decoder and sequencer rings stop before.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Whether the device opened at the start.
    bool Works() const { return works_; }
    // Why the device could not be opened; empty when it works.
    const std::string& Error() const { return error_; }
    Mixer& GetMixer() { return mixer_; }
    // SDL's number of the open device; 0 while the mixer has it parked, and when there is none.
    SDL_AudioDeviceID Device() const { return mixer_.Device(); }

    // Waits, at most `limit`, until no sound that does not loop plays on the event channel: the
    // sound of the closing window is heard before the device closes.
    void FinishEventSound(std::chrono::milliseconds limit);

private:
    static void Callback(void* mixer, Uint8* stream, int bytes);
    // Opens the device for the mixer, paused; 0 and why where it cannot.
    SDL_AudioDeviceID Open(std::string& error);
    // Opens it again after a park, on the waking thread; a failure is said on standard error.
    SDL_AudioDeviceID Reopen();

    Mixer mixer_;  // outlives the device
    bool subsystem_ = false;
    bool works_ = false;
    std::string error_;
};

// The sound output of a menu without an audio device: silent, and says so.
class NoDeviceSoundOutput : public SilentSoundOutput {
public:
    bool Works() const override { return false; }
};
