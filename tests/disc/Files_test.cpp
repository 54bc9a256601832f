// Reading a disc file whole, never more than the cap.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "disc/Files.h"
#include "support/TempDir.h"

namespace {

TEST(ReadWholeFile, ReadsUpToTheCapAndRefusesAnythingLarger)
{
    TempDir dir;
    const auto file = dir.Write("a.bin", std::string("abc\0def", 7));
    EXPECT_EQ(ReadWholeFile(file, 7), std::string("abc\0def", 7));
    EXPECT_EQ(ReadWholeFile(file, 6), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.Write("empty", ""), 0), std::string());
    EXPECT_EQ(ReadWholeFile(dir.path(), 100), std::nullopt);          // a folder
    EXPECT_EQ(ReadWholeFile(dir.path() / "missing", 100), std::nullopt);
}

TEST(ReadWholeFile, AFileLargerThanItsReportedSizeStillStopsAtTheCap)
{
    // The system reports a size of 0 for this file and then gives far more: the same as a file
    // that grows between the size check and the read.
    const std::filesystem::path status = "/proc/self/status";
    ASSERT_EQ(std::filesystem::file_size(status), 0u);
    EXPECT_EQ(ReadWholeFile(status, 16), std::nullopt);
    const std::optional<std::string> whole = ReadWholeFile(status, 1 << 20);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->rfind("Name:", 0), 0u);
}

}  // namespace
