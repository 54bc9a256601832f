#include "sound/AudioOutput.h"

#include <SDL.h>

#include "platform/QuietStderr.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <thread>

AudioOutput::AudioOutput()
{
    // The menu ends on SIGINT and SIGTERM as it always did: SDL must not take them over.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The sound libraries under SDL (ALSA, for one) write their own complaints to standard error
    // while a device is looked for; the one line below says what matters.
    std::optional<QuietStderr> quiet(std::in_place);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = SDL_GetError();
    } else {
        subsystem_ = true;
        SDL_AudioSpec want{};
        want.freq = Mixer::kRate;
        want.format = AUDIO_S16SYS;
        want.channels = static_cast<Uint8>(Mixer::kChannels);
        want.samples = 1024;  // about 23 ms
        want.callback = &AudioOutput::Callback;
        want.userdata = &mixer_;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            error_ = SDL_GetError();
        } else {
            mixer_.AttachDevice(device_);
            SDL_PauseAudioDevice(device_, 0);
        }
    }
    quiet.reset();
    if (!Works()) {
        if (error_.empty())
            error_ = "unknown error";
        std::fprintf(stderr, "No sound: %s\n", error_.c_str());
        if (subsystem_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }
}

AudioOutput::~AudioOutput()
{
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 1);
        SDL_CloseAudioDevice(device_);  // waits for a running callback to return
        mixer_.AttachDevice(0);
    }
    if (subsystem_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void AudioOutput::FinishEventSound(std::chrono::milliseconds limit)
{
    if (device_ == 0)
        return;
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        SDL_LockAudioDevice(device_);
        const bool playing = mixer_.PlayingOnce();
        SDL_UnlockAudioDevice(device_);
        if (!playing || std::chrono::steady_clock::now() >= until)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void AudioOutput::Callback(void* mixer, Uint8* stream, int bytes)
{
    const auto frames = static_cast<std::size_t>(bytes) / (sizeof(std::int16_t) * Mixer::kChannels);
    static_cast<Mixer*>(mixer)->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
}
