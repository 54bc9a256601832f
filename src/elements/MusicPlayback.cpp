#include "elements/MusicPlayback.h"

#include <algorithm>
#include <cstdio>

MusicPlayback::MusicPlayback(MainFrame& frame, DecoderPlayer& decoder, SequencerDevice& sequencer,
                             Sounder& sounder, SoundOutput& sound)
    : frame_(frame), decoder_(decoder), sequencer_(sequencer), sounder_(sounder), sound_(sound)
{
    extensions_ = {{"mp3", kDecoder}, {"mid", kSequencer}, {"rmi", kSequencer}, {"mod", kUnplayable},
                   {"s3m", kUnplayable}};
    advance_.setInterval(kAdvanceMs);
    clock_.setInterval(kClockMs);
    QObject::connect(&advance_, &QTimer::timeout, [this] { AdvanceTick(); });
    QObject::connect(&clock_, &QTimer::timeout, [this] { ClockTick(); });
    WatchSequencerEnd();
    WatchDecoderEnd();
}

void MusicPlayback::WatchSequencerEnd()
{
    // The sequencer's notice of a track played to its end comes queued on this thread: it may
    // arrive once another track has started (an mp3, which leaves the stopped sequencer alone),
    // so it names the generation of the MIDI track it was given to, not the one current when it
    // arrives.
    const unsigned generation = generation_;
    sequencer_.OnNotify = [this, generation] {
        if (sequencer_.DeviceMode() == SequencerDevice::Mode::Stopped && !stopped_by_user_)
            TrackEnded(generation);
    };
}

void MusicPlayback::WatchDecoderEnd()
{
    // The mp3 player reports the end of a track heard on its own thread: the reaction runs on the
    // user-interface thread, for the generation of the track it was given to. The handler is
    // given anew, while no file is open, to each track that starts: whatever a track reports,
    // however late, names that track, and once it has been stopped or replaced it is dropped.
    // The timer is the context: a call still queued when the playback goes is dropped with it.
    const unsigned generation = generation_;
    decoder_.OnInputEnd = [this, generation] {
        QMetaObject::invokeMethod(&advance_, [this, generation] { TrackEnded(generation); },
                                  Qt::QueuedConnection);
    };
}

void MusicPlayback::BeginTrack()
{
    ++generation_;
    advance_due_ms_ = -1;
}

bool MusicPlayback::Paused()
{
    return decoder_.PlayerMode() == DecoderPlayer::Mode::Paused ||
           sequencer_.DeviceMode() == SequencerDevice::Mode::Paused;
}

void MusicPlayback::FollowEnd(int ms)
{
    if (track_ + 1 >= TrackCount()) {
        ShowStopped();
        frame_.SetMusicText("");
    } else {
        advance_.start(ms);
    }
}

void MusicPlayback::HoldAdvance()
{
    if (advance_.isActive()) {
        advance_due_ms_ = std::max(0, advance_.remainingTime());
        advance_.stop();
    }
}

void MusicPlayback::ResumeAdvance()
{
    if (advance_due_ms_ < 0)
        return;
    const int ms = advance_due_ms_;
    advance_due_ms_ = -1;
    FollowEnd(ms);
}

void MusicPlayback::CancelAdvance()
{
    advance_.stop();
    advance_due_ms_ = -1;
}

MusicPlayback::~MusicPlayback()
{
    // The players stop first (the mp3 player's thread is joined), so that nothing of theirs
    // reaches the elements while they go.
    advance_.stop();
    clock_.stop();
    StopPlayers();
    decoder_.OnInputEnd = nullptr;
    sequencer_.OnNotify = nullptr;
}

std::string& MusicPlayback::LastFile()
{
    static std::string last;
    return last;
}

std::string MusicPlayback::FileOf(const SoftTabElement& track)
{
    return track.setups.empty() ? std::string() : track.setups.front().first;
}

MusicPlayback::Kind MusicPlayback::KindOf(const std::string& file) const
{
    // The text after the last dot, compared exactly: "MP3" is not "mp3".
    const std::size_t dot = file.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);
    const auto it = extensions_.find(ext);
    return it == extensions_.end() ? kNone : it->second;
}

int MusicPlayback::TrackCount() const
{
    return static_cast<int>(frame_.SubRecord(music_tab_, music_sub_).entries.size());
}

