// The Checker's pictures: the picture archive and the skin pictures taken from it, the splash, the
// cursors, the banner's pictures and the wallpapers.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/ZipGrFile.h"
#include "disc/DiscFs.h"
#include "disc/Files.h"
#include "disc/PathResolver.h"
#include "model/Description.h"
#include "pictures/Picture.h"
#include "pictures/PictureFile.h"
#include "platform/Application.h"
#include "platform/CursorFile.h"
#include "platform/QuietStderr.h"
#include "zulcheck/CheckPlaces.h"
#include "zulcheck/Checker.h"

namespace fs = std::filesystem;
using check_text::Ends;
using check_text::Plural;
using check_text::Q;
using check_text::T;

namespace {

// What one of the archive's fatal messages means to the editor.
std::string ArchiveFailure(const std::string& message)
{
    if (message.starts_with("Bad unzip dll"))
        return "the archive library graph\\dll\\unrar.dll cannot be loaded";
    if (message.starts_with("Bad function "))
        return "the archive library graph\\dll\\unrar.dll lacks an entry point";
    if (message.starts_with("Bad open rar archive: "))
        return "the picture archive is missing or is no RAR archive";
    if (message.starts_with(" File header broken: "))
        return "a member header of the picture archive is broken";
    if (message.starts_with("Bad extracting file"))
        return "a member of the picture archive does not unpack";
    if (message.starts_with("Bad close rar archive: "))
        return "the picture archive does not close";
    return "the picture archive fails";
}

}  // namespace

void Checker::OpenArchive()
{
    QuietStderr quiet;
    try {
        archive_ = std::make_unique<ZipGrFile>(app_, resolver_);
    } catch (const ProgramHalted&) {
        archive_failed_ = true;
        const std::string message = app_.boxes.empty() ? std::string() : app_.boxes.back();
        const char* where = message.starts_with("Bad unzip dll") || message.starts_with("Bad function ")
                                ? "graph\\dll\\unrar.dll"
                                : kPictureArchivePath;
        Add(Severity::Error, where, ArchiveFailure(message) + "; " + Ends(message));
    }
}

void Checker::CloseArchive()
{
    if (!archive_)
        return;
    for (const auto& [name, stream] : archive_->Members())
        if (!named_members_.contains(name))
            Add(Severity::Note, kPictureArchivePath, "the member " + Q(name) + " is named by no script");
    QuietStderr quiet;
    try {
        archive_->Close();
    } catch (const ProgramHalted&) {
        const std::string message = app_.boxes.empty() ? std::string() : app_.boxes.back();
        Add(Severity::Error, kPictureArchivePath, ArchiveFailure(message) + "; " + Ends(message));
    }
    archive_.reset();
}

void Checker::CheckSplash(const Language& language, const std::string& script)
{
    const std::string splash = "graph\\splash\\" + language.code + "\\Intro.gif";
    Locate(splash, T(script) + " splash");
    if (const std::optional<std::string> failure = PictureFileFailure(splash))
        Add(Severity::Error, T(script) + " splash",
            "the splash picture " + Q(splash) + " does not load; " + Ends(*failure));
}

std::optional<std::string> Checker::PictureFileFailure(const std::string& disc_path)
{
    const auto known = picture_files_.find(disc_path);
    if (known != picture_files_.end())
        return known->second;
    std::optional<std::string> failure;
    try {
        LoadPictureFile(resolver_, disc_path);
    } catch (const PictureError& e) {
        failure = e.what();
    }
    picture_files_.emplace(disc_path, failure);
    return failure;
}

std::optional<std::string> Checker::SkinPictureFailure(const std::string& name)
{
    named_members_.insert(name);
    const auto known = skin_pictures_.find(name);
    if (known != skin_pictures_.end())
        return known->second;
    std::optional<std::string> failure;
    if (!archive_) {
        // Without the archive only the extension can be judged.
        if (MakePicture(name) == nullptr)
            failure = "Bad ext: " + name;
    } else {
        QuietStderr quiet;
        try {
            archive_->LoadPicture(name);
        } catch (const ProgramHalted&) {
            failure = app_.boxes.empty() ? std::string() : app_.boxes.back();
        } catch (const PictureError& e) {
            failure = e.what();
        }
    }
    skin_pictures_.emplace(name, failure);
    return failure;
}

