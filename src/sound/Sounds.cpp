#include "sound/Sounds.h"

#include "disc/Files.h"

#include <algorithm>
#include <cerrno>
#include <map>

namespace {

constexpr std::size_t kReadPiece = 20480;

// Loaded files by name, so that holders of the same file share one copy.
std::map<std::string, std::weak_ptr<const std::string>>& Cache()
{
    static std::map<std::string, std::weak_ptr<const std::string>> cache;
    return cache;
}

}  // namespace

int SoundFile::Load(const PathResolver& resolver, const std::string& name)
{
    if (name.empty())
        return -2;
    if (auto cached = Cache()[name].lock()) {
        data_ = std::move(cached);
        name_ = name;
        return 0;
    }
    const DiscFs& disc = resolver.Disc();
    const std::filesystem::path file = resolver.Resolve(name);
    // The statuses the system's open and read would give for a file of a folder.
    const DiscEntry entry = disc.Stat(file);
    if (entry.kind == DiscEntryKind::kMissing)
        return ENOENT;
    if (entry.kind == DiscEntryKind::kFolder)
        return EISDIR;
    errno = 0;
    std::unique_ptr<DiscReader> in = entry.kind == DiscEntryKind::kFile ? disc.Open(file) : nullptr;
    if (!in)
        return errno != 0 ? errno : EACCES;
    if (entry.size > kMaxDiscFileBytes)
        return EFBIG;
    auto bytes = std::make_shared<std::string>();
    try {
        bytes->resize(static_cast<std::size_t>(entry.size));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::size_t got = 0;
    while (got < bytes->size()) {
        const std::size_t want = std::min<std::size_t>(kReadPiece, bytes->size() - got);
        errno = 0;
        const std::size_t n = in->Read(bytes->data() + got, want);
        got += n;
        if (n < want) {
            if (in->Failed())
                return errno != 0 ? errno : EIO;
            break;  // the file ended early: what was read is the sound
        }
    }
    bytes->resize(got);
    std::shared_ptr<const std::string> data = std::move(bytes);
    Cache()[name] = data;
    data_ = std::move(data);
    name_ = name;
    return 0;
}

void PlayEventSound(SoundOutput& output, const Sounder& sounder, const SoundFile& sound)
{
    if (sounder.MayPlay(sound))
        output.PlayFromMemory(sound.Data());
}

void StartMusic(SoundOutput& output, Sounder& sounder)
{
    const auto index = static_cast<std::size_t>(sounder.music_index);
    if (sounder.music_index >= 0 && index < sounder.music_files.size())
        output.PlayLoop(sounder.music_files[index]);
    sounder.music_playing = true;
}

void StopMusic(SoundOutput& output, Sounder& sounder)
{
    if (sounder.sound_ok && sounder.has_music && sounder.music_playing) {
        output.StopAll();
        sounder.music_playing = false;
    }
}

void SwitchEventSounds(SoundOutput& output, Sounder& sounder, bool on)
{
    if (sounder.sound_ok) {
        if (on)
            StopMusic(output, sounder);
        sounder.sounds_on = on;
    }
    sounder.player_music = false;
}

void SelectMusic(Sounder& sounder, std::int32_t index)
{
    if (index != sounder.music_index && sounder.sound_ok && sounder.has_music && index >= 0 &&
        static_cast<std::size_t>(index) < sounder.music_files.size()) {
        sounder.music_index = index;
        sounder.music_playing = false;
    }
}

void SwitchMusicOff(SoundOutput& output, Sounder& sounder, bool event_sounds_off)
{
    if (event_sounds_off && sounder.sound_ok) {
        sounder.sounds_on = false;
        sounder.player_music = false;
    }
    StopMusic(output, sounder);
    sounder.player_music = false;
}

void SwitchMusicOn(SoundOutput& output, Sounder& sounder)
{
    if (!sounder.music_playing && sounder.sound_ok && sounder.has_music && !sounder.music_files.empty())
        StartMusic(output, sounder);
}

void PlayerMusicStarts(SoundOutput& output, Sounder& sounder)
{
    if (!sounder.music_playing)
        return;
    StopMusic(output, sounder);
    sounder.player_music = true;
}

void SoftwareTabChosen(SoundOutput& output, Sounder& sounder)
{
    if (!sounder.player_music || (sounder.sounds_on && sounder.sound_ok))
        return;
    if (sounder.sound_ok && sounder.has_music && !sounder.music_playing && !sounder.music_files.empty())
        StartMusic(output, sounder);
    sounder.player_music = false;
}
