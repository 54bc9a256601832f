#include "platform/PathResolver.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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

bool Exists(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec)) && !ec;
}

// The entry of `dir` whose name equals `name` without regard to case, the bytewise smallest
// when there are several.
std::optional<std::string> MatchNoCase(const fs::path& dir, std::string_view name)
{
    std::optional<std::string> best;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (EqualNoCase(entry, name) && (!best || entry < *best))
            best = std::move(entry);
    }
    return best;
}

}  // namespace

PathResolver::PathResolver(fs::path root) : root_(std::move(root)) {}

std::vector<std::string> SplitDiscPath(std::string_view disc_path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : disc_path) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

std::optional<fs::path> PathResolver::Find(std::string_view disc_path) const
{
    fs::path current = root_;
    for (const std::string& part : SplitDiscPath(disc_path)) {
        if (part == ".")
            continue;
        if (part == "..") {
            current /= part;
            continue;
        }
        fs::path exact = current / part;
        if (Exists(exact)) {
            current = std::move(exact);
            continue;
        }
        std::optional<std::string> other = MatchNoCase(current, part);
        if (!other)
            return std::nullopt;
        current /= *other;
    }
    if (!Exists(current))
        return std::nullopt;
    return current;
}

fs::path PathResolver::Resolve(std::string_view disc_path) const
{
    if (std::optional<fs::path> found = Find(disc_path))
        return *found;
    fs::path literal = root_;
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
    std::error_code ec;
    for (fs::directory_iterator it(*dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (WildcardMatch(name_pattern, entry))
            found.push_back(std::move(entry));
    }
    return found;
}
