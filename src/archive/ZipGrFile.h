// The picture archive of the disc (graph\shell.dat), read through the UnRAR library
// (graph\dll\unrar.dll). Construction unpacks every member into its own memory stream in one
// pass; the member map then lives as long as the object. Every failure shows a box captioned
// "Error" with OK and Cancel and ends the program with exit code 1.
//
// While the archive is read, each finished picture member is handed to a pool of worker threads
// that decode it ahead of the build (DecodePool); LoadPicture takes the decoded picture when there
// is one and decodes on the spot otherwise, so what the build sees, failures included, does not
// depend on how far the workers got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "archive/DecodePool.h"
#include "archive/MemoryStream.h"
#include "archive/PictureSource.h"
#include "archive/UnrarApi.h"
#include "pictures/Picture.h"
#include "platform/Application.h"
#include "platform/LibraryLoader.h"
#include "platform/PathResolver.h"

inline constexpr const char* kUnrarLibraryPath = "graph\\dll\\unrar.dll";
inline constexpr const char* kPictureArchivePath = "graph\\shell.dat";

// What one archive may unpack in all: past it the member being unpacked fails ("Bad extracting
// file"), whatever the headers announce or the library delivers.
inline constexpr uint64_t kMaxUnpackedBytes = uint64_t{1} << 30;
// What a member's announced size may make us set aside before its bytes arrive; a larger member
// grows as its bytes come.
inline constexpr size_t kMaxMemberReservation = size_t{4} << 20;
// Workers decoding pictures ahead: one per hardware thread of the machine.
inline constexpr int kDecodeWorkersOfMachine = -1;

class ZipGrFile : public PictureSource {
public:
    // Member name (bytes as the library reports it, compared bytewise) -> unpacked member.
    using MemberMap = std::map<std::string, std::unique_ptr<MemoryStream>>;

    // Loads the library and reads the archive, both named by disc paths under `resolver`'s root.
    // `unpack_limit` bounds what the whole archive may unpack; `decode_workers` threads decode
    // pictures ahead (0: none, every picture is decoded when it is asked for).
    ZipGrFile(Application& app, const PathResolver& resolver,
              std::string library_path = kUnrarLibraryPath,
              std::string archive_path = kPictureArchivePath,
              uint64_t unpack_limit = kMaxUnpackedBytes,
              int decode_workers = kDecodeWorkersOfMachine);

    // Reads the archive at the host path `archive_file` through an already loaded library
    // (nullptr counts as a library that could not be loaded); `archive_path` is the path the
    // messages name.
    ZipGrFile(Application& app, std::unique_ptr<LoadedLibrary> library,
              const std::filesystem::path& archive_file, std::string archive_path,
              uint64_t unpack_limit = kMaxUnpackedBytes,
              int decode_workers = kDecodeWorkersOfMachine);

    // Stops the decoding workers (after the decodes under way), closes the archive (a failure to
    // close is fatal, as everywhere here), unloads the library and lets go of every member.
    // Called once the pictures are taken; afterwards no picture can be loaded.
    void Close();
    // Stops the workers and closes quietly what Close did not: a destructor never ends the
    // program.
    ~ZipGrFile() override;

    ZipGrFile(const ZipGrFile&) = delete;
    ZipGrFile& operator=(const ZipGrFile&) = delete;

    const MemberMap& Members() const { return members_; }

    // The picture made from the member `name` by its extension ("bmp", "gif", "jpg"); the
    // caller owns it. A decoding failure raises the picture's own error.
    std::unique_ptr<Picture> LoadPicture(const std::string& name) override;

    // The pool decoding ahead; nullptr once closed or when built without workers.
    const DecodePool* Decoding() const { return pool_.get(); }

private:
    void Open(const std::filesystem::path& archive_file);
    void StartDecoding(int decode_workers);
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
    RARHANDLE archive_ = nullptr;
    RAROpenArchiveFn open_ = nullptr;
    RARCloseArchiveFn close_ = nullptr;
    RARSetProcessDataProcFn set_callback_ = nullptr;
    RARReadHeaderFn read_header_ = nullptr;
    RARProcessFileFn process_ = nullptr;
};
