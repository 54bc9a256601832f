#include "support/ImageFormats.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kUser = 2048;
constexpr std::size_t kRaw = 2352;
constexpr unsigned kPregap = 150;  // sectors before LBA 0 on every disc

struct Tables {
    std::array<std::uint8_t, 256> ecc_f{}, ecc_b{};
    std::array<std::uint32_t, 256> edc{};
    Tables()
    {
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned j = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
            ecc_f[i] = static_cast<std::uint8_t>(j);
            ecc_b[i ^ j] = static_cast<std::uint8_t>(i);
            std::uint32_t e = i;
            for (int k = 0; k < 8; ++k)
                e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0);
            edc[i] = e;
        }
    }
};
const Tables kTables;

std::uint32_t Edc(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t edc = 0;
    for (std::size_t i = 0; i < size; ++i)
        edc = (edc >> 8) ^ kTables.edc[(edc ^ data[i]) & 0xFF];
    return edc;
}

// One of the two Reed-Solomon products (P or Q) over the sector from its header on.
void Ecc(const std::uint8_t* src, unsigned major_count, unsigned minor_count, unsigned major_mult,
         unsigned minor_inc, std::uint8_t* dest)
{
    const unsigned size = major_count * minor_count;
    for (unsigned major = 0; major < major_count; ++major) {
        unsigned index = (major >> 1) * major_mult + (major & 1);
        std::uint8_t a = 0, b = 0;
        for (unsigned minor = 0; minor < minor_count; ++minor) {
            const std::uint8_t t = src[index];
            index += minor_inc;
            if (index >= size)
                index -= size;
            a ^= t;
            b ^= t;
            a = kTables.ecc_f[a];
        }
        a = kTables.ecc_b[kTables.ecc_f[a] ^ b];
        dest[major] = a;
        dest[major + major_count] = a ^ b;
    }
}

std::uint8_t Bcd(unsigned n) { return static_cast<std::uint8_t>((n / 10) << 4 | (n % 10)); }

std::string Msf(unsigned frames)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

void Put(std::string& bytes, std::size_t at, std::uint64_t value, int count, bool big_endian)
{
    for (int i = 0; i < count; ++i) {
        const int shift = 8 * (big_endian ? count - 1 - i : i);
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> shift) & 0xFF);
    }
}

std::string BigEndian(std::uint64_t value, int count)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    Put(bytes, 0, value, count, true);
    return bytes;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string RawTrack(const std::string& iso, int mode)
{
    std::string raw;
    raw.reserve(iso.size() / kUser * kRaw);
    for (std::size_t i = 0; i * kUser < iso.size(); ++i)
        raw += RawSector(iso.data() + i * kUser, static_cast<unsigned>(i), mode);
    return raw;
}

std::string With(const fs::path& base, const char* ext) { return base.string() + ext; }

fs::path WriteCue(const std::string& iso, const fs::path& base, int mode)
{
    const unsigned sectors = static_cast<unsigned>(iso.size() / kUser);
    std::string bin = RawTrack(iso, mode);
    std::string cue = "REM written by the image format writer of the tests\r\n"
                      "FILE \"" + fs::path(With(base, ".bin")).filename().string() + "\" BINARY\r\n" +
                      "  TRACK 01 " + (mode == 1 ? "MODE1/2352" : "MODE2/2352") + "\r\n" +
                      "    INDEX 01 00:00:00\r\n";
    if (mode == 1) {
        // A mixed-mode disc: an audio track after the data, its two-second pregap in the file.
        std::string audio((kPregap + 75) * kRaw, '\0');
        for (std::size_t i = kPregap * kRaw; i < audio.size(); ++i)
            audio[i] = static_cast<char>(i * 31 % 251);
        bin += audio;
        cue += "  TRACK 02 AUDIO\r\n"
               "    INDEX 00 " + Msf(sectors) + "\r\n" +
               "    INDEX 01 " + Msf(sectors + kPregap) + "\r\n";
    }
    WriteFile(With(base, ".bin"), bin);
    WriteFile(With(base, ".cue"), cue);
    return With(base, ".cue");
}

