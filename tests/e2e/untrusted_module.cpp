// A native shared object as a hostile disc could put at its library paths (graph\dll\unrar.dll,
// graph\dll\elamp.esp): merely loading it runs its constructor, which adds a line to the file
// that ZUL_UNTRUSTED_MARKER names.
#include <cstdio>
#include <cstdlib>

__attribute__((constructor)) static void LeaveMark()
{
    const char* marker = std::getenv("ZUL_UNTRUSTED_MARKER");
    if (marker == nullptr)
        return;
    if (std::FILE* out = std::fopen(marker, "a")) {
        std::fputs("the disc's library ran\n", out);
        std::fclose(out);
    }
}
