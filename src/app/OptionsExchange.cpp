#include "app/OptionsExchange.h"

#include "platform/EventErrors.h"

OptionsState GetOptionsState(const OptionsSubjects& s)
{
    const Sounder& sounder = s.sounder;
    const bool player_plays = s.decoder.PlayerMode() == DecoderPlayer::Mode::Playing;
    OptionsState r;
    r.sound_offered = !player_plays;
    r.event_sounds_off = !(sounder.sound_ok && sounder.sounds_on);
    r.music_offered = sounder.has_music && !sounder.player_music && !player_plays;
    r.background_music_off = !sounder.music_playing || sounder.player_music || player_plays;
    r.music_index = sounder.music_index;
    r.music_list = &s.description.music_files;
    r.player_music = sounder.player_music;
    r.cursor_offered = false;
    r.standard_cursors = s.cursors_off;
    r.wallpaper_offered = s.wallpaper.available;
    r.wallpapers_off = !s.wallpaper.isVisible();
    r.wallpaper_index = s.wallpaper.folder_index;
    r.wallpaper_set = &s.description.wallpapers;
    r.language_offered = false;
    r.language_index = s.language_index;
    r.language_list = &s.languages;
    return r;
}

void ApplyOptions(const OptionsSubjects& s, const OptionsState& r)
{
    if (r.sound_offered)
        SwitchEventSounds(s.sound, s.sounder, !r.event_sounds_off);

    if (r.wallpaper_offered) {
        s.wallpaper.setVisible(!r.wallpapers_off);
        // A wallpaper that does not load is reported like any picture; the music choice below
        // is applied all the same.
        if (r.wallpaper_index != s.wallpaper.folder_index)
            GuardEvent([&] { s.wallpaper.ShowFolder(r.wallpaper_index); });
    }

    if (r.music_offered) {
        // An index outside the list (-1: nothing selected) keeps the current one.
        SelectMusic(s.sounder, r.music_index);
        if (r.background_music_off)
            SwitchMusicOff(s.sound, s.sounder, r.event_sounds_off);
        else
            SwitchMusicOn(s.sound, s.sounder);
    }
}
