// The description script of each language: the skin's pictures, drawn and written into the
// picture archive, and the script that places them and lists the catalogue.
#pragma once

#include <QImage>
#include <QString>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "demo/DemoCatalogue.h"
#include "demo/DemoSkin.h"

class RarWriter;

// Writes the pictures of one language into the archive and returns its script (UTF-8).
class LanguageDisc {
public:
    // `added` holds the members already written, so that the pictures both languages share are
    // written once.
    LanguageDisc(const Language& lang, RarWriter& rar, std::set<std::string>& added,
                 const std::filesystem::path& look)
        : lang_(lang), rar_(rar), added_(added), look_(look), skin_(std::string("skin\\") + lang.code + "\\")
    {
    }

    std::string Build(const std::vector<Tab>& tabs);

    // The main window as the menu first shows it (first tab and sub chosen), for a person to look at.
    QImage Screen(const std::vector<Tab>& tabs, const QImage& advert) const;

private:
    std::string T(const L2& text) const { return text(lang_); }
    QString QT(const L2& text) const;

    // Keeps `image` as the member `name` and writes it into the archive unless it is there
    // already; with a `look_name`, also as a PNG for a person to look at.
    void Add(const std::string& name, const QImage& image, const std::string& look_name = {});

    // The three pictures of a button lying on `under` at (x, y), as members base.ext, base_over.ext
    // and base_down.ext.
    void AddButton(const std::string& base, const std::string& ext, int w, int h, Glyph glyph,
                   const QString& caption, const QImage& under, int x, int y, bool tab = false,
                   const QString& down_caption = {}, Glyph down_glyph = Glyph::None);

    const Language& lang_;
    RarWriter& rar_;
    std::set<std::string>& added_;
    std::map<std::string, QImage> pictures_;  // this language's skin pictures by member name
    std::filesystem::path look_;
    std::string skin_;
};
