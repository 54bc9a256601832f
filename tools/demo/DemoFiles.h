// Small helpers for writing the demo disc's files: text in the disc's code pages and line ends,
// files written whole, and where a path named in a script lies in the disc's folder.
#pragma once

#include <QString>

#include <filesystem>
#include <string>

// Converts UTF-8 text to a legacy code page, byte for byte as the disc holds it.
std::string Encode(const std::string& utf8, const char* code_page);

// `text` with CR LF line ends.
std::string WithCrLf(const std::string& text);

// Writes `bytes` as the whole file at `path`, making its folders; throws when it cannot.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Where a file named in a script lies on the disc: the script's spelling in lower case. Scripts
// that spell a path with capitals thus name a file whose case differs, as real discs do.
std::filesystem::path OnDisc(const std::filesystem::path& disc, const std::string& script_path);

// Writes `bytes` as the file a script names `script_path` on the disc in `disc`.
void WriteDiscFile(const std::filesystem::path& disc, const std::string& script_path, const std::string& bytes);

// UTF-8 text as a QString.
QString Q(const std::string& utf8);
