#include "sound/Players.h"

#include <algorithm>
#include <limits>

#include "sound/Sequencer.h"

ElDecoderPlayer::ElDecoderPlayer(TElPlayer& player, const PathResolver& resolver)
    : player_(player), resolver_(resolver), saved_close_(player.OnInputClose)
{
    // The module closes the input of a playing track once the track's last sample has been heard
    // (at the end of the file, or after a read or decoding error), and only then: the end of the
    // reading comes earlier, by more than the gap before the next track for a low bitrate.
    player_.OnInputClose = [this](TElPlayer& sender, ESUserData user_data, bool& success) {
        if (saved_close_)
            saved_close_(sender, user_data, success);
        if (playing_.load() && OnInputEnd)
            OnInputEnd();
    };
}

ElDecoderPlayer::~ElDecoderPlayer()
{
    player_.OnInputClose = saved_close_;
}

void ElDecoderPlayer::Play()
{
    // Before the module is told: a short track may end before the call returns.
    playing_.store(true);
    try {
        player_.Play();
    } catch (...) {
        playing_.store(false);
        throw;
    }
}

void ElDecoderPlayer::Stop()
{
    playing_.store(false);
    player_.Stop();
}

void ElDecoderPlayer::Close()
{
    playing_.store(false);
    player_.Close();
}

DecoderPlayer::Mode ElDecoderPlayer::PlayerMode()
{
    switch (player_.GetPlayerMode()) {
    case TElSPlayerMode::pmOpened: return Mode::Opened;
    case TElSPlayerMode::pmReady: return Mode::Ready;
    case TElSPlayerMode::pmStopped: return Mode::Stopped;
    case TElSPlayerMode::pmPlaying: return Mode::Playing;
    case TElSPlayerMode::pmPaused: return Mode::Paused;
    case TElSPlayerMode::pmClosed: break;
    }
    return Mode::Closed;
}

void ElDecoderPlayer::SetInputName(const std::string& file)
{
    player_.SetInputName(resolver_.Resolve(file).string());
}

SequencerPlayer::SequencerPlayer(Sequencer& sequencer, const PathResolver& resolver)
    : sequencer_(sequencer), resolver_(resolver)
{
    sequencer_.SetNotify([this] {
        if (OnNotify)
            OnNotify();
    });
}

SequencerPlayer::~SequencerPlayer()
{
    sequencer_.SetNotify({});
}

SequencerDevice::Mode SequencerPlayer::DeviceMode()
{
    switch (sequencer_.Mode()) {
    case SequencerMode::mpOpen: return Mode::Open;
    case SequencerMode::mpStopped: return Mode::Stopped;
    case SequencerMode::mpPlaying: return Mode::Playing;
    case SequencerMode::mpPaused: return Mode::Paused;
    case SequencerMode::mpNotReady: break;
    }
    return Mode::NotReady;
}

void SequencerPlayer::OpenDevice()
{
    sequencer_.Open();
}

void SequencerPlayer::Play()
{
    sequencer_.Play();
}

void SequencerPlayer::Stop()
{
    sequencer_.Stop();
}

void SequencerPlayer::Pause()
{
    sequencer_.Pause();
}

void SequencerPlayer::Resume()
{
    sequencer_.Resume();
}

void SequencerPlayer::OpenFile(const std::string& file)
{
    sequencer_.Open(resolver_.Disc(), resolver_.Resolve(file));
}

namespace {
int Milliseconds(std::int64_t ms)
{
    return static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<int>::max()));
}
}  // namespace

int SequencerPlayer::Length()
{
    return Milliseconds(sequencer_.Length());
}

int SequencerPlayer::Position()
{
    return Milliseconds(sequencer_.Position());
}

SequencerOpenedOnUse::SequencerOpenedOnUse(std::unique_ptr<SequencerDevice> device) : device_(std::move(device))
{
    device_->OnNotify = [this] {
        if (OnNotify)
            OnNotify();
    };
}

SequencerDevice& SequencerOpenedOnUse::Use()
{
    if (!opened_) {
        opened_ = true;
        device_->OpenDevice();
    }
    return *device_;
}
