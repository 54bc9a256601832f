// The commands of zulcheck. Each returns the process exit status: 0 success, 1 a problem found
// in the input, 2 a usage error.
#pragma once

#include <iosfwd>
#include <string>

// --dump SCRIPT: the description a script parses to, as one JSON object.
int RunDump(const std::string& script, std::ostream& out, std::ostream& err);

// --list-archive FILE: one line per archive member: size, CRC-32, name.
int RunListArchive(const std::string& archive, std::ostream& out, std::ostream& err);

// --decode PICTURE: WIDTHxHEIGHT and the SHA-256 of the RGBA pixels.
int RunDecode(const std::string& picture, std::ostream& out, std::ostream& err);

// --site OUT DISC [--force] [--no-files]: the menu of DISC as a static web site in OUT, written whole
// or not at all, with the setups' folders unless `files` is off; 1 when the disc does not start or
// OUT cannot be written, 2 a usage error.
int RunSite(const std::string& out, const std::string& disc, bool force, bool files, std::ostream& err);
