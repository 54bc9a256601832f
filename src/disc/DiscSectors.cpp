#include "disc/DiscSectors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "disc/DiscImage.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kUser = DiscSectors::kSectorBytes;
constexpr std::uint64_t kDescriptorSector = 16;  // the first volume descriptor of ISO 9660
// The sector sizes images keep: cooked user data, Mode 2 without sync and header, raw sectors,
// raw sectors followed by their 96 bytes of subchannel.
constexpr std::array<std::uint32_t, 4> kStrides = {2048, 2352, 2336, 2448};
constexpr std::array<unsigned char, 12> kSync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
// A sheet is a few lines per track; anything larger is not one.
constexpr std::uintmax_t kMaxSheetBytes = 256 * 1024;
constexpr int kMaxTracks = 99;
constexpr std::size_t kMaxNrgChunks = 256;
constexpr std::size_t kBatchSectors = 32;
// The file system of a data track that follows audio tracks (a CD-Extra disc) counts its sectors
// from the start of the disc, not of the track: it is refused rather than read wrong.
constexpr const char* kDataAfterAudio =
    "the disc's first data track follows an audio track (its files lie in a later session), "
    "which is not read";

[[noreturn]] void Fail(const fs::path& image, const std::string& why)
{
    throw DiscImageError(image.string() + ": " + why);
}

// A data file open for reading at any offset.
class File {
public:
    File(const fs::path& path, const fs::path& image)
    {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            const int error = errno;
            std::error_code ec;
            if (fs::is_directory(path, ec))
                Fail(image, path == image ? "is a folder, not a disc image" : path.string() + " is a folder");
            Fail(image, (path == image ? std::string() : path.string() + " ") + "cannot be opened: " +
                            std::strerror(error));
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd_);
            Fail(image, "is a folder, not a disc image");
        }
        // A block device tells its size only by seeking to its end.
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        size_ = end < 0 ? 0 : static_cast<std::uint64_t>(end);
    }
    ~File()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::uint64_t Size() const { return size_; }

    // As many of `size` bytes from `offset` as the file gives; fewer at its end or on an error.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::pread(fd_, out + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

    std::string Bytes(std::uint64_t offset, std::size_t size) const
    {
        std::string bytes(size, '\0');
        bytes.resize(ReadAt(offset, bytes.data(), size));
        return bytes;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Where a track's sectors are in its data file.
struct Layout {
    std::uint64_t start = 0;   // the byte of the data file where the track's first sector begins
    std::uint32_t stride = 0;  // bytes per sector in the file
    std::uint32_t user = 0;    // where the 2048 bytes of user data begin inside a sector
    std::uint64_t sectors = 0;
    int mode = 0;  // 1 or 2 (Form 1) for raw sectors, 0 for cooked ones
};

class TrackSectors final : public DiscSectors {
public:
    TrackSectors(std::unique_ptr<File> file, Layout layout) : file_(std::move(file)), layout_(layout)
    {
    }

    std::uint64_t Size() const override { return layout_.sectors * kUser; }

    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const override
    {
        if (offset >= Size())
            return 0;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, Size() - offset));
        if (layout_.stride == kUser)
            return file_->ReadAt(layout_.start + offset, buffer, size);
        auto* out = static_cast<char*>(buffer);
        std::vector<char> raw;
        std::size_t got = 0;
        while (got < size) {
            const std::uint64_t at = offset + got;
            const std::uint64_t sector = at / kUser;
            std::size_t in = static_cast<std::size_t>(at % kUser);
            const std::size_t batch = std::min<std::size_t>((in + (size - got) + kUser - 1) / kUser, kBatchSectors);
            raw.resize(batch * layout_.stride);
            const std::size_t n = file_->ReadAt(layout_.start + sector * layout_.stride, raw.data(), raw.size());
            // A sector counts once its user data is all there.
            std::size_t whole = n / layout_.stride;
            if (whole < batch && n % layout_.stride >= layout_.user + kUser)
                ++whole;
            for (std::size_t s = 0; s < whole && got < size; ++s) {
                const std::size_t take = std::min<std::size_t>(kUser - in, size - got);
                std::memcpy(out + got, raw.data() + s * layout_.stride + layout_.user + in, take);
                got += take;
                in = 0;
            }
            if (whole < batch)
                break;
        }
        return got;
    }

private:
    std::unique_ptr<File> file_;
    Layout layout_;
};

