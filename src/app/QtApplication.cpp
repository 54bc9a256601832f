#include "app/QtApplication.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

#include "platform/EventErrors.h"
#include "windows/MessageBoxForm.h"
#include "windows/Wpform.h"

ZulApplication::ZulApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZulApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
        return true;
    }
}

QtApplication::QtApplication()
{
    SetEventErrorHandler([this](const std::string& text) { ErrorReport(text, title_); });
}

QtApplication::~QtApplication()
{
    SetEventErrorHandler({});
}

void QtApplication::SetTitle(const std::string& title)
{
    // Kept for the boxes that show under the application's title. It is not made Qt's display
    // name, which the platform would append to the caption of every window and box.
    title_ = title;
}

void QtApplication::Terminate(int exit_code)
{
    terminate_requested_ = true;
    terminate_code_ = exit_code;
    if (running_)
        QCoreApplication::exit(exit_code);
}

int QtApplication::Exec()
{
    if (terminate_requested_)
        return terminate_code_;
    running_ = true;
    const int code = QApplication::exec();
    running_ = false;
    return code;
}

void QtApplication::Halt(int exit_code)
{
    std::fflush(nullptr);
    _exit(exit_code);
}

MsgResult QtApplication::ShowMessageBox(const std::string& text, const std::string& caption,
                                        MsgButtons buttons)
{
    QMessageBox box;
    SetUpMessageBox(box, text, caption, buttons);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // A compositor knows no "stays on top": the box is tied to the window the reader is on, which
    // keeps it above that window (and above the full-screen wallpaper the menu is tied to).
    if (InWaylandSession()) {
        QWidget* owner = QApplication::activeModalWidget();
        if (owner == nullptr)
            owner = QApplication::activeWindow();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (owner == nullptr && window->isVisible() && window->windowHandle() != nullptr &&
                window->windowHandle()->transientParent() != nullptr)
                owner = window;
        }
        if (owner != nullptr && owner->windowHandle() != nullptr) {
            box.winId();
            box.windowHandle()->setTransientParent(owner->windowHandle());
        }
    }
    return MessageBoxAnswer(box.exec(), buttons);
}

bool RegisterSkinFonts()
{
    bool any = false;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        any = QFontDatabase::addApplicationFont(QString::fromUtf8(file)) >= 0 || any;
    // MS Sans Serif comes as pictures of its letters at three sizes only, which cannot be drawn
    // larger: on a screen drawn larger than the skin's pixels its letters would stand apart at
    // their small size. There Tahoma, its scalable successor, stands in for it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr && screen->devicePixelRatio() > 1.0) {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
        return any;
    }
    return QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf")) >= 0 ||
           any;
}

void PaintProgramIcon(QPainter& painter, int size)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x20, 0x40, 0x48);
    painter.setBrush(QColor(0xE8, 0xA8, 0x30));
    painter.setPen(QPen(ink, size / 16.0));
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    // The letter is filled as an outline, centred as a line of text would be: a scalable copy of
    // the icon then needs no font where it is shown.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(size * 2 / 3);
    const QFontMetricsF metrics(font);
    const QString letter = QStringLiteral("Z");
    const qreal x = (size - metrics.horizontalAdvance(letter)) / 2;
    const qreal baseline = (size - (metrics.ascent() + metrics.descent())) / 2 + metrics.ascent();
    QPainterPath outline;
    outline.addText(QPointF(x, baseline), font, letter);
    painter.fillPath(outline, ink);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        PaintProgramIcon(painter, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
