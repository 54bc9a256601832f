#include "script/ScriptStream.h"

#include <system_error>

#include "platform/Files.h"

namespace {
constexpr std::size_t kBlock = 64 * 1024;
}

ScriptStream::ScriptStream(const std::filesystem::path& path)
{
    std::error_code ec;
    // A folder opens fine with fopen on this system but cannot be read as a script.
    if (std::filesystem::is_directory(path, ec))
        return;
    // A script is a disc file like any other: one larger than the cap is not read at all.
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxDiscFileBytes)
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
    // A file that grows while it is read ends at the cap all the same.
    const std::size_t room = static_cast<std::size_t>(kMaxDiscFileBytes) - read_;
    const std::size_t want = room < kBlock ? room : kBlock;
    if (want == 0)
        return false;
    // Keep nothing of the old block: the caller has consumed it.
    data_.resize(want);
    const std::size_t got = std::fread(data_.data(), 1, want, file_.get());
    read_ += got;
    data_.resize(got);
    pos_ = 0;
    size_ = got;
    return got > 0;
}
