// zulcheck DISC_ROOT: every problem of a disc at once. The disc is read with the menu's own code
// (the path resolver, the parser, the archive reader, the picture decoders, the cursor reader,
// the WAV reader, the mp3 module, the MIDI reader); where the menu would stop at the first
// failure, the check notes it and goes on.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "disc/DiscFs.h"

enum class Severity {
    Error,    // the menu stops, or a part of it fails
    Warning,  // something the reader would miss
    Note,     // worth knowing; the menu copes
};

const char* SeverityName(Severity severity);

struct Finding {
    Severity severity = Severity::Note;
    std::string where;  // the script and line, or the script and the record; UTF-8
    std::string text;   // what is wrong and what the menu does about it; UTF-8
};

struct CheckReport {
    std::vector<Finding> findings;

    int Count(Severity severity) const;
    bool HasErrors() const { return Count(Severity::Error) > 0; }
};

// Checks the disc whose root folder is `root`.
CheckReport CheckDisc(const std::filesystem::path& root);
// Checks the disc `disc`: a folder or an image. What the menu does with each setup depends on the
// programs found on `search_path` (a PATH value; by default this process's): Wine and xdg-open.
CheckReport CheckDisc(std::shared_ptr<const DiscFs> disc);
CheckReport CheckDisc(std::shared_ptr<const DiscFs> disc, const std::string& search_path);

// One line "SEVERITY WHERE: TEXT" per finding, then the summary line.
std::string ReportText(const CheckReport& report);
// The same as one JSON document: {"findings": [{"severity", "where", "text"}...], "errors",
// "warnings", "notes"}.
std::string ReportJson(const CheckReport& report);

// The summary: "N errors, N warnings, N notes".
std::string SummaryLine(const CheckReport& report);

// zulcheck [--json] [DISC_ROOT]: prints the report; 0 without errors, 1 with errors, 2 when the
// root is neither a folder nor a file. A file is read as a disc image; one that cannot be read
// gives a report of that one error (status 1).
int RunCheck(const std::string& root, bool json, std::ostream& out, std::ostream& err);
