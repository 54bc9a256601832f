// The music of the music tabs: plays the selected track with the player its extension names (mp3
// through the decoder module, mid and rmi through the sequencer), goes on to the next track two
// seconds after the end of each one, shows the track and its remaining time on the music strip,
// and gives the looping background music way while it plays.
#pragma once

#include <QTimer>

#include <map>
#include <string>

#include "elements/ControlPanels.h"
#include "elements/MainFrame.h"
#include "sound/MusicPlayers.h"
#include "sound/Sounds.h"

class MusicPlayback {
public:
    // The kinds of player a file extension names.
    enum Kind : unsigned char { kNone = 0, kDecoder = 1, kSequencer = 2, kUnplayable = 3 };
    static constexpr int kAdvanceMs = 2000;
    static constexpr int kClockMs = 1000;

    MusicPlayback(MainFrame& frame, DecoderPlayer& decoder, SequencerDevice& sequencer, Sounder& sounder,
                  SoundOutput& sound);
    ~MusicPlayback();
    MusicPlayback(const MusicPlayback&) = delete;
    MusicPlayback& operator=(const MusicPlayback&) = delete;

    // The music control panel, once it is built (its construction already presses stop).
    void SetPanel(MControlPanel* panel) { panel_ = panel; }

    // The panel's buttons.
    void Play();
    void Pause();
    void Stop();
    void PreviousTrack();
    void NextTrack();

    // A track has been heard to its end (the mp3 player's, whether the file ended or broke off
    // early, or the sequencer's, unless the user stopped it): on the user-interface thread, for the
    // track of generation `generation`; a stop or a change of track since then makes it stale,
    // and it is dropped. The next track follows after kAdvanceMs; while the track is paused, it
    // is due from the resume.
    void TrackEnded(unsigned generation);
    unsigned Generation() const { return generation_; }

    // The music tab is chosen (one clock tick, then the clock runs) or left (the clock stops, and
    // the background loop comes back if the music took its place).
    void MusicTabShown();
    void SoftwareTabShown();

    // The timers' work.
    void AdvanceTick();
    void ClockTick();

    Kind PlayerKind() const { return kind_; }
    bool StoppedByUser() const { return stopped_by_user_; }
    int Track() const { return track_; }
    const QTimer& AdvanceTimer() const { return advance_; }
    const QTimer& ClockTimer() const { return clock_; }
    // The file given to play file last, shared by the whole program.
    static std::string& LastFile();

private:
    void PlayFile(const std::string& file);
    // Open and play `file` with the player of its kind.
    void StartDecoder(const std::string& file);
    void StartSequencer(const std::string& file);
    void StopPlayers();
    void StartTrack(bool advancing);
    void Move(int step);
    void StopBackgroundLoop();
    // Give the mp3 player's and the sequencer's end reports the current generation.
    void WatchDecoderEnd();
    void WatchSequencerEnd();
    // A track starts: a new generation, nothing due.
    void BeginTrack();
    bool Paused();
    // After the end of the track: the stopped look after the last one, else the next one in `ms`.
    void FollowEnd(int ms);
    // The advance timer stopped with what was left of it kept as due, carried out by a resume,
    // or dropped.
    void HoldAdvance();
    void ResumeAdvance();
    void CancelAdvance();
    int TrackCount() const;
    const SoftTabElement* TrackAt(int track) const;
    static std::string FileOf(const SoftTabElement& track);
    Kind KindOf(const std::string& file) const;
    void ShowStopped();
    void PressStop();

    MainFrame& frame_;
    DecoderPlayer& decoder_;
    SequencerDevice& sequencer_;
    Sounder& sounder_;
    SoundOutput& sound_;
    MControlPanel* panel_ = nullptr;
    std::map<std::string, Kind> extensions_;
    Kind kind_ = kNone;
    bool stopped_by_user_ = false;
    int music_tab_ = 0;
    int music_sub_ = 0;
    int track_ = 0;
    // Changes with every start and stop of a track, on the user-interface thread only.
    unsigned generation_ = 0;
    // What was left of the advance timer when a pause stopped it; -1 when nothing is due.
    int advance_due_ms_ = -1;
    QTimer advance_;
    QTimer clock_;
};
