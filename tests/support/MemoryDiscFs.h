// A disc held in memory behind the disc file-system interface, as an image is: paths relative to
// an empty root, nothing on this system's file system. A reader that opens host paths instead of
// going through the interface finds nothing here.
#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DiscFs.h"

class MemoryDiscFs final : public DiscFs {
public:
    // Adds a file at `path` ('/'-separated), with the folders above it; `executable` as an image
    // with Rock Ridge records it, or nothing as a plain one.
    MemoryDiscFs& File(const std::string& path, std::string bytes, std::optional<bool> executable = std::nullopt)
    {
        AddFolders(std::filesystem::path(path).parent_path());
        Node& node = nodes_[Key(path)];
        node.entry = {DiscEntryKind::kFile, bytes.size(), executable};
        node.bytes = std::move(bytes);
        return *this;
    }
    MemoryDiscFs& Folder(const std::string& path)
    {
        AddFolders(path);
        return *this;
    }
    // Every path opened, in order.
    std::vector<std::string> Opened() const { return opened_; }

    const std::filesystem::path& Root() const override { return root_; }
    DiscEntry Stat(const std::filesystem::path& path) const override
    {
        const auto it = nodes_.find(Key(path));
        return it == nodes_.end() ? DiscEntry{} : it->second.entry;
    }
    std::vector<std::string> List(const std::filesystem::path& folder) const override
    {
        std::vector<std::string> names;
        const std::string key = Key(folder);
        if (Stat(folder).kind != DiscEntryKind::kFolder)
            return names;
        for (const auto& [path, node] : nodes_) {
            const std::filesystem::path p(path);
            if (!path.empty() && p.parent_path().generic_string() == key)
                names.push_back(p.filename().string());
        }
        return names;
    }
    std::unique_ptr<DiscReader> Open(const std::filesystem::path& path) const override
    {
        const auto it = nodes_.find(Key(path));
        if (it == nodes_.end() || it->second.entry.kind != DiscEntryKind::kFile)
            return nullptr;
        opened_.push_back(Key(path));
        return std::make_unique<Reader>(it->second.bytes);
    }
    std::string Name() const override { return "memory.iso"; }
    bool IsImage() const override { return true; }

private:
    struct Node {
        DiscEntry entry;
        std::string bytes;
    };
    class Reader final : public DiscReader {
    public:
        explicit Reader(std::string bytes) : bytes_(std::move(bytes)) {}
        std::size_t Read(void* buffer, std::size_t size) override
        {
            const std::size_t n = std::min(size, bytes_.size() - at_);
            std::memcpy(buffer, bytes_.data() + at_, n);
            at_ += n;
            return n;
        }
        bool Failed() const override { return false; }

    private:
        std::string bytes_;
        std::size_t at_ = 0;
    };

    static std::string Key(const std::filesystem::path& path)
    {
        std::string key = path.lexically_normal().generic_string();
        while (!key.empty() && key.back() == '/')
            key.pop_back();
        return key == "." ? std::string() : key;
    }
    void AddFolders(const std::filesystem::path& folder)
    {
        std::filesystem::path p;
        nodes_[""].entry.kind = DiscEntryKind::kFolder;
        for (const auto& part : folder) {
            p /= part;
            nodes_[Key(p)].entry.kind = DiscEntryKind::kFolder;
        }
    }

    std::filesystem::path root_;
    std::map<std::string, Node> nodes_;
    mutable std::vector<std::string> opened_;
};
