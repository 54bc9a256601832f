// Helpers of the ZipGrFile tests: the member map's keys and contents, and a construction that
// must end in a fatal message, with what the test double of the application recorded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ZipGrFile.h"
#include "support/RecordingApplication.h"
#include "support/TempDir.h"

inline std::vector<std::string> Keys(const ZipGrFile& zip)
{
    std::vector<std::string> keys;
    for (const auto& member : zip.Members())
        keys.push_back(member.first);
    return keys;
}

inline std::string Content(const ZipGrFile& zip, const std::string& name)
{
    return std::string(zip.Members().at(name)->Bytes());
}

// The two calls a fatal message makes: the box, then the end of the program.
inline std::vector<std::string> FatalCalls(const std::string& text)
{
    return {"box[okcancel] Error: " + text, "halt: 1"};
}

// Runs the constructor (and destructor) and gives back what the application recorded.
inline std::vector<std::string> RunExpectingHalt(const TempDir& disc, const std::string& library = kUnrarLibraryPath,
                                                 const std::string& archive = kPictureArchivePath,
                                                 const LibraryLoader& load_library = {})
{
    RecordingApplication app;
    try {
        ZipGrFile zip(app, PathResolver(disc.path()), library, archive, kMaxUnpackedBytes, kDecodeWorkersOfMachine,
                      load_library);
        ADD_FAILURE() << "no failure";
    } catch (const ProgramHalted& halted) {
        EXPECT_EQ(halted.exit_code, 1);
    }
    return app.calls;
}