void WriteMds(unsigned sectors, const fs::path& base)
{
    // The header, one session, the three points of its table of contents (A0-A2) and one track.
    constexpr std::size_t kSessions = 0x58, kBlocks = kSessions + 24, kBlock = 80;
    constexpr std::size_t kExtra = kBlocks + 4 * kBlock, kFooter = kExtra + 8, kName = kFooter + 16;
    std::string mds(kName + 6, '\0');
    std::memcpy(mds.data(), "MEDIA DESCRIPTOR", 16);
    mds[0x10] = 1;
    mds[0x11] = 3;
    Put(mds, 0x14, 1, 2, false);  // sessions
    Put(mds, 0x50, kSessions, 4, false);
    Put(mds, kSessions + 0, static_cast<std::uint32_t>(-static_cast<int>(kPregap)), 4, false);
    Put(mds, kSessions + 4, sectors, 4, false);
    Put(mds, kSessions + 8, 1, 2, false);
    mds[kSessions + 10] = 4;  // blocks
    mds[kSessions + 11] = 3;  // of them not tracks
    Put(mds, kSessions + 12, 1, 2, false);
    Put(mds, kSessions + 14, 1, 2, false);
    Put(mds, kSessions + 20, kBlocks, 4, false);
    const unsigned char points[4] = {0xA0, 0xA1, 0xA2, 0x01};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t b = kBlocks + i * kBlock;
        mds[b + 2] = 0x14;
        mds[b + 4] = static_cast<char>(points[i]);
        if (points[i] != 0x01)
            continue;
        mds[b + 0] = static_cast<char>(0xAA);  // Mode 1
        mds[b + 6] = 2;                        // 00:02:00
        mds[b + 10] = 2;
        Put(mds, b + 12, kExtra, 4, false);
        Put(mds, b + 16, kRaw, 2, false);
        Put(mds, b + 36, 0, 4, false);
        Put(mds, b + 40, 0, 8, false);
        Put(mds, b + 48, 1, 4, false);
        Put(mds, b + 52, kFooter, 4, false);
    }
    Put(mds, kExtra, kPregap, 4, false);
    Put(mds, kExtra + 4, sectors, 4, false);
    Put(mds, kFooter, kName, 4, false);
    std::memcpy(mds.data() + kName, "*.mdf", 5);
    WriteFile(With(base, ".mds"), mds);
}

void WriteCcd(unsigned sectors, const fs::path& base)
{
    const auto entry = [](int n, const char* point, int control, long plba) {
        return "[Entry " + std::to_string(n) + "]\r\nSession=1\r\nPoint=" + point + "\r\nADR=0x01\r\nControl=0x0" +
               std::to_string(control) + "\r\nTrackNo=0\r\nAMin=0\r\nASec=0\r\nAFrame=0\r\nALBA=-150\r\nZero=0\r\n" +
               "PMin=" + std::to_string((plba + kPregap) / 4500) + "\r\nPSec=" +
               std::to_string((plba + kPregap) / 75 % 60) + "\r\nPFrame=" + std::to_string((plba + kPregap) % 75) +
               "\r\nPLBA=" + std::to_string(plba) + "\r\n";
    };
    std::string ccd = "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=4\r\nSessions=1\r\nDataTracksScrambled=0\r\n"
                      "CDTextLength=0\r\n[Session 1]\r\nPreGapMode=1\r\nPreGapSubC=0\r\n";
    ccd += entry(0, "0xa0", 4, 4350);  // first track 1 (PMin=1)
    ccd += entry(1, "0xa1", 4, 4350);  // last track 1
    ccd += entry(2, "0xa2", 4, sectors);  // the lead-out
    ccd += entry(3, "0x01", 4, 0);
    ccd += "[TRACK 1]\r\nMODE=1\r\nINDEX 1=0\r\n";
    WriteFile(With(base, ".ccd"), ccd);
}

