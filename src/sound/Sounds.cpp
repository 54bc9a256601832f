#include "sound/Sounds.h"

#include "platform/Files.h"

#include <cerrno>
#include <map>

namespace {

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
    const std::optional<std::filesystem::path> file = resolver.Find(name);
    if (!file)
        return ENOENT;
    std::optional<std::string> bytes = ReadWholeFile(*file);
    if (!bytes)
        return EIO;
    auto data = std::make_shared<const std::string>(std::move(*bytes));
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