// The layout of an ISO 9660 track that begins at `start` of `file` (and ends by `end`), with
// sectors of `stride` bytes or, for 0, of whichever size shows a volume descriptor where the
// file system's first one belongs. Raw sectors must carry the sync pattern and say their mode.
std::optional<Layout> Probe(const File& file, std::uint64_t start, std::uint64_t end, std::uint32_t stride)
{
    end = std::min(end, file.Size());
    if (start >= end)
        return std::nullopt;
    std::vector<std::uint32_t> strides;
    if (stride != 0)
        strides.push_back(stride);
    for (std::uint32_t s : kStrides) {
        if (s != stride)
            strides.push_back(s);
    }
    for (std::uint32_t s : strides) {
        Layout layout{start, s, 0, (end - start) / s, 0};
        // Every sector holds a whole user sector, after its header where it has one (below).
        if (s < kUser || layout.sectors <= kDescriptorSector)
            continue;
        const std::string sector = file.Bytes(start + kDescriptorSector * s, s);
        if (sector.size() != s)
            continue;
        const auto* bytes = reinterpret_cast<const unsigned char*>(sector.data());
        if (s == 2336) {
            layout.user = 8;  // the Mode 2 subheader, twice
            layout.mode = 2;
        } else if (s != kUser) {
            if (std::memcmp(bytes, kSync.data(), kSync.size()) != 0)
                continue;
            layout.mode = bytes[15];
            if (layout.mode == 1)
                layout.user = 16;
            else if (layout.mode == 2 && (bytes[18] & 0x20) == 0)  // Form 1, not Form 2
                layout.user = 24;
            else
                continue;
        }
        if (layout.user + kUser > s)
            continue;
        if (std::memcmp(bytes + layout.user + 1, "CD001", 5) == 0)
            return layout;
    }
    return std::nullopt;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::uint64_t BigEndian(std::string_view bytes, std::size_t at, int count)
{
    std::uint64_t n = 0;
    for (int i = 0; i < count; ++i)
        n = (n << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return n;
}

std::uint64_t LittleEndian(std::string_view bytes, std::size_t at, int count)
{
    std::uint64_t n = 0;
    for (int i = count - 1; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return n;
}

// The data file `name` a sheet names, found in the sheet's own folder (its letter case may differ,
// as sheets written on other systems have it). A name that leaves the folder is refused.
fs::path Beside(const fs::path& sheet, std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.empty() || name.front() == '/' || (name.size() > 1 && name[1] == ':'))
        Fail(sheet, "the sheet names a data file outside its folder: " + name);
    fs::path relative;
    for (const fs::path& part : fs::path(name)) {
        if (part == "..")
            Fail(sheet, "the sheet names a data file outside its folder: " + name);
        if (!part.empty() && part != ".")
            relative /= part;
    }
    if (relative.empty())
        Fail(sheet, "the sheet names no data file");
    const fs::path folder = sheet.parent_path().empty() ? fs::path(".") : sheet.parent_path();
    fs::path found = folder / relative;
    std::error_code ec;
    if (!fs::exists(found, ec)) {
        // The last component without regard to letter case.
        const std::string want = Lower(relative.filename().string());
        for (const fs::directory_entry& entry :
             fs::directory_iterator(found.parent_path(), fs::directory_options::skip_permission_denied, ec)) {
            if (Lower(entry.path().filename().string()) == want) {
                found = entry.path();
                break;
            }
        }
    }
    // Symbolic links may not lead out of the folder either.
    const fs::path real_folder = fs::weakly_canonical(folder, ec);
    const fs::path real = fs::weakly_canonical(found, ec);
    const auto [end, rest] = std::mismatch(real_folder.begin(), real_folder.end(), real.begin(), real.end());
    if (ec || end != real_folder.end())
        Fail(sheet, "the sheet names a data file outside its folder: " + name);
    if (!fs::is_regular_file(found, ec))
        Fail(sheet, "the data file the sheet names is missing: " + found.string());
    return found;
}

// The data file beside a sheet with the sheet's name and the extension `ext`, in any letter case.
fs::path Sibling(const fs::path& sheet, const std::string& ext)
{
    return Beside(sheet, sheet.stem().string() + ext);
}

std::unique_ptr<DiscSectors> Make(std::unique_ptr<File> file, const Layout& layout)
{
    return std::make_unique<TrackSectors>(std::move(file), layout);
}

// One candidate for the first data track: where it starts, its sector size if known (0: not),
// where it ends.
struct Candidate {
    std::uint64_t start = 0;
    std::uint32_t stride = 0;
    std::uint64_t end = UINT64_MAX;
};

std::unique_ptr<DiscSectors> FirstTrack(const fs::path& image, const fs::path& data,
                                        const std::vector<Candidate>& candidates, const std::string& what)
{
    auto file = std::make_unique<File>(data, image);
    for (const Candidate& c : candidates) {
        if (std::optional<Layout> layout = Probe(*file, c.start, c.end, c.stride))
            return Make(std::move(file), *layout);
    }
    Fail(image, what);
}

// --- Cue sheets -----------------------------------------------------------------------------

// The words of a cue sheet's line, a quoted one kept whole.
std::vector<std::string> Words(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            word = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

// "mm:ss:ff" as frames (sectors); nothing when it is not such a time.
std::optional<std::uint64_t> Frames(const std::string& msf)
{
    unsigned m = 0, s = 0, f = 0;
    char tail = 0;
    if (msf.size() > 12 || std::sscanf(msf.c_str(), "%3u:%2u:%2u%c", &m, &s, &f, &tail) != 3 || s >= 60 || f >= 75)
        return std::nullopt;
    return (std::uint64_t{m} * 60 + s) * 75 + f;
}

// The sector size a cue sheet's track mode stands for; 0 for audio.
std::optional<std::uint32_t> CueStride(const std::string& mode)
{
    const std::string m = Lower(mode);
    if (m == "audio")
        return 0;
    if (m == "cdg")
        return 0;
    for (const char* data : {"mode1/", "mode2/", "cdi/"}) {
        if (m.rfind(data, 0) == 0) {
            const std::string size = m.substr(std::strlen(data));
            for (std::uint32_t s : kStrides) {
                if (size == std::to_string(s))
                    return s;
            }
        }
    }
    return std::nullopt;
}

bool LooksLikeCue(std::string_view head)
{
    const std::string lower = Lower(head);
    return lower.find("file") != std::string::npos && lower.find("track") != std::string::npos &&
           std::all_of(head.begin(), head.end(), [](char c) {
               const auto u = static_cast<unsigned char>(c);
               return u >= 0x20 || u == '\n' || u == '\r' || u == '\t';
           });
}

std::unique_ptr<DiscSectors> OpenCue(const fs::path& cue, const std::string& text)
{
    struct Track {
        std::string file;
        std::uint32_t stride = 0;  // 0: audio
        std::optional<std::uint64_t> index1;
    };
    std::vector<Track> tracks;
    std::string file;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::vector<std::string> words = Words(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (words.empty())
            continue;
        const std::string command = Lower(words[0]);
        if (command == "file" && words.size() >= 3) {
            const std::string type = Lower(words.back());
            if (type != "binary" && type != "motorola")
                file.clear();  // WAVE, MP3, AIFF: audio only, never a data track
            else
                file = words[1];
            if (file.empty() && type == "binary")
                Fail(cue, "the cue sheet names no data file");
        } else if (command == "track" && words.size() >= 3) {
            if (static_cast<int>(tracks.size()) >= kMaxTracks)
                Fail(cue, "the cue sheet lists more tracks than a disc holds");
            const std::optional<std::uint32_t> stride = CueStride(words[2]);
            if (!stride)
                Fail(cue, "the cue sheet has a track of an unknown mode: " + words[2]);
            tracks.push_back({file, *stride, std::nullopt});
        } else if (command == "index" && words.size() >= 3 && !tracks.empty()) {
            const std::optional<std::uint64_t> frames = Frames(words[2]);
            if (!frames)
                Fail(cue, "the cue sheet has an index that is no time: " + words[2]);
            if (words[1] == "01" || words[1] == "1")
                tracks.back().index1 = frames;
        }
    }
    // The byte where each track starts in its file: the frames before it, each of its own size.
    std::uint64_t at = 0, frames_at = 0;
    std::uint32_t stride_before = 0;
    std::string file_before;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const Track& t = tracks[i];
        if (t.file != file_before) {
            at = frames_at = 0;
            stride_before = t.stride;
            file_before = t.file;
        }
        const std::uint64_t frames = t.index1.value_or(frames_at);
        if (frames < frames_at)
            Fail(cue, "the cue sheet's tracks go back in their file");
        at += (frames - frames_at) * (stride_before == 0 ? 2352 : stride_before);
        frames_at = frames;
        stride_before = t.stride;
        if (t.stride == 0 || t.file.empty())
            continue;
        if (i > 0)
            Fail(cue, kDataAfterAudio);
        const fs::path data = Beside(cue, t.file);
        return FirstTrack(cue, data, {{at, t.stride}},
                          "track " + std::to_string(i + 1) + " of the cue sheet holds no ISO 9660 file system in " +
                              data.string());
    }
    Fail(cue, "the cue sheet lists no data track");
}

// --- CloneCD sheets ---------------------------------------------------------------------------

std::unique_ptr<DiscSectors> OpenCcd(const fs::path& ccd, const std::string& text)
{
    // [Entry N] sections: Point=0x01..0x63 is a track, Control bit 4 a data track, PLBA its start.
    struct Entry {
        long point = -1, control = 0, plba = -1, session = 1;
    };
    std::vector<Entry> entries;
    bool in_entry = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            in_entry = Lower(line).rfind("[entry ", 0) == 0;
            if (in_entry) {
                if (entries.size() >= 1000)
                    Fail(ccd, "the CloneCD sheet lists more entries than a disc holds");
                entries.emplace_back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!in_entry || eq == std::string::npos)
            continue;
        const std::string key = Lower(line.substr(0, eq));
        const std::string value = line.substr(eq + 1);
        char* rest = nullptr;
        errno = 0;
        const long n = std::strtol(value.c_str(), &rest, 0);
        if (errno != 0 || rest == value.c_str() || n < -1000000 || n > 1000000)
            continue;
        Entry& e = entries.back();
        if (key == "point")
            e.point = n;
        else if (key == "control")
            e.control = n;
        else if (key == "plba")
            e.plba = n;
        else if (key == "session")
            e.session = n;
    }
    std::vector<Candidate> candidates;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::pair(a.session, a.point) < std::pair(b.session, b.point);
    });
    bool audio = false;
    for (const Entry& e : entries) {
        if (e.point < 1 || e.point > kMaxTracks)
            continue;
        if (!(e.control & 4)) {
            audio = true;
            continue;
        }
        if (audio)
            Fail(ccd, kDataAfterAudio);
        if (e.plba >= 0)
            candidates.push_back({static_cast<std::uint64_t>(e.plba) * 2352, 2352});
    }
    if (candidates.empty())
        candidates.push_back({0, 2352});  // no table of contents: the image from its start
    const fs::path img = Sibling(ccd, ".img");
    return FirstTrack(ccd, img, candidates, "no data track of the CloneCD sheet holds an ISO 9660 file system in " +
                                                img.string());
}

