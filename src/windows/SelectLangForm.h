// The language dialog: when the disc carries scripts for several languages, the user picks the
// language of the menu here, once, at start. Russian is offered first choice.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <vector>

#include "model/Language.h"

class TSelectLangForm : public QDialog {
public:
    TSelectLangForm(QWidget* owner, const std::vector<lang_inf>& languages);

    // The position of the language with the code "ru" (the last one, if several); 0 when none.
    static int PreselectedIndex(const std::vector<lang_inf>& languages);

    // The language the combo box shows: the user's choice once the dialog has ended.
    int ChosenIndex() const { return ComboBox1->currentIndex(); }

    void Button1Click();

    QLabel* Label1;
    QComboBox* ComboBox1;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
