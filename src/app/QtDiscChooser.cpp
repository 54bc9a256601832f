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

// Qt's own dialog, the same on every desktop, so that a folder can be taken as well as a file.
class DiscFileDialog : public QFileDialog {
public:
    explicit DiscFileDialog(const QString& start_folder)
        : QFileDialog(nullptr, QString::fromUtf8(kDialogTitle), start_folder)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFile);
        setAcceptMode(QFileDialog::AcceptOpen);
        setNameFilters(DiscImageNameFilters());
        // Entering a cover disc's folder (a double click) takes it.
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
            if (IsCoverDiscFolder(LocalPath(folder)))
                Take(folder);
        });
        // Any other folder is taken with this button: the one the dialog shows.
        if (auto* buttons = findChild<QDialogButtonBox*>()) {
            QPushButton* this_folder =
                buttons->addButton(QStringLiteral("Use this folder"), QDialogButtonBox::ActionRole);
            connect(this_folder, &QPushButton::clicked, this, [this] { Take(directory().absolutePath()); });
        }
    }

    // Open on a cover disc's folder (selected, or its path typed) takes it; on another folder it
    // goes into it, on a file it takes the file.
    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && IsCoverDiscFolder(LocalPath(files.constFirst())))
            Take(files.constFirst());
        else
            QFileDialog::accept();
    }

    std::optional<std::string> chosen;

private:
    void Take(const QString& path)
    {
        chosen = LocalPath(path);
        QDialog::done(QDialog::Accepted);
    }
};

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
    DiscFileDialog dialog(start_folder_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (dialog.chosen)
        return dialog.chosen;
    const QStringList files = dialog.selectedFiles();  // the image file
    if (files.isEmpty())
        return std::nullopt;
    return LocalPath(files.constFirst());
}
