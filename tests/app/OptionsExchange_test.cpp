// Applying an accepted options choice to the sound state and the wallpaper show, with a recording
// sound output, a recording mp3 player and a real wallpaper window on a stated desktop.
#include "app/OptionsExchange.h"

#include <gtest/gtest.h>

#include <QImage>

#include "demo/DemoFormats.h"
#include "platform/EventErrors.h"
#include "support/RecordingPlayers.h"
#include "support/RecordingSound.h"
#include "support/TempDir.h"

namespace {

class OptionsExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetEventErrorHandler([this](const std::string& text) { reports.push_back(text); });
        QImage tile(16, 16, QImage::Format_RGB32);
        tile.fill(Qt::darkCyan);
        disc.Write("wp/one/a.jpg", EncodedPicture(tile, "JPG"));
        disc.Write("wp/two/b.jpg", EncodedPicture(tile, "JPG"));
        disc.Write("wp/broken/c.jpg", "not a picture");
        description.wallpapers = {{"wp\\one\\", "wp\\two\\", "wp\\broken\\"}, 60};
        description.music_files = {"music\\a.wav", "music\\b.wav"};
        sounder.music_files = description.music_files;
        sounder.has_music = true;
        sounder.sounds_on = true;  // as the start leaves it
        wallpaper = std::make_unique<TWPForm>(nullptr, description.wallpapers, PathResolver(disc.path()),
                                              DesktopFacts{QRect(0, 0, 800, 600), 24});
    }
    void TearDown() override { SetEventErrorHandler(nullptr); }

    OptionsSubjects Subjects()
    {
        return {sound, sounder, decoder, *wallpaper, description, languages, 0, false};
    }
    // The current settings with the user's changes made by `edit`, applied.
    template <class Edit>
    void Accept(Edit edit)
    {
        OptionsState r = GetOptionsState(Subjects());
        edit(r);
        ApplyOptions(Subjects(), r);
    }

    TempDir disc;
    Inf_shell description;
    std::vector<lang_inf> languages{lang_inf{}};
    RecordingSoundOutput sound;
    RecordingDecoder decoder;
    Sounder sounder;
    std::unique_ptr<TWPForm> wallpaper;
    std::vector<std::string> reports;
};

TEST_F(OptionsExchangeTest, TheStateShowsWhatMayChange)
{
    OptionsState r = GetOptionsState(Subjects());
    EXPECT_TRUE(r.sound_offered);
    EXPECT_FALSE(r.event_sounds_off);
    EXPECT_TRUE(r.music_offered);
    EXPECT_TRUE(r.background_music_off);
    EXPECT_EQ(r.music_list, &description.music_files);
    EXPECT_FALSE(r.cursor_offered);
    EXPECT_FALSE(r.language_offered);
    EXPECT_EQ(r.language_list, &languages);
    EXPECT_TRUE(r.wallpaper_offered);
    EXPECT_TRUE(r.wallpapers_off);  // not shown yet
    EXPECT_EQ(r.wallpaper_set, &description.wallpapers);

    // While the mp3 player plays, neither event sounds nor the music may change.
    decoder.mode = DecoderPlayer::Mode::Playing;
    r = GetOptionsState(Subjects());
    EXPECT_FALSE(r.sound_offered);
    EXPECT_FALSE(r.music_offered);
    EXPECT_TRUE(r.background_music_off);
    decoder.mode = DecoderPlayer::Mode::Closed;

    // Music that gave way to player music counts as off and is not offered.
    sounder.music_playing = true;
    sounder.player_music = true;
    r = GetOptionsState(Subjects());
    EXPECT_FALSE(r.music_offered);
    EXPECT_TRUE(r.background_music_off);

    // Without music files there is no music section.
    sounder = Sounder{};
    r = GetOptionsState(Subjects());
    EXPECT_FALSE(r.music_offered);
}

