#include "app/DiscSearch.h"

#include <algorithm>
#include <array>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "app/Languages.h"
#include "disc/Files.h"
#include "disc/PathResolver.h"

namespace {

// File systems of optical discs and of disc images mounted without root (fuseiso).
constexpr std::array<std::string_view, 3> kDiscFsTypes = {"iso9660", "udf", "fuse.fuseiso"};
// A mount table is a few hundred lines; a larger one is read no further than this.
constexpr std::uintmax_t kMaxMountInfoBytes = 4u << 20;

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (end > at)
            fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return fields;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

std::string Unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// Whether `path` lies in `folder` (given with its trailing slash), one level down.
bool InRemovableMediaFolder(std::string_view path, const std::string& folder)
{
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return path.find('/', folder.size()) == std::string_view::npos;
}

bool FindsEither(const PathResolver& resolver, const std::string& disc_path)
{
    return resolver.Find(disc_path) || resolver.Find(disc_path + ";1");
}

}  // namespace

std::vector<MountPoint> ParseMountInfo(std::string_view mountinfo)
{
    // ID PARENT MAJOR:MINOR ROOT MOUNT_POINT OPTIONS [OPTIONAL...] - FS_TYPE SOURCE SUPER_OPTIONS
    std::vector<MountPoint> mounts;
    std::size_t at = 0;
    while (at < mountinfo.size()) {
        const std::size_t end = std::min(mountinfo.find('\n', at), mountinfo.size());
        const std::vector<std::string_view> fields = SplitFields(mountinfo.substr(at, end - at));
        at = end + 1;
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || dash - fields.begin() < 6 || dash + 1 == fields.end())
            continue;
        mounts.push_back({Unescape(fields[4]), Unescape(*(dash + 1))});
    }
    return mounts;
}

bool IsCoverDiscFolder(const std::filesystem::path& folder)
{
    const PathResolver resolver(folder);
    if (!FindsEither(resolver, "graph\\shell.dat"))
        return false;
    FillKnownLanguages();
    return std::any_of(known_languages.begin(), known_languages.end(), [&](const auto& language) {
        return FindsEither(resolver, "graph\\image_" + language.first + ".dat");
    });
}

bool IsDiscFolder(const std::filesystem::path& folder)
{
    const std::optional<std::filesystem::path> graph = PathResolver(folder).Find("graph");
    std::error_code ec;
    return graph && std::filesystem::is_directory(*graph, ec);
}

std::vector<std::string> FindCoverDiscs(std::string_view mountinfo, std::string_view user,
                                        const std::function<bool(const std::string&)>& holds_disc)
{
    const std::string media = "/media/" + std::string(user) + "/";
    const std::string run_media = "/run/media/" + std::string(user) + "/";
    std::vector<std::string> found;
    for (const MountPoint& mount : ParseMountInfo(mountinfo)) {
        const bool disc_fs =
            std::find(kDiscFsTypes.begin(), kDiscFsTypes.end(), mount.fs_type) != kDiscFsTypes.end();
        const bool removable = !user.empty() && (InRemovableMediaFolder(mount.path, media) ||
                                                 InRemovableMediaFolder(mount.path, run_media));
        if ((disc_fs || removable) && std::find(found.begin(), found.end(), mount.path) == found.end() &&
            holds_disc(mount.path))
            found.push_back(mount.path);
    }
    return found;
}

std::optional<std::string> ChooseStartDisc(const std::vector<std::string>& found, DiscChooser& chooser)
{
    if (found.size() == 1)
        return found.front();
    if (found.empty())
        return chooser.ChooseFolderOrImage();
    return chooser.ChooseMounted(found);
}

std::vector<std::string> FindMountedCoverDiscs()
{
    const char* table = std::getenv("ZUL_MOUNTINFO");
    const std::string mountinfo =
        ReadWholeFile(table && *table ? table : kMountInfoPath, kMaxMountInfoBytes).value_or(std::string());
    std::string user;
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name)
        user = entry->pw_name;
    return FindCoverDiscs(mountinfo, user, [](const std::string& folder) { return IsCoverDiscFolder(folder); });
}
