#include "script/ScriptStream.h"

#include "disc/Files.h"

namespace {
constexpr std::size_t kBlock = 64 * 1024;
}

ScriptStream::ScriptStream(const DiscFs& disc, const std::filesystem::path& path)
{
    // Only a file is read as a script; a folder is none.
    const DiscEntry entry = disc.Stat(path);
    if (entry.kind != DiscEntryKind::kFile)
        return;
    // A script is a disc file like any other: one larger than the cap is not read at all.
    if (entry.size > kMaxDiscFileBytes)
        return;
    reader_ = disc.Open(path);
}

ScriptStream::ScriptStream(const std::filesystem::path& path)
    : ScriptStream(*FolderDiscFs(path.parent_path()), path)
{
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
    if (!reader_)
        return false;
    // A file that grows while it is read ends at the cap all the same.
    const std::size_t room = static_cast<std::size_t>(kMaxDiscFileBytes) - read_;
    const std::size_t want = room < kBlock ? room : kBlock;
    if (want == 0)
        return false;
    // Keep nothing of the old block: the caller has consumed it.
    data_.resize(want);
    const std::size_t got = reader_->Read(data_.data(), want);
    read_ += got;
    data_.resize(got);
    pos_ = 0;
    size_ = got;
    return got > 0;
}
