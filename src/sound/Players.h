// The two real music players as the music playback sees them: item 0 of the decoder-module
// player for mp3 files, and the sequencer for MIDI files. Track files are disc paths; they are
// found through the path resolver before a player opens them.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "disc/PathResolver.h"
#include "sound/ElSounds.h"
#include "sound/MusicPlayers.h"

class Sequencer;

class ElDecoderPlayer : public DecoderPlayer {
public:
    // Wraps the player's input-close handler, so that a module that closes the input of a
    // playing track (its last sample heard, the stream read to its end or ended early on a read
    // or decoding error) raises OnInputEnd; the handler it found is put back on destruction.
    ElDecoderPlayer(TElPlayer& player, const PathResolver& resolver);
    ~ElDecoderPlayer() override;
    ElDecoderPlayer(const ElDecoderPlayer&) = delete;
    ElDecoderPlayer& operator=(const ElDecoderPlayer&) = delete;

    Mode PlayerMode() override;
    void SetInputName(const std::string& file) override;
    void Open() override
    {
        playing_.store(false);
        player_.Open();
    }
    void InitStream() override { player_.InitStream(); }
    void Play() override;
    void Pause() override { player_.Pause(); }
    void Resume() override { player_.Resume(); }
    void Stop() override;
    void Close() override;
    int GetPosition() override { return player_.GetPosition(); }
    int GetSize() override { return player_.GetSize(); }

private:
    TElPlayer& player_;
    const PathResolver& resolver_;
    TElSInputCloseEvent saved_close_;
    // From the play of a track until it is stopped or closed: an input close meanwhile is the
    // module's own doing. Read on the module's thread.
    std::atomic<bool> playing_{false};
};

class SequencerPlayer : public SequencerDevice {
public:
    // `sequencer` notifies through this player's OnNotify.
    SequencerPlayer(Sequencer& sequencer, const PathResolver& resolver);
    ~SequencerPlayer() override;
    SequencerPlayer(const SequencerPlayer&) = delete;
    SequencerPlayer& operator=(const SequencerPlayer&) = delete;

    Mode DeviceMode() override;
    void OpenDevice() override;
    void OpenFile(const std::string& file) override;
    void Play() override;
    void Stop() override;
    void Pause() override;
    void Resume() override;
    int Length() override;
    int Position() override;

private:
    Sequencer& sequencer_;
    const PathResolver& resolver_;
};

// The MIDI device opened when it is first used instead of at the start: opening it loads the
// SoundFont, which took longer than anything else of the start but the pictures. Until then it
// answers as the opened device does; every other call opens it first.
class SequencerOpenedOnUse : public SequencerDevice {
public:
    explicit SequencerOpenedOnUse(std::unique_ptr<SequencerDevice> device);

    Mode DeviceMode() override { return opened_ ? device_->DeviceMode() : Mode::Open; }
    void OpenDevice() override { Use(); }
    void OpenFile(const std::string& file) override { Use().OpenFile(file); }
    void Play() override { Use().Play(); }
    void Stop() override { Use().Stop(); }
    void Pause() override { Use().Pause(); }
    void Resume() override { Use().Resume(); }
    int Length() override { return Use().Length(); }
    int Position() override { return Use().Position(); }

    bool Opened() const { return opened_; }

private:
    SequencerDevice& Use();

    std::unique_ptr<SequencerDevice> device_;
    bool opened_ = false;
};
