// Event sounds held in memory and the sound state every part of the program reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disc/PathResolver.h"

// One sound file read whole into memory. Holders of the same file name share one copy of the data.
class SoundFile {
public:
    // Reads the file a disc path names, in pieces of 20480 bytes: 0 on success, -2 for an empty
    // name, -1 when there is no memory for it, otherwise the system's error number of the open or
    // the read (EFBIG for a file over the cap on disc files). A holder that fails stays empty and
    // makes no sound.
    int Load(const PathResolver& resolver, const std::string& name);

    bool HasData() const { return data_ != nullptr; }
    // The whole file; shared, so that a sound still playing outlives its holder.
    const std::shared_ptr<const std::string>& Data() const { return data_; }
    const std::string& Name() const { return name_; }

private:
    std::shared_ptr<const std::string> data_;
    std::string name_;
};

// The platform's simple sound player: one sound at a time, a new one replaces the old.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts a sound held in memory (a whole WAV file) and returns at once; the player keeps
    // its share of the data for as long as it plays.
    virtual void PlayFromMemory(std::shared_ptr<const std::string> wav) = 0;
    // Loops a WAV file, named by a disc path, until stopped.
    virtual void PlayLoop(const std::string& disc_path) = 0;
    // Stops whatever plays.
    virtual void StopAll() = 0;
    // Whether sound can be heard at all (false where there is no audio device).
    virtual bool Works() const { return true; }
};

// Sound output for a machine without audio: every call is accepted and nothing is heard.
class SilentSoundOutput : public SoundOutput {
public:
    void PlayFromMemory(std::shared_ptr<const std::string>) override {}
    void PlayLoop(const std::string&) override {}
    void StopAll() override {}
};

// The sound state: event sounds and background music exclude each other.
struct Sounder {
    bool player_music = false;  // background music gave way to player music
    bool sound_ok = true;       // sound output usable
    bool sounds_on = false;     // event sounds are on
    bool has_music = false;     // there are background music files
    bool music_playing = false; // a background music file is looping now
    std::vector<std::string> music_files;
    std::int32_t music_index = 0;

    // An event sound plays when sound works, event sounds are on and the sound has data.
    bool MayPlay(const SoundFile& sound) const { return sound_ok && sounds_on && sound.HasData(); }
};

// Plays an event sound by the one rule every owner follows.
void PlayEventSound(SoundOutput& output, const Sounder& sounder, const SoundFile& sound);

// The background music and how it gives way. Every rule asks for sound_ok where it plays.
// Loops the file at music_index (an index outside the list plays nothing); music_playing.
void StartMusic(SoundOutput& output, Sounder& sounder);
// Stops the loop if one plays.
void StopMusic(SoundOutput& output, Sounder& sounder);
// The user's choices, applied by these rules: event sounds on stop the loop first; a new music
// index is taken only inside the list and with music there; music off also turns event sounds off
// when they were switched off with it; music on starts the loop unless it plays.
void SwitchEventSounds(SoundOutput& output, Sounder& sounder, bool on);
void SelectMusic(Sounder& sounder, std::int32_t index);
void SwitchMusicOff(SoundOutput& output, Sounder& sounder, bool event_sounds_off);
void SwitchMusicOn(SoundOutput& output, Sounder& sounder);
// Player music starts: the loop gives way and is to come back on a software tab.
void PlayerMusicStarts(SoundOutput& output, Sounder& sounder);
// A software tab is chosen while the mp3 player does not play: the loop comes back if player
// music took its place and event sounds are off.
void SoftwareTabChosen(SoundOutput& output, Sounder& sounder);
