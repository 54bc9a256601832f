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
    SDL_AudioDeviceID device = 0;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = SDL_GetError();
    } else {
        subsystem_ = true;
        device = Open(error_);
    }
    quiet.reset();
    if (device != 0) {
        works_ = true;
        mixer_.AttachDevice(device, [this] { return Reopen(); });
        return;
    }
    if (error_.empty())
        error_ = "unknown error";
    std::fprintf(stderr, "No sound: %s\n", error_.c_str());
    if (subsystem_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
}

AudioOutput::~AudioOutput()
{
    mixer_.DetachDevice();
    if (subsystem_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

SDL_AudioDeviceID AudioOutput::Open(std::string& error)
{
    SDL_AudioSpec want{};
    want.freq = Mixer::kRate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(Mixer::kChannels);
    want.samples = 1024;  // about 23 ms
    want.callback = &AudioOutput::Callback;
    want.userdata = &mixer_;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0)
        error = SDL_GetError();
    return device;
}

SDL_AudioDeviceID AudioOutput::Reopen()
{
    // The driver is the one found at the start, and standard error is left as it is: it belongs
    // to the whole process, and by now other threads may be writing to it.
    std::string error;
    const SDL_AudioDeviceID device = Open(error);
    if (device == 0)
        std::fprintf(stderr, "No sound: %s\n", error.empty() ? "unknown error" : error.c_str());
    return device;
}

void AudioOutput::FinishEventSound(std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (mixer_.PlayingOnce() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void AudioOutput::Callback(void* mixer, Uint8* stream, int bytes)
{
    const auto frames = static_cast<std::size_t>(bytes) / (sizeof(std::int16_t) * Mixer::kChannels);
    static_cast<Mixer*>(mixer)->Mix(reinterpret_cast<std::int16_t*>(stream), frames);
}
