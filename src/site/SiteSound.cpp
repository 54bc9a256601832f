#include "site/SiteSound.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>

#include "sound/AudioRing.h"
#include "sound/Sequencer.h"

namespace {

// libsndfile writes through these into a string.
struct Memory {
    std::string bytes;
    sf_count_t position = 0;
};

sf_count_t Length(void* user)
{
    return static_cast<sf_count_t>(static_cast<Memory*>(user)->bytes.size());
}

sf_count_t Seek(sf_count_t offset, int whence, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    const sf_count_t base = whence == SEEK_CUR ? memory->position
                            : whence == SEEK_END ? static_cast<sf_count_t>(memory->bytes.size())
                                                 : 0;
    memory->position = std::max<sf_count_t>(0, base + offset);
    return memory->position;
}

sf_count_t Read(void* buffer, sf_count_t count, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    const sf_count_t size = static_cast<sf_count_t>(memory->bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(size - memory->position, 0, count);
    std::memcpy(buffer, memory->bytes.data() + memory->position, static_cast<std::size_t>(n));
    memory->position += n;
    return n;
}

sf_count_t Write(const void* buffer, sf_count_t count, void* user)
{
    auto* memory = static_cast<Memory*>(user);
    const auto end = static_cast<std::size_t>(memory->position + count);
    if (memory->bytes.size() < end)
        memory->bytes.resize(end);
    std::memcpy(memory->bytes.data() + memory->position, buffer, static_cast<std::size_t>(count));
    memory->position += count;
    return count;
}

sf_count_t Tell(void* user)
{
    return static_cast<Memory*>(user)->position;
}

}  // namespace

std::unique_ptr<DeviceSound> RenderMidi(const DiscFs& disc, const std::filesystem::path& path, std::size_t max_frames)
{
    constexpr std::size_t kBlock = 4096;
    AudioRing ring(kBlock * 16);
    // No notice is posted: the end is seen by the sequencer's mode.
    Sequencer sequencer(ring, nullptr);
    try {
        sequencer.Open(disc, path);
    } catch (const std::exception&) {
        return nullptr;
    }
    sequencer.Play();
    auto sound = std::make_unique<DeviceSound>();
    std::vector<std::int16_t> block(kBlock * AudioRing::kChannels);
    // The sequencer renders on its own thread into the ring, as for the audio device; taken here as
    // fast as it comes, until the track has been heard to its end.
    while (sequencer.Mode() == SequencerMode::mpPlaying && sound->Frames() < max_frames) {
        std::fill(block.begin(), block.end(), std::int16_t{0});
        const std::size_t n = ring.MixInto(block.data(), kBlock);
        if (n == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        sound->samples.insert(sound->samples.end(), block.begin(),
                              block.begin() + static_cast<std::ptrdiff_t>(n * AudioRing::kChannels));
    }
    sequencer.Close();
    return sound;
}

std::string EncodeOgg(const DeviceSound& sound)
{
    if (sound.Frames() == 0)
        return {};
    SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
    Memory memory;
    SF_INFO info{};
    info.samplerate = Mixer::kRate;
    info.channels = Mixer::kChannels;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (file == nullptr)
        return {};
    const auto frames = static_cast<sf_count_t>(sound.Frames());
    const bool written = sf_writef_short(file, sound.samples.data(), frames) == frames;
    if (sf_close(file) != 0 || !written)
        return {};
    return std::move(memory.bytes);
}
