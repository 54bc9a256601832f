// Run-time loading of the disc's libraries (graph\dll\unrar.dll and the like).
//
// A path that names no file cannot be loaded. A file that begins with "MZ" is a Windows library,
// as every real disc carries: it is stood in for by the built-in module of the same role, which
// is compiled into the program and registered under the library's file name (for example
// "unrar.dll"). Any other file is opened as a native shared object and its entry points are
// looked up by name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/DiscFs.h"

// The entry points of a built-in module, by name.
using BuiltinEntryPoints = std::map<std::string, void*>;

// Registers (or replaces) the built-in module that stands in for Windows libraries named
// `file_name`; the name is matched without regard to ASCII letter case.
void RegisterBuiltinModule(const std::string& file_name, BuiltinEntryPoints entry_points);

// A loaded library; destroying it unloads the library.
class LoadedLibrary {
public:
    virtual ~LoadedLibrary() = default;

    // The address of the named entry point, or nullptr when the library has none of that name.
    virtual void* GetProcAddress(const std::string& name) const = 0;

    // True when this is a built-in module standing in for a Windows library.
    virtual bool IsBuiltin() const = 0;
};

// Loads the library at `path`; nullptr when it cannot be loaded (no such file, a Windows library
// without a built-in stand-in, or a file the system loader refuses).
std::unique_ptr<LoadedLibrary> LoadLibrary(const std::filesystem::path& path);

// The same for the library `path` of `disc`; its first bytes are read through the disc. A native
// library inside a disc image is copied to a private temporary file for the system loader, and
// the copy is removed as soon as it is loaded.
std::unique_ptr<LoadedLibrary> LoadLibrary(const DiscFs& disc, const std::filesystem::path& path);

// Libraries larger than this are not copied out of an image.
inline constexpr std::uintmax_t kMaxImageLibraryBytes = 64u << 20;

// The built-in module registered under `file_name`, without any file; nullptr when none is.
std::unique_ptr<LoadedLibrary> LoadBuiltinModule(const std::string& file_name);

// Converts an entry-point address into the function type the caller expects.
template <typename Function>
Function EntryPointAs(void* address)
{
    return reinterpret_cast<Function>(address);
}
