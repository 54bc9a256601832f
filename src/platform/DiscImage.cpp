#include "platform/DiscImage.h"

#include "platform/DiscSectors.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the index of one image may hold at most. A cover disc holds a few thousand files in a
// handful of levels; these leave room for far more and still keep a damaged image from taking
// the memory of the machine.
constexpr std::size_t kMaxEntries = 200000;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxPathBytes = 1024;
constexpr std::size_t kMaxDepth = 32;
constexpr std::size_t kMaxIndexBytes = 64u << 20;

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::uint64_t kSector = 2048;
constexpr std::uint64_t kFirstDescriptor = 16;  // sectors 0-15 are the system area
constexpr std::uint64_t kMaxDescriptors = 64;
constexpr std::uint64_t kMaxMissingPadding = 150 * kSector;
constexpr std::uint64_t kMaxExtentBytes = std::uint64_t{1} << 32;
// The start of a file that zisofs compressed.
constexpr unsigned char kZisofsMagic[8] = {0x37, 0xE4, 0x53, 0x96, 0xC9, 0xDB, 0xD6, 0x07};

// The image's names come out of the reader in the multibyte encoding of the calling thread's
// locale (Joliet names are converted to it, and the reader gives up on names it cannot
// represent). While this lives, the thread's locale reads and writes UTF-8, whatever the
// program's locale is; the old one comes back afterwards.
class Utf8Names {
public:
    Utf8Names()
    {
        static const locale_t utf8 = [] {
            for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
                if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr)))
                    return l;
            }
            return static_cast<locale_t>(nullptr);
        }();
        if (utf8)
            old_ = uselocale(utf8);
    }
    ~Utf8Names()
    {
        if (old_)
            uselocale(old_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
    locale_t old_ = static_cast<locale_t>(nullptr);
};

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

// The user data of the image's sectors as the stream libarchive reads, with random access.
struct Stream {
    std::shared_ptr<const DiscSectors> sectors;
    std::uint64_t position = 0;
    std::vector<char> buffer = std::vector<char>(kReadBlock);
};

la_ssize_t StreamRead(archive*, void* data, const void** block)
{
    auto* s = static_cast<Stream*>(data);
    const std::size_t n = s->sectors->ReadAt(s->position, s->buffer.data(), s->buffer.size());
    s->position += n;
    *block = s->buffer.data();
    return static_cast<la_ssize_t>(n);
}

la_int64_t StreamSeek(archive*, void* data, la_int64_t offset, int whence)
{
    auto* s = static_cast<Stream*>(data);
    const auto size = static_cast<la_int64_t>(s->sectors->Size());
    la_int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<la_int64_t>(s->position);
    else if (whence == SEEK_END)
        base = size;
    la_int64_t to = base + offset;
    if (offset < 0 && base + offset < 0)
        return ARCHIVE_FATAL;
    to = std::min(to, size);
    s->position = static_cast<std::uint64_t>(to);
    return to;
}

la_int64_t StreamSkip(archive* a, void* data, la_int64_t request)
{
    auto* s = static_cast<Stream*>(data);
    const la_int64_t from = static_cast<la_int64_t>(s->position);
    const la_int64_t to = StreamSeek(a, data, request, SEEK_CUR);
    return to < 0 ? 0 : to - from;
}

// A fresh reader of the image's sectors that knows ISO 9660 only, with the stream it reads;
// null when the sectors cannot be read as an archive.
struct Archive {
    std::unique_ptr<Stream> stream;
    ArchivePtr archive;
};

Archive OpenArchive(std::shared_ptr<const DiscSectors> sectors, std::string* error = nullptr)
{
    Archive a{std::make_unique<Stream>(Stream{std::move(sectors)}), ArchivePtr(archive_read_new())};
    if (!a.archive)
        return {};
    archive* r = a.archive.get();
    archive_read_support_format_iso9660(r);
    archive_read_set_read_callback(r, StreamRead);
    archive_read_set_seek_callback(r, StreamSeek);
    archive_read_set_skip_callback(r, StreamSkip);
    archive_read_set_callback_data(r, a.stream.get());
    if (archive_read_open1(r) != ARCHIVE_OK) {
        if (error) {
            const char* why = archive_error_string(r);
            *error = why ? why : "cannot be read";
        }
        return {};
    }
    return a;
}

// The components of a path, "." left out and ".." taken back lexically; nothing for a path
// that leaves the root or is absolute.
std::optional<std::vector<std::string>> Components(const fs::path& path)
{
    if (path.has_root_path())
        return std::nullopt;
    std::vector<std::string> parts;
    for (const fs::path& component : path) {
        std::string part = component.string();
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return std::nullopt;
            parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, std::size_t count)
{
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            key += '/';
        key += parts[i];
    }
    return key;
}

// The components of a name the image gives, split at '/'; nothing when one of them is ".." or
// the name is past the caps.
std::optional<std::vector<std::string>> ImageComponents(std::string_view name)
{
    if (name.size() > kMaxPathBytes)
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".") {
            if (part.size() > kMaxNameBytes || parts.size() == kMaxDepth)
                return std::nullopt;
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

// The entry's path as UTF-8. A name that is not valid UTF-8 (a Rock Ridge name written in a
// code page) comes out as the image holds it, so that a disc path in the same code page still
// finds it byte for byte.
const char* EntryName(archive_entry* entry)
{
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return utf8;
    return archive_entry_pathname(entry);
}

constexpr std::size_t kNoOrdinal = static_cast<std::size_t>(-1);

struct Node {
    DiscEntry entry;
    // The position of the header whose data this file reads (its own, or that of the file it
    // is a hard link to), and that header's path.
    std::size_t ordinal = kNoOrdinal;
    std::string data_key;
    // Where the file's data begins in the image's sectors, when it is one contiguous extent
    // stored as it is (anything else is read through the walk of the headers).
    std::optional<std::uint64_t> extent;
    bool implicit = false;  // a folder that only the paths of its entries name
    std::vector<std::string> children;
};

// A file read through libarchive, after a walk of the headers up to its own.
class WalkReader final : public DiscReader {
public:
    WalkReader(Archive archive, std::uintmax_t size) : archive_(std::move(archive)), left_(size) {}

    std::size_t Read(void* buffer, std::size_t size) override
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t got = 0;
        while (got < size && !done_) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(size - got, left_));
            if (want == 0) {
                done_ = true;
                break;
            }
            const la_ssize_t n = archive_read_data(archive_.archive.get(), out + got, want);
            if (n <= 0 || static_cast<std::size_t>(n) > want) {
                // The data stopped before the size the image records for the file: it is cut
                // short, which is a failure rather than the end.
                failed_ = true;
                done_ = true;
                break;
            }
            got += static_cast<std::size_t>(n);
            left_ -= static_cast<std::uintmax_t>(n);
        }
        return got;
    }

    bool Failed() const override { return failed_; }

