#include "app/QtDiscChooser.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>

#include "app/Startup.h"

namespace {

constexpr const char* kMountedLabel = "Several cover discs are mounted. Which one?";
constexpr const char* kDialogTitle = "Open a cover disc: its folder or its image";

// A path as this system spells it, from the dialogs' text, and back.
std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString ShownPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

QStringList DiscImageNameFilters()
{
    // application/x-cd-image, x-cue, x-raw-disk-image, x-raw-cd-image (.bin, .mdf), x-nrg and
    // x-clonecd-control, with the .mds that goes with an .mdf.
    QStringList patterns;
    for (const char* ext : {"iso", "cue", "bin", "img", "mdf", "mds", "nrg", "ccd"})
        patterns << QStringLiteral("*.%1").arg(QLatin1String(ext))
                 << QStringLiteral("*.%1").arg(QLatin1String(ext).toString().toUpper());
    return {QStringLiteral("Disc images (%1)").arg(patterns.join(u' ')), QStringLiteral("All files (*)")};
}

QtDiscChooser::QtDiscChooser(QString start_folder) : start_folder_(std::move(start_folder)) {}

std::optional<std::string> QtDiscChooser::ChooseMounted(const std::vector<std::string>& discs)
{
    QStringList items;
    for (const std::string& disc : discs)
        items << ShownPath(disc);
    QInputDialog dialog;
    dialog.setWindowTitle(QString::fromUtf8(kAppTitle));
    dialog.setLabelText(QString::fromUtf8(kMountedLabel));
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const qsizetype chosen = items.indexOf(dialog.textValue());
    if (chosen < 0)
        return std::nullopt;
    return discs[static_cast<std::size_t>(chosen)];
}

std::optional<std::string> QtDiscChooser::ChooseFolderOrImage()
{
    // Qt's own dialog, the same on every desktop, so that a folder can be taken as well as a file.
    QFileDialog dialog(nullptr, QString::fromUtf8(kDialogTitle), start_folder_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(DiscImageNameFilters());
    std::optional<std::string> chosen;
    // Opening a cover disc's folder takes it.
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&](const QString& folder) {
        if (IsCoverDiscFolder(LocalPath(folder))) {
            chosen = LocalPath(folder);
            static_cast<QDialog&>(dialog).done(QDialog::Accepted);
        }
    });
    // Any other folder is taken with this button: the one the dialog shows.
    QDialogButtonBox* buttons = dialog.findChild<QDialogButtonBox*>();
    if (buttons) {
        QPushButton* this_folder = buttons->addButton(QStringLiteral("Use this folder"), QDialogButtonBox::ActionRole);
        QObject::connect(this_folder, &QPushButton::clicked, &dialog, [&] {
            chosen = LocalPath(dialog.directory().absolutePath());
            static_cast<QDialog&>(dialog).done(QDialog::Accepted);
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (!chosen && !dialog.selectedFiles().isEmpty())
        chosen = LocalPath(dialog.selectedFiles().constFirst());
    return chosen;
}
