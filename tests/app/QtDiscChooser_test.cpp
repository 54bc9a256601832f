// The chooser's real dialogs, offscreen: each is answered from the event loop it runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "app/QtDiscChooser.h"
#include "support/TempDir.h"

namespace {

// Once the modal dialog of type T shows, `answer` is given it (from within its own loop).
template <typename T>
void WhenShown(std::function<void(T&)> answer)
{
    QTimer::singleShot(10, [answer] {
        if (T* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            answer(*dialog);
        else
            WhenShown<T>(answer);
    });
}

// Types `name` into the dialog's file name field, as a reader does.
void TypeName(QFileDialog& dialog, const std::string& name)
{
    QLineEdit* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromStdString(name));
}

TEST(QtDiscChooser, SeveralDiscsAreAPlainListTheChosenOneIsTaken)
{
    QtDiscChooser chooser(QString{});
    const std::vector<std::string> discs = {"/media/ann/ONE", "/run/media/ann/TWO DISC"};
    WhenShown<QInputDialog>([](QInputDialog& dialog) {
        QListView* list = dialog.findChild<QListView*>();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->model()->rowCount(), 2);
        list->setCurrentIndex(list->model()->index(1, 0));
        dialog.accept();
    });
    EXPECT_EQ(chooser.ChooseMounted(discs), "/run/media/ann/TWO DISC");
    WhenShown<QInputDialog>([](QInputDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(chooser.ChooseMounted(discs), std::nullopt);
}

TEST(QtDiscChooser, TheFileDialogTakesAnImageACoverDiscsFolderOrTheFolderShown)
{
    TempDir home;
    const std::filesystem::path image = home.Write("Disc.ISO", "not read here");
    home.Write("cover/GRAPH/shell.dat", "x");
    home.Write("cover/GRAPH/image_ru.dat", "x");
    home.MakeDir("plain");
    QtDiscChooser chooser(QString::fromStdString(home.path().string()));

    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.directory().absolutePath().toStdString(), home.path().string());
        // The images the desktop entry lists come first, then every file.
        const QStringList filters = dialog.nameFilters();
        ASSERT_EQ(filters.size(), 2);
        for (const char* pattern : {"*.iso", "*.ISO", "*.cue", "*.bin", "*.mdf", "*.img", "*.ccd", "*.nrg"})
            EXPECT_TRUE(filters[0].contains(QString::fromLatin1(pattern))) << pattern;
        EXPECT_EQ(filters[1], "All files (*)");
        dialog.selectFile(QString::fromStdString(image.string()));
        static_cast<QDialog&>(dialog).accept();  // as its Open button does
    });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), image.string());

    // Open on a cover disc's folder takes it; on another folder it goes into it, which the
    // folder button then takes.
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        TypeName(dialog, (home.path() / "cover").string());
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), (home.path() / "cover").string());
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        TypeName(dialog, "plain");
        static_cast<QDialog&>(dialog).accept();
        ASSERT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.directory().absolutePath().toStdString(), (home.path() / "plain").string());
        for (QPushButton* button : dialog.findChild<QDialogButtonBox*>()->findChildren<QPushButton*>())
            if (button->text() == "Use this folder")
                button->click();
    });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), (home.path() / "plain").string());

    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), std::nullopt);
}

}  // namespace