private:
    Archive archive_;
    std::uintmax_t left_;
    bool failed_ = false;
    bool done_ = false;
};

// A file read straight from its extent of the image's sectors.
class ExtentReader final : public DiscReader {
public:
    ExtentReader(std::shared_ptr<const DiscSectors> sectors, std::uint64_t offset, std::uintmax_t size)
        : sectors_(std::move(sectors)), offset_(offset), left_(size)
    {
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(size, left_));
        if (want == 0 || failed_)
            return 0;
        const std::size_t got = sectors_->ReadAt(offset_, buffer, want);
        // Fewer bytes than the file's size: the image is cut short or cannot be read.
        if (got < want)
            failed_ = true;
        offset_ += got;
        left_ -= got;
        return got;
    }

    bool Failed() const override { return failed_; }

private:
    std::shared_ptr<const DiscSectors> sectors_;
    std::uint64_t offset_;
    std::uintmax_t left_;
    bool failed_ = false;
};

class ImageFs final : public DiscFs {
public:
    explicit ImageFs(fs::path image) : image_(std::move(image)), sectors_(OpenDiscSectors(image_)) { Index(); }

    const fs::path& Root() const override { return root_; }

    DiscEntry Stat(const fs::path& path) const override
    {
        const Node* node = Find(path);
        return node ? node->entry : DiscEntry{};
    }

