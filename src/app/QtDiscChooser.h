// The questions of DiscSearch.h asked with Qt's own dialogs: a plain list of the mounted discs,
// and a file dialog for a disc folder or image.
#pragma once

#include <QString>
#include <QStringList>

#include "app/DiscSearch.h"

// The name filters of the file dialog: the disc images the desktop entry lists, by their usual
// names in either letter case, then every file (an image is told by its content, not its name).
QStringList DiscImageNameFilters();

class QtDiscChooser : public DiscChooser {
public:
    // The file dialog opens in `start_folder`.
    explicit QtDiscChooser(QString start_folder);

    std::optional<std::string> ChooseMounted(const std::vector<std::string>& discs) override;
    // The reader picks an image file, or opens a folder that holds a cover disc (which is then
    // taken at once) or any folder and accepts it with the folder button.
    std::optional<std::string> ChooseFolderOrImage() override;

private:
    QString start_folder_;
};
