// Writers of the image formats CD-ripping tools keep discs in, made from an ISO 9660 image: raw
// 2352-byte sectors with a cue sheet (Mode 1 or Mode 2 Form 1), Alcohol's .mdf/.mds, CloneCD's
// .img/.ccd and Nero's .nrg. Each writes the image the way those tools lay it out for a disc whose
// first track is the data track; the tests check them with other tools that read these formats.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

enum class ImageFormat {
    kIso,        // the ISO image itself
    kCueMode1,   // .bin (Mode 1, 2352-byte sectors) + .cue with an audio track after the data track
    kCueMode2,   // .bin (Mode 2 Form 1) + .cue
    kBinMode1,   // the .bin of kCueMode1 given alone
    kMdfMds,     // .mdf + .mds, given as the .mds
    kMdf,        // the .mdf alone
    kImgCcd,     // CloneCD .img + .ccd, given as the .ccd
    kImg,        // the .img alone
    kNrg,        // Nero .nrg (disc-at-once, Mode 1 user data, 150-sector pregap)
};

const std::vector<ImageFormat>& AllImageFormats();
std::string ImageFormatName(ImageFormat format);

// Writes the ISO image `iso` (its bytes, a whole number of 2048-byte sectors) as `format`, in files
// named `base` with the format's extensions, and gives the file to open the image by.
std::filesystem::path WriteImageAs(const std::string& iso, ImageFormat format, const std::filesystem::path& base);

// A Nero .nrg like kNrg whose track table gives sectors of `sector_size` bytes (any size, as a
// damaged table may): the track holds the raw Mode 1 sectors cut or padded to that size.
std::filesystem::path WriteNrgWithSectorSize(const std::string& iso, const std::filesystem::path& base,
                                             unsigned sector_size);

// The 2352 bytes of raw sector `lba` holding `user` (2048 bytes), Mode 1 or Mode 2 Form 1, with
// its sync pattern, header, EDC and ECC.
std::string RawSector(const char* user, unsigned lba, int mode);

// A plain ISO 9660 image made by hand: a root folder holding the folder BIG, which holds `files`
// empty files F000000;1, F000001;1 ... and LOOP, a folder record that leads back to the root.
std::string IsoOfOneBigFolder(std::size_t files);