    std::vector<std::string> List(const fs::path& folder) const override
    {
        const Node* node = Find(folder);
        if (!node || node->entry.kind != DiscEntryKind::kFolder)
            return {};
        return node->children;
    }

    std::unique_ptr<DiscReader> Open(const fs::path& path) const override
    {
        const Node* node = Find(path);
        if (!node || node->entry.kind != DiscEntryKind::kFile || node->ordinal == kNoOrdinal)
            return nullptr;
        // The image may have been replaced since it was indexed: its files are not read as if
        // they were the old ones.
        std::string descriptor(descriptor_.size(), '\0');
        if (sectors_->ReadAt(kFirstDescriptor * kSector, descriptor.data(), descriptor.size()) != descriptor.size() ||
            descriptor != descriptor_)
            return nullptr;
        if (node->extent) {
            // A file compressed by zisofs keeps its data packed: libarchive unpacks it.
            std::array<char, sizeof kZisofsMagic> head{};
            const std::size_t n = sectors_->ReadAt(*node->extent, head.data(), head.size());
            if (n < head.size() || std::memcmp(head.data(), kZisofsMagic, head.size()) != 0)
                return std::make_unique<ExtentReader>(sectors_, *node->extent, node->entry.size);
        }
        Utf8Names names;
        Archive a = OpenArchive(sectors_);
        if (!a.archive)
            return nullptr;
        // Headers come in the same order every time the image is read: walk up to the file's.
        archive_entry* entry = nullptr;
        for (std::size_t i = 0; i <= node->ordinal; ++i) {
            if (archive_read_next_header(a.archive.get(), &entry) < ARCHIVE_WARN)
                return nullptr;
        }
        // The image may have changed since it was indexed.
        const char* name = EntryName(entry);
        const std::optional<std::vector<std::string>> parts = name ? ImageComponents(name) : std::nullopt;
        if (!parts || Join(*parts, parts->size()) != node->data_key)
            return nullptr;
        return std::make_unique<WalkReader>(std::move(a), node->entry.size);
    }

    std::string Name() const override { return image_.string(); }
    bool IsImage() const override { return true; }

private:
    [[noreturn]] void Fail(const std::string& why) const
    {
        throw DiscImageError(image_.string() + ": " + why);
    }

    const Node* Find(const fs::path& path) const
    {
        const std::optional<std::vector<std::string>> parts = Components(path);
        if (!parts)
            return nullptr;
        const auto it = nodes_.find(Join(*parts, parts->size()));
        return it == nodes_.end() ? nullptr : &it->second;
    }

    // The image's size and the size its volume descriptor declares, after checking that it is
    // an ISO 9660 image at all.
    std::pair<std::uint64_t, std::uint64_t> CheckVolume()
    {
        const std::uint64_t image_bytes = sectors_->Size();
        std::optional<std::uint64_t> volume;
        bool root_outside = false;
        for (std::uint64_t i = 0; i < kMaxDescriptors; ++i) {
            std::array<unsigned char, kSector> sector{};
            if (sectors_->ReadAt((kFirstDescriptor + i) * kSector, sector.data(), sector.size()) != sector.size() ||
                std::memcmp(sector.data() + 1, "CD001", 5) != 0)
                break;
            if (i == 0)
                descriptor_.assign(reinterpret_cast<const char*>(sector.data()), sector.size());
            if (sector[0] == 255)  // the end of the descriptors
                break;
            if (sector[0] != 1 && sector[0] != 2)  // not a primary or supplementary (Joliet) one
                continue;
            // Both-endian numbers: the little-endian half of each.
            const auto number = [&sector](std::size_t at, int bytes) {
                std::uint64_t n = 0;
                for (int b = bytes - 1; b >= 0; --b)
                    n = (n << 8) | sector[at + static_cast<std::size_t>(b)];
                return n;
            };
            const std::uint64_t block_size = number(128, 2);
            if (sector[0] == 1 && !volume)
                volume = number(80, 4) * block_size;
            // The root folder's record, which the reader takes on trust: the folder must be
            // inside the image, or reading it would ask for as much memory as it claims.
            const std::uint64_t root_end = number(156 + 2, 4) * block_size + number(156 + 10, 4);
            if (root_end > image_bytes)
                root_outside = true;
        }
        if (!volume || *volume == 0)
            Fail("not an ISO 9660 disc image");
        // An image may lack the padding after the last file's data (some copies of discs leave
        // it out), never more: the reader trusts the sizes of folders up to the volume's.
        if (*volume > image_bytes + kMaxMissingPadding)
            Fail("the image is cut short (" + std::to_string(image_bytes) + " of " +
                 std::to_string(*volume) + " bytes)");
        if (root_outside)
            Fail("the image is damaged (its root folder lies outside it)");
        return {image_bytes, *volume};
    }

