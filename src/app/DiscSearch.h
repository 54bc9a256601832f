// Where the menu finds its disc when it is given none and the current folder is no disc (started
// from the desktop's applications menu, in the home folder): among the mounted file systems, the
// CD ones and the desktop's removable media that hold a cover disc. The decision is kept apart
// from the system (the mount table comes as text, folders are tested through a function) and the
// choosing from the windows (an interface), so both are checked without a mount or a display.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the kernel lists the mounts this process sees.
inline constexpr const char* kMountInfoPath = "/proc/self/mountinfo";

// One line of the mount table: where it is mounted and its file system type.
struct MountPoint {
    std::string path;
    std::string fs_type;
};

// The mounts of a mountinfo table, in its order, their paths unescaped (the kernel writes a space,
// tab, newline and backslash as "\040", "\011", "\012", "\134"). Lines that are not well formed
// are skipped.
std::vector<MountPoint> ParseMountInfo(std::string_view mountinfo);

// Whether the folder holds a cover disc, as the desktop's tree magic for the menu tells it: a
// `graph` folder with the picture archive `shell.dat` and a description script in a language the
// menu knows, names in any letter case, with or without the ";1" of a plain ISO 9660 disc.
bool IsCoverDiscFolder(const std::filesystem::path& folder);

// Whether the folder is taken as the disc when the menu is started in it without one: it holds a
// `graph` folder (any letter case). A disc being made, or a broken one, still gets the menu's own
// messages about it.
bool IsDiscFolder(const std::filesystem::path& folder);

// The mount points that hold a cover disc, in the table's order, each once: those of CD file
// systems (ISO 9660, UDF, an image mounted through fuseiso) and those of the desktop's removable
// media (`/media/USER/NAME`, `/run/media/USER/NAME`) for which `holds_disc` is true.
std::vector<std::string> FindCoverDiscs(std::string_view mountinfo, std::string_view user,
                                        const std::function<bool(const std::string&)>& holds_disc);

// The questions to the reader when no single disc was found.
class DiscChooser {
public:
    virtual ~DiscChooser() = default;
    // One of several mounted discs, from a plain list; nothing when the reader cancels.
    virtual std::optional<std::string> ChooseMounted(const std::vector<std::string>& discs) = 0;
    // A disc folder or image file, from a file dialog; nothing when the reader cancels.
    virtual std::optional<std::string> ChooseFolderOrImage() = 0;
};

// The disc to start on: the only one found, the one chosen among several, or the folder or image
// chosen when none was found; nothing when the reader cancelled.
std::optional<std::string> ChooseStartDisc(const std::vector<std::string>& found, DiscChooser& chooser);

// FindCoverDiscs over the mount table this process sees (the file ZUL_MOUNTINFO names instead,
// when set: the tests' private table) for the user the program runs as.
std::vector<std::string> FindMountedCoverDiscs();
