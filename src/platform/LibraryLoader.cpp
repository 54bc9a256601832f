#include "platform/LibraryLoader.h"

#include <dlfcn.h>

#include <mutex>
#include <utility>

#include "platform/PrivateFile.h"

namespace {

std::string AsciiLower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

struct BuiltinRegistry {
    std::mutex mutex;
    std::map<std::string, BuiltinEntryPoints> modules;  // keyed by the lower-cased file name
};

BuiltinRegistry& Registry()
{
    static BuiltinRegistry registry;
    return registry;
}

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

class NativeLibrary : public LoadedLibrary {
public:
    explicit NativeLibrary(void* handle) : handle_(handle) {}
    ~NativeLibrary() override { dlclose(handle_); }
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    void* GetProcAddress(const std::string& name) const override
    {
        return dlsym(handle_, name.c_str());
    }
    bool IsBuiltin() const override { return false; }

private:
    void* handle_;
};

// True when the file begins with the two bytes of a Windows executable's header.
bool StartsWithMz(const DiscFs& disc, const std::filesystem::path& path)
{
    const std::unique_ptr<DiscReader> in = disc.Open(path);
    char magic[2] = {};
    return in && in->Read(magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

std::unique_ptr<LoadedLibrary> OpenNative(const std::filesystem::path& path)
{
    // dlopen searches the library path for a bare name; an explicit folder keeps it to this file.
    std::filesystem::path explicit_path = path.has_parent_path() ? path : std::filesystem::path(".") / path;
    void* handle = dlopen(explicit_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return nullptr;
    return std::make_unique<NativeLibrary>(handle);
}

}  // namespace

void RegisterBuiltinModule(const std::string& file_name, BuiltinEntryPoints entry_points)
{
    BuiltinRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    registry.modules[AsciiLower(file_name)] = std::move(entry_points);
}

std::unique_ptr<LoadedLibrary> LoadBuiltinModule(const std::string& file_name)
{
    BuiltinRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.modules.find(AsciiLower(file_name));
    if (it == registry.modules.end())
        return nullptr;
    return std::make_unique<BuiltinLibrary>(it->second);
}

std::unique_ptr<LoadedLibrary> LoadLibrary(const std::filesystem::path& path)
{
    return LoadLibrary(*FolderDiscFs(path.parent_path()), path);
}

std::unique_ptr<LoadedLibrary> LoadLibrary(const DiscFs& disc, const std::filesystem::path& path)
{
    if (disc.Stat(path).kind != DiscEntryKind::kFile)
        return nullptr;

    if (StartsWithMz(disc, path))
        return LoadBuiltinModule(path.filename().string());

    if (!disc.IsImage())
        return OpenNative(path);
    // The system loader opens files of this system only. Once loaded, the library no longer
    // needs its file.
    const std::unique_ptr<PrivateFileCopy> copy = PrivateFileCopy::Make(disc, path, kMaxImageLibraryBytes);
    return copy ? OpenNative(copy->Path()) : nullptr;
}
