// A native shared object for the library tests. When the system loader maps it, its constructor
// creates the file named by ZUL_LOADER_TEST_MARKER (if set): a test sees that it was run.
#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int zul_loader_test_answer()
{
    return 42;
}

__attribute__((constructor)) static void MarkLoaded()
{
    const char* marker = std::getenv("ZUL_LOADER_TEST_MARKER");
    if (marker == nullptr)
        return;
    if (std::FILE* file = std::fopen(marker, "w"))
        std::fclose(file);
}
