#include "windows/SelectLangForm.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

const lang_inf kRussian{"Russian", "ru", 204};
const lang_inf kLithuanian{"Lithuanian", "lit", 186};
const lang_inf kOther{"Default", "def", 1};

TEST(TSelectLangForm, PreselectsTheLastRussianElseTheFirst)
{
    struct Case {
        std::vector<lang_inf> languages;
        int preselected;
    };
    for (const Case& c : {Case{{kRussian, kLithuanian}, 0}, Case{{kLithuanian, kRussian}, 1},
                          Case{{kLithuanian, kOther}, 0}, Case{{kRussian, kLithuanian, kRussian}, 2},
                          Case{{kLithuanian}, 0}}) {
        EXPECT_EQ(TSelectLangForm::PreselectedIndex(c.languages), c.preselected);
        TSelectLangForm dialog(nullptr, c.languages);
        EXPECT_EQ(dialog.ComboBox1->currentIndex(), c.preselected);
        EXPECT_EQ(dialog.ChosenIndex(), c.preselected);
        ASSERT_EQ(dialog.ComboBox1->count(), static_cast<int>(c.languages.size()));
        for (std::size_t i = 0; i < c.languages.size(); ++i)
            EXPECT_EQ(dialog.ComboBox1->itemText(static_cast<int>(i)).toStdString(), c.languages[i].name);
    }
}

TEST(TSelectLangForm, FixedLayoutWithoutACloseBox)
{
    TSelectLangForm dialog(nullptr, {kRussian, kLithuanian});
    EXPECT_EQ(dialog.windowTitle(), ".ZUL CD");
    EXPECT_TRUE(dialog.isModal());
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);

    EXPECT_EQ(dialog.size(), QSize(280, 59));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.Label1->geometry(), QRect(0, 0, 280, 13));
    EXPECT_EQ(dialog.Label1->text(), "Select language");
    EXPECT_EQ(dialog.Label1->alignment(), Qt::AlignCenter);
    EXPECT_EQ(dialog.ComboBox1->geometry(), QRect(16, 24, 145, 21));
    EXPECT_FALSE(dialog.ComboBox1->isEditable());
    EXPECT_EQ(dialog.Button1->geometry(), QRect(184, 21, 75, 25));
    EXPECT_EQ(dialog.Button1->text(), "&OK");
    EXPECT_TRUE(dialog.Button1->isDefault());

    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(dialog.pos(), QPoint(desktop.left() + (desktop.width() - 280) / 2,
                                   desktop.top() + (desktop.height() - 59) / 2));
}

TEST(TSelectLangForm, EnterOnTheFocusedButtonTakesTheShownLanguage)
{
    TSelectLangForm dialog(nullptr, {kRussian, kLithuanian, kOther});
    QWidget* focused = nullptr;
    bool visible_after_escape = false;
    QTimer::singleShot(0, &dialog, [&] {
        focused = dialog.focusWidget();
        // Escape has no cancel to press: the dialog stays.
        QTest::keyClick(focused ? focused : &dialog, Qt::Key_Escape);
        visible_after_escape = dialog.isVisible();
        dialog.ComboBox1->setCurrentIndex(1);
        QTest::keyClick(focused ? focused : &dialog, Qt::Key_Return);
    });
    QTimer::singleShot(10000, &dialog, [&] { dialog.done(-1); });  // never hang the run
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(focused, dialog.Button1);
    EXPECT_TRUE(visible_after_escape);
    EXPECT_EQ(dialog.ChosenIndex(), 1);

    // A click on the button ends it the same way.
    TSelectLangForm again(nullptr, {kRussian, kLithuanian});
    QTimer::singleShot(0, &again, [&] { QTest::mouseClick(again.Button1, Qt::LeftButton); });
    QTimer::singleShot(10000, &again, [&] { again.done(-1); });
    EXPECT_EQ(again.exec(), QDialog::Accepted);
    EXPECT_EQ(again.ChosenIndex(), 0);
}

}  // namespace
