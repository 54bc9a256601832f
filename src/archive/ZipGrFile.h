// The picture archive of the disc (graph\shell.dat), read through the UnRAR library
// (graph\dll\unrar.dll). Construction unpacks every member into its own memory stream in one
// pass; the member map then lives as long as the object. Every failure shows a box captioned
// "Error" with OK and Cancel and ends the program with exit code 1.
//
// While the archive is read, each finished picture member is handed to a pool of worker threads
// that decode it ahead of the build (DecodePool); LoadPicture takes the decoded picture when there
// is one and decodes on the spot otherwise, so what the build sees, failures included, does not
// depend on how far the workers got.
//
// The program's start reads the archive in the background instead (ReadInBackground), from the
// moment the disc is known, so that the archive is read and decoded while the window system, the
// languages, the splash and the description are dealt with; what fails then is shown when the
// build first needs the archive (WaitForRead), where the reading constructor would have shown it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "archive/DecodePool.h"
#include "archive/MemoryStream.h"
#include "archive/PictureSource.h"
#include "archive/UnrarApi.h"
#include "disc/PathResolver.h"
#include "disc/PrivateFile.h"
#include "pictures/Picture.h"
#include "platform/Application.h"
#include "platform/LibraryLoader.h"

inline constexpr const char* kUnrarLibraryPath = "graph\\dll\\unrar.dll";
inline constexpr const char* kPictureArchivePath = "graph\\shell.dat";

// What one archive may unpack in all: past it the member being unpacked fails ("Bad extracting
// file"), whatever the headers announce or the library delivers.
inline constexpr uint64_t kMaxUnpackedBytes = uint64_t{1} << 30;
// What a member's announced size may make us set aside before its bytes arrive; a larger member
// grows as its bytes come.
inline constexpr size_t kMaxMemberReservation = size_t{4} << 20;
// What an archive inside a disc image may be: it is read into memory whole before it is opened.
inline constexpr std::uintmax_t kMaxImageArchiveBytes = std::uintmax_t{256} << 20;
// Workers decoding pictures ahead: one per hardware thread of the machine.
inline constexpr int kDecodeWorkersOfMachine = -1;

class ZipGrFile : public PictureSource {
public:
    // Member name (bytes as the library reports it, compared bytewise) -> unpacked member. A
    // picture checked for later keeps its member after the archive is closed.
    using MemberMap = std::map<std::string, std::shared_ptr<MemoryStream>>;

    // Loads the library and reads the archive, both named by disc paths under `resolver`'s root
    // and read through its disc; `load_library` gets the library (empty: the built-in module
    // standing in for the disc's file). An archive in a folder is opened by its file name; one
    // inside a disc image is read into memory (at most kMaxImageArchiveBytes) for the built-in
    // module, or copied to a private temporary file for any other library, which opens files by
    // name only.
    // `unpack_limit` bounds what the whole archive may unpack; `decode_workers` threads decode
    // pictures ahead (0: none, every picture is decoded when it is asked for).
    ZipGrFile(Application& app, const PathResolver& resolver,
              std::string library_path = kUnrarLibraryPath,
              std::string archive_path = kPictureArchivePath,
              uint64_t unpack_limit = kMaxUnpackedBytes,
              int decode_workers = kDecodeWorkersOfMachine,
              const LibraryLoader& load_library = {});

    // Reads the archive at the host path `archive_file` through an already loaded library
    // (nullptr counts as a library that could not be loaded); `archive_path` is the path the
    // messages name.
    ZipGrFile(Application& app, std::unique_ptr<LoadedLibrary> library,
              const std::filesystem::path& archive_file, std::string archive_path,
              uint64_t unpack_limit = kMaxUnpackedBytes,
              int decode_workers = kDecodeWorkersOfMachine);

