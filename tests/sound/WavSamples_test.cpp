// Real WAV files from other people's tools: each converts to the length its README states at the
// file's own rate, taken to 44,100 Hz (within one frame), and is heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "sound/EventSound.h"
#include "support/Samples.h"

namespace {

struct SampleWav {
    const char* file;
    std::size_t frames;
    int rate;
};

void PrintTo(const SampleWav& wav, std::ostream* os) { *os << wav.file; }

class SampleWavTest : public SamplesTestWithParam<SampleWav> {};

}  // namespace

TEST_P(SampleWavTest, ConvertsToItsLengthAtTheDeviceRate)
{
    if (IsSkipped())
        return;
    const SampleWav& wav = GetParam();
    const std::shared_ptr<const DeviceSound> sound = ConvertWav(SampleBytes(std::string("wav/") + wav.file));
    ASSERT_TRUE(sound);
    EXPECT_NEAR(static_cast<double>(sound->Frames()), static_cast<double>(wav.frames) * 44100.0 / wav.rate, 1.0);
    int peak = 0;
    for (std::int16_t s : sound->samples)
        peak = std::max(peak, std::abs(int{s}));
    // The ExoPlayer files are very quiet (their loudest PCM sample is 89).
    EXPECT_GT(peak, 40);
}

const SampleWav kSampleWavs[] = {SampleWav{"alsa-Front_Left.wav", 71042, 48000},
                                         SampleWav{"alsa-Noise.wav", 67579, 48000},
                                         SampleWav{"circuslinux-wahoo.wav", 6715, 11025},
                                         SampleWav{"circuslinux-keypress.wav", 2228, 8363},
                                         SampleWav{"circuslinux-teeter1.wav", 12736, 22050},
                                         SampleWav{"exoplayer-sample_ima_adpcm.wav", 44902, 44100},
                                         SampleWav{"exoplayer-sample_with_trailing_bytes.wav", 44100, 44100}};

INSTANTIATE_TEST_SUITE_P(Wav, SampleWavTest, testing::ValuesIn(kSampleWavs));

class SampleWavFolderTest : public SamplesTest {};

// Every WAV file of the folder is in the table above.
TEST_F(SampleWavFolderTest, EveryFileIsChecked)
{
    if (IsSkipped())
        return;
    for (const auto& entry : std::filesystem::directory_iterator(SamplePath("wav"))) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".wav")
            continue;
        EXPECT_TRUE(std::any_of(std::begin(kSampleWavs), std::end(kSampleWavs),
                                [&](const SampleWav& wav) { return name == wav.file; }))
            << name;
    }
}
