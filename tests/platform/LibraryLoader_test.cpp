// The disc's libraries: whatever file is at a library's path, in a folder or in an image, the
// built-in stand-in is what loads; the file is never run, read or copied. No file, no library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/LibraryLoader.h"
#include "support/MemoryDisc.h"
#include "support/NativeLibrary.h"
#include "support/TempDir.h"

namespace {

int BuiltinAnswer()
{
    return 7;
}

const BuiltinEntryPoints kStandIn = {{"Answer", reinterpret_cast<void*>(&BuiltinAnswer)}};

void ExpectStandIn(const std::unique_ptr<LoadedLibrary>& library)
{
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->IsBuiltin());
    EXPECT_EQ(EntryPointAs<int (*)()>(library->GetProcAddress("Answer"))(), 7);
    EXPECT_EQ(library->GetProcAddress("answer"), nullptr);  // entry-point names are exact
    EXPECT_EQ(library->GetProcAddress("zul_loader_test_answer"), nullptr);
}

TEST(LibraryLoader, AnyFileOfAFolderDiscIsTheStandInAndIsNeverRun)
{
    LoaderTestModuleMarker marker;
    TempDir dir;
    const auto disc = FolderDiscFs(dir.path());
    const std::string object = ReadFileBytes(LOADER_TEST_MODULE);
    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"unrar.dll", object},
                                      {"elamp.esp", object},
                                      {"windows.dll", std::string("MZ\x90\x00\x03", 5)},
                                      {"junk.so", "not an object"},
                                      {"empty.dll", ""}}) {
        SCOPED_TRACE(name);
        ExpectStandIn(LoadLibrary(*disc, dir.Write("graph/dll/" + name, bytes), kStandIn));
    }
    EXPECT_FALSE(marker.Ran());

    EXPECT_EQ(LoadLibrary(*disc, dir.path() / "graph/dll/missing.dll", kStandIn), nullptr);
    EXPECT_EQ(LoadLibrary(*disc, dir.path() / "graph/dll", kStandIn), nullptr);  // a folder

    // The marker does tell: the system loader runs the constructor.
    ASSERT_NE(LoadNativeLibrary(LOADER_TEST_MODULE), nullptr);
    EXPECT_TRUE(marker.Ran());
}

TEST(LibraryLoader, AnyFileOfAnImageIsTheStandInWithoutBeingOpenedOrCopied)
{
    LoaderTestModuleMarker marker;
    TempDirAsSystemTemp temp;
    MemoryDisc image;
    image.Add("graph/dll/unrar.dll", ReadFileBytes(LOADER_TEST_MODULE));
    image.Add("graph/dll/elamp.esp", ReadFileBytes(LOADER_TEST_MODULE), true);
    image.Add("graph/dll/empty.dll", "");
    image.Add("graph/dll/cut.dll", ReadFileBytes(LOADER_TEST_MODULE));
    image.FailAfter("graph/dll/cut.dll", 0);
    for (const char* path : {"graph/dll/unrar.dll", "graph/dll/elamp.esp", "graph/dll/empty.dll", "graph/dll/cut.dll"}) {
        SCOPED_TRACE(path);
        ExpectStandIn(LoadLibrary(image, path, kStandIn));
    }
    EXPECT_EQ(LoadLibrary(image, "graph/dll/none.dll", kStandIn), nullptr);
    EXPECT_EQ(LoadLibrary(image, "graph/dll", kStandIn), nullptr);

    EXPECT_TRUE(image.Opened().empty());
    EXPECT_TRUE(temp.Empty());
    EXPECT_FALSE(marker.Ran());
}

}  // namespace
