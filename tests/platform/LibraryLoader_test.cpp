// The library loader: native shared objects through the system loader, Windows libraries
// through the registered built-in module of their file name, and every way loading fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/LibraryLoader.h"
#include "support/MemoryDisc.h"
#include "support/TempDir.h"

namespace {

int BuiltinAnswer()
{
    return 7;
}

TEST(LibraryLoader, NativeLibraryEntryPointsByName)
{
    auto library = LoadLibrary(LOADER_TEST_MODULE);
    ASSERT_NE(library, nullptr);
    EXPECT_FALSE(library->IsBuiltin());
    auto answer = EntryPointAs<int (*)()>(library->GetProcAddress("zul_loader_test_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library->GetProcAddress("RARProcessFile"), nullptr);
}

TEST(LibraryLoader, WindowsLibraryIsStoodInForByTheBuiltinOfItsName)
{
    RegisterBuiltinModule("Loader-Test.DLL", {{"Answer", reinterpret_cast<void*>(&BuiltinAnswer)}});
    TempDir dir;
    const auto dll = dir.Write("dll/LOADER-TEST.dll", std::string("MZ\x90\x00\x03", 5));
    auto library = LoadLibrary(dll);
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->IsBuiltin());
    EXPECT_EQ(EntryPointAs<int (*)()>(library->GetProcAddress("Answer"))(), 7);
    EXPECT_EQ(library->GetProcAddress("answer"), nullptr);  // entry-point names are exact

    // Without a file, by name only.
    EXPECT_NE(LoadBuiltinModule("loader-test.dll"), nullptr);
    EXPECT_EQ(LoadBuiltinModule("nothing.dll"), nullptr);
}

TEST(LibraryLoader, FailuresGiveNoLibrary)
{
    TempDir dir;
    EXPECT_EQ(LoadLibrary(dir.path() / "missing.so"), nullptr);
    EXPECT_EQ(LoadLibrary(dir.path()), nullptr);  // a folder
    EXPECT_EQ(LoadLibrary(dir.Write("unknown.dll", "MZ")), nullptr);  // Windows library of no known role
    EXPECT_EQ(LoadLibrary(dir.Write("junk.so", "not an object")), nullptr);
    EXPECT_EQ(LoadLibrary(dir.Write("empty.dll", "")), nullptr);
}

// The libraries of a disc image: a Windows library is told by the bytes read through the disc, a
// native one is loaded from a private copy that is gone once it is loaded.
TEST(LibraryLoader, LibrariesOfADiscImage)
{
    RegisterBuiltinModule("image-test.dll", {{"Answer", reinterpret_cast<void*>(&BuiltinAnswer)}});
    MemoryDisc image;
    image.Add("dll/image-test.dll", std::string("MZ\x90\x00", 4));
    image.Add("dll/native.so", ReadFileBytes(LOADER_TEST_MODULE));
    image.Add("dll/junk.so", "not an object");
    image.Add("dll/big.so", ReadFileBytes(LOADER_TEST_MODULE));
    image.ClaimSize("dll/big.so", kMaxImageLibraryBytes + 1);
    image.Add("dll/cut.so", ReadFileBytes(LOADER_TEST_MODULE));
    image.FailAfter("dll/cut.so", 100);

    TempDirAsSystemTemp temp;
    auto builtin = LoadLibrary(image, "dll/image-test.dll");
    ASSERT_NE(builtin, nullptr);
    EXPECT_TRUE(builtin->IsBuiltin());
    EXPECT_EQ(EntryPointAs<int (*)()>(builtin->GetProcAddress("Answer"))(), 7);

    auto native = LoadLibrary(image, "dll/native.so");
    ASSERT_NE(native, nullptr);
    EXPECT_FALSE(native->IsBuiltin());
    EXPECT_EQ(EntryPointAs<int (*)()>(native->GetProcAddress("zul_loader_test_answer"))(), 42);
    EXPECT_TRUE(temp.Empty());  // loaded, the copy is gone

    for (const char* path : {"dll/junk.so", "dll/big.so", "dll/cut.so", "dll/none.so", "dll"})
        EXPECT_EQ(LoadLibrary(image, path), nullptr) << path;
    EXPECT_TRUE(temp.Empty());
    // The big one was refused by its size: only its first two bytes were read, nothing copied.
    const std::vector<std::string> opened = image.Opened();
    EXPECT_EQ(std::count(opened.begin(), opened.end(), "dll/big.so"), 1);
}

}  // namespace
