// The MIDI sequencer the music tabs play `.mid` and `.rmi` tracks with: a media-player-like
// device with modes, open/close, play/stop/pause/resume, length and position in milliseconds and
// a notification when a track has played to its end.
//
// The music is made by FluidSynth with the General MIDI SoundFont, rendered at 44,100 Hz stereo on
// the sequencer's own thread into an AudioRing that the audio device's callback reads. The
// position is the time heard: the frames the ring's reader has taken since the track started.
// Without a SoundFont the tracks play silently (one line on standard error says so): modes,
// length, position and the end notification work all the same. A ring whose reader is lost for
// good (the device gone) takes what is written as heard: a track then ends as soon as it starts.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sound/AudioRing.h"

class DiscFs;
class MidiFile;

// The device's modes, as the old media player named them.
enum class SequencerMode { mpNotReady, mpStopped, mpPlaying, mpPaused, mpOpen };

class Sequencer {
public:
    // Runs a function on the user-interface thread, later (a queued call).
    using Post = std::function<void(std::function<void()>)>;

    struct Options {
        // The SoundFont to play with; empty: the General MIDI SoundFont the system installs.
        std::string soundfont;
        // Drops the frames waiting in the ring, with its reader held off (a stop is heard at
        // once instead of after the ring's length). Optional.
        std::function<void()> drop_queued;
        // Holds off (true) or lets go (false) the ring's reader, so that a pause is heard at once
        // and the frames waiting in the ring are kept for the resume. Optional.
        std::function<void(bool)> hold_reader;
    };

    Sequencer(AudioRing& ring, Post post);
    Sequencer(AudioRing& ring, Post post, Options options);
    ~Sequencer();
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Opens the device without a track (mode mpOpen). Always succeeds: without a SoundFont or
    // a synthesiser the tracks are silent.
    void Open();
    // Closes any track and opens the one at `path` (a host path, `.mid` or `.rmi`); mode
    // mpStopped at its start. Throws MidiFileError (with a message for the user) when the file
    // cannot be read or is not a MIDI file the sequencer plays; the device then stays open
    // without a track.
    void Open(const std::string& path);
    // The same for the track `path` of `disc`, its bytes read through the disc.
    void Open(const DiscFs& disc, const std::filesystem::path& path);
    // Stops and closes the track and the device (mode mpNotReady). No notification follows.
    void Close();

    // Plays the open track from its start; resumes a paused track; nothing while it plays or
    // without a track.
    void Play();
    // Stops a playing or paused track (mode mpStopped) and silences it; the position holds until
    // the next Play. No notification.
    void Stop();
    // Pauses a playing track: the position holds until Resume (or Play).
    void Pause();
    void Resume();

    SequencerMode Mode() const;
    // Length of the open track and time heard of it, in milliseconds (0 without a track).
    std::int64_t Length() const;
    std::int64_t Position() const;

    // Called on the user-interface thread once each time a track plays to its natural end (the
    // mode is then mpStopped). Never after Stop, Close, a new Open or the destructor.
    void SetNotify(std::function<void()> on_end);

    // The SoundFont found on this system (TimGM6mb first, then any in /usr/share/sounds/sf2), or
    // an empty text.
    static std::string FindSoundFont();

private:
    struct Synth;     // the FluidSynth objects
    struct Shared;    // what the posted notifications may still see after the sequencer is gone

    void OpenDevice();
    void CloseTrack();                  // mutex not held: joins the render thread
    void StartFromTop();                // mutex held
    void Silence();                     // mutex held: drops what is queued and lets the reader go
    void RenderLoop();
    std::uint64_t HeardFrames() const;  // mutex held

    AudioRing& ring_;
    Post post_;
    Options options_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Synth> synth_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    SequencerMode mode_ = SequencerMode::mpNotReady;
    bool quit_ = false;
    std::unique_ptr<MidiFile> track_;
    std::uint64_t total_frames_ = 0;     // the track's length in frames
    std::uint64_t rendered_frames_ = 0;  // frames written into the ring since the track started
    std::uint64_t base_consumed_ = 0;    // the ring's consumed count where the track's first frame lies
    std::uint64_t stopped_at_ = 0;       // frames heard when the track stopped
};
