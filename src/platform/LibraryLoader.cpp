#include "platform/LibraryLoader.h"

#include <utility>

namespace {

class BuiltinLibrary : public LoadedLibrary {
public:
    explicit BuiltinLibrary(BuiltinEntryPoints entry_points) : entry_points_(std::move(entry_points)) {}

    void* GetProcAddress(const std::string& name) const override
    {
        auto it = entry_points_.find(name);
        return it == entry_points_.end() ? nullptr : it->second;
    }
    bool IsBuiltin() const override { return true; }

private:
    BuiltinEntryPoints entry_points_;
};

}  // namespace

std::unique_ptr<LoadedLibrary> MakeBuiltinLibrary(BuiltinEntryPoints entry_points)
{
    return std::make_unique<BuiltinLibrary>(std::move(entry_points));
}

std::unique_ptr<LoadedLibrary> LoadLibrary(const DiscFs& disc, const std::filesystem::path& path,
                                           const BuiltinEntryPoints& stand_in)
{
    if (disc.Stat(path).kind != DiscEntryKind::kFile)
        return nullptr;
    return MakeBuiltinLibrary(stand_in);
}
