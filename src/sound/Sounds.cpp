#include "sound/Sounds.h"

#include <cerrno>
#include <fstream>
#include <iterator>
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
    std::ifstream in(resolver.Resolve(name), std::ios::binary);
    if (!in)
        return errno ? errno : ENOENT;
    auto data = std::make_shared<const std::string>(std::istreambuf_iterator<char>(in),
                                                    std::istreambuf_iterator<char>());
    if (in.bad())
        return EIO;
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
