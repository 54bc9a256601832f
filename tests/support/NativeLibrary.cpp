#include "support/NativeLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace {

class NativeLibrary : public LoadedLibrary {
public:
    explicit NativeLibrary(void* handle) : handle_(handle) {}
    ~NativeLibrary() override { dlclose(handle_); }
    NativeLibrary(const NativeLibrary&) = delete;
    NativeLibrary& operator=(const NativeLibrary&) = delete;

    void* GetProcAddress(const std::string& name) const override { return dlsym(handle_, name.c_str()); }
    bool IsBuiltin() const override { return false; }

private:
    void* handle_;
};

}  // namespace

std::unique_ptr<LoadedLibrary> LoadNativeLibrary(const std::filesystem::path& file)
{
    // dlopen searches the library path for a bare name; an explicit folder keeps it to this file.
    const std::filesystem::path explicit_path = file.has_parent_path() ? file : std::filesystem::path(".") / file;
    void* handle = dlopen(explicit_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return nullptr;
    return std::make_unique<NativeLibrary>(handle);
}

LibraryLoader NativeLibraryInstead(std::filesystem::path file)
{
    return [file = std::move(file)](const DiscFs&, const std::filesystem::path&) { return LoadNativeLibrary(file); };
}

LoaderTestModuleMarker::LoaderTestModuleMarker()
    : path_(std::filesystem::temp_directory_path() / ("zul-loader-marker-" + std::to_string(getpid())))
{
    std::filesystem::remove(path_);
    setenv("ZUL_LOADER_TEST_MARKER", path_.c_str(), 1);
}

LoaderTestModuleMarker::~LoaderTestModuleMarker()
{
    unsetenv("ZUL_LOADER_TEST_MARKER");
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}