// --- Alcohol 120% descriptors -------------------------------------------------------------------

std::unique_ptr<DiscSectors> OpenMds(const fs::path& mds, const File& sheet)
{
    // The header: the sessions' blocks at 0x50; each session (24 bytes) gives its number of
    // blocks and where its track blocks (80 bytes each) are. A track block gives the track's
    // point, its sector size and where it starts in the .mdf.
    const std::string head = sheet.Bytes(0, 0x58);
    std::vector<Candidate> candidates;
    bool audio = false;
    if (head.size() == 0x58) {
        const std::uint64_t sessions = LittleEndian(head, 0x50, 4);
        const std::string session = sheet.Bytes(sessions, 24);
        if (session.size() == 24) {
            const std::uint64_t blocks = std::min<std::uint64_t>(static_cast<unsigned char>(session[10]), 255);
            const std::uint64_t tracks_at = LittleEndian(session, 20, 4);
            for (std::uint64_t i = 0; i < blocks; ++i) {
                const std::string block = sheet.Bytes(tracks_at + i * 80, 80);
                if (block.size() != 80)
                    break;
                const auto mode = static_cast<unsigned char>(block[0]);
                const auto point = static_cast<unsigned char>(block[4]);
                const auto stride = static_cast<std::uint32_t>(LittleEndian(block, 16, 2));
                if (point < 1 || point > kMaxTracks)  // not a track
                    continue;
                if ((mode & 0x0F) == 0x09) {
                    audio = true;
                    continue;
                }
                if (audio)
                    Fail(mds, kDataAfterAudio);
                if (std::find(kStrides.begin(), kStrides.end(), stride) == kStrides.end())
                    continue;
                candidates.push_back({LittleEndian(block, 40, 8), stride});
            }
        }
    }
    if (candidates.empty())
        candidates.push_back({0, 0});  // a descriptor not understood: the image from its start
    const fs::path mdf = Sibling(mds, ".mdf");
    return FirstTrack(mds, mdf, candidates, "no data track of the descriptor holds an ISO 9660 file system in " +
                                                mdf.string());
}

