#include "support/Samples.h"

#include <filesystem>

#include "support/TempDir.h"

namespace {

constexpr char kSamplesFolder[] = "../shared/samples";

}  // namespace

bool SamplesPresent()
{
    std::error_code ec;
    return std::filesystem::is_directory(kSamplesFolder, ec);
}

std::string SamplePath(const std::string& rel)
{
    return std::string(kSamplesFolder) + "/" + rel;
}

std::string SampleBytes(const std::string& rel)
{
    return ReadFileBytes(SamplePath(rel));
}

void SkipWithoutSamples()
{
    if (!SamplesPresent())
        GTEST_SKIP() << kSamplesFolder
                     << " not found beside the repository: tests of real files from other tools are skipped";
}
