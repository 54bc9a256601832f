#include "disc/PathResolver.h"

#include <iconv.h>

#include "disc/CodePages.h"

#include <cstdint>
#include <system_error>

namespace fs = std::filesystem;

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Exists(const DiscFs& disc, const fs::path& p)
{
    return disc.Stat(p).kind != DiscEntryKind::kMissing;
}

// The entry of `dir` whose name equals `name` without regard to case, the bytewise smallest
// when there are several.
std::optional<std::string> MatchNoCase(const DiscFs& disc, const fs::path& dir, std::string_view name)
{
    std::optional<std::string> best;
    for (std::string& entry : disc.List(dir)) {
        if (EqualNoCase(entry, name) && (!best || entry < *best))
            best = std::move(entry);
    }
    return best;
}

// `text`, written in the encoding `from`, as UTF-32; nothing when it does not convert whole.
std::optional<std::u32string> ToUtf32(std::string_view text, const char* from)
{
    iconv_t cd = iconv_open("UTF-32LE", from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(text);
    std::u32string out(in.size() + 1, U'\0');
    char* src = in.data();
    std::size_t src_left = in.size();
    char* dst = reinterpret_cast<char*>(out.data());
    std::size_t dst_left = out.size() * sizeof(char32_t);
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || src_left != 0)
        return std::nullopt;
    out.resize(out.size() - dst_left / sizeof(char32_t));
    return out;
}

// Lower case of the letters the discs' languages use: ASCII, Latin-1, Latin Extended-A (the
// Baltic letters) and Cyrillic.
char32_t FoldLetter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c % 2 == 0) ? c + 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c % 2 == 1) ? c + 1 : c;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

std::u32string Fold(std::u32string text)
{
    for (char32_t& c : text)
        c = FoldLetter(c);
    return text;
}

bool HasHighBytes(std::string_view name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// The entry of `dir` whose UTF-8 name is `name` read in the disc's code page, without regard to
// case; the bytewise smallest when there are several.
std::optional<std::string> MatchInCodePage(const DiscFs& disc, const fs::path& dir,
                                           std::string_view name)
{
    const char* code_page = DiscCodePage();
    if (!code_page || !HasHighBytes(name))
        return std::nullopt;
    const std::optional<std::u32string> wanted = ToUtf32(name, code_page);
    if (!wanted)
        return std::nullopt;
    const std::u32string folded = Fold(*wanted);
    std::optional<std::string> best;
    for (std::string& entry : disc.List(dir)) {
        if (entry.size() < name.size() || !HasHighBytes(entry))
            continue;
        const std::optional<std::u32string> shown = ToUtf32(entry, "UTF-8");
        if (shown && Fold(*shown) == folded && (!best || entry < *best))
            best = std::move(entry);
    }
    return best;
}

}  // namespace

PathResolver::PathResolver(fs::path root) : disc_(FolderDiscFs(std::move(root))) {}

PathResolver::PathResolver(std::shared_ptr<const DiscFs> disc) : disc_(std::move(disc)) {}

std::vector<std::string> SplitDiscPath(std::string_view disc_path)
{
    std::vector<std::string> parts;
    auto add = [&parts](std::string part) {
        if (part.empty() || part == ".")
            return;
        if (part == "..") {
            // As in a file system, the root is its own parent.
            if (!parts.empty())
                parts.pop_back();
            return;
        }
        parts.push_back(std::move(part));
    };
    std::string part;
    for (char c : disc_path) {
        if (c == '\\' || c == '/') {
            add(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    add(std::move(part));
    return parts;
}

std::optional<fs::path> PathResolver::Find(std::string_view disc_path) const
{
    fs::path current = Root();
    for (const std::string& part : SplitDiscPath(disc_path)) {
        fs::path exact = current / part;
        if (Exists(*disc_, exact)) {
            current = std::move(exact);
            continue;
        }
        std::optional<std::string> other = MatchNoCase(*disc_, current, part);
        if (!other)
            other = MatchInCodePage(*disc_, current, part);
        if (!other)
            return std::nullopt;
        current /= *other;
    }
    if (!Exists(*disc_, current))
        return std::nullopt;
    return current;
}

fs::path PathResolver::Resolve(std::string_view disc_path) const
{
    if (std::optional<fs::path> found = Find(disc_path))
        return *found;
    fs::path literal = Root();
    for (const std::string& part : SplitDiscPath(disc_path))
        literal /= part;
    return literal;
}

bool WildcardMatch(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> FindFiles(const PathResolver& resolver, std::string_view pattern)
{
    std::vector<std::string> parts = SplitDiscPath(pattern);
    std::vector<std::string> found;
    if (parts.empty())
        return found;
    const std::string name_pattern = parts.back();
    parts.pop_back();
    std::string folder;
    for (const std::string& part : parts)
        folder += part + "\\";
    std::optional<fs::path> dir = folder.empty() ? std::optional<fs::path>(resolver.Root())
                                                 : resolver.Find(folder);
    if (!dir)
        return found;
    for (std::string& entry : resolver.Disc().List(*dir)) {
        if (WildcardMatch(name_pattern, entry))
            found.push_back(std::move(entry));
    }
    return found;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}
