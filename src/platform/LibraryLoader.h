// The disc's libraries (graph\dll\unrar.dll and the like).
//
// Every disc carries Windows libraries there, which this program cannot run; whatever such a
// file holds, the program never maps, loads or runs it. A library file that is present is stood
// in for by the built-in module of its role, compiled into the program and handed to the loader
// by the code that uses the library; a path that names no file cannot be loaded.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "disc/DiscFs.h"

// The entry points of a built-in module, by name.
using BuiltinEntryPoints = std::map<std::string, void*>;

// A loaded library; destroying it lets it go.
class LoadedLibrary {
public:
    virtual ~LoadedLibrary() = default;

    // The address of the named entry point, or nullptr when the library has none of that name.
    virtual void* GetProcAddress(const std::string& name) const = 0;

    // True when this is a built-in module standing in for a disc's library.
    virtual bool IsBuiltin() const = 0;
};

// The built-in module made of `entry_points` (names are matched exactly).
std::unique_ptr<LoadedLibrary> MakeBuiltinLibrary(BuiltinEntryPoints entry_points);

// The library `path` of `disc`: the built-in module `stand_in` when a file is there, whatever it
// holds (the file is only looked up, never read); nullptr when there is none (nothing, a folder
// or anything else that is no file).
std::unique_ptr<LoadedLibrary> LoadLibrary(const DiscFs& disc, const std::filesystem::path& path,
                                           const BuiltinEntryPoints& stand_in);

// How a user of a library gets it: the disc and the library's path on it, the answer being what
// LoadLibrary gives (nullptr: the library cannot be loaded).
using LibraryLoader =
    std::function<std::unique_ptr<LoadedLibrary>(const DiscFs& disc, const std::filesystem::path& path)>;

// Converts an entry-point address into the function type the caller expects.
template <typename Function>
Function EntryPointAs(void* address)
{
    return reinterpret_cast<Function>(address);
}