const SoftTabElement* MusicPlayback::TrackAt(int track) const
{
    const std::vector<SoftTabElement>& tracks = frame_.SubRecord(music_tab_, music_sub_).entries;
    if (track < 0 || static_cast<std::size_t>(track) >= tracks.size())
        return nullptr;
    return &tracks[static_cast<std::size_t>(track)];
}

void MusicPlayback::ShowStopped()
{
    if (panel_ != nullptr)
        panel_->ShowStopped();
}

void MusicPlayback::PressStop()
{
    if (panel_ != nullptr)
        panel_->PressStop();
}

void MusicPlayback::StopBackgroundLoop()
{
    sound_.StopAll();
}

void MusicPlayback::Play()
{
    // A tab without sub-tabs has no track to play.
    if (!frame_.HasSubTabs())
        return;
    // Held, not dropped: a paused track resumed below still goes on to the next one.
    HoldAdvance();
    stopped_by_user_ = false;
    clock_.start();
    music_tab_ = frame_.Tab();
    music_sub_ = frame_.Sub();
    track_ = frame_.View(music_tab_, music_sub_).selected;
    // A track without a file, or a sub-tab without tracks, shows the stopped look.
    const SoftTabElement* track = TrackAt(track_);
    if (track == nullptr || FileOf(*track).empty()) {
        PressStop();
        return;
    }
    PlayerMusicStarts(sound_, sounder_);
    PlayFile(FileOf(*track));
}

void MusicPlayback::PlayFile(const std::string& file)
{
    using D = DecoderPlayer::Mode;
    using S = SequencerDevice::Mode;
    switch (decoder_.PlayerMode()) {
    case D::Playing:
        if (file == LastFile()) {
            ResumeAdvance();
            return;  // already playing
        }
        decoder_.Stop();
        decoder_.Close();
        break;
    case D::Opened:
    case D::Ready:
    case D::Stopped:
        decoder_.Close();
        break;
    case D::Paused:
        decoder_.Resume();
        ResumeAdvance();
        return;
    case D::Closed:
        break;
    }
    switch (sequencer_.DeviceMode()) {
    case S::NotReady:
        sequencer_.OpenDevice();
        break;
    case S::Playing:
        sequencer_.Stop();
        break;
    case S::Paused:
        sequencer_.Resume();
        ResumeAdvance();
        return;
    default:
        break;
    }
    // The track played before is over: its end no longer leads anywhere.
    BeginTrack();
    const Kind kind = KindOf(file);
    if (kind == kNone) {
        ShowStopped();
        LastFile() = file;
        return;
    }
    kind_ = kind;
    switch (kind) {
    case kDecoder:
        if (decoder_.PlayerMode() != D::Closed) {
            LastFile() = file;
            return;
        }
        StartDecoder(file);
        break;
    case kSequencer:
        StartSequencer(file);
        break;
    case kUnplayable:
        LastFile() = file;
        return;
    default:
        ShowStopped();
        LastFile() = file;
        return;
    }
    if (const SoftTabElement* selected = frame_.SelectedEntry())
        frame_.SetMusicText(selected->title);
    LastFile() = file;
}

void MusicPlayback::StartDecoder(const std::string& file)
{
    BeginTrack();
    WatchDecoderEnd();
    decoder_.SetInputName(file);
    decoder_.Open();
    decoder_.InitStream();
    StopBackgroundLoop();
    decoder_.Play();
}

void MusicPlayback::StartSequencer(const std::string& file)
{
    BeginTrack();
    WatchSequencerEnd();
    sequencer_.OpenFile(file);
    StopBackgroundLoop();
    sequencer_.Play();
}

void MusicPlayback::Pause()
{
    // The next track is due all the same: the resume carries it out.
    HoldAdvance();
    if (decoder_.PlayerMode() == DecoderPlayer::Mode::Playing)
        decoder_.Pause();
    if (sequencer_.DeviceMode() == SequencerDevice::Mode::Playing)
        sequencer_.Pause();
}

void MusicPlayback::Stop()
{
    stopped_by_user_ = true;
    CancelAdvance();
    clock_.stop();
    kind_ = kNone;
    StopPlayers();
    frame_.SetMusicText("");
}

void MusicPlayback::StopPlayers()
{
    using D = DecoderPlayer::Mode;
    switch (decoder_.PlayerMode()) {
    case D::Playing:
        decoder_.Stop();
        decoder_.Close();
        break;
    case D::Opened:
    case D::Ready:
    case D::Stopped:
    case D::Paused:
        decoder_.Close();
        break;
    case D::Closed:
        break;
    }
    // A paused sequencer is stopped too: play file would otherwise resume the old track.
    const SequencerDevice::Mode mode = sequencer_.DeviceMode();
    if (mode == SequencerDevice::Mode::Playing || mode == SequencerDevice::Mode::Paused)
        sequencer_.Stop();
    // Whatever the stopped track still reports is of a generation gone.
    ++generation_;
}

