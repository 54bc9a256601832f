// archive_exit_probe ROOT LIBRARY ARCHIVE [PICTURE]: reads the archive as the menu does, under
// the folder ROOT, then loads PICTURE from it; prints "done" and exits 0 when nothing failed.
#include <cstdio>
#include <string>

#include "archive/ZipGrFile.h"
#include "platform/Application.h"
#include "platform/PathResolver.h"

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5)
        return 2;
    ConsoleApplication app;
    PathResolver resolver(argv[1]);
    {
        ZipGrFile zip(app, resolver, argv[2], argv[3]);
        if (argc == 5)
            zip.LoadPicture(argv[4]);
        zip.Close();
    }
    std::puts("done");
    return 0;
}
