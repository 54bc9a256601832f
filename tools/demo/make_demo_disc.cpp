// Writes the demo disc into a folder: a magazine's cover disc in two languages (Russian in
// Windows-1251, Lithuanian in Windows-1257, CR LF line ends, the way the disc's editors wrote
// them), its picture archive graph\shell.dat with the skin of each language and the catalogue's
// thumbnails, and every file the scripts name: cursors, event sounds, background music, MIDI
// tracks and a short mp3 of silence, banners, full-size pictures, wallpapers, splash pictures and
// harmless installers.
// Some script paths differ in letter case from the files written, as on real discs, which were
// made on case-insensitive file systems.
//   make_demo_disc DISC_FOLDER [--look PNG_FOLDER] [--big ENTRIES] [--iso IMAGE]
//   make_demo_disc --iso-of FOLDER IMAGE
// With --look, PNG copies of the main skin pictures are written for a person to look at. With
// --big, the catalogue's first group holds ENTRIES products in all (copies of the demo's, two
// pictures each), whose thumbnails are twice as large and carry photo-like grain, so that the
// archive weighs what a big issue's does (about 35 MB for 300 entries). With --iso, the disc is
// also written as an ISO 9660 image with Rock Ridge and Joliet names, the way old discs survive;
// --iso-of writes any folder as such an image (small images for the fuzz seeds).
// This file holds the command line and the order of the steps; the parts of the disc are made in
// DemoCatalogue (what the disc offers), DemoScripts (the scripts and skin pictures), DemoMedia
// (the other files) and DemoIso (the image).
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "demo/DemoCatalogue.h"
#include "demo/DemoFiles.h"
#include "demo/DemoIso.h"
#include "demo/DemoMedia.h"
#include "demo/DemoPictures.h"
#include "demo/DemoScripts.h"
#include "demo/DemoSkin.h"
#include "rarwriter/RarWriter.h"

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--iso-of") {
        if (argc != 4) {
            std::cerr << "usage: make_demo_disc --iso-of FOLDER IMAGE\n";
            return 2;
        }
        try {
            WriteIsoImage(argv[2], argv[3]);
        } catch (const std::exception& e) {
            std::cerr << "make_demo_disc: " << e.what() << "\n";
            return 1;
        }
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts and image format plugins
    fs::path look;
    fs::path iso;
    int big = 0;
    bool usage = argc < 2 || argc % 2 != 0;
    for (int i = 2; !usage && i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--look")
            look = argv[i + 1];
        else if (option == "--iso")
            iso = argv[i + 1];
        else if (option == "--big")
            usage = (big = std::atoi(argv[i + 1])) <= 0;
        else
            usage = true;
    }
    if (usage) {
        std::cerr << "usage: make_demo_disc DISC_FOLDER [--look PNG_FOLDER] [--big ENTRIES] [--iso IMAGE]\n"
                     "       make_demo_disc --iso-of FOLDER IMAGE\n";
        return 2;
    }
    try {
        const fs::path disc = argv[1];
        if (!look.empty())
            fs::create_directories(look);
        LoadSkinFonts();
        std::vector<Tab> tabs = Catalogue();
        if (big > 0)
            MakeBig(tabs, big);

        fs::create_directories(disc / "graph");
        RarWriter rar(disc / "graph" / "shell.dat");
        std::set<std::string> added;
        for (const Language* lang : {&kRussian, &kLithuanian}) {
            LanguageDisc pictures(*lang, rar, added, look);
            const std::string script = pictures.Build(tabs);
            WriteFile(disc / "graph" / (std::string("image_") + lang->code + ".dat"),
                      WithCrLf(Encode(script, lang->code_page)));
            WriteSplash(disc, *lang, look);
            if (!look.empty())
                pictures
                    .Screen(tabs, Advert(468, 60, 0, QStringLiteral("STAR MINER 1.2"),
                                         QStringLiteral("full version in stores now")))
                    .save(QString::fromStdString((look / (std::string(lang->code) + "-screen.png")).string()));
        }
        AddCatalogueThumbnails(rar, tabs, disc, big > 0);
        rar.Finish();

        WriteFile(disc / "graph" / "dll" / "unrar.dll", WindowsLibraryStub("unrar.dll"));
        WriteFile(disc / "graph" / "dll" / "elamp.esp", WindowsLibraryStub("elamp.esp"));
        WriteCursors(disc);
        WriteSounds(disc);
        WriteTracks(disc);
        WriteBannersAndWallpapers(disc);
        WriteInstallers(disc, tabs);
        std::cout << "demo disc written to " << disc.string() << "\n";
        if (!iso.empty()) {
            WriteIsoImage(disc, iso);
            std::cout << "disc image written to " << iso.string() << "\n";
        }
    } catch (const std::exception& e) {
        std::cerr << "make_demo_disc: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