    Node& Add(const std::string& key, DiscEntryKind kind, bool implicit, const std::string& parent,
              const std::string& name)
    {
        index_bytes_ += key.size() + name.size() + sizeof(Node) + 64;
        if (index_bytes_ > kMaxIndexBytes)
            Fail("holds more names than a disc can");
        Node& node = nodes_[key];
        node.entry.kind = kind;
        node.implicit = implicit;
        nodes_[parent].children.push_back(name);
        return node;
    }

    // The folder `parts[0..count)`, made implicitly where the image has not named it yet;
    // nothing when something else than a folder is there.
    bool EnsureFolders(const std::vector<std::string>& parts, std::size_t count)
    {
        std::string parent;
        for (std::size_t i = 0; i < count; ++i) {
            std::string key = Join(parts, i + 1);
            const auto it = nodes_.find(key);
            if (it == nodes_.end())
                Add(key, DiscEntryKind::kFolder, true, parent, parts[i]);
            else if (it->second.entry.kind != DiscEntryKind::kFolder)
                return false;
            parent = std::move(key);
        }
        return true;
    }

    void Index()
    {
        const auto [image_bytes, volume_bytes] = CheckVolume();

        Utf8Names names;
        std::string error;
        Archive opened = OpenArchive(sectors_, &error);
        if (!opened.archive)
            Fail("not a readable ISO 9660 disc image (" + error + ")");
        archive* a = opened.archive.get();

        nodes_[std::string()].entry.kind = DiscEntryKind::kFolder;
        struct Link {
            std::string key, target;
        };
        std::vector<Link> links;
        std::vector<std::pair<std::string, std::uint64_t>> data_ends;  // file, end of its data
        std::vector<std::pair<std::string, mode_t>> modes;
        archive_entry* entry = nullptr;
        for (std::size_t ordinal = 0;; ++ordinal) {
            const int r = archive_read_next_header(a, &entry);
            if (r == ARCHIVE_EOF)
                break;
            if (r < ARCHIVE_WARN) {
                const char* why = archive_error_string(a);
                Fail(std::string("the image is damaged (") + (why ? why : "unreadable entry") + ")");
            }
            if (ordinal >= kMaxEntries)
                Fail("holds more entries than a disc can");
            const char* name = EntryName(entry);
            const std::optional<std::vector<std::string>> parts = name ? ImageComponents(name) : std::nullopt;
            if (!parts)
                continue;  // a name past the caps or one that leaves the root: left out
            const std::string key = Join(*parts, parts->size());
            const mode_t mode = archive_entry_mode(entry);

            DiscEntryKind kind = DiscEntryKind::kOther;
            const char* hardlink = archive_entry_hardlink(entry);
            if (hardlink)
                kind = DiscEntryKind::kFile;  // the data of an earlier file, read through it
            else if (archive_entry_filetype(entry) == AE_IFREG)
                kind = DiscEntryKind::kFile;
            else if (archive_entry_filetype(entry) == AE_IFDIR)
                kind = DiscEntryKind::kFolder;

            if (key.empty()) {  // the root's own record
                modes.emplace_back(key, mode);
                continue;
            }
            if (!EnsureFolders(*parts, parts->size() - 1))
                continue;  // inside something that is not a folder
            const auto existing = nodes_.find(key);
            if (existing != nodes_.end()) {
                // The first entry of a path stands; a folder named by its files before its own
                // record comes gets the record's mode.
                if (existing->second.implicit && kind == DiscEntryKind::kFolder) {
                    existing->second.implicit = false;
                    modes.emplace_back(key, mode);
                }
                continue;
            }
            Node& node = Add(key, kind, false, Join(*parts, parts->size() - 1), parts->back());
            modes.emplace_back(key, mode);
            if (kind != DiscEntryKind::kFile)
                continue;
            if (hardlink) {
                const std::optional<std::vector<std::string>> target = ImageComponents(hardlink);
                links.push_back({key, target ? Join(*target, target->size()) : std::string()});
                continue;
            }
            const la_int64_t size = archive_entry_size(entry);
            node.entry.size = size > 0 ? static_cast<std::uintmax_t>(size) : 0;
            node.ordinal = ordinal;
            node.data_key = key;
            // Right after its header the reader stands at the file's data.
            const la_int64_t at = archive_filter_bytes(a, 0);
            if (at >= 0 && node.entry.size > 0)
                data_ends.emplace_back(key, static_cast<std::uint64_t>(at) + node.entry.size);
            // An extent begins at a sector; a file of 4 GiB or more takes several extents.
            if (at >= 0 && static_cast<std::uint64_t>(at) % kSector == 0 && node.entry.size < kMaxExtentBytes)
                node.extent = static_cast<std::uint64_t>(at);
        }

        // A hard link reads the data of its target, a file met before it.
        for (const Link& link : links) {
            Node& node = nodes_[link.key];
            const auto target = nodes_.find(link.target);
            if (link.target.empty() || target == nodes_.end() ||
                target->second.entry.kind != DiscEntryKind::kFile ||
                target->second.ordinal == kNoOrdinal) {
                node.entry.kind = DiscEntryKind::kOther;
                continue;
            }
            node.entry.size = target->second.entry.size;
            node.ordinal = target->second.ordinal;
            node.data_key = target->second.data_key;
            node.extent = target->second.extent;
        }

        // An image shorter than its volume may only lack the padding after the last file.
        if (image_bytes < volume_bytes) {
            for (const auto& [key, end] : data_ends) {
                if (end > image_bytes)
                    Fail("the image is cut short (" + std::to_string(image_bytes) + " of " +
                         std::to_string(volume_bytes) + " bytes; \"" + key + "\" is missing)");
            }
        }

        // Modes are worth something only where Rock Ridge records them; plain ISO 9660 and
        // Joliet give every file the same made-up mode.
        if (archive_format(a) == ARCHIVE_FORMAT_ISO9660_ROCKRIDGE) {
            for (const auto& [key, mode] : modes) {
                Node& node = nodes_[key];
                if (node.entry.kind != DiscEntryKind::kMissing)
                    node.entry.executable = (mode & 0100) != 0;
            }
        }

        for (auto& [key, node] : nodes_)
            std::sort(node.children.begin(), node.children.end());
    }

    fs::path image_;
    std::shared_ptr<const DiscSectors> sectors_;
    std::string descriptor_;  // the first volume descriptor as it was when the image was indexed
    fs::path root_;
    std::unordered_map<std::string, Node> nodes_;
    std::size_t index_bytes_ = 0;
};

}  // namespace

std::shared_ptr<const DiscFs> OpenDiscImage(const fs::path& image)
{
    return std::make_shared<ImageFs>(image);
}

bool IsDiscImagePath(const fs::path& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !ec && (fs::is_regular_file(status) || fs::is_block_file(status));
}
