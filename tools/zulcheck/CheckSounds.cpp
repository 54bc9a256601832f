// The Checker's sounds: the decoder module of the mp3 tracks, the event sounds, the background
// music and the tracks of the music tabs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "disc/Files.h"
#include "disc/PathResolver.h"
#include "model/Description.h"
#include "platform/QuietStderr.h"
#include "sound/AudioRing.h"
#include "sound/ElSounds.h"
#include "sound/EventSound.h"
#include "sound/MidiFile.h"
#include "sound/Mp3Module.h"
#include "sound/Sounds.h"
#include "zulcheck/Checker.h"

namespace fs = std::filesystem;
using check_text::Ends;
using check_text::Q;
using check_text::T;

namespace {

// The time of a track as the music strip shows it: minutes and seconds.
std::string Duration(std::int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

}  // namespace

void Checker::CheckDecoderModule()
{
    if (decoder_checked_)
        return;
    decoder_checked_ = true;
    TElPlayerMan man(&resolver_);
    TElPlayer& player = man.Players().Add();
    try {
        PrepareModulePlayer(player);
    } catch (const TElSException& e) {
        decoder_failure_ = e.what();
        Add(Severity::Error, kDecoderModulePath,
            "the decoder module of the mp3 tracks does not load; where the computer has sound, " + Ends(e.what()));
    }
}

bool Checker::WavDecodes(const fs::path& file, const std::string& bytes)
{
    const auto known = wavs_.find(file);
    if (known != wavs_.end())
        return known->second;
    const bool decodes = ConvertWav(bytes) != nullptr;
    wavs_.emplace(file, decodes);
    return decodes;
}

void Checker::CheckEventSounds(const Inf_shell& d, const std::string& script)
{
    // In the order the menu loads them: the main window's, the options window's, the shell's,
    // the main frame's.
    const std::pair<const char*, const std::string*> sounds[] = {
        {"cd.exit_sound", &d.cd.exit_sound},
        {"cd.options_sound", &d.cd.options_sound},
        {"cd.ok_sound", &d.cd.opts_window.ok_sound},
        {"cd.cancel_sound", &d.cd.opts_window.cancel_sound},
        {"setup_sound", &d.setup_sound},
        {"link_sound", &d.link_sound},
        {"sp_btn_sound", &d.sp_btn_sound},
        {"picture_sound", &d.main_frame.picture_sound},
        {"grid_select_sound", &d.main_frame.grid_select_sound},
    };
    for (const auto& [key, name] : sounds) {
        if (name->empty())
            continue;
        const std::string where = T(script) + " " + key;
        const std::optional<fs::path> file = Locate(*name, where);
        SoundFile sound;
        const int status = sound.Load(resolver_, *name);
        if (!file || status != 0) {
            Add(Severity::Warning, where,
                Q(*name) + (file ? " cannot be read" : " is not on the disc") + ": the sound stays silent");
        } else if (!WavDecodes(*file, *sound.Data())) {
            Add(Severity::Warning, where, Q(*name) + " is no WAV sound the menu plays: the sound stays silent");
        }
    }
}

void Checker::CheckBackgroundMusic(const Inf_shell& d, const std::string& script)
{
    for (std::size_t i = 0; i < d.music_files.size(); ++i) {
        const std::string& name = d.music_files[i];
        const std::string where = T(script) + " music_file " + std::to_string(i + 1);
        const std::optional<fs::path> file = Locate(name, where);
        const std::optional<std::string> bytes = file ? ReadWholeFile(resolver_.Disc(), *file) : std::nullopt;
        if (!bytes)
            Add(Severity::Warning, where,
                Q(name) + (file ? " cannot be read" : " is not on the disc") + ": this background music stays silent");
        else if (!WavDecodes(*file, *bytes))
            Add(Severity::Warning, where,
                Q(name) + " is no WAV sound the menu plays: this background music stays silent");
    }
}

void Checker::CheckTrack(const SoftTabElement& track, const std::string& where)
{
    // The track's file is its first setup line; the player is chosen by the exact extension.
    if (track.setups.empty() || track.setups.front().first.empty()) {
        Add(Severity::Error, where, "the track names no file (no setup line): the track shows the stopped look");
        return;
    }
    const std::string& name = track.setups.front().first;
    const std::size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (ext == "mod" || ext == "s3m") {
        Add(Severity::Warning, where,
            Q(name) +
                " is a tracker module: the menu knows the kind but plays nothing, and the play button stays down");
        return;
    }
    if (ext != "mp3" && ext != "mid" && ext != "rmi") {
        Add(Severity::Error, where,
            Q(name) + ": the extension " + Q(ext) +
                " is not one the menu plays (mp3, mid, rmi, in lower case): the track shows the stopped look");
        return;
    }
    const std::optional<fs::path> file = Locate(name, where);
    if (ext == "mp3") {
        if (decoder_failure_) {
            Add(Severity::Error, where, Q(name) + " cannot play: the decoder module does not load");
            return;
        }
        QuietStderr quiet;
        AudioRing ring(AudioRing::kRate / 2);
        SetMp3ModuleOutput(&ring);
        std::string failure;
        int length = -1;
        {
            TElPlayerMan man(&resolver_);
            TElPlayer& player = man.Players().Add();
            try {
                PrepareModulePlayer(player);
                player.SetInputName(resolver_.Resolve(name).string());
                player.Open();
                player.InitStream();
                length = player.GetSize();
                player.Close();
            } catch (const TElSException& e) {
                failure = e.what();
            }
        }
        SetMp3ModuleOutput(nullptr);
        if (!failure.empty())
            Add(Severity::Error, where,
                Q(name) + (file ? " does not decode" : " is not on the disc") + "; the menu reports: " + failure);
        else
            Add(Severity::Note, where,
                Q(name) + ": mp3, " + (length >= 0 ? Duration(length) : std::string("length unknown")));
        return;
    }
    try {
        const MidiFile midi = MidiFile::Load(resolver_.Disc(), resolver_.Resolve(name));
        Add(Severity::Note, where, Q(name) + ": MIDI, " + Duration(midi.LengthMs()));
    } catch (const MidiFileError& e) {
        Add(Severity::Error, where,
            Q(name) + (file ? " does not decode" : " is not on the disc") + "; the menu reports: " + e.what());
    }
}
