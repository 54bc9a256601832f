#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("zul-test-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TempDirAsSystemTemp::TempDirAsSystemTemp()
{
    if (const char* old = std::getenv("TMPDIR")) {
        had_old_ = true;
        old_ = old;
    }
    setenv("TMPDIR", dir_.path().c_str(), 1);
}

TempDirAsSystemTemp::~TempDirAsSystemTemp()
{
    if (had_old_)
        setenv("TMPDIR", old_.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

fs::path TempDir::Write(const std::string& rel, std::string_view bytes) const
{
    fs::path p = path_ / rel;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + p.string());
    return p;
}

fs::path TempDir::MakeDir(const std::string& rel) const
{
    fs::path p = path_ / rel;
    fs::create_directories(p);
    return p;
}

std::string ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
