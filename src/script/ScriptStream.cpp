#include "script/ScriptStream.h"

namespace {
constexpr std::size_t kBlock = 64 * 1024;
}

ScriptStream::ScriptStream(const std::filesystem::path& path)
{
    std::error_code ec;
    // A folder opens fine with fopen on this system but cannot be read as a script.
    if (std::filesystem::is_directory(path, ec))
        return;
    file_.reset(std::fopen(path.c_str(), "rb"));
}

ScriptStream ScriptStream::FromBytes(std::string bytes)
{
    ScriptStream s;
    s.from_memory_ = true;
    s.size_ = bytes.size();
    s.data_ = std::move(bytes);
    return s;
}

bool ScriptStream::Refill()
{
    if (!file_)
        return false;
    // Keep nothing of the old block: the caller has consumed it.
    data_.resize(kBlock);
    const std::size_t got = std::fread(data_.data(), 1, kBlock, file_.get());
    data_.resize(got);
    pos_ = 0;
    size_ = got;
    return got > 0;
}
