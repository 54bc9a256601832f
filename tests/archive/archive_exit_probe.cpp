// archive_exit_probe [--fake VARIANT] ROOT LIBRARY ARCHIVE [PICTURE]: reads the archive as the
// menu does, under the folder ROOT, then loads PICTURE from it; prints "done" and exits 0 when
// nothing failed. With --fake the library is the fake UnRAR library VARIANT (fake_unrar.cpp)
// instead of the built-in module.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/ZipGrFile.h"
#include "disc/PathResolver.h"
#include "platform/Application.h"
#include "support/NativeLibrary.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    LibraryLoader load_library;  // the built-in module
    if (args.size() >= 2 && args[0] == "--fake") {
        load_library = NativeLibraryInstead(std::string(FAKE_UNRAR_DIR) + "/" + args[1] + ".so");
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() < 3 || args.size() > 4)
        return 2;
    ConsoleApplication app;
    PathResolver resolver(args[0]);
    {
        ZipGrFile zip(app, resolver, args[1], args[2], kMaxUnpackedBytes, kDecodeWorkersOfMachine, load_library);
        if (args.size() == 4)
            zip.LoadPicture(args[3]);
        zip.Close();
    }
    std::puts("done");
    return 0;
}