void Checker::CheckCursors(const Inf_shell& d, const std::string& script)
{
    // Both cursors come from their files, or the standard ones are used for both.
    const std::pair<const char*, const std::string*> cursors[] = {{"cd.main_cursor", &d.cd.main_cursor},
                                                                  {"cd.link_cursor", &d.cd.link_cursor}};
    for (const auto& [key, name] : cursors) {
        const std::string where = T(script) + " " + key;
        if (name->empty()) {
            Add(Severity::Note, where, "no cursor file named: the menu shows the standard cursors");
            continue;
        }
        const std::optional<fs::path> file = Locate(*name, where);
        if (!file) {
            Add(Severity::Warning, where, Q(*name) + " is not on the disc: the menu shows the standard cursors");
            continue;
        }
        const std::optional<std::string> bytes = ReadWholeFile(resolver_.Disc(), *file);
        std::string error;
        if (!bytes) {
            Add(Severity::Warning, where, Q(*name) + " cannot be read: the menu shows the standard cursors");
        } else if (!DecodeCursorFile(*bytes, &error)) {
            Add(Severity::Warning, where,
                Q(*name) + " is no cursor the menu reads (" + error + "): the menu shows the standard cursors");
        }
    }
}

void Checker::CheckSkinPictures(const Inf_shell& d, const std::string& script)
{
    for (const SkinSlot& slot : SkinSlots(d)) {
        const std::optional<std::string> failure = SkinPictureFailure(slot.name);
        if (!failure)
            continue;
        const std::string where = T(script) + " " + slot.place;
        std::string problem;
        if (failure->starts_with("Bad ext: ")) {
            problem = slot.name.empty()
                          ? std::string("no picture named")
                          : Q(slot.name) + " has an extension the menu refuses (it takes bmp, gif and jpg, "
                                           "in lower case)";
        } else if (failure->starts_with("Bad file: ")) {
            problem = Q(slot.name) + " is not a member of graph\\shell.dat";
            if (archive_) {
                for (const auto& [member, stream] : archive_->Members())
                    if (member.size() == slot.name.size() &&
                        std::equal(member.begin(), member.end(), slot.name.begin(), [](char a, char b) {
                            return std::tolower(static_cast<unsigned char>(a)) ==
                                   std::tolower(static_cast<unsigned char>(b));
                        })) {
                        problem += " (the member " + Q(member) +
                                   " differs in letter case: members are matched exactly)";
                        break;
                    }
            }
        } else {
            problem = "the member " + Q(slot.name) + " does not decode";
        }
        Add(Severity::Error, where, problem + "; " + Ends(*failure));
    }
    if (archive_failed_)
        Add(Severity::Note, T(script),
            "the skin pictures were judged by their extensions only: the picture archive did not open");
}

void Checker::CheckBanner(const Inf_banner& banner, const std::string& where_banner)
{
    for (std::size_t i = 0; i < banner.items.size(); ++i) {
        const Inf_banner_aux& ad = banner.items[i];
        const std::string where = where_banner + " item " + std::to_string(i + 1);
        Locate(ad.pic, where);
        if (const std::optional<std::string> failure = PictureFileFailure(ad.pic))
            Add(Severity::Error, where,
                "the banner picture " + Q(ad.pic) + " does not load; when the banner shows it first, " +
                    Ends(*failure) + ", and later the menu reports it when the banner turns to it");
        CheckLink(ad.url, where);
    }
}

void Checker::CheckWallpapers(const WPs_inf& wallpapers, const std::string& script)
{
    for (std::size_t i = 0; i < wallpapers.dirs.size(); ++i) {
        const std::string& dir = wallpapers.dirs[i];
        const std::string where = T(script) + " wp_dir " + std::to_string(i + 1);
        const std::optional<fs::path> folder = Locate(dir, where);
        if (!dir.empty() && (!folder || resolver_.Disc().Stat(*folder).kind != DiscEntryKind::kFolder)) {
            Add(Severity::Warning, where,
                "the wallpaper folder " + Q(dir) + " is not on the disc: the show stays black there");
            continue;
        }
        const std::vector<std::string> files = FindFiles(resolver_, dir + "*.jpg");
        if (files.empty()) {
            Add(Severity::Warning, where,
                "the wallpaper folder " + Q(dir) + " holds no .jpg file: the show stays black there");
            continue;
        }
        Add(Severity::Note, where,
            "the wallpaper folder " + Q(dir) + " holds " + Plural(files.size(), "JPEG file", "JPEG files"));
        for (const std::string& name : files)
            if (const std::optional<std::string> failure = PictureFileFailure(dir + name))
                Add(Severity::Error, where,
                    "the wallpaper " + Q(dir + name) + " does not load; the show reports: " + T(*failure));
    }
}
