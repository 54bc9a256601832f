// Helpers shared by the archive tests: a disc folder with a stand-in unrar.dll and a picture
// archive written by the RAR writer, and the sample archives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "rarwriter/RarWriter.h"
#include "support/TempDir.h"

inline std::string SampleRar(const std::string& name)
{
    return "../shared/samples/rar/" + name;
}

// A member to write: a name ending in '\' is written as a folder entry (without the '\').
using FixtureMember = std::pair<std::string, std::string>;

inline void WriteRar(const std::filesystem::path& path, const std::vector<FixtureMember>& members)
{
    std::filesystem::create_directories(path.parent_path());
    RarWriter writer(path);
    for (const auto& [name, data] : members) {
        if (!name.empty() && name.back() == '\\')
            writer.AddFolder(name.substr(0, name.size() - 1));
        else
            writer.AddFile(name, data);
    }
    writer.Finish();
}

// graph\dll\unrar.dll as a disc carries it (a Windows library, so the built-in module stands
// in) and graph\shell.dat holding `members`.
inline void MakeDisc(const TempDir& dir, const std::vector<FixtureMember>& members)
{
    dir.Write("graph/dll/unrar.dll", std::string("MZ\x90\x00\x03\x00\x00\x00", 8));
    WriteRar(dir.path() / "graph" / "shell.dat", members);
}
