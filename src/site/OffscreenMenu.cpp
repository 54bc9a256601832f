#include "site/OffscreenMenu.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

#include "archive/ZipGrFile.h"
#include "controls/Banner.h"
#include "controls/Label.h"
#include "controls/SkinButtons.h"
#include "controls/StringGrid.h"
#include "platform/DiscText.h"

namespace {

// The main window's colour where no picture covers it, as the window system writes it (0x00BBGGRR).
constexpr unsigned kBackgroundColour = 0x9AAE9E;
// Where the banners' random choices start.
constexpr unsigned kBannerSeed = 1;

void SendKey(QWidget& widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

}  // namespace

void ClickWidget(QWidget& widget, QPoint point)
{
    const QPointF local(point);
    const QPointF global(widget.mapToGlobal(point));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

OffscreenMenu::OffscreenMenu(Application& app, const PathResolver& resolver, const Inf_shell& description)
    : resolver_(resolver), window_(std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint))
{
    // The main window as the menu makes it: a fixed client area in its own colour and the skin's font.
    QWidget& window = *window_;
    window.setFixedSize(kWidth, kHeight);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(static_cast<int>(kBackgroundColour & 0xFF),
                                              static_cast<int>((kBackgroundColour >> 8) & 0xFF),
                                              static_cast<int>((kBackgroundColour >> 16) & 0xFF)));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setFont(FormFont(QStringLiteral("Tahoma")));
    back_ = new TImage(&window);
    min_ = new TImgBtn(&window);
    close_ = new TImgBtn(&window);
    // Nothing to minimise or close offscreen; the buttons answer the mouse as the menu's do.
    min_->OnClick = [](QObject*) {};
    close_->OnClick = [](QObject*) {};

    ProgramRandom().seed(kBannerSeed);
    ZipGrFile archive(app, resolver);
    SetupImage(*back_, &window, description.cd.window.back, archive);
    SetupImageButton(*min_, &window, description.cd.window.min_btn, archive);
    SetupImageButton(*close_, &window, description.cd.window.close_btn, archive);
    back_->lower();
    sounder_.sound_ok = false;
    options_ = std::make_unique<TOptionsForm>(&window, description.cd.opts_window, sounder_, sound_, resolver, archive);
    const ElementContext context{&window, archive, resolver, sound_, sounder_, app, opener_, decoder_, sequencer_};
    shell_ = std::make_unique<ZUL_shell>(context, description, [](QObject*) {});
    // The advertisements stay as drawn while the states are drawn (the windows drawn modally run
    // the event loop, where the banners' timers would change them); the page changes them itself.
    for (Banner* banner : {shell_->Side().PanelBanner(), shell_->MainBanner()})
        if (banner != nullptr)
            banner->StopChanging();
    archive.Close();
    window.setWindowTitle(DiscText(description.cd.title));
    window.show();
}

OffscreenMenu::~OffscreenMenu()
{
    shell_.reset();
    options_.reset();
}

void OffscreenMenu::ClickTab(int tab)
{
    const auto& buttons = shell_->Side().Buttons();
    if (tab >= 0 && static_cast<std::size_t>(tab) < buttons.size())
        buttons[static_cast<std::size_t>(tab)]->PressAndRelease();
}

void OffscreenMenu::ClickSub(int sub)
{
    const TopPanel& top = shell_->Top();
    const auto& rows = top.Rows();
    if (top.Row() < 0 || static_cast<std::size_t>(top.Row()) >= rows.size())
        return;
    const auto& row = rows[static_cast<std::size_t>(top.Row())];
    if (sub >= 0 && static_cast<std::size_t>(sub) < row.size())
        row[static_cast<std::size_t>(sub)]->PressAndRelease();
}

void OffscreenMenu::SelectRow(int row)
{
    const MainFrame& frame = shell_->Frame();
    if (!frame.HasSubTabs())
        return;
    TStringGrid& list = *frame.View(frame.Tab(), frame.Sub()).list;
    if (row < 0 || row >= list.RowCount())
        return;
    const QRect cell = list.CellRect(0, row);
    if (!cell.isEmpty()) {
        ClickWidget(*list.viewport(), cell.center());
        return;
    }
    // Out of view: the list's own keys bring it, one row at a time.
    for (int guard = list.RowCount(); list.Row() != row && guard > 0; --guard)
        SendKey(list, list.Row() < row ? Qt::Key_Down : Qt::Key_Up);
}

void OffscreenMenu::ClickEntry()
{
    MainFrame& frame = shell_->Frame();
    if (frame.InfoBox().Shown()) {
        ClickWidget(*frame.InfoBox().Title(), QPoint(1, 1));
        return;
    }
    if (frame.HasSubTabs())
        ClickWidget(frame.View(frame.Tab(), frame.Sub()).L(1), QPoint(1, 1));
}

void OffscreenMenu::ClickNext()
{
    if (shell_->Frame().Kind() == 1)
        shell_->MusicControls().NextButton()->PressAndRelease();
    else
        shell_->Controls().Button(3)->PressAndRelease();
}

void OffscreenMenu::ClickPrevious()
{
    if (shell_->Frame().Kind() == 1)
        shell_->MusicControls().PreviousButton()->PressAndRelease();
    else
        shell_->Controls().Button(0)->PressAndRelease();
}

void OffscreenMenu::ClickPlay()
{
    shell_->MusicControls().PlayButton()->PressAndRelease();
}

void OffscreenMenu::SetTimeLeft(int left_ms)
{
    sequencer_.length_ = left_ms;
    shell_->Music().ClockTick();
}

QImage OffscreenMenu::Grab() const
{
    return window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