fs::path WriteNrg(const std::string& iso, const fs::path& base, std::size_t sector_size = kUser)
{
    const std::uint64_t sectors = iso.size() / kUser;
    const std::uint64_t start = kPregap * sector_size;
    std::string nrg(start, '\0');
    if (sector_size == kUser) {
        nrg += iso;
    } else {
        for (std::size_t i = 0; i < sectors; ++i) {
            std::string sector = RawSector(iso.data() + i * kUser, static_cast<unsigned>(i), 1);
            sector.resize(sector_size);
            nrg += sector;
        }
    }
    const std::uint64_t chunks = nrg.size();
    const auto chunk = [&nrg](const char* id, const std::string& data) {
        nrg += id;
        nrg += BigEndian(data.size(), 4);
        nrg += data;
    };
    // The cue points: lead-in, track 1 index 0 and 1, lead-out; control 4 (data), address 1.
    std::string cuex;
    const auto point = [&cuex](int track, int index, std::int64_t lba) {
        cuex += '\x41';
        cuex += static_cast<char>(track);
        cuex += static_cast<char>(index);
        cuex += '\0';
        cuex += BigEndian(static_cast<std::uint32_t>(lba), 4);
    };
    point(0, 0, -static_cast<int>(kPregap));
    point(1, 0, -static_cast<int>(kPregap));
    point(1, 1, 0);
    point(0xAA, 1, static_cast<std::int64_t>(sectors));
    chunk("CUEX", cuex);
    std::string daox(22 + 42, '\0');
    Put(daox, 0, daox.size(), 4, false);
    daox[20] = 1;  // first track
    daox[21] = 1;  // last track
    Put(daox, 22 + 10, sector_size, 4, true);
    daox[22 + 17] = 1;
    Put(daox, 22 + 18, 0, 8, true);                              // index 0: the pregap
    Put(daox, 22 + 26, start, 8, true);                          // index 1
    Put(daox, 22 + 34, start + sectors * sector_size, 8, true);  // the end of the track
    chunk("DAOX", daox);
    chunk("SINF", BigEndian(1, 4));
    chunk("MTYP", BigEndian(1, 4));
    chunk("END!", "");
    nrg += "NER5";
    nrg += BigEndian(chunks, 8);
    WriteFile(With(base, ".nrg"), nrg);
    return With(base, ".nrg");
}

}  // namespace

