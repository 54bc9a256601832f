// The files of the demo disc besides its scripts and skin: the catalogue's pictures and
// thumbnails, the setups' files, event sounds and background music, the music tab's tracks,
// banners and wallpapers, cursors, the splash picture and the stand-ins of the disc's libraries.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "demo/DemoCatalogue.h"

class RarWriter;

// The full-size pictures of every product on the disc, their thumbnails and the tracks' covers in
// the picture archive. With `big`, thumbnails are twice as large and carry photo-like grain.
void AddCatalogueThumbnails(RarWriter& rar, const std::vector<Tab>& tabs, const std::filesystem::path& disc,
                            bool big);

// The files of every product's setups; installers (.sh) are made executable.
void WriteInstallers(const std::filesystem::path& disc, const std::vector<Tab>& tabs);

// The event sounds and the two loops of background music, synthesized.
void WriteSounds(const std::filesystem::path& disc);

// The music tab's tracks: MIDI, RMID and a short mp3 of silence.
void WriteTracks(const std::filesystem::path& disc);

// The banners of both sizes and the two folders of wallpapers.
void WriteBannersAndWallpapers(const std::filesystem::path& disc);

// The main cursor and the animated link cursor.
void WriteCursors(const std::filesystem::path& disc);

// The animated splash picture of `lang`; with `look`, its last frame also as a PNG there.
void WriteSplash(const std::filesystem::path& disc, const Language& lang, const std::filesystem::path& look);

// The disc's libraries: Windows DLLs on a real disc, for which the menu has built-in stand-ins.
std::string WindowsLibraryStub(const std::string& name);
