// rarwriter: makes a stored RAR 4 archive.
//   rarwriter OUT.rar ARG...
//     NAME=FILE   adds FILE's bytes as member NAME (NAME as written, '\' between folders)
//     -d NAME     adds a folder entry NAME
//     --tree DIR  adds every folder and file under DIR, named relative to DIR with '\'
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "rarwriter/RarWriter.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string DiscName(const fs::path& relative)
{
    std::string name = relative.generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

void AddTree(RarWriter& writer, const fs::path& root)
{
    std::vector<fs::path> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& p : entries) {
        const std::string name = DiscName(fs::relative(p, root));
        if (fs::is_directory(p))
            writer.AddFolder(name);
        else if (fs::is_regular_file(p))
            writer.AddFile(name, ReadAll(p));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: rarwriter OUT.rar [NAME=FILE | -d NAME | --tree DIR]...\n";
        return 2;
    }
    try {
        RarWriter writer(argv[1]);
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            if ((arg == "-d" || arg == "--tree") && i + 1 < argc) {
                if (arg == "-d")
                    writer.AddFolder(argv[++i]);
                else
                    AddTree(writer, argv[++i]);
                continue;
            }
            const size_t eq = arg.find('=');
            if (eq == std::string::npos || eq == 0) {
                std::cerr << "rarwriter: expected NAME=FILE, -d NAME or --tree DIR: " << arg << "\n";
                return 2;
            }
            writer.AddFile(arg.substr(0, eq), ReadAll(arg.substr(eq + 1)));
        }
        writer.Finish();
    } catch (const std::exception& e) {
        std::cerr << "rarwriter: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
