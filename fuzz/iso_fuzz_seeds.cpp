// Seeds of the disc image target: an ISO image written in every image form the program reads,
// each as one input of the target (a sheet and its data file joined the way the target splits them),
// and Nero images whose track tables give sector sizes no disc has.
//   iso_fuzz_seeds IMAGE.iso SEED_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ImageFormats.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: iso_fuzz_seeds IMAGE.iso SEED_FOLDER\n");
        return 2;
    }
    const std::string iso = Read(argv[1]);
    const fs::path seeds = argv[2];
    const fs::path work = seeds / "work";
    fs::create_directories(work);
    for (ImageFormat format : AllImageFormats()) {
        const fs::path opened = WriteImageAs(iso, format, work / "disc");
        const std::string ext = opened.extension().string();
        std::string seed = Read(opened);
        const char* data = ext == ".cue" ? ".bin" : ext == ".ccd" ? ".img" : ext == ".mds" ? ".mdf" : nullptr;
        if (data)
            seed += "\n--zul-data--\n" + Read(fs::path(opened).replace_extension(data));
        std::ofstream(seeds / (ImageFormatName(format) + ext), std::ios::binary) << seed;
    }
    // Nero track tables that give sector sizes no disc has, over sectors of that size.
    for (unsigned size : {2000u, 17u}) {
        const fs::path opened = WriteNrgWithSectorSize(iso, work / "disc", size);
        std::ofstream(seeds / ("NrgSectors" + std::to_string(size) + ".nrg"), std::ios::binary) << Read(opened);
    }
    fs::remove_all(work);
    return 0;
}
