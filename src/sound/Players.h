// The two real music players as the music playback sees them: item 0 of the decoder-module
// player for mp3 files, and the sequencer for MIDI files. Track files are disc paths; they are
// found through the path resolver before a player opens them.
#pragma once

#include <memory>
#include <string>

#include "platform/PathResolver.h"
#include "sound/ElSounds.h"
#include "sound/MusicPlayers.h"
#include "sound/Sequencer.h"

class ElDecoderPlayer : public DecoderPlayer {
public:
    // Wraps the player's input-read handler, so that a read that reaches the end of the file
    // raises OnInputEnd; the handler it found is put back on destruction.
    ElDecoderPlayer(TElPlayer& player, const PathResolver& resolver);
    ~ElDecoderPlayer() override;
    ElDecoderPlayer(const ElDecoderPlayer&) = delete;
    ElDecoderPlayer& operator=(const ElDecoderPlayer&) = delete;

    Mode PlayerMode() override;
    void SetInputName(const std::string& file) override;
    void Open() override { player_.Open(); }
    void InitStream() override { player_.InitStream(); }
    void Play() override { player_.Play(); }
    void Pause() override { player_.Pause(); }
    void Resume() override { player_.Resume(); }
    void Stop() override { player_.Stop(); }
    void Close() override { player_.Close(); }
    int GetPosition() override { return player_.GetPosition(); }
    int GetSize() override { return player_.GetSize(); }

private:
    TElPlayer& player_;
    const PathResolver& resolver_;
    TElSInputReadEvent saved_read_;
};

class SequencerPlayer : public SequencerDevice {
public:
    // `sequencer` notifies through this player's OnNotify.
    SequencerPlayer(Sequencer& sequencer, const PathResolver& resolver);
    ~SequencerPlayer() override;
    SequencerPlayer(const SequencerPlayer&) = delete;
    SequencerPlayer& operator=(const SequencerPlayer&) = delete;

    Mode DeviceMode() override;
    void OpenDevice() override { sequencer_.Open(); }
    void OpenFile(const std::string& file) override;
    void Play() override { sequencer_.Play(); }
    void Stop() override { sequencer_.Stop(); }
    void Pause() override { sequencer_.Pause(); }
    void Resume() override { sequencer_.Resume(); }
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
