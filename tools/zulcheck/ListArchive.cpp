// --list-archive FILE: reads FILE exactly as the menu reads its picture archive (the built-in
// UnRAR module, the same member map, the same fatal messages, which go to standard error and end
// the program with exit status 1) and prints one line per member in the map's order:
// SIZE CRC32 NAME, the name as raw bytes.
#include <cstdio>
#include <ostream>

#include "archive/Crc32.h"
#include "archive/UnrarModule.h"
#include "archive/ZipGrFile.h"
#include "platform/Application.h"
#include "platform/LibraryLoader.h"
#include "zulcheck/Commands.h"

int RunListArchive(const std::string& archive, std::ostream& out, std::ostream&)
{
    ConsoleApplication app;
    // Names and bytes only: no workers decoding pictures ahead.
    ZipGrFile zip(app, MakeBuiltinLibrary(BuiltinUnrarEntryPoints()), archive, archive, kMaxUnpackedBytes, 0);
    for (const auto& [name, stream] : zip.Members()) {
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", Crc32(stream->Bytes()));
        out << stream->Size() << ' ' << crc << ' ';
        out.write(name.data(), static_cast<std::streamsize>(name.size()));
        out << '\n';
    }
    out.flush();
    zip.Close();
    return 0;
}
