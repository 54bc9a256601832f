#include "disc/DiscImage.h"

#include "disc/DiscSectors.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the index of one image may hold at most. A cover disc holds a few thousand files in a
// handful of levels; these leave room for far more and still keep a damaged image from taking
// the memory of the machine. Records are added to the index one at a time as they are read, so
// the caps hold before anything else grows.
constexpr std::size_t kMaxEntries = 200000;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxPathBytes = 1024;
constexpr std::size_t kMaxDepth = 32;
constexpr std::size_t kMaxIndexBytes = 64u << 20;

constexpr std::uint64_t kSector = 2048;
constexpr std::uint64_t kFirstDescriptor = 16;  // sectors 0-15 are the system area
constexpr std::uint64_t kMaxDescriptors = 64;
constexpr std::uint64_t kMaxMissingPadding = 150 * kSector;
// A folder's records are read this many bytes at a time: a cover disc's folders take one read
// each, and a huge folder never more memory than this.
constexpr std::size_t kFolderWindow = 256 * 1024;
// Continuation areas of the Rock Ridge entries of one record followed at most (a real record
// needs one, for a long name or link).
constexpr int kMaxContinuations = 8;
// The start of a file that zisofs packed.
constexpr unsigned char kZisofsMagic[8] = {0x37, 0xE4, 0x53, 0x96, 0xC9, 0xDB, 0xD6, 0x07};

// Record flags.
constexpr unsigned kFlagFolder = 0x02;
constexpr unsigned kFlagAssociated = 0x04;
constexpr unsigned kFlagMoreExtents = 0x80;

std::uint32_t Le32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
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