void MusicPlayback::Move(int step)
{
    // On a tab without sub-tabs previous and next do nothing, also while music plays.
    if (!frame_.HasSubTabs())
        return;
    if (kind_ == kNone) {
        // Nothing plays: the buttons only move the selection, and the track selected is the one
        // play will start.
        if (step > 0)
            frame_.NextEntry(frame_.Tab(), frame_.Sub());
        else
            frame_.PreviousEntry(frame_.Tab(), frame_.Sub());
        music_tab_ = frame_.Tab();
        music_sub_ = frame_.Sub();
        track_ = frame_.View(music_tab_, music_sub_).selected;
        return;
    }
    if (step > 0)
        frame_.NextTrack(music_tab_, music_sub_);
    else
        frame_.PreviousTrack(music_tab_, music_sub_);
    // Previous on the first track and next on the last change nothing: the track plays on, and
    // the next one stays due if it was.
    if (step < 0 ? track_ == 0 : track_ + 1 >= TrackCount())
        return;
    CancelAdvance();
    if (Paused())
        PressStop();
    StopPlayers();
    track_ += step;
    // The new track plays, whatever the stop button did: its end leads on, and the clock shows it.
    stopped_by_user_ = false;
    clock_.start();
    StartTrack(false);
}

void MusicPlayback::PreviousTrack()
{
    Move(-1);
}

void MusicPlayback::NextTrack()
{
    Move(+1);
}

void MusicPlayback::StartTrack(bool advancing)
{
    const SoftTabElement* track = TrackAt(track_);
    if (track == nullptr)
        return;
    const std::string file = FileOf(*track);
    if (file.empty())
        return;
    const Kind kind = KindOf(file);
    if (kind == kNone) {
        ShowStopped();
        return;
    }
    kind_ = kind;
    switch (kind) {
    case kDecoder:
        if (!advancing || decoder_.PlayerMode() == DecoderPlayer::Mode::Closed)
            StartDecoder(file);
        break;
    case kSequencer:
        if (sequencer_.DeviceMode() == SequencerDevice::Mode::NotReady)
            sequencer_.OpenDevice();
        StartSequencer(file);
        break;
    case kUnplayable:
        break;
    default:
        ShowStopped();
        break;
    }
    frame_.SetMusicText(track->title);
}

void MusicPlayback::AdvanceTick()
{
    CancelAdvance();
    frame_.NextTrack(music_tab_, music_sub_);
    if (track_ + 1 >= TrackCount()) {
        ShowStopped();
        frame_.SetMusicText("");
        return;
    }
    ++generation_;
    track_ += 1;
    StartTrack(true);
}

void MusicPlayback::TrackEnded(unsigned generation)
{
    if (generation != generation_)
        return;
    // A track paused just as it ended: what follows waits for the resume.
    if (Paused()) {
        advance_due_ms_ = kAdvanceMs;
        return;
    }
    FollowEnd(kAdvanceMs);
}

void MusicPlayback::ClockTick()
{
    if (!frame_.MusicStrip()->isVisible())
        return;
    const SoftTabElement* track = TrackAt(track_);
    std::string text = track != nullptr ? track->title.substr(0, 8) : std::string();
    long long m = 0;
    if (kind_ == kDecoder)
        m = static_cast<long long>(decoder_.GetSize()) - decoder_.GetPosition();
    else if (kind_ == kSequencer)
        m = static_cast<long long>(sequencer_.Length()) - sequencer_.Position();
    if (m < 0)
        m = 0;
    const long long seconds = (m / 1000) % 60;
    // Appended piece by piece (GCC 12 at -O3 takes the chain of temporaries for overlapping copies).
    text += ' ';
    text += std::to_string(m / 60000);
    text += seconds < 10 ? ":0" : ":";
    text += std::to_string(seconds);
    frame_.SetMusicText(text);
}

void MusicPlayback::MusicTabShown()
{
    ClockTick();
    clock_.start();
}

void MusicPlayback::SoftwareTabShown()
{
    clock_.stop();
    if (decoder_.PlayerMode() == DecoderPlayer::Mode::Playing)
        return;
    SoftwareTabChosen(sound_, sounder_);
}