    // Loads the library as the first constructor does and returns at once, the archive being
    // read on a thread of its own while the caller goes on, its pictures decoded as they come by
    // `decode_workers` threads. Decoded pictures may wait for the build up to a tenth of the
    // archive's bytes; beyond that the workers go on checking that the pictures decode (for
    // CheckPicture), so that a build that starts late finds them checked. Nothing is reported
    // before WaitForRead.
    static std::unique_ptr<ZipGrFile> ReadInBackground(Application& app, const PathResolver& resolver,
                                                       int decode_workers = kDecodeWorkersOfMachine);

    // Waits until a read in the background has ended; its failure is then shown and ends the
    // program exactly as the reading constructor's would have (or its exception is raised again
    // here). Does nothing for an archive read by its constructor or waited for once already.
    // LoadPicture and Close wait first; Members() is complete only after it.
    void WaitForRead();

    // Stops the decoding workers (after the decodes under way), closes the archive (a failure to
    // close is fatal, as everywhere here), unloads the library and lets go of every member.
    // Called once the pictures are taken; afterwards no picture can be loaded.
    void Close();
    // Stops a read in the background and the workers, and closes quietly what Close did not: a
    // destructor never ends the program.
    ~ZipGrFile() override;

    ZipGrFile(const ZipGrFile&) = delete;
    ZipGrFile& operator=(const ZipGrFile&) = delete;

    const MemberMap& Members() const { return members_; }

    // The picture made from the member `name` by its extension ("bmp", "gif", "jpg"); the
    // caller owns it. A decoding failure raises the picture's own error.
    std::unique_ptr<Picture> LoadPicture(const std::string& name) override;
    // Checks the member `name` as LoadPicture does, raising the same failures, without decoding
    // it again when a worker already found that it decodes; the picture keeps the member's bytes
    // (after Close too) and is decoded when first shown.
    CheckedPicture CheckPicture(const std::string& name) override;

    // The pool decoding ahead; nullptr once closed or when built without workers.
    const DecodePool* Decoding() const { return pool_.get(); }

private:
    struct InBackground {};
    ZipGrFile(Application& app, const PathResolver& resolver, int decode_workers, InBackground);

    // Opens `archive_file`: a file of this system, or, with `disc`, a file of that disc (read from
    // inside it when it is an image).
    void Open(const std::filesystem::path& archive_file, const DiscFs* disc = nullptr);
    // The reading thread's work: Open, keeping what fails for WaitForRead.
    void ReadBehind(const std::filesystem::path& archive_file, std::shared_ptr<const DiscFs> disc);
    void StartDecoding(int decode_workers, DecodePool::Beyond beyond = DecodePool::Beyond::Rest);
    // The member stream of picture `name`: a wrong extension or a missing member is fatal.
    const std::shared_ptr<MemoryStream>& PictureMember(const std::string& name);
    void ReadMembers();
    [[noreturn]] void Fatal(const std::string& text);

    Application& app_;
    std::string library_path_;
    std::string archive_path_;
    uint64_t unpack_limit_;
    MemberMap members_;
    // After members_: destroyed first, so no worker outlives the streams it reads.
    std::unique_ptr<DecodePool> pool_;
    std::unique_ptr<LoadedLibrary> library_;
    std::unique_ptr<PrivateFileCopy> archive_copy_;  // another library's copy of an image's archive
    RARHANDLE archive_ = nullptr;
    RAROpenArchiveFn open_ = nullptr;
    RARCloseArchiveFn close_ = nullptr;
    RARSetProcessDataProcFn set_callback_ = nullptr;
    RARReadHeaderFn read_header_ = nullptr;
    RARProcessFileFn process_ = nullptr;

    // A read in the background: the thread, the request to stop it, and what it ended with (the
    // text of its fatal box, or another exception). The thread alone writes them until joined.
    std::thread reader_;
    std::atomic<bool> stop_reading_{false};
    std::optional<std::string> read_failure_;
    std::exception_ptr read_error_;
};
