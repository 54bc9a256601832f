// Recording doubles of the two music players: each call is appended to `calls`, and the modes
// follow the players' life cycle the way the real ones do.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sound/MusicPlayers.h"

class RecordingDecoder : public DecoderPlayer {
public:
    std::vector<std::string> calls;
    Mode mode = Mode::Closed;
    int position = 0;
    int size = 0;
    // Runs as Stop begins, as the player's own thread may while it is being stopped.
    std::function<void()> on_stop;

    Mode PlayerMode() override { return mode; }
    void SetInputName(const std::string& file) override { calls.push_back("mp3 name " + file); }
    void Open() override { Do("mp3 open", Mode::Opened); }
    void InitStream() override { Do("mp3 init", Mode::Ready); }
    void Play() override { Do("mp3 play", Mode::Playing); }
    void Pause() override { Do("mp3 pause", Mode::Paused); }
    void Resume() override { Do("mp3 resume", Mode::Playing); }
    void Stop() override
    {
        if (on_stop)
            on_stop();
        Do("mp3 stop", Mode::Stopped);
    }
    void Close() override { Do("mp3 close", Mode::Closed); }
    int GetPosition() override { return position; }
    int GetSize() override { return size; }

private:
    void Do(const char* what, Mode next)
    {
        calls.push_back(what);
        mode = next;
    }
};

class RecordingSequencer : public SequencerDevice {
public:
    std::vector<std::string> calls;
    Mode mode = Mode::NotReady;
    int position = 0;
    int length = 0;

    Mode DeviceMode() override { return mode; }
    void OpenDevice() override { Do("midi device", Mode::Open); }
    void OpenFile(const std::string& file) override { Do(("midi open " + file).c_str(), Mode::Stopped); }
    void Play() override { Do("midi play", Mode::Playing); }
    void Stop() override { Do("midi stop", Mode::Stopped); }
    void Pause() override { Do("midi pause", Mode::Paused); }
    void Resume() override { Do("midi resume", Mode::Playing); }
    int Length() override { return length; }
    int Position() override { return position; }

    // The file played to its end.
    void End()
    {
        mode = Mode::Stopped;
        if (OnNotify)
            OnNotify();
    }

private:
    void Do(const std::string& what, Mode next)
    {
        calls.push_back(what);
        mode = next;
    }
};