// --- Nero images ------------------------------------------------------------------------------

// The tracks a Nero image's chunks list (disc-at-once and track-at-once); nothing when the file
// has no Nero footer. A disc-at-once track of a sector size Nero never writes ends the image.
std::optional<std::vector<Candidate>> NeroTracks(const fs::path& image, const File& file)
{
    if (file.Size() < 12)
        return std::nullopt;
    const std::string tail = file.Bytes(file.Size() - 12, 12);
    std::uint64_t chunk = 0, footer = 0;
    if (tail.size() == 12 && tail.compare(0, 4, "NER5") == 0) {
        chunk = BigEndian(tail, 4, 8);
        footer = file.Size() - 12;
    } else if (tail.size() == 12 && tail.compare(4, 4, "NERO") == 0) {
        chunk = BigEndian(tail, 8, 4);
        footer = file.Size() - 8;
    } else {
        return std::nullopt;
    }
    std::vector<Candidate> tracks;
    for (std::size_t count = 0; count < kMaxNrgChunks && chunk <= footer && footer - chunk >= 8; ++count) {
        const std::string header = file.Bytes(chunk, 8);
        if (header.size() != 8)
            break;
        const std::string id = header.substr(0, 4);
        const std::uint64_t size = BigEndian(header, 4, 4);
        if (id == "END!" || size > footer - chunk - 8 || size > kMaxSheetBytes)
            break;
        const std::string data = file.Bytes(chunk + 8, static_cast<std::size_t>(size));
        chunk += 8 + size;
        if (data.size() != size)
            break;
        if ((id == "DAOX" || id == "DAOI") && size >= 22) {
            const bool wide = id == "DAOX";
            const std::size_t entry = wide ? 42 : 30;
            const int offset_bytes = wide ? 8 : 4;
            for (std::size_t at = 22; at + entry <= size && tracks.size() < kMaxTracks; at += entry) {
                const auto stride = static_cast<std::uint32_t>(BigEndian(data, at + 12, 2));
                if (std::find(kStrides.begin(), kStrides.end(), stride) == kStrides.end())
                    Fail(image, "the Nero image lists a track of " + std::to_string(stride) +
                                    "-byte sectors, which no disc has");
                const std::uint64_t index1 = BigEndian(data, at + 18 + static_cast<std::size_t>(offset_bytes), offset_bytes);
                const std::uint64_t end = BigEndian(data, at + 18 + 2 * static_cast<std::size_t>(offset_bytes), offset_bytes);
                tracks.push_back({index1, stride, std::min(end, footer)});
            }
        } else if (id == "ETN2" || id == "ETNF") {
            const bool wide = id == "ETN2";
            const std::size_t entry = wide ? 32 : 20;
            const int bytes = wide ? 8 : 4;
            for (std::size_t at = 0; at + entry <= size && tracks.size() < kMaxTracks; at += entry) {
                const std::uint64_t start = BigEndian(data, at, bytes);
                const std::uint64_t length = BigEndian(data, at + static_cast<std::size_t>(bytes), bytes);
                tracks.push_back({start, 0, start > footer ? footer : start + std::min(length, footer - start)});
            }
        }
    }
    // Without a readable table: Nero's data tracks start after a pregap of 150 cooked sectors.
    if (tracks.empty())
        tracks.push_back({150 * kUser, 0, footer});
    return tracks;
}

