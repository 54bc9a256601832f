#include "support/MemoryDisc.h"

#include <algorithm>
#include <cstring>

namespace {

class MemoryReader final : public DiscReader {
public:
    MemoryReader(std::string bytes, std::optional<std::size_t> fail_after)
        : bytes_(std::move(bytes)), fail_after_(fail_after)
    {
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        std::size_t end = bytes_.size();
        if (fail_after_)
            end = std::min(end, *fail_after_);
        const std::size_t n = std::min(size, end - at_);
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        if (n < size && fail_after_ && at_ == *fail_after_)
            failed_ = true;
        return n;
    }
    bool Failed() const override { return failed_; }

private:
    std::string bytes_;
    std::optional<std::size_t> fail_after_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

}  // namespace

std::string MemoryDisc::Key(const std::filesystem::path& path)
{
    std::string key = path.generic_string();
    while (!key.empty() && key.back() == '/')
        key.pop_back();
    return key;
}

void MemoryDisc::AddFolder(const std::string& path)
{
    std::string key = Key(path);
    while (!key.empty()) {
        folders_.insert(key);
        const std::size_t slash = key.rfind('/');
        key = slash == std::string::npos ? std::string() : key.substr(0, slash);
    }
}

void MemoryDisc::Add(const std::string& path, std::string bytes, std::optional<bool> executable)
{
    const std::string key = Key(path);
    const std::size_t slash = key.rfind('/');
    if (slash != std::string::npos)
        AddFolder(key.substr(0, slash));
    files_[key].bytes = std::move(bytes);
    files_[key].executable = executable;
}

void MemoryDisc::ClaimSize(const std::string& path, std::uintmax_t size)
{
    files_.at(Key(path)).claimed_size = size;
}

void MemoryDisc::FailAfter(const std::string& path, std::size_t bytes)
{
    files_.at(Key(path)).fail_after = bytes;
}

DiscEntry MemoryDisc::Stat(const std::filesystem::path& path) const
{
    DiscEntry entry;
    const std::string key = Key(path);
    if (auto it = files_.find(key); it != files_.end()) {
        entry.kind = DiscEntryKind::kFile;
        entry.size = it->second.claimed_size.value_or(it->second.bytes.size());
        entry.executable = it->second.executable;
    } else if (folders_.contains(key)) {
        entry.kind = DiscEntryKind::kFolder;
    }
    return entry;
}

std::vector<std::string> MemoryDisc::List(const std::filesystem::path& folder) const
{
    const std::string key = Key(folder);
    std::vector<std::string> names;
    if (!folders_.contains(key))
        return names;
    const std::string prefix = key.empty() ? std::string() : key + "/";
    auto child = [&](const std::string& path) {
        if (path.size() > prefix.size() && path.starts_with(prefix) &&
            path.find('/', prefix.size()) == std::string::npos)
            names.push_back(path.substr(prefix.size()));
    };
    for (const std::string& f : folders_)
        child(f);
    for (const auto& [path, file] : files_)
        child(path);
    return names;
}

std::unique_ptr<DiscReader> MemoryDisc::Open(const std::filesystem::path& path) const
{
    const std::string key = Key(path);
    {
        std::lock_guard lock(mutex_);
        opened_.push_back(key);
    }
    auto it = files_.find(key);
    if (it == files_.end())
        return nullptr;
    return std::make_unique<MemoryReader>(it->second.bytes, it->second.fail_after);
}

std::vector<std::string> MemoryDisc::Opened() const
{
    std::lock_guard lock(mutex_);
    return opened_;
}
