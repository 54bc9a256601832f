#include "windows/Setupwin.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "controls/Label.h"
#include "platform/Cursors.h"
#include "platform/DiscText.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"

namespace {

constexpr int kClientWidth = 585;
constexpr int kClientHeight = 109;
constexpr int kStatusBarHeight = 19;

}  // namespace

Tsetup_win::Tsetup_win(QWidget* owner, const std::vector<string_pair>& setups,
                       const std::string& number_header, const std::string& file_header,
                       const std::string& description_header, const std::string& run_caption,
                       const std::string& close_caption, Opener& opener)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      StringGrid1(new TStringGrid(this)),
      RunBtn(new QPushButton(this)),
      CloseBtn(new QPushButton(this)),
      StatusBar1(new QStatusBar(this)),
      setups_(setups),
      opener_(opener)
{
    setModal(true);
    // Closing this window must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QString());
    setFont(FormFont(QStringLiteral("Tahoma")));
    setFixedSize(kClientWidth, kClientHeight);
    setCursor(ScreenCursor(kMainCursorSlot));

    StringGrid1->setGeometry(8, 8, 481, 73);
    StringGrid1->SetColCount(3);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetColWidth(0, 31);
    StringGrid1->SetColWidth(1, 139);
    StringGrid1->SetColWidth(2, 354);
    StringGrid1->SetDefaultRowHeight(16);
    StringGrid1->SetRowSelect(true);
    StringGrid1->SetGridLines(true);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    TFont grid_font;  // Tahoma, 8 points, in the language's character set
    grid_font.name = QStringLiteral("Tahoma");
    grid_font.height = -11;
    grid_font.charset = current_charset;
    StringGrid1->SetFont(grid_font);

    StringGrid1->SetCell(0, 0, number_header);
    StringGrid1->SetCell(1, 0, file_header);
    StringGrid1->SetCell(2, 0, description_header);

    RunBtn->setGeometry(504, 8, 75, 25);
    RunBtn->setText(DiscText(run_caption));
    CloseBtn->setGeometry(504, 40, 75, 25);
    CloseBtn->setText(DiscText(close_caption));

    StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    StatusBar1->setSizeGripEnabled(false);

    StringGrid1->SetRowCount(static_cast<int>(setups_.size()) + 1);
    for (std::size_t i = 0; i < setups_.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        StringGrid1->SetCell(0, row, std::to_string(i + 1));
        StringGrid1->SetCell(1, row, FileNamePart(setups_[i].first));
        StringGrid1->SetCell(2, row, setups_[i].second);
    }
    if (!setups_.empty())
        SelectSetup(0);

    StringGrid1->OnSelectCell = [this](int col, int row, bool& can_select) {
        GuardEvent([&] { StringGrid1SelectCell(col, row, can_select); });
    };
    StringGrid1->OnDblClick = [this](QObject*) { GuardEvent([&] { StringGrid1DblClick(); }); };
    StringGrid1->OnKeyUp = [this](int key) { GuardEvent([&] { StringGrid1KeyUp(key); }); };
    connect(RunBtn, &QPushButton::clicked, this, [this] { GuardEvent([&] { RunBtnClick(); }); });
    connect(CloseBtn, &QPushButton::clicked, this, [this] { GuardEvent([&] { CloseBtnClick(); }); });
    CloseBtn->setFocus();
}

std::string Tsetup_win::FileNamePart(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Tsetup_win::SelectSetup(std::size_t index)
{
    selected_path_ = setups_[index].first;
    StatusBar1->showMessage(DiscText(selected_path_));
}

void Tsetup_win::RunBtnClick()
{
    if (selected_path_.empty())
        return;
    // The opener reports its own failures; the window stays open for the next start.
    opener_.Open(selected_path_);
}

void Tsetup_win::CloseBtnClick()
{
    close();
}

void Tsetup_win::StringGrid1DblClick()
{
    RunBtnClick();
}

void Tsetup_win::StringGrid1KeyUp(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        RunBtnClick();
}

void Tsetup_win::StringGrid1SelectCell(int, int row, bool& can_select)
{
    // A row the list does not have (the list is the caller's) is refused like a folder's.
    const bool known = row >= 1 && static_cast<std::size_t>(row) <= setups_.size();
    if (!known || StringGrid1->Cell(1, row).empty()) {
        can_select = false;
        return;
    }
    can_select = true;
    SelectSetup(static_cast<std::size_t>(row) - 1);
}

void Tsetup_win::showEvent(QShowEvent* event)
{
    // Centred over the main window (over the screen when there is none).
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area = owner ? owner->frameGeometry() : QRect();
    if (!owner) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        area = screen ? screen->geometry() : QRect(0, 0, width(), height());
    }
    const QSize outer = frameGeometry().size();
    move(area.left() + (area.width() - outer.width()) / 2,
         area.top() + (area.height() - outer.height()) / 2);
    QDialog::showEvent(event);
    CloseBtn->setFocus();
}

void Tsetup_win::keyPressEvent(QKeyEvent* event)
{
    // CloseBtn is the window's cancel button: Esc presses it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        CloseBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
