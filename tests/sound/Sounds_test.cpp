// Event sounds read from the disc, and the rules by which event sounds and the background loop
// give way to each other.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "disc/Files.h"
#include "sound/AudioRing.h"
#include "sound/Sounds.h"
#include "support/MemoryDisc.h"
#include "support/RecordingSound.h"
#include "support/TempDir.h"

namespace {

TEST(SoundFile, LoadsOnceForEveryHolderAndSaysWhyItCouldNot)
{
    TempDir disc;
    const std::string bytes(50000, 'w');  // more than two pieces of 20480 bytes
    disc.Write("Sounds/Click.wav", bytes);
    const PathResolver resolver(disc.path());
    SoundFile first;
    EXPECT_EQ(first.Load(resolver, "sounds\\click.wav"), 0);
    ASSERT_TRUE(first.HasData());
    EXPECT_EQ(*first.Data(), bytes);
    // A second holder of the same name reads nothing: the file may be gone by then.
    std::filesystem::remove(disc.path() / "Sounds/Click.wav");
    SoundFile second;
    EXPECT_EQ(second.Load(resolver, "sounds\\click.wav"), 0);
    EXPECT_EQ(second.Data(), first.Data());

    SoundFile empty_name, missing, folder, huge;
    EXPECT_EQ(empty_name.Load(resolver, ""), -2);
    EXPECT_EQ(missing.Load(resolver, "sounds\\none.wav"), ENOENT);
    disc.MakeDir("folder.wav");
    EXPECT_EQ(folder.Load(resolver, "folder.wav"), EISDIR);
    const auto big = disc.Write("big.wav", "RIFF");
    std::filesystem::resize_file(big, kMaxDiscFileBytes + 1);
    EXPECT_EQ(huge.Load(resolver, "big.wav"), EFBIG);
    for (const SoundFile* s : {&empty_name, &missing, &folder, &huge})
        EXPECT_FALSE(s->HasData());
}

TEST(SoundFile, SoundsOfADiscImageAreReadThroughTheDisc)
{
    // Names of their own: loaded sounds are shared by name.
    auto image = std::make_shared<MemoryDisc>();
    const std::string bytes(50000, 'i');
    image->Add("Image/Ding.wav", bytes);
    image->Add("Image/short.wav", bytes);
    image->ClaimSize("Image/short.wav", 60000);  // ends before the size the disc gave
    image->Add("Image/big.wav", "RIFF");
    image->ClaimSize("Image/big.wav", kMaxDiscFileBytes + 1);
    image->Add("Image/broken.wav", bytes);
    image->FailAfter("Image/broken.wav", 30000);
    image->AddFolder("Image/folder.wav");
    const PathResolver resolver(image);

    SoundFile ding, cut, big, broken, folder, missing;
    EXPECT_EQ(ding.Load(resolver, "image\\ding.wav"), 0);
    EXPECT_EQ(*ding.Data(), bytes);
    EXPECT_EQ(image->Opened(), std::vector<std::string>{"Image/Ding.wav"});
    EXPECT_EQ(cut.Load(resolver, "Image/short.wav"), 0);
    EXPECT_EQ(*cut.Data(), bytes);
    EXPECT_EQ(big.Load(resolver, "Image/big.wav"), EFBIG);
    EXPECT_EQ(broken.Load(resolver, "Image/broken.wav"), EIO);
    EXPECT_EQ(folder.Load(resolver, "Image/folder.wav"), EISDIR);
    EXPECT_EQ(missing.Load(resolver, "Image/none.wav"), ENOENT);
    for (const SoundFile* s : {&big, &broken, &folder, &missing})
        EXPECT_FALSE(s->HasData());
}

TEST(AudioRing, FramesComeOutInOrderAcrossTheWrapAndAreAddedWithSaturation)
{
    AudioRing ring(5);
    const std::vector<std::int16_t> first = {1, -1, 2, -2, 3, -3};
    EXPECT_EQ(ring.Write(first.data(), 3), 3u);
    std::vector<std::int16_t> out(4, 0);
    EXPECT_EQ(ring.MixInto(out.data(), 2), 2u);
    EXPECT_EQ(out, (std::vector<std::int16_t>{1, -1, 2, -2}));
    // Four more fill the ring across its end; a fifth does not fit.
    const std::vector<std::int16_t> second = {4, -4, 5, -5, 32000, -32000, 7, -7, 8, -8};
    EXPECT_EQ(ring.Space(), 4u);
    EXPECT_EQ(ring.Write(second.data(), 5), 4u);
    EXPECT_EQ(ring.Available(), 5u);
    std::vector<std::int16_t> mixed(12, 1000);
    EXPECT_EQ(ring.MixInto(mixed.data(), 6), 5u);
    EXPECT_EQ(mixed, (std::vector<std::int16_t>{1003, 997, 1004, 996, 1005, 995, 32767, -31000, 1007, 993,
                                                1000, 1000}));
    EXPECT_EQ(ring.FramesConsumed(), 7u);
    EXPECT_EQ(ring.Available(), 0u);
}

class SounderRules : public ::testing::Test {
protected:
    SounderRules()
    {
        sounder.music_files = {"graph\\music\\a.wav", "graph\\music\\b.wav"};
        sounder.has_music = true;
    }
    RecordingSoundOutput output;
    Sounder sounder;
};

TEST_F(SounderRules, EventSoundsAndTheLoopNeverPlayTogether)
{
    SwitchMusicOn(output, sounder);
    EXPECT_TRUE(sounder.music_playing);
    SwitchMusicOn(output, sounder);  // already playing: not started again
    EXPECT_EQ(output.played, (std::vector<std::string>{"loop graph\\music\\a.wav"}));
    // Event sounds on stop the loop at once.
    SwitchEventSounds(output, sounder, true);
    EXPECT_TRUE(sounder.sounds_on);
    EXPECT_FALSE(sounder.music_playing);
    EXPECT_EQ(output.played.back(), "stop");
    // Music off together with event sounds off: silence.
    SwitchMusicOff(output, sounder, true);
    EXPECT_FALSE(sounder.sounds_on);
    // Without working sound nothing plays and nothing is switched on.
    sounder.sound_ok = false;
    SwitchEventSounds(output, sounder, true);
    SwitchMusicOn(output, sounder);
    EXPECT_FALSE(sounder.sounds_on);
    EXPECT_FALSE(sounder.music_playing);
}

TEST_F(SounderRules, AMusicIndexIsTakenOnlyInsideTheList)
{
    sounder.music_playing = true;
    SelectMusic(sounder, 2);
    SelectMusic(sounder, -1);
    EXPECT_EQ(sounder.music_index, 0);
    EXPECT_TRUE(sounder.music_playing);
    SelectMusic(sounder, 1);
    EXPECT_EQ(sounder.music_index, 1);
    EXPECT_FALSE(sounder.music_playing);  // the next start replaces the old loop
    SwitchMusicOn(output, sounder);
    EXPECT_EQ(output.played.back(), "loop graph\\music\\b.wav");
}

TEST_F(SounderRules, PlayerMusicTakesTheLoopsPlaceUntilASoftwareTab)
{
    StartMusic(output, sounder);
    PlayerMusicStarts(output, sounder);
    EXPECT_FALSE(sounder.music_playing);
    EXPECT_TRUE(sounder.player_music);
    SoftwareTabChosen(output, sounder);
    EXPECT_TRUE(sounder.music_playing);
    EXPECT_FALSE(sounder.player_music);
    EXPECT_EQ(output.played, (std::vector<std::string>{"loop graph\\music\\a.wav", "stop", "loop graph\\music\\a.wav"}));
    // With event sounds on the loop does not come back, and the mark stays.
    PlayerMusicStarts(output, sounder);
    sounder.sounds_on = true;
    SoftwareTabChosen(output, sounder);
    EXPECT_FALSE(sounder.music_playing);
    EXPECT_TRUE(sounder.player_music);
}

}  // namespace