TEST_F(OptionsExchangeTest, EventSoundsAndBackgroundMusicTakeTurns)
{
    // Unchanged, with event sounds on: nothing is heard or changed.
    Accept([](OptionsState&) {});
    EXPECT_TRUE(sound.played.empty());
    EXPECT_TRUE(sounder.sounds_on);

    // Event sounds off and music on (the options window allows only both at once): the loop.
    Accept([](OptionsState& r) {
        r.event_sounds_off = true;
        r.background_music_off = false;
    });
    EXPECT_FALSE(sounder.sounds_on);
    EXPECT_TRUE(sounder.music_playing);
    EXPECT_EQ(sound.played, std::vector<std::string>{"loop music\\a.wav"});

    // Accepted again unchanged: the loop is not restarted.
    Accept([](OptionsState&) {});
    EXPECT_EQ(sound.played.size(), 1u);

    // Another piece: the loop changes to it.
    Accept([](OptionsState& r) { r.music_index = 1; });
    EXPECT_EQ(sounder.music_index, 1);
    EXPECT_EQ(sound.played.back(), "loop music\\b.wav");

    // Typed text in the music box selects nothing (-1), an index past the list neither: the
    // piece stays and nothing reads outside the list.
    for (const int index : {-1, 2}) {
        const std::size_t before = sound.played.size();
        Accept([index](OptionsState& r) { r.music_index = index; });
        EXPECT_EQ(sounder.music_index, 1);
        EXPECT_EQ(sound.played.size(), before);
    }

    // Event sounds back on: the loop stops, event sounds play again.
    Accept([](OptionsState& r) {
        r.event_sounds_off = false;
        r.background_music_off = true;
    });
    EXPECT_EQ(sound.played.back(), "stop");
    EXPECT_FALSE(sounder.music_playing);
    EXPECT_TRUE(sounder.sounds_on);

    // Both off: silence.
    Accept([](OptionsState& r) {
        r.event_sounds_off = true;
        r.background_music_off = true;
    });
    EXPECT_FALSE(sounder.sounds_on);
    EXPECT_FALSE(sounder.music_playing);
}

TEST_F(OptionsExchangeTest, SectionsNotOfferedAreNotApplied)
{
    decoder.mode = DecoderPlayer::Mode::Playing;
    OptionsState busy = GetOptionsState(Subjects());
    busy.event_sounds_off = true;
    busy.background_music_off = false;
    busy.music_index = 1;
    ApplyOptions(Subjects(), busy);
    EXPECT_TRUE(sounder.sounds_on);
    EXPECT_FALSE(sounder.music_playing);
    EXPECT_EQ(sounder.music_index, 0);
    EXPECT_TRUE(sound.played.empty());

    // Without a working output only the player-music mark is cleared.
    decoder.mode = DecoderPlayer::Mode::Closed;
    sounder.sound_ok = false;
    sounder.player_music = true;
    sounder.music_playing = true;
    Accept([](OptionsState& r) { r.event_sounds_off = false; });
    EXPECT_FALSE(sounder.player_music);
    EXPECT_TRUE(sound.played.empty());
}

TEST_F(OptionsExchangeTest, TheWallpaperFollowsItsBoxAndFolder)
{
    Accept([](OptionsState& r) { r.wallpapers_off = false; });
    EXPECT_TRUE(wallpaper->isVisible());
    EXPECT_EQ(wallpaper->CurrentFile(), "wp\\one\\a.jpg");

    Accept([](OptionsState& r) { r.wallpaper_index = 1; });
    EXPECT_EQ(wallpaper->folder_index, 1);
    EXPECT_EQ(wallpaper->CurrentFile(), "wp\\two\\b.jpg");

    // An index outside the folders (or none) changes nothing.
    Accept([](OptionsState& r) { r.wallpaper_index = -1; });
    Accept([](OptionsState& r) { r.wallpaper_index = 7; });
    EXPECT_EQ(wallpaper->folder_index, 1);

    // A folder whose picture does not load is reported, and the music choice made with it is
    // applied all the same.
    Accept([](OptionsState& r) {
        r.wallpaper_index = 2;
        r.event_sounds_off = true;
        r.background_music_off = false;
    });
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(wallpaper->CurrentFile(), "wp\\two\\b.jpg");
    EXPECT_TRUE(sounder.music_playing);

    Accept([](OptionsState& r) { r.wallpapers_off = true; });
    EXPECT_FALSE(wallpaper->isVisible());
    EXPECT_FALSE(wallpaper->Timer1->isActive());
}

}  // namespace
