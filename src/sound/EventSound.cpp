#include "sound/EventSound.h"

#include <SDL_audio.h>
#include <SDL_rwops.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "disc/Files.h"

namespace {

std::uint32_t GetLe32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// SDL sets aside a chunk's stated size before reading it, so a few bytes stating gigabytes would
// take gigabytes. Returns the file with the first chunk that runs past the end of the bytes cut
// to what is there (SDL plays a cut data chunk up to where it ends), or nothing when all fit.
std::optional<std::string> WithChunksInBounds(std::string_view wav)
{
    // SDL also takes a file whose RIFF header is missing, starting at "WAVE".
    std::size_t at = 0;
    if (wav.substr(0, 4) == "RIFF")
        at = 12;
    else if (wav.substr(0, 4) == "WAVE")
        at = 4;
    else
        return std::nullopt;
    while (at + 8 <= wav.size()) {
        const std::size_t length = GetLe32(wav, at + 4);
        const std::size_t left = wav.size() - at - 8;
        if (length > left) {
            std::string fixed(wav);
            for (int i = 0; i < 4; ++i)
                fixed[at + 4 + static_cast<std::size_t>(i)] = static_cast<char>((left >> (8 * i)) & 0xFF);
            return fixed;
        }
        at += 8 + length + (length & 1);  // chunks start on even offsets
    }
    return std::nullopt;
}

}  // namespace

std::shared_ptr<const DeviceSound> ConvertWav(std::string_view wav, std::size_t max_frames)
{
    if (wav.empty() || wav.size() > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    const std::optional<std::string> fixed = WithChunksInBounds(wav);
    if (fixed)
        wav = *fixed;
    SDL_RWops* stream = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (!stream)
        return nullptr;
    SDL_AudioSpec source{};
    Uint8* decoded = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(stream, 1, &source, &decoded, &length))  // closes the stream
        return nullptr;
    const std::unique_ptr<Uint8, void (*)(Uint8*)> owned(decoded, SDL_FreeWAV);

    // Whole frames only: the converter assumes them.
    const std::size_t frame_bytes = static_cast<std::size_t>(SDL_AUDIO_BITSIZE(source.format)) / 8 * source.channels;
    if (frame_bytes == 0)
        return nullptr;
    const std::size_t in_bytes = length - length % frame_bytes;
    if (in_bytes == 0)
        return nullptr;

    // A sound longer than the bound at the device rate is not played (the converter's own slack
    // aside, its buffer would be that long).
    if (source.freq <= 0 ||
        static_cast<double>(in_bytes / frame_bytes) * Mixer::kRate / source.freq > static_cast<double>(max_frames))
        return nullptr;

    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, source.format, source.channels, source.freq, AUDIO_S16SYS, Mixer::kChannels,
                          Mixer::kRate) < 0)
        return nullptr;
    // The converter works in place in a buffer len_mult times the input, with int lengths.
    const std::uint64_t work_bytes = std::uint64_t{in_bytes} * static_cast<std::uint64_t>(cvt.len_mult);
    if (cvt.len_mult <= 0 || work_bytes > static_cast<std::uint64_t>(INT_MAX))
        return nullptr;

    auto sound = std::make_shared<DeviceSound>();
    std::vector<std::int16_t>& samples = sound->samples;
    samples.resize(static_cast<std::size_t>(work_bytes + 1) / sizeof(std::int16_t));
    std::memcpy(samples.data(), decoded, in_bytes);
    std::size_t out_bytes = in_bytes;
    if (cvt.needed) {
        cvt.buf = reinterpret_cast<Uint8*>(samples.data());
        cvt.len = static_cast<int>(in_bytes);
        if (SDL_ConvertAudio(&cvt) < 0 || cvt.len_cvt < 0)
            return nullptr;
        out_bytes = static_cast<std::size_t>(cvt.len_cvt);
    }
    const std::size_t out_frames = out_bytes / (sizeof(std::int16_t) * Mixer::kChannels);
    if (out_frames == 0)
        return nullptr;
    samples.resize(out_frames * Mixer::kChannels);
    samples.shrink_to_fit();
    return sound;
}

MixerSoundOutput::MixerSoundOutput(Mixer& mixer, PathResolver resolver, std::size_t cache_bytes)
    : mixer_(mixer), resolver_(std::move(resolver)), cache_limit_(cache_bytes)
{
}

std::shared_ptr<const DeviceSound> MixerSoundOutput::FromCache(const std::shared_ptr<const std::string>* source,
                                                               const std::string* path)
{
    for (auto it = cache_.begin(); it != cache_.end();) {
        // Bytes no holder keeps any more can never be played again.
        if (it->path.empty() && it->source.expired()) {
            cache_bytes_ -= it->bytes;
            it = cache_.erase(it);
            continue;
        }
        const bool same = source ? it->path.empty() && !it->source.owner_before(*source) &&
                                       !source->owner_before(it->source)
                                 : !it->path.empty() && it->path == *path;
        if (same) {
            cache_.splice(cache_.begin(), cache_, it);
            return cache_.front().sound;
        }
        ++it;
    }
    return nullptr;
}

void MixerSoundOutput::Keep(Cached entry)
{
    if (entry.bytes > cache_limit_)
        return;
    while (!cache_.empty() && cache_bytes_ + entry.bytes > cache_limit_) {
        cache_bytes_ -= cache_.back().bytes;
        cache_.pop_back();
    }
    cache_bytes_ += entry.bytes;
    cache_.push_front(std::move(entry));
}

void MixerSoundOutput::PlayFromMemory(std::shared_ptr<const std::string> wav)
{
    if (!wav) {
        mixer_.StopEvent();
        return;
    }
    std::shared_ptr<const DeviceSound> sound = FromCache(&wav, nullptr);
    if (!sound) {
        sound = ConvertWav(*wav);
        if (sound)
            Keep({wav, {}, sound, sound->samples.size() * sizeof(std::int16_t)});
    }
    mixer_.PlayEvent(std::move(sound), false);
}

void MixerSoundOutput::PlayLoop(const std::string& disc_path)
{
    std::shared_ptr<const DeviceSound> sound;
    if (!disc_path.empty()) {
        sound = FromCache(nullptr, &disc_path);
        if (!sound) {
            const std::optional<std::filesystem::path> file = resolver_.Find(disc_path);
            std::optional<std::string> bytes;
            if (file)
                bytes = ReadWholeFile(resolver_.Disc(), *file);
            if (bytes)
                sound = ConvertWav(*bytes);
            if (sound)
                Keep({{}, disc_path, sound, sound->samples.size() * sizeof(std::int16_t)});
        }
    }
    mixer_.PlayEvent(std::move(sound), true);
}

void MixerSoundOutput::StopAll()
{
    mixer_.StopEvent();
}
