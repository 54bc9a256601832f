// Any bytes as a WAV event sound: they either convert to whole stereo frames at the device rate,
// which then play through the mixer to their end, or give nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "sound/EventSound.h"
#include "sound/Mixer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Sounds of up to ten seconds, so that every input runs quickly.
    constexpr std::size_t kMaxFrames = 10 * Mixer::kRate;
    std::shared_ptr<const DeviceSound> sound = ConvertWav(bytes, kMaxFrames);
    if (!sound)
        return 0;
    // The converter's slack may add a few frames beyond the bound.
    if (sound->Frames() == 0 || sound->Frames() > kMaxFrames + 64 ||
        sound->samples.size() != sound->Frames() * Mixer::kChannels)
        std::abort();
    // Play a bounded stretch of it, looping, as the device would.
    Mixer mixer(16);
    mixer.PlayEvent(sound, true);
    std::vector<std::int16_t> out(512 * Mixer::kChannels);
    for (int i = 0; i < 4; ++i)
        mixer.Mix(out.data(), 512);
    return 0;
}
