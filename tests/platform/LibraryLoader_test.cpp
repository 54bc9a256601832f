// The library loader: native shared objects through the system loader, Windows libraries
// through the registered built-in module of their file name, and every way loading fails.
#include <gtest/gtest.h>

#include "platform/LibraryLoader.h"
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

}  // namespace
