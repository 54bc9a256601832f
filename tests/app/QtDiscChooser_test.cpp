// The chooser's real dialogs, offscreen, each answered from within its own event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

#include <functional>

#include "app/QtDiscChooser.h"
#include "support/TempDir.h"

namespace {

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

// Types `name` into the file dialog and presses Open.
void Open(QFileDialog& dialog, const std::string& name)
{
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(name));
    static_cast<QDialog&>(dialog).accept();
}

TEST(QtDiscChooser, AListOfTheMountedDiscsAndAFileDialogForAnImageOrADiscsFolder)
{
    TempDir home;
    home.Write("Disc.ISO", "");
    home.Write("cover/GRAPH/shell.dat", "x");
    home.Write("cover/GRAPH/image_ru.dat", "x");
    home.MakeDir("plain");
    QtDiscChooser chooser(QString::fromStdString(home.path().string()));
    WhenShown<QInputDialog>([](QInputDialog& dialog) {
        QListView* list = dialog.findChild<QListView*>();
        list->setCurrentIndex(list->model()->index(1, 0));
        dialog.accept();
    });
    EXPECT_EQ(chooser.ChooseMounted({"/media/ann/ONE", "/media/ann/TWO"}), "/media/ann/TWO");

    WhenShown<QFileDialog>([](QFileDialog& dialog) {
        EXPECT_TRUE(dialog.nameFilters().value(0).contains("*.ISO"));
        Open(dialog, "Disc.ISO");
    });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), (home.path() / "Disc.ISO").string());
    // Open on another folder goes into it; on a cover disc's folder it takes it.
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        Open(dialog, "plain");
        EXPECT_TRUE(dialog.isVisible());
        Open(dialog, (home.path() / "cover").string());
    });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), (home.path() / "cover").string());
    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(chooser.ChooseFolderOrImage(), std::nullopt);
}

}  // namespace
