#include "windows/SelectLangForm.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "controls/Label.h"
#include "platform/DiscText.h"

TSelectLangForm::TSelectLangForm(QWidget* owner, const std::vector<lang_inf>& languages)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                         Qt::WindowStaysOnTopHint),
      Label1(new QLabel(this)),
      ComboBox1(new QComboBox(this)),
      Button1(new QPushButton(this))
{
    setModal(true);
    setWindowTitle(".ZUL CD");
    setFont(FormFont(QStringLiteral("MS Sans Serif")));
    setFixedSize(280, 59);

    Label1->setGeometry(0, 0, 280, 13);
    Label1->setText("Select language");
    Label1->setAlignment(Qt::AlignCenter);

    ComboBox1->setGeometry(16, 24, 145, 21);
    ComboBox1->setEditable(false);
    for (const lang_inf& language : languages)
        ComboBox1->addItem(DiscText(language.name, language.charset));
    ComboBox1->setCurrentIndex(languages.empty() ? -1 : PreselectedIndex(languages));

    Button1->setGeometry(184, 21, 75, 25);
    Button1->setText("&OK");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TSelectLangForm::Button1Click);
    Button1->setFocus();

    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    move(desktop.left() + (desktop.width() - width()) / 2,
         desktop.top() + (desktop.height() - height()) / 2);
}

int TSelectLangForm::PreselectedIndex(const std::vector<lang_inf>& languages)
{
    int preselected = 0;
    for (std::size_t i = 0; i < languages.size(); ++i)
        if (languages[i].code == "ru")
            preselected = static_cast<int>(i);
    return preselected;
}

void TSelectLangForm::Button1Click()
{
    accept();
}

void TSelectLangForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Button1->setFocus();
}

void TSelectLangForm::keyPressEvent(QKeyEvent* event)
{
    // The dialog has no cancel: Escape does not end it, only the button does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
