// Test modules built as native shared objects, loaded by the system loader. The program never
// loads one: tests hand them to a component through its library loader (ZipGrFile's
// `load_library`, TElPlayer::SetLibraryLoader) to reach the failures the built-in modules never
// show: a missing entry point, a step that fails.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/LibraryLoader.h"

// The native module `file`; nullptr when the system loader refuses it.
std::unique_ptr<LoadedLibrary> LoadNativeLibrary(const std::filesystem::path& file);

// A loader that gives the native module `file` whatever library is asked for.
LibraryLoader NativeLibraryInstead(std::filesystem::path file);

// Points the constructor of the test module loader_test_module at a marker file while this lives:
// the file appears when the system loader maps the module.
class LoaderTestModuleMarker {
public:
    LoaderTestModuleMarker();
    ~LoaderTestModuleMarker();
    LoaderTestModuleMarker(const LoaderTestModuleMarker&) = delete;
    LoaderTestModuleMarker& operator=(const LoaderTestModuleMarker&) = delete;

    bool Ran() const { return std::filesystem::exists(path_); }

private:
    std::filesystem::path path_;
};
