#include "archive/ZipGrFile.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "archive/UnrarModule.h"

namespace {

// The unpacking under way; only one archive is read at a time.
struct Unpacking {
    MemoryStream* stream = nullptr;  // receives the member being unpacked
    uint64_t budget = 0;             // bytes the archive may still unpack
    bool cancelled = false;          // the member was cancelled: over the budget or out of memory
};
Unpacking g_unpacking;

int ProcessData(unsigned char* addr, int size)
{
    if (g_unpacking.stream == nullptr || size <= 0)
        return 1;
    // A cancel is final for the member, even with a library that keeps delivering.
    if (g_unpacking.cancelled || static_cast<uint64_t>(size) > g_unpacking.budget) {
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
                     std::string archive_path, uint64_t unpack_limit, int decode_workers)
    : app_(app),
      library_path_(std::move(library_path)),
      archive_path_(std::move(archive_path)),
      unpack_limit_(unpack_limit)
{
    StartDecoding(decode_workers);
    RegisterBuiltinUnrarModule();
    library_ = ::LoadLibrary(resolver.Resolve(library_path_));
    Open(resolver.Resolve(archive_path_));
}

ZipGrFile::ZipGrFile(Application& app, std::unique_ptr<LoadedLibrary> library,
                     const std::filesystem::path& archive_file, std::string archive_path,
                     uint64_t unpack_limit, int decode_workers)
    : app_(app), archive_path_(std::move(archive_path)), unpack_limit_(unpack_limit), library_(std::move(library))
{
    StartDecoding(decode_workers);
    Open(archive_file);
}

void ZipGrFile::StartDecoding(int decode_workers)
{
    const unsigned workers =
        decode_workers < 0 ? DecodePool::MachineWorkers() : static_cast<unsigned>(decode_workers);
    if (workers > 0)
        pool_ = std::make_unique<DecodePool>(workers);
}

void ZipGrFile::Fatal(const std::string& text)
{
    // The program ends here: no worker may still run while it does.
    pool_.reset();
    app_.MessageBox(text, "Error", MsgButtons::OkCancel);
    app_.Halt(1);
    std::exit(1);  // Halt does not come back; should an implementation do so, end here
}

void ZipGrFile::Open(const std::filesystem::path& archive_file)
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

    std::string host_path = archive_file.string();
    std::vector<char> arc_name(host_path.begin(), host_path.end());
    arc_name.push_back('\0');
    RAROpenArchiveData data{};
    data.ArcName = arc_name.data();
    data.OpenMode = RAR_OM_EXTRACT;
    data.CmtBuf = nullptr;
    data.CmtBufSize = 0;
    archive_ = open_(&data);
    if (data.OpenResult != 0) {
        // A library may hand back a handle along with the failure; nothing more is done with it.
        archive_ = nullptr;
        Fatal("Bad open rar archive: " + archive_path_);
    }

    try {
        g_unpacking = Unpacking{nullptr, unpack_limit_, false};
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
        auto stream = std::make_unique<MemoryStream>();
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
        std::unique_ptr<MemoryStream>& entry = members_[name];
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
    pool_.reset();
    if (archive_ != nullptr) {
        const int status = close_(archive_);
        archive_ = nullptr;
        if (status != 0)
            Fatal("Bad close rar archive: " + archive_path_);
    }
    library_.reset();
    members_.clear();
}

ZipGrFile::~ZipGrFile()
{
    pool_.reset();
    if (archive_ != nullptr)
        close_(archive_);
}
