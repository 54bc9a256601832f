// Where the 2048-byte user data of each sector of a disc's first data track is kept, whatever the
// image keeps it in: a plain image of 2048-byte sectors (.iso), raw 2352-byte sectors (.bin with or
// without its .cue sheet, .mdf with or without its .mds, CloneCD's .img with or without its .ccd),
// Nero's .nrg, or a CD drive's block device. The file system on those sectors is read above this.
//
// What an image is comes from its content (the ISO 9660 volume descriptor, the raw sectors' sync
// pattern and mode byte, a sheet's own text, Nero's footer), never from its name alone. Every size
// and offset a sheet or a footer gives is checked against the data file before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

class DiscSectors {
public:
    static constexpr std::uint64_t kSectorBytes = 2048;

    virtual ~DiscSectors() = default;

    // The user data of the track as one stream of 2048-byte sectors: its length in bytes, as far
    // as the data file holds whole sectors of it.
    virtual std::uint64_t Size() const = 0;

    // Up to `size` bytes of that stream from `offset` into `buffer`; fewer only at the end of the
    // stream, or when the data file cannot be read (it went away, was cut short, a read error).
    // May be called from several threads at once.
    virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const = 0;
};

// The sectors of the image (or sheet, or device) `image`. Throws DiscImageError, naming `image`,
// when it holds no ISO 9660 data track in a form read here, or when its sheet is unusable.
std::unique_ptr<DiscSectors> OpenDiscSectors(const std::filesystem::path& image);
