// The settings exchange between the main window and the options window: what the options window
// is shown (the current settings and which of them may be changed), and how an accepted choice
// is applied to the sound state and the wallpaper show.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Description.h"
#include "model/Language.h"
#include "model/OptionsState.h"
#include "sound/MusicPlayers.h"
#include "sound/Sounds.h"
#include "windows/Wpform.h"

// What the main window owns that the settings stand for.
struct OptionsSubjects {
    SoundOutput& sound;
    Sounder& sounder;
    DecoderPlayer& decoder;  // while it plays, neither event sounds nor background music may change
    TWPForm& wallpaper;
    const Inf_shell& description;
    const std::vector<lang_inf>& languages;
    std::int32_t language_index;
    bool cursors_off;
};

// The current settings. The cursor and language options are never offered.
OptionsState GetOptionsState(const OptionsSubjects& s);

// Applies an accepted choice, section by section, each only where it was offered: event sounds,
// then the wallpaper show, then background music. The cursor and language parts are not applied.
void ApplyOptions(const OptionsSubjects& s, const OptionsState& r);
