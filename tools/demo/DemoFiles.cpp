// Small helpers for writing the demo disc's files; see DemoFiles.h.
#include "demo/DemoFiles.h"

#include <iconv.h>

#include <cctype>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

std::string Encode(const std::string& utf8, const char* code_page)
{
    iconv_t cd = iconv_open(code_page, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no converter for ") + code_page);
    std::string in = utf8;
    std::string out(in.size() * 2 + 16, '\0');
    char* src = in.data();
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1))
        throw std::runtime_error(std::string("text does not fit ") + code_page + ": " + utf8);
    out.resize(out.size() - dst_left);
    return out;
}

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

fs::path OnDisc(const fs::path& disc, const std::string& script_path)
{
    std::string rel;
    for (char c : script_path)
        rel += c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return disc / rel;
}

void WriteDiscFile(const fs::path& disc, const std::string& script_path, const std::string& bytes)
{
    WriteFile(OnDisc(disc, script_path), bytes);
}

QString Q(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
