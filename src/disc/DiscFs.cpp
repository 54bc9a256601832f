#include "disc/DiscFs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace {

class FileReader final : public DiscReader {
public:
    explicit FileReader(std::FILE* file) : file_(file)
    {
        // The decoders ask for a few hundred bytes at a time: read the disc in bigger pieces.
        std::setvbuf(file_, nullptr, _IOFBF, 64 * 1024);
    }
    ~FileReader() override { std::fclose(file_); }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    std::size_t Read(void* buffer, std::size_t size) override
    {
        return size == 0 ? 0 : std::fread(buffer, 1, size, file_);
    }
    bool Failed() const override { return std::ferror(file_) != 0; }

private:
    std::FILE* file_;
};

// True when the absolute, symlink-free path `inner` is `outer` or lies under it.
bool IsWithin(const fs::path& inner, const fs::path& outer)
{
    auto a = inner.begin();
    for (auto b = outer.begin(); b != outer.end(); ++b, ++a) {
        if (b->empty())  // the empty last component of a root written with a trailing slash
            continue;
        if (a == inner.end() || *a != *b)
            return false;
    }
    return true;
}

class FolderFs final : public DiscFs {
public:
    explicit FolderFs(fs::path root) : root_(std::move(root))
    {
        // A disc has no part outside its folder: what a link there leads out to is no part of it.
        // The root's own real path is taken once; each entry's real path is taken as it is used.
        // The empty root (the files of this system named by their own paths) confines nothing.
        if (!root_.empty()) {
            std::error_code ec;
            real_root_ = fs::weakly_canonical(fs::absolute(root_, ec), ec);
            if (ec)
                real_root_ = fs::absolute(root_, ec).lexically_normal();
        }
    }

    const fs::path& Root() const override { return root_; }

    DiscEntry Stat(const fs::path& path) const override
    {
        DiscEntry entry;
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (status.type() == fs::file_type::regular) {
            entry.kind = DiscEntryKind::kFile;
            entry.size = fs::file_size(path, ec);
            if (ec)
                entry.size = 0;
        } else if (status.type() == fs::file_type::directory) {
            entry.kind = DiscEntryKind::kFolder;
        } else if (fs::exists(status) || fs::exists(fs::symlink_status(path, ec))) {
            entry.kind = DiscEntryKind::kOther;
        }
        if (entry.kind != DiscEntryKind::kMissing && fs::exists(status) && !OnTheDisc(path))
            return DiscEntry{};
        if (entry.kind != DiscEntryKind::kMissing)
            entry.executable = (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
        return entry;
    }

    std::vector<std::string> List(const fs::path& folder) const override
    {
        std::vector<std::string> names;
        if (!OnTheDisc(folder))
            return names;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename().string());
        return names;
    }

    std::unique_ptr<DiscReader> Open(const fs::path& path) const override
    {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec) || !OnTheDisc(path))
            return nullptr;
        // Opened without waiting, and taken only if it is still a regular file: what was checked
        // above may have been swapped for a pipe, whose opening would wait for a writer.
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return nullptr;
        struct stat st {};
        std::FILE* file = nullptr;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, 0) == 0)
            file = fdopen(fd, "rb");
        if (!file) {
            close(fd);
            return nullptr;
        }
        return std::make_unique<FileReader>(file);
    }

    std::string Name() const override { return root_.string(); }

private:
    // Whether the existing `path`, its links followed, is the disc's folder or inside it.
    bool OnTheDisc(const fs::path& path) const
    {
        if (real_root_.empty())
            return true;
        std::error_code ec;
        const fs::path real = fs::canonical(path, ec);
        return !ec && IsWithin(real, real_root_);
    }

    fs::path root_;
    fs::path real_root_;  // empty: nothing is confined
};

}  // namespace

std::shared_ptr<const DiscFs> FolderDiscFs(fs::path root)
{
    return std::make_shared<FolderFs>(std::move(root));
}