std::string RawSector(const char* user, unsigned lba, int mode)
{
    std::array<std::uint8_t, kRaw> s{};
    s[0] = 0x00;
    for (int i = 1; i <= 10; ++i)
        s[static_cast<std::size_t>(i)] = 0xFF;
    const unsigned address = lba + kPregap;
    const std::array<std::uint8_t, 4> header = {Bcd(address / 4500), Bcd(address / 75 % 60), Bcd(address % 75),
                                                static_cast<std::uint8_t>(mode)};
    if (mode == 1) {
        std::memcpy(s.data() + 16, user, kUser);
        std::memcpy(s.data() + 12, header.data(), 4);
        const std::uint32_t edc = Edc(s.data(), 0x810);
        for (int i = 0; i < 4; ++i)
            s[0x810 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(edc >> (8 * i));
    } else {
        // The subheader (file 0, channel 0, a data sector of Form 1), twice.
        const std::uint8_t sub[8] = {0, 0, 0x08, 0, 0, 0, 0x08, 0};
        std::memcpy(s.data() + 16, sub, 8);
        std::memcpy(s.data() + 24, user, kUser);
        const std::uint32_t edc = Edc(s.data() + 16, 0x808);
        for (int i = 0; i < 4; ++i)
            s[0x818 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(edc >> (8 * i));
        // Mode 2's ECC is computed with a header of zeros.
    }
    Ecc(s.data() + 0xC, 86, 24, 2, 86, s.data() + 0x81C);
    Ecc(s.data() + 0xC, 52, 43, 86, 88, s.data() + 0x8C8);
    std::memcpy(s.data() + 12, header.data(), 4);
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

const std::vector<ImageFormat>& AllImageFormats()
{
    static const std::vector<ImageFormat> all = {
        ImageFormat::kIso,    ImageFormat::kCueMode1, ImageFormat::kCueMode2, ImageFormat::kBinMode1, ImageFormat::kMdfMds,
        ImageFormat::kMdf,    ImageFormat::kImgCcd,   ImageFormat::kImg,      ImageFormat::kNrg,
    };
    return all;
}

std::string ImageFormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::kIso: return "Iso";
    case ImageFormat::kCueMode1: return "CueMode1";
    case ImageFormat::kCueMode2: return "CueMode2";
    case ImageFormat::kBinMode1: return "BinMode1";
    case ImageFormat::kMdfMds: return "MdfMds";
    case ImageFormat::kMdf: return "Mdf";
    case ImageFormat::kImgCcd: return "ImgCcd";
    case ImageFormat::kImg: return "Img";
    case ImageFormat::kNrg: return "Nrg";
    }
    return "?";
}

fs::path WriteImageAs(const std::string& iso, ImageFormat format, const fs::path& base)
{
    if (iso.size() % kUser != 0)
        throw std::runtime_error("not a whole number of sectors");
    const unsigned sectors = static_cast<unsigned>(iso.size() / kUser);
    switch (format) {
    case ImageFormat::kIso:
        WriteFile(With(base, ".iso"), iso);
        return With(base, ".iso");
    case ImageFormat::kCueMode1:
        return WriteCue(iso, base, 1);
    case ImageFormat::kCueMode2:
        return WriteCue(iso, base, 2);
    case ImageFormat::kBinMode1:
        WriteCue(iso, base, 1);
        return With(base, ".bin");
    case ImageFormat::kMdfMds:
    case ImageFormat::kMdf:
        WriteFile(With(base, ".mdf"), RawTrack(iso, 1));
        if (format == ImageFormat::kMdf)
            return With(base, ".mdf");
        WriteMds(sectors, base);
        return With(base, ".mds");
    case ImageFormat::kImgCcd:
    case ImageFormat::kImg:
        WriteFile(With(base, ".img"), RawTrack(iso, 1));
        if (format == ImageFormat::kImg)
            return With(base, ".img");
        WriteCcd(sectors, base);
        return With(base, ".ccd");
    case ImageFormat::kNrg:
        return WriteNrg(iso, base);
    }
    throw std::runtime_error("unknown image format");
}

fs::path WriteNrgWithSectorSize(const std::string& iso, const fs::path& base, unsigned sector_size)
{
    if (iso.size() % kUser != 0)
        throw std::runtime_error("not a whole number of sectors");
    return WriteNrg(iso, base, sector_size);
}

std::string IsoOfOneBigFolder(std::size_t files)
{
    const auto record = [](std::string& to, const std::string& name, std::uint32_t sector, std::uint32_t size,
                           bool folder) {
        std::string r(33 + name.size() + (name.size() % 2 == 0 ? 1 : 0), '\0');
        r[0] = static_cast<char>(r.size());
        for (int i = 0; i < 4; ++i) {
            r[2 + i] = r[9 - i] = static_cast<char>(sector >> (8 * i));  // both-endian
            r[10 + i] = r[17 - i] = static_cast<char>(size >> (8 * i));
        }
        r[25] = folder ? 2 : 0;
        r[28] = 1;
        r[32] = static_cast<char>(name.size());
        r.replace(33, name.size(), name);
        if (to.size() % 2048 + r.size() > 2048)  // a record never crosses a sector's end
            to.resize((to.size() / 2048 + 1) * 2048, '\0');
        to += r;
    };
    std::string big;
    record(big, std::string(1, '\0'), 19, 0, true);
    record(big, std::string(1, '\1'), 18, 2048, true);
    record(big, "LOOP", 18, 2048, true);
    for (std::size_t i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "F%06zu;1", i);
        record(big, name, 0, 0, false);
    }
    big.resize((big.size() + 2047) / 2048 * 2048, '\0');
    const auto big_size = static_cast<std::uint32_t>(big.size());
    std::string image(16 * 2048, '\0');
    std::string pvd(2048, '\0');
    pvd[0] = 1;
    pvd.replace(1, 6, "CD001\1");
    const std::uint32_t sectors = 19 + big_size / 2048;
    for (int i = 0; i < 4; ++i)
        pvd[80 + i] = static_cast<char>(sectors >> (8 * i));
    pvd[129] = 2048 >> 8;  // block size, little-endian half
    std::string root_record;
    record(root_record, std::string(1, '\0'), 18, 2048, true);
    pvd.replace(156, root_record.size(), root_record);
    std::string root;
    record(root, std::string(1, '\0'), 18, 2048, true);
    record(root, std::string(1, '\1'), 18, 2048, true);
    record(root, "BIG", 19, big_size, true);
    root.resize(2048, '\0');
    std::string end(2048, '\0');
    end[0] = static_cast<char>(255);
    end.replace(1, 6, "CD001\1");
    return image + pvd + end + root + big;
}
