#include "sound/Players.h"

#include <algorithm>
#include <limits>

#include "sound/Sequencer.h"

ElDecoderPlayer::ElDecoderPlayer(TElPlayer& player, const PathResolver& resolver)
    : player_(player), resolver_(resolver), saved_read_(player.OnInputRead), saved_close_(player.OnInputClose)
{
    player_.OnInputRead = [this](TElPlayer& sender, ESUserData user_data, void* buffer, std::int32_t to_read,
                                 std::int32_t& bytes_read, bool& success) {
        if (saved_read_)
            saved_read_(sender, user_data, buffer, to_read, bytes_read, success);
        const std::int64_t size = FileInput::Size(user_data);
        if (size >= 0 && FileInput::Position(user_data) == size && OnInputEnd)
            OnInputEnd();
    };
    player_.OnInputClose = [this](TElPlayer& sender, ESUserData user_data, bool& success) {
        // A read that reached the end has said so already; the stream goes with the close.
        const std::int64_t size = FileInput::Size(user_data);
        const bool early = size >= 0 && FileInput::Position(user_data) < size;
        if (saved_close_)
            saved_close_(sender, user_data, success);
        if (early && playing_.load() && OnInputEnd)
            OnInputEnd();
    };
}

ElDecoderPlayer::~ElDecoderPlayer()
{
    player_.OnInputRead = saved_read_;
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
