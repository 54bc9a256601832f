// Disc paths such as "graph\image_ru.dat" are written with backslashes, relative to the root of
// the disc, by people who worked on case-insensitive file systems. A mounted disc image or a copied
// disc on this system is case-sensitive, so every component is matched exactly first and then
// without regard to ASCII letter case; among several such matches the bytewise smallest name is
// taken, so the choice does not depend on the order of the directory listing.
//
// Names with letters beyond ASCII are written in the code page of the disc's language, while a
// mounted disc image shows them in UTF-8. Once that code page is known (current_charset), such a
// component that matches nothing otherwise is read in it and matched against the UTF-8 names of
// the folder, again without regard to letter case (Latin, Latin-1, Baltic and Cyrillic letters).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/CodePages.h"  // the disc code page names are read in
#include "disc/DiscFs.h"

class PathResolver {
public:
    // The disc in the folder `root`.
    explicit PathResolver(std::filesystem::path root = ".");
    // The disc `disc` holds: a folder or an image.
    explicit PathResolver(std::shared_ptr<const DiscFs> disc);

    const std::filesystem::path& Root() const { return disc_->Root(); }
    // The file system the paths Find and Resolve give belong to: read them through it.
    const DiscFs& Disc() const { return *disc_; }
    const std::shared_ptr<const DiscFs>& SharedDisc() const { return disc_; }

    // The existing file or folder a disc path names, or nothing.
    std::optional<std::filesystem::path> Find(std::string_view disc_path) const;

    // The path to open: the one Find gives, or, when nothing matches, the disc path taken
    // literally under the root (so the open fails with the usual message).
    std::filesystem::path Resolve(std::string_view disc_path) const;

private:
    std::shared_ptr<const DiscFs> disc_;
};

// Splits a disc path at backslashes (and forward slashes) into its non-empty components, read as a
// file system reads them: "." is dropped and ".." drops the component before it, none at the root,
// so that no disc path leads above the disc root.
std::vector<std::string> SplitDiscPath(std::string_view disc_path);

// Whether two names are the same without regard to ASCII letter case.
bool EqualNoCase(std::string_view a, std::string_view b);

// Wildcard match of a file name against a pattern of '*' and '?', without regard to ASCII case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The names (without folder) of the entries that match the last component of `pattern`, in the
// folder the rest of it names, in the order of the directory listing. A missing folder finds
// nothing; "." and ".." are never returned.
std::vector<std::string> FindFiles(const PathResolver& resolver, std::string_view pattern);
