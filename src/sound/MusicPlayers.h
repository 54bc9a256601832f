// What the music playback of the music tabs needs of its two players: the mp3 player (the
// decoder module) and the MIDI sequencer. The playback decides; the players only do what they are
// told, so the decisions can be checked with recording players.
#pragma once

#include <functional>
#include <string>

class DecoderPlayer {
public:
    enum class Mode { Closed, Opened, Ready, Stopped, Playing, Paused };

    virtual ~DecoderPlayer() = default;
    virtual Mode PlayerMode() = 0;
    virtual void SetInputName(const std::string& file) = 0;
    virtual void Open() = 0;
    virtual void InitStream() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Stop() = 0;
    virtual void Close() = 0;
    // Milliseconds; -1 when there is no answer.
    virtual int GetPosition() = 0;
    virtual int GetSize() = 0;

    // Raised on the player's own thread once the track being played has been heard to its end:
    // the last sample of the file, or of what was decoded of a file that ended early (a read or
    // decoding error). Assigned while no file is open.
    std::function<void()> OnInputEnd;
};

class SequencerDevice {
public:
    enum class Mode { NotReady, Open, Stopped, Playing, Paused };

    virtual ~SequencerDevice() = default;
    virtual Mode DeviceMode() = 0;
    // Opens the device itself, without a file (time format milliseconds).
    virtual void OpenDevice() = 0;
    // Opens `file` (a host path) for playing.
    virtual void OpenFile(const std::string& file) = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Milliseconds.
    virtual int Length() = 0;
    virtual int Position() = 0;

    // Raised on the user-interface thread when a file has played to its natural end.
    std::function<void()> OnNotify;
};

// Players for a menu without music: the mp3 player never opens, the sequencer opens and plays
// nothing.
class NoDecoderPlayer : public DecoderPlayer {
public:
    Mode PlayerMode() override { return Mode::Closed; }
    void SetInputName(const std::string&) override {}
    void Open() override {}
    void InitStream() override {}
    void Play() override {}
    void Pause() override {}
    void Resume() override {}
    void Stop() override {}
    void Close() override {}
    int GetPosition() override { return -1; }
    int GetSize() override { return -1; }
};

class NoSequencer : public SequencerDevice {
public:
    Mode DeviceMode() override { return mode_; }
    void OpenDevice() override { mode_ = Mode::Open; }
    void OpenFile(const std::string&) override { mode_ = Mode::Stopped; }
    void Play() override {}
    void Stop() override {}
    void Pause() override {}
    void Resume() override {}
    int Length() override { return 0; }
    int Position() override { return 0; }

private:
    Mode mode_ = Mode::NotReady;
};