// A Joliet name (UCS-2 big-endian, with the UTF-16 surrogate pairs some writers use) as UTF-8;
// a lone surrogate becomes U+FFFD.
std::string JolietName(const unsigned char* p, std::size_t size)
{
    std::string out;
    const auto put = [&out](std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::uint32_t c = std::uint32_t{p[i]} << 8 | p[i + 1];
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < size) {
            const std::uint32_t low = std::uint32_t{p[i + 2]} << 8 | p[i + 3];
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        put(c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    return out;
}

// `name` without the version a file name of ISO 9660 and Joliet ends in (";1").
void DropVersion(std::string& name)
{
    const std::size_t semicolon = name.rfind(';');
    if (semicolon != std::string::npos &&
        name.find_first_not_of("0123456789", semicolon + 1) == std::string::npos)
        name.resize(semicolon);
}

// A plain ISO 9660 name as a mounted image shows it (Linux's default): in lower case, without
// its version and the dot a name without an extension ends in ("IMAGE_RU.DAT;1" is
// "image_ru.dat", "README.;1" is "readme").
std::string PlainName(const unsigned char* p, std::size_t size)
{
    std::string name(reinterpret_cast<const char*>(p), size);
    DropVersion(name);
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

// What the Rock Ridge entries of one record say.
struct RockRidge {
    std::string name;  // NM, its parts joined
    bool named = false;
    std::optional<std::uint32_t> mode;          // PX
    bool link = false;                          // SL: a symbolic link
    bool relocated = false;                     // RE: the folder is shown where its CL is
    std::optional<std::uint32_t> child;         // CL: the sector of the folder this stands for
    std::optional<std::uint32_t> packed_size;   // ZF: packed by zisofs, this many bytes unpacked
};

struct Piece {
    std::uint64_t offset, size;
};

struct Node {
    DiscEntry entry;
    // Where the file's data lies in the image's sectors: one extent, or the first of several (a
    // file of 4 GiB or more) with the others in `more`, in order.
    std::uint64_t offset = 0;
    std::uint64_t stored = 0;  // bytes of the first extent (for a packed file, its packed bytes)
    bool packed = false;       // packed by zisofs
    std::vector<Piece> more;
    std::vector<std::string> children;
};

// A file read straight from its extents of the image's sectors.
class ExtentReader final : public DiscReader {
public:
    ExtentReader(std::shared_ptr<const DiscSectors> sectors, std::vector<Piece> pieces)
        : sectors_(std::move(sectors)), pieces_(std::move(pieces))
    {
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t got = 0;
        while (got < size && !failed_ && next_ < pieces_.size()) {
            Piece& piece = pieces_[next_];
            if (piece.size == 0) {
                ++next_;
                continue;
            }
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - got, piece.size));
            const std::size_t n = sectors_->ReadAt(piece.offset, out + got, want);
            // Fewer bytes than the file's size: the image is cut short or cannot be read.
            if (n < want)
                failed_ = true;
            piece.offset += n;
            piece.size -= n;
            got += n;
        }
        return got;
    }

    bool Failed() const override { return failed_; }

private:
    std::shared_ptr<const DiscSectors> sectors_;
    std::vector<Piece> pieces_;
    std::size_t next_ = 0;
    bool failed_ = false;
};

// A file packed by zisofs, unpacked block by block as it is read. Its data begins with a header
// (the magic, the unpacked size, the header's size in 4-byte units, the log2 of the block size),
// then a table of the offsets where each block's zlib stream begins, one more than there are
// blocks; a block of no bytes is zeros. Opening reads the header alone, so that every packed
// file opens in the same short time; the table is read a piece at a time as the blocks come.
class ZisofsReader final : public DiscReader {
public:
    static std::unique_ptr<DiscReader> Open(std::shared_ptr<const DiscSectors> sectors, std::uint64_t offset,
                                            std::uint64_t stored, std::uint64_t size)
    {
        std::array<unsigned char, 16> head{};
        if (stored < head.size() || sectors->ReadAt(offset, head.data(), head.size()) != head.size() ||
            std::memcmp(head.data(), kZisofsMagic, sizeof kZisofsMagic) != 0 || Le32(&head[8]) != size ||
            head[13] < 15 || head[13] > 17 || head[12] * std::uint64_t{4} < head.size())
            return nullptr;
        auto reader = std::unique_ptr<ZisofsReader>(new ZisofsReader(std::move(sectors), offset, stored, size));
        reader->table_at_ = head[12] * std::uint64_t{4};
        reader->block_bits_ = head[13];
        reader->blocks_ = (size + (std::uint64_t{1} << head[13]) - 1) >> head[13];
        if (reader->table_at_ + (reader->blocks_ + 1) * 4 > stored)
            return nullptr;
        return reader;
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t got = 0;
        while (got < size && !failed_) {
            if (at_ == block_.size()) {
                if (next_block_ == blocks_ || !Unpack())
                    break;
            }
            const std::size_t n = std::min(size - got, block_.size() - at_);
            std::memcpy(out + got, block_.data() + at_, n);
            at_ += n;
            got += n;
        }
        return got;
    }

    bool Failed() const override { return failed_; }

private:
    ZisofsReader(std::shared_ptr<const DiscSectors> sectors, std::uint64_t offset, std::uint64_t stored,
                 std::uint64_t size)
        : sectors_(std::move(sectors)), offset_(offset), stored_(stored), left_(size)
    {
    }

    // The offset of block `i` from the table into `at`, the table read 512 entries at a time.
    bool Pointer(std::uint64_t i, std::uint32_t& at)
    {
        if (i < table_first_ || i >= table_first_ + table_.size()) {
            const std::uint64_t count = std::min<std::uint64_t>(512, blocks_ + 1 - i);
            std::vector<unsigned char> bytes(static_cast<std::size_t>(count * 4));
            if (sectors_->ReadAt(offset_ + table_at_ + i * 4, bytes.data(), bytes.size()) != bytes.size())
                return false;
            table_.resize(static_cast<std::size_t>(count));
            for (std::size_t k = 0; k < table_.size(); ++k)
                table_[k] = Le32(&bytes[k * 4]);
            table_first_ = i;
        }
        at = table_[static_cast<std::size_t>(i - table_first_)];
        return true;
    }

    // The next block unpacked into block_; false (and failed) when it cannot be.
    bool Unpack()
    {
        const std::uint64_t block_bytes = std::uint64_t{1} << block_bits_;
        const std::size_t want = static_cast<std::size_t>(std::min(left_, block_bytes));
        std::uint32_t from = 0, to = 0;
        block_.resize(want);
        at_ = 0;
        failed_ = !Pointer(next_block_, from) || !Pointer(next_block_ + 1, to) || to < from || to > stored_ ||
                  to - from > 2 * block_bytes + 1024;
        if (!failed_ && to == from) {
            std::fill(block_.begin(), block_.end(), '\0');
        } else if (!failed_) {
            packed_.resize(to - from);
            uLongf unpacked = static_cast<uLongf>(want);
            failed_ = sectors_->ReadAt(offset_ + from, packed_.data(), packed_.size()) != packed_.size() ||
                      uncompress(reinterpret_cast<Bytef*>(block_.data()), &unpacked,
                                 reinterpret_cast<const Bytef*>(packed_.data()),
                                 static_cast<uLong>(packed_.size())) != Z_OK ||
                      unpacked != want;
        }
        if (failed_) {
            block_.clear();
            return false;
        }
        left_ -= want;
        ++next_block_;
        return true;
    }

    std::shared_ptr<const DiscSectors> sectors_;
    std::uint64_t offset_, stored_, left_;
    std::uint64_t table_at_ = 0, blocks_ = 0, next_block_ = 0;
    int block_bits_ = 15;
    std::vector<std::uint32_t> table_;
    std::uint64_t table_first_ = 0;
    std::string packed_, block_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

// Where a tree of folders begins: the root's record in a volume descriptor.
struct TreeRoot {
    std::uint64_t sector = 0, size = 0;
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
        if (!node || node->entry.kind != DiscEntryKind::kFile)
            return nullptr;
        // The image may have been replaced since it was indexed: its files are not read as if
        // they were the old ones.
        std::string descriptor(descriptor_.size(), '\0');
        if (sectors_->ReadAt(kFirstDescriptor * kSector, descriptor.data(), descriptor.size()) != descriptor.size() ||
            descriptor != descriptor_)
            return nullptr;
        if (node->packed)
            return ZisofsReader::Open(sectors_, node->offset, node->stored, node->entry.size);
        std::vector<Piece> pieces{{node->offset, node->stored}};
        pieces.insert(pieces.end(), node->more.begin(), node->more.end());
        return std::make_unique<ExtentReader>(sectors_, std::move(pieces));
    }

    std::string Name() const override { return image_.string(); }
    bool IsImage() const override { return true; }

private:
    enum class Names { kPlain, kJoliet, kRockRidge };

    // A folder met whose records are still to be read.
    struct Pending {
        std::string key;
        std::uint64_t sector, size;
        std::size_t depth;
    };

    [[noreturn]] void Fail(const std::string& why) const
    {
        throw DiscImageError(image_.string() + ": " + why);
    }

    [[noreturn]] void FailCutShort(const std::string& missing = {}) const
    {
        Fail("the image is cut short (" + std::to_string(image_bytes_) + " of " + std::to_string(volume_bytes_) +
             " bytes" + (missing.empty() ? "" : "; \"" + missing + "\" is missing") + ")");
    }

    const Node* Find(const fs::path& path) const
    {
        const std::optional<std::vector<std::string>> parts = Components(path);
        if (!parts)
            return nullptr;
        const auto it = nodes_.find(Join(*parts, parts->size()));
        return it == nodes_.end() ? nullptr : &it->second;
    }

    // Checks that the image is an ISO 9660 image at all, notes its size and the size its volume
    // descriptor declares, and finds the roots of its trees (the primary one, and Joliet's).
    void CheckVolume(TreeRoot& primary, std::optional<TreeRoot>& joliet)
    {
        image_bytes_ = sectors_->Size();
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
            const std::uint64_t block_size = std::uint64_t{sector[128]} | std::uint64_t{sector[129]} << 8;
            const TreeRoot root{Le32(&sector[156 + 2]), Le32(&sector[156 + 10])};
            if (sector[0] == 1 && !volume) {
                if (block_size != kSector)
                    Fail("not a readable ISO 9660 disc image (blocks of " + std::to_string(block_size) + " bytes)");
                volume = Le32(&sector[80]) * block_size;
                primary = root;
            }
            // A supplementary descriptor with the escape sequence of UCS-2 is Joliet's.
            if (sector[0] == 2 && !joliet && block_size == kSector && sector[88] == '%' && sector[89] == '/' &&
                (sector[90] == '@' || sector[90] == 'C' || sector[90] == 'E'))
                joliet = root;
            // The root folder must be inside the image.
            if (root.sector * kSector + root.size > image_bytes_)
                root_outside = true;
        }
        if (!volume || *volume == 0)
            Fail("not an ISO 9660 disc image");
        volume_bytes_ = *volume;
        // An image may lack the padding after the last file's data (some copies of discs leave
        // it out), never more.
        if (volume_bytes_ > image_bytes_ + kMaxMissingPadding)
            FailCutShort();
        if (root_outside)
            Fail("the image is damaged (its root folder lies outside it)");
    }

    // Bytes of the folder's records, all of which are there; fails naming the image otherwise.
    std::size_t ReadFolder(std::uint64_t offset, std::string& buffer, std::size_t size)
    {
        buffer.resize(size);
        if (sectors_->ReadAt(offset, buffer.data(), size) != size) {
            if (image_bytes_ < volume_bytes_)
                FailCutShort();
            Fail("the image is damaged (a folder lies outside it)");
        }
        return size;
    }

    // The Rock Ridge entries in the system use area `p[0..size)` of a record and in the
    // continuation areas it leads to.
    RockRidge ReadRockRidge(const unsigned char* p, std::size_t size)
    {
        RockRidge rr;
        for (int areas = 0; areas <= kMaxContinuations; ++areas) {
            std::optional<std::pair<std::uint64_t, std::uint32_t>> next;  // offset, length
            for (std::size_t i = 0; i + 4 <= size;) {
                const unsigned char* e = p + i;
                const std::size_t length = e[2];
                if (length < 4 || i + length > size)
                    break;
                const auto is = [e](const char* signature) { return e[0] == signature[0] && e[1] == signature[1]; };
                if (is("ST")) {
                    break;
                } else if (is("CE") && length >= 28) {
                    next = {std::uint64_t{Le32(e + 4)} * kSector + Le32(e + 12), Le32(e + 20)};
                } else if (is("NM") && length >= 5) {
                    if (e[4] & 0x06)  // "." or "..": not a name a file can have
                        rr.name = std::string(kMaxNameBytes + 1, '.');
                    else if (rr.name.size() <= kMaxNameBytes)
                        rr.name.append(reinterpret_cast<const char*>(e + 5), length - 5);
                    rr.named = true;
                } else if (is("PX") && length >= 36) {
                    rr.mode = Le32(e + 4);
                } else if (is("SL")) {
                    rr.link = true;
                } else if (is("RE")) {
                    rr.relocated = true;
                } else if (is("CL") && length >= 12) {
                    rr.child = Le32(e + 4);
                } else if (is("ZF") && length >= 16 && e[4] == 'p' && e[5] == 'z') {
                    rr.packed_size = Le32(e + 8);
                }
                i += length;
            }
            // A continuation area lies within one sector.
            if (!next || next->second > kSector || next->first % kSector + next->second > kSector)
                break;
            continuation_.resize(next->second);
            if (sectors_->ReadAt(next->first, continuation_.data(), continuation_.size()) != continuation_.size())
                break;
            p = reinterpret_cast<const unsigned char*>(continuation_.data());
            size = continuation_.size();
        }
        return rr;
    }

    // The system use area of the record `r` (its Rock Ridge entries), past the bytes the root's
    // first entry says to skip.
    std::pair<const unsigned char*, std::size_t> SystemUse(const unsigned char* r) const
    {
        const std::size_t name_bytes = r[32];
        const std::size_t start = 33 + name_bytes + (name_bytes % 2 == 0 ? 1 : 0) + susp_skip_;
        return start < r[0] ? std::pair{r + start, std::size_t{r[0]} - start} : std::pair{r, std::size_t{0}};
    }

    Node& Add(Node& parent, std::string key, std::string name, DiscEntryKind kind)
    {
        index_bytes_ += key.size() + name.size() + sizeof(Node) + 64;
        if (index_bytes_ > kMaxIndexBytes)
            Fail("holds more names than a disc can");
        parent.children.push_back(std::move(name));
        Node& node = nodes_[std::move(key)];
        node.entry.kind = kind;
        return node;
    }

    // Reads the records of the folder `folder` and adds them to the index one by one; the
    // folders among them are put on `pending`.
    void ReadRecords(const Pending& folder, std::vector<Pending>& pending)
    {
        // Every folder's records are read once; together they cannot be more than the image.
        const std::uint64_t size = (folder.size + kSector - 1) / kSector * kSector;
        folder_bytes_ += size;
        if (folder_bytes_ > std::max(image_bytes_, volume_bytes_))
            Fail("the image is damaged (its folders overlap)");
        Node* parent = &nodes_.at(folder.key);
        Node* multi = nullptr;  // a file of several extents, while its records come
        std::string multi_name;
        std::string window;
        for (std::uint64_t done = 0; done < size;) {
            const std::size_t n = ReadFolder(folder.sector * kSector + done, window,
                                             static_cast<std::size_t>(std::min<std::uint64_t>(kFolderWindow, size - done)));
            done += n;
            for (std::size_t s = 0; s < n; s += kSector) {
                const auto* sector = reinterpret_cast<const unsigned char*>(window.data()) + s;
                // A record never crosses the end of a sector: the rest of it is padding.
                for (std::size_t at = 0; at < kSector && sector[at] != 0 && at + sector[at] <= kSector;
                     at += sector[at]) {
                    const unsigned char* r = sector + at;
                    if (r[0] < 34 || 33u + r[32] > r[0])
                        Fail("the image is damaged (a folder record of " + std::to_string(r[0]) + " bytes)");
                    Record(folder, *parent, r, multi, multi_name, pending);
                }
            }
        }
    }

    void Record(const Pending& folder, Node& parent, const unsigned char* r, Node*& multi, std::string& multi_name,
                std::vector<Pending>& pending)
    {
        const unsigned flags = r[25];
        const std::size_t name_bytes = r[32];
        if (name_bytes == 1 && r[33] <= 1)  // the folder itself, and the one above it
            return;
        if (++entries_ > kMaxEntries)
            Fail("holds more entries than a disc can");
        if (flags & kFlagAssociated)
            return;  // a file's resource fork, which a mounted image does not show either

        RockRidge rr;
        if (names_ == Names::kRockRidge) {
            const auto [use, use_bytes] = SystemUse(r);
            rr = ReadRockRidge(use, use_bytes);
            if (rr.relocated)
                return;  // shown where its CL record is
        }
        std::string name;
        if (rr.named) {
            name = std::move(rr.name);
        } else if (names_ == Names::kJoliet) {
            name = JolietName(r + 33, name_bytes);
            DropVersion(name);
        } else {
            name = PlainName(r + 33, name_bytes);
        }

        const std::uint64_t offset = (std::uint64_t{Le32(r + 2)} + r[1]) * kSector;  // past its extended attributes
        const std::uint64_t bytes = Le32(r + 10);
        // The further extents of a file of 4 GiB or more come in records of the same name.
        if (!multi_name.empty() && name == multi_name) {
            if (multi) {
                multi->more.push_back({offset, bytes});
                multi->entry.size += bytes;
                CheckData(folder.key.empty() ? name : folder.key + "/" + name, offset, bytes);
            }
            if (!(flags & kFlagMoreExtents)) {
                multi = nullptr;
                multi_name.clear();
            }
            return;
        }
        multi = nullptr;
        multi_name.clear();
        if (flags & kFlagMoreExtents)
            multi_name = name;

        // A name that cannot be a file's, or past the caps, is left out with all it holds.
        if (name.empty() || name == "." || name == ".." || name.size() > kMaxNameBytes ||
            name.find_first_of(std::string_view("/\0", 2)) != std::string::npos || folder.depth + 1 > kMaxDepth)
            return;
        std::string key = folder.key.empty() ? name : folder.key + "/" + name;
        if (key.size() > kMaxPathBytes || nodes_.count(key))
            return;  // the first record of a name stands

        const bool is_folder = (flags & kFlagFolder) || rr.child;
        if (is_folder) {
            const std::uint64_t sector = rr.child ? *rr.child : Le32(r + 2);
            std::uint64_t size = bytes;
            if (rr.child) {  // the relocated folder's size is in its own first record
                std::array<unsigned char, 34> self{};
                if (sectors_->ReadAt(sector * kSector, self.data(), self.size()) != self.size())
                    return;
                size = Le32(&self[10]);
            }
            // A folder met before (one that holds itself or a folder above it) is not read again.
            if (!visited_.insert(sector).second)
                return;
            Node& node = Add(parent, key, std::move(name), DiscEntryKind::kFolder);
            if (rr.mode)
                node.entry.executable = (*rr.mode & 0100) != 0;
            pending.push_back({std::move(key), sector, size, folder.depth + 1});
            return;
        }
        const bool regular = !rr.link && (!rr.mode || (*rr.mode & 0170000) == 0100000);
        Node& node = Add(parent, key, std::move(name), regular ? DiscEntryKind::kFile : DiscEntryKind::kOther);
        if (names_ == Names::kRockRidge && rr.mode)
            node.entry.executable = (*rr.mode & 0100) != 0;
        if (!regular)
            return;
        node.offset = offset;
        node.stored = bytes;
        node.entry.size = bytes;
        if (rr.packed_size && !(flags & kFlagMoreExtents)) {
            node.packed = true;
            node.entry.size = *rr.packed_size;
        }
        if (flags & kFlagMoreExtents)
            multi = &node;
        CheckData(key, offset, bytes);
    }

    // An image shorter than its volume may only lack the padding after the last file.
    void CheckData(const std::string& key, std::uint64_t offset, std::uint64_t bytes) const
    {
        if (image_bytes_ < volume_bytes_ && bytes > 0 && offset + bytes > image_bytes_)
            FailCutShort(key);
    }

    void Index()
    {
        TreeRoot primary;
        std::optional<TreeRoot> joliet;
        CheckVolume(primary, joliet);

        // Names come from Rock Ridge where the primary tree has it (its root's first record
        // begins with the entry that says so), else from Joliet's tree, else from plain ISO 9660.
        TreeRoot root = primary;
        std::array<unsigned char, kSector> first{};
        if (sectors_->ReadAt(primary.sector * kSector, first.data(), first.size()) != first.size())
            Fail("the image is damaged (its root folder lies outside it)");
        Node& top = nodes_[std::string()];
        top.entry.kind = DiscEntryKind::kFolder;
        if (first[0] >= 34 && first[0] >= 33u + first[32]) {
            const auto [use, use_bytes] = SystemUse(first.data());
            if (use_bytes >= 7 && std::memcmp(use, "SP\x07\x01\xBE\xEF", 6) == 0) {
                names_ = Names::kRockRidge;
                const RockRidge rr = ReadRockRidge(use, use_bytes);
                if (rr.mode)
                    top.entry.executable = (*rr.mode & 0100) != 0;
                susp_skip_ = use[6];
            }
        }
        if (names_ != Names::kRockRidge && joliet) {
            names_ = Names::kJoliet;
            root = *joliet;
        }

        std::vector<Pending> pending{{std::string(), root.sector, root.size, 0}};
        visited_.insert(root.sector);
        while (!pending.empty()) {
            const Pending folder = std::move(pending.back());
            pending.pop_back();
            ReadRecords(folder, pending);
        }

        // Rock Ridge writers move folders deeper than ISO 9660 allows into "rr_moved" and show
        // them where they belong: the folder itself, left empty, is theirs, not the disc's.
        if (names_ == Names::kRockRidge) {
            for (const char* moved : {"rr_moved", ".rr_moved"}) {
                const auto it = nodes_.find(moved);
                if (it != nodes_.end() && it->second.entry.kind == DiscEntryKind::kFolder &&
                    it->second.children.empty()) {
                    nodes_.erase(it);
                    std::vector<std::string>& names = nodes_[std::string()].children;
                    names.erase(std::remove(names.begin(), names.end(), moved), names.end());
                }
            }
        }
        visited_ = {};
        for (auto& [key, node] : nodes_)
            std::sort(node.children.begin(), node.children.end());
    }

    fs::path image_;
    std::shared_ptr<const DiscSectors> sectors_;
    std::string descriptor_;  // the first volume descriptor as it was when the image was indexed
    fs::path root_;
    std::unordered_map<std::string, Node> nodes_;
    std::uint64_t image_bytes_ = 0, volume_bytes_ = 0;
    // While indexing:
    Names names_ = Names::kPlain;
    std::size_t susp_skip_ = 0;  // bytes before the Rock Ridge entries of each record
    std::size_t index_bytes_ = 0, entries_ = 0;
    std::uint64_t folder_bytes_ = 0;
    std::unordered_set<std::uint64_t> visited_;  // the sectors of the folders met
    std::string continuation_;
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
