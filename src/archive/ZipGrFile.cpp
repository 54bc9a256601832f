#include "archive/ZipGrFile.h"

#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "archive/UnrarModule.h"

namespace {

// The stream that receives the member being unpacked; only one archive is read at a time.
MemoryStream* g_current_stream = nullptr;

int ProcessData(unsigned char* addr, int size)
{
    if (g_current_stream == nullptr || size <= 0)
        return 1;
    try {
        g_current_stream->Write(addr, static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return -1;  // cancels: the member fails to unpack
    }
    return 1;
}

// A library that keeps answering with statuses it does not explain would keep the member loop
// going for ever; after this many in a row the headers count as broken.
constexpr int kMaxUnexplainedStatuses = 64;

// Members are reserved up to their announced size so that a stream does not grow by doubling;
// a header may lie, so the reservation is bounded.
constexpr unsigned kMaxReservation = 256u << 20;

}  // namespace

ZipGrFile::ZipGrFile(Application& app, const PathResolver& resolver, std::string library_path,
                     std::string archive_path)
    : app_(app), library_path_(std::move(library_path)), archive_path_(std::move(archive_path))
{
    RegisterBuiltinUnrarModule();
    library_ = ::LoadLibrary(resolver.Resolve(library_path_));
    Open(resolver.Resolve(archive_path_));
}

ZipGrFile::ZipGrFile(Application& app, std::unique_ptr<LoadedLibrary> library,
                     const std::filesystem::path& archive_file, std::string archive_path)
    : app_(app), archive_path_(std::move(archive_path)), library_(std::move(library))
{
    Open(archive_file);
}

void ZipGrFile::Fatal(const std::string& text)
{
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
        set_callback_(archive_, &ProcessData);
        ReadMembers();
    } catch (...) {
        // The program is ending (a test double of Halt throws): let go of the archive.
        g_current_stream = nullptr;
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

        auto stream = std::make_unique<MemoryStream>();
        stream->Reserve(header.UnpSize < kMaxReservation ? header.UnpSize : kMaxReservation);
        g_current_stream = stream.get();
        const int processed = process_(archive_, RAR_TEST, nullptr, nullptr);
        g_current_stream = nullptr;
        if (processed != ERAR_SUCCESS)
            Fatal("Bad extracting file");
        stream->SetPosition(0);

        header.FileName[sizeof header.FileName - 1] = '\0';
        members_[std::string(header.FileName)] = std::move(stream);
    }
}

ZipGrFile::~ZipGrFile() noexcept(false)
{
    if (archive_ != nullptr) {
        const int status = close_(archive_);
        archive_ = nullptr;
        if (status != 0)
            Fatal("Bad close rar archive: " + archive_path_);
    }
    library_.reset();
    for (auto& member : members_)
        member.second.reset();
    members_.clear();
}