std::unique_ptr<DiscSectors> OpenData(const fs::path& image)
{
    auto file = std::make_unique<File>(image, image);
    if (std::optional<std::vector<Candidate>> tracks = NeroTracks(image, *file)) {
        for (const Candidate& c : *tracks) {
            if (std::optional<Layout> layout = Probe(*file, c.start, c.end, c.stride)) {
                if (&c != &tracks->front())
                    Fail(image, kDataAfterAudio);
                return Make(std::move(file), *layout);
            }
        }
        Fail(image, "no track of the Nero image holds an ISO 9660 file system");
    }
    if (std::optional<Layout> layout = Probe(*file, 0, UINT64_MAX, 0))
        return Make(std::move(file), *layout);
    if (file->Size() < (kDescriptorSector + 1) * kUser)
        Fail(image, "not an ISO 9660 disc image (" + std::to_string(file->Size()) + " bytes)");
    Fail(image, "not an ISO 9660 disc image");
}

}  // namespace

std::unique_ptr<DiscSectors> OpenDiscSectors(const fs::path& image)
{
    // The sheets say where the data is; anything else is the data.
    std::string head;
    std::uint64_t size = 0;
    {
        const File file(image, image);
        size = file.Size();
        head = file.Bytes(0, 4096);
        if (head.rfind("MEDIA DESCRIPTOR", 0) == 0)
            return OpenMds(image, file);
    }
    if (head.rfind("[CloneCD]", 0) == 0 || LooksLikeCue(head)) {
        if (size > kMaxSheetBytes)
            Fail(image, "the sheet is larger than a sheet can be (" + std::to_string(size) + " bytes)");
        const File file(image, image);
        const std::string text = file.Bytes(0, static_cast<std::size_t>(size));
        if (head.rfind("[CloneCD]", 0) == 0)
            return OpenCcd(image, text);
        return OpenCue(image, text);
    }
    return OpenData(image);
}
