#include "archive/ZipGrFile.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "archive/UnrarModule.h"
#include "disc/Files.h"

namespace {

// The unpacking under way on this thread (the library calls back on the thread that asked it to
// unpack); one archive is read at a time per thread.
struct Unpacking {
    MemoryStream* stream = nullptr;  // receives the member being unpacked
    uint64_t budget = 0;             // bytes the archive may still unpack
    bool cancelled = false;          // the member was cancelled: over the budget or out of memory
    const std::atomic<bool>* stop = nullptr;  // the owner no longer wants the archive
};
thread_local Unpacking g_unpacking;

// Set on a thread reading an archive in the background: a fatal failure there is kept for the
// main thread (DeferredFailure) instead of being shown.
thread_local bool t_reading_behind = false;

struct DeferredFailure {
    std::string text;
};

int ProcessData(unsigned char* addr, int size)
{
    if (g_unpacking.stream == nullptr || size <= 0)
        return 1;
    // A cancel is final for the member, even with a library that keeps delivering.
    if (g_unpacking.cancelled || static_cast<uint64_t>(size) > g_unpacking.budget ||
        (g_unpacking.stop != nullptr && g_unpacking.stop->load(std::memory_order_relaxed))) {
        g_unpacking.cancelled = true;
        return -1;
    }
    try {
        g_unpacking.stream->Write(addr, static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        g_unpacking.cancelled = true;
        return -1;
    }
    g_unpacking.budget -= static_cast<uint64_t>(size);
    return 1;
}

// A library that keeps answering with statuses it does not explain would keep the member loop
// going for ever; after this many in a row the headers count as broken.
constexpr int kMaxUnexplainedStatuses = 64;

}  // namespace

ZipGrFile::ZipGrFile(Application& app, const PathResolver& resolver, std::string library_path,
                     std::string archive_path, uint64_t unpack_limit, int decode_workers,
                     const LibraryLoader& load_library)
    : app_(app),
      library_path_(std::move(library_path)),
      archive_path_(std::move(archive_path)),
      unpack_limit_(unpack_limit)
{
    StartDecoding(decode_workers);
    const DiscFs& disc = resolver.Disc();
    const std::filesystem::path library = resolver.Resolve(library_path_);
    library_ = load_library ? load_library(disc, library) : LoadLibrary(disc, library, BuiltinUnrarEntryPoints());
    Open(resolver.Resolve(archive_path_), &disc);
}

ZipGrFile::ZipGrFile(Application& app, const PathResolver& resolver, int decode_workers, InBackground)
    : app_(app), library_path_(kUnrarLibraryPath), archive_path_(kPictureArchivePath), unpack_limit_(kMaxUnpackedBytes)
{
    // Nobody takes pictures before the build starts: past what may wait, the workers go on
    // checking, so that the whole archive is decoded once while the start goes on.
    StartDecoding(decode_workers, DecodePool::Beyond::Check);
    const std::shared_ptr<const DiscFs>& disc = resolver.SharedDisc();
    library_ = LoadLibrary(*disc, resolver.Resolve(library_path_), BuiltinUnrarEntryPoints());
    // The disc's readers may be used on any thread; the disc itself stays alive with the thread.
    reader_ = std::thread([this, file = resolver.Resolve(archive_path_), disc] {
        ReadBehind(file, disc);
    });
}

std::unique_ptr<ZipGrFile> ZipGrFile::ReadInBackground(Application& app, const PathResolver& resolver,
                                                       int decode_workers)
{
    return std::unique_ptr<ZipGrFile>(new ZipGrFile(app, resolver, decode_workers, InBackground{}));
}

void ZipGrFile::ReadBehind(const std::filesystem::path& archive_file, std::shared_ptr<const DiscFs> disc)
{
    t_reading_behind = true;
    try {
        Open(archive_file, disc.get());
    } catch (const DeferredFailure& failure) {
        read_failure_ = failure.text;
    } catch (...) {
        read_error_ = std::current_exception();
    }
    t_reading_behind = false;
}

void ZipGrFile::WaitForRead()
{
    if (reader_.joinable())
        reader_.join();
    if (read_error_)
        std::rethrow_exception(std::exchange(read_error_, nullptr));
    if (read_failure_)
        Fatal(*std::exchange(read_failure_, std::nullopt));
}

ZipGrFile::ZipGrFile(Application& app, std::unique_ptr<LoadedLibrary> library,
                     const std::filesystem::path& archive_file, std::string archive_path,
                     uint64_t unpack_limit, int decode_workers)
    : app_(app), archive_path_(std::move(archive_path)), unpack_limit_(unpack_limit), library_(std::move(library))
{
    StartDecoding(decode_workers);
    Open(archive_file);
}

void ZipGrFile::StartDecoding(int decode_workers, DecodePool::Beyond beyond)
{
    const unsigned workers =
        decode_workers < 0 ? DecodePool::MachineWorkers() : static_cast<unsigned>(decode_workers);
    if (workers > 0)
        pool_ = std::make_unique<DecodePool>(workers, 0.1, beyond);
}

void ZipGrFile::Fatal(const std::string& text)
{
    // Only the main thread shows boxes: a read in the background keeps its failure for it.
    if (t_reading_behind)
        throw DeferredFailure{text};
    // The program ends here: no worker may still run while it does.
    pool_.reset();
    app_.MessageBox(text, "Error", MsgButtons::OkCancel);
    app_.Halt(1);
    std::exit(1);  // Halt does not come back; should an implementation do so, end here
}

void ZipGrFile::Open(const std::filesystem::path& archive_file, const DiscFs* disc)
{
    if (library_ == nullptr)
        Fatal("Bad unzip dll");

    auto lookup = [&](const char* name) {
        void* address = library_->GetProcAddress(name);
        if (address == nullptr)
            Fatal(std::string("Bad function ") + name);
        return address;
    };
    open_ = EntryPointAs<RAROpenArchiveFn>(lookup("RAROpenArchive"));
    close_ = EntryPointAs<RARCloseArchiveFn>(lookup("RARCloseArchive"));
    set_callback_ = EntryPointAs<RARSetProcessDataProcFn>(lookup("RARSetProcessDataProc"));
    read_header_ = EntryPointAs<RARReadHeaderFn>(lookup("RARReadHeader"));
    process_ = EntryPointAs<RARProcessFileFn>(lookup("RARProcessFile"));

    // Inside an image the archive is no file of this system: the built-in module reads it from
    // memory, any other library from a private copy. Either failing to come counts as an archive
    // that does not open.
    const DiscFs* image = disc != nullptr && disc->IsImage() ? disc : nullptr;
    std::shared_ptr<const std::string> bytes;
    std::string host_path = archive_file.string();
    // The library opens a folder's archive by its path: only a file the disc counts as its own.
    bool readable = disc == nullptr || image != nullptr || disc->Stat(archive_file).kind != DiscEntryKind::kMissing;
    if (image != nullptr && open_ == &BuiltinRAROpenArchive) {
        std::optional<std::string> read = ReadWholeFile(*image, archive_file, kMaxImageArchiveBytes);
        readable = read.has_value();
        if (read)
            bytes = std::make_shared<const std::string>(std::move(*read));
    } else if (image != nullptr) {
        archive_copy_ = PrivateFileCopy::Make(*image, archive_file, kMaxImageArchiveBytes);
        readable = archive_copy_ != nullptr;
        if (archive_copy_)
            host_path = archive_copy_->Path().string();
    }
    std::vector<char> arc_name(host_path.begin(), host_path.end());
    arc_name.push_back('\0');
    RAROpenArchiveData data{};
    data.ArcName = arc_name.data();
    data.OpenMode = RAR_OM_EXTRACT;
    data.CmtBuf = nullptr;
    data.CmtBufSize = 0;
    if (!readable)
        data.OpenResult = ERAR_EOPEN;
    else if (bytes)
        archive_ = BuiltinRAROpenArchiveFromMemory(&data, std::move(bytes));
    else
        archive_ = open_(&data);
    if (data.OpenResult != 0) {
        // A library may hand back a handle along with the failure; nothing more is done with it.
        archive_ = nullptr;
        Fatal("Bad open rar archive: " + archive_path_);
    }

    try {
        g_unpacking = Unpacking{nullptr, unpack_limit_, false, &stop_reading_};
        set_callback_(archive_, &ProcessData);
        ReadMembers();
    } catch (...) {
        // The program is ending (a test double of Halt throws): let go of the archive.
        g_unpacking = Unpacking{};
        close_(archive_);
        archive_ = nullptr;
        throw;
    }
}

void ZipGrFile::ReadMembers()
{
    int unexplained = 0;
    for (;;) {
        // The owner gave the archive up while it was read in the background: the reason is not
        // shown to anyone.
        if (stop_reading_.load(std::memory_order_relaxed))
            Fatal("Bad extracting file");
        RARHeaderData header{};
        const int status = read_header_(archive_, &header);
        if (status == ERAR_END_ARCHIVE)
            break;
        if (status == ERAR_BAD_DATA)
            Fatal(" File header broken: " + archive_path_);
        if (status != ERAR_SUCCESS) {
            if (++unexplained > kMaxUnexplainedStatuses)
                Fatal(" File header broken: " + archive_path_);
        } else {
            unexplained = 0;
        }

        // Room for the announced size saves growing by doubling; a header may lie, so the room
        // is bounded, and what the member did not use is given back.
        auto stream = std::make_shared<MemoryStream>();
        stream->Reserve(static_cast<size_t>(
            std::min<uint64_t>({header.UnpSize, kMaxMemberReservation, g_unpacking.budget})));
        g_unpacking.stream = stream.get();
        g_unpacking.cancelled = false;
        const int processed = process_(archive_, RAR_TEST, nullptr, nullptr);
        g_unpacking.stream = nullptr;
        if (processed != ERAR_SUCCESS || g_unpacking.cancelled)
            Fatal("Bad extracting file");
        stream->ShrinkToFit();
        stream->SetPosition(0);

        header.FileName[sizeof header.FileName - 1] = '\0';
        std::string name(header.FileName);
        std::shared_ptr<MemoryStream>& entry = members_[name];
        // A member of the same name replaces the earlier one, whose decode is then of no use.
        if (entry != nullptr && pool_ != nullptr)
            pool_->Forget(entry.get());
        entry = std::move(stream);
        if (pool_ != nullptr && MakePicture(name) != nullptr)
            pool_->Submit(name, entry.get());
    }
}

void ZipGrFile::Close()
{
    WaitForRead();
    pool_.reset();
    if (archive_ != nullptr) {
        const int status = close_(archive_);
        archive_ = nullptr;
        if (status != 0)
            Fatal("Bad close rar archive: " + archive_path_);
    }
    archive_copy_.reset();
    library_.reset();
    members_.clear();
}

ZipGrFile::~ZipGrFile()
{
    if (reader_.joinable()) {
        stop_reading_ = true;
        reader_.join();
    }
    pool_.reset();
    if (archive_ != nullptr)
        close_(archive_);
}
