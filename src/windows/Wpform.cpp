#include "windows/Wpform.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHideEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <utility>

#include "pictures/Picture.h"
#include "pictures/PictureFile.h"
#include "platform/EventErrors.h"

DesktopFacts DesktopFacts::PrimaryScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return {screen->geometry(), screen->depth()};
}

int WallpaperInterval(std::int32_t seconds)
{
    if (seconds <= 0)
        return 0;
    const std::int64_t ms = std::int64_t{seconds} * 1000;
    return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

std::size_t RandomPictureIndex(std::time_t seconds, std::size_t count)
{
    if (count == 0)
        return 0;
    // A generator seeded afresh from the second: every pick within one second is the same.
    std::mt19937 generator(static_cast<std::mt19937::result_type>(seconds));
    return generator() % count;
}

bool InWaylandSession()
{
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        return true;
    return QGuiApplication::platformName() == QStringLiteral("xcb") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void KeepAboveWallpaper(QWidget* window, QWidget* wallpaper)
{
    if (window == nullptr || wallpaper == nullptr || !InWaylandSession())
        return;
    // A dialog of the wallpaper: X11 ties only dialogs, splashes and the like to their parent
    // (WM_TRANSIENT_FOR), and it leaves a splash's decoration to the window manager, which a
    // compositor then draws; a dialog without a frame has none.
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Window || type == Qt::SplashScreen)
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    window->winId();
    wallpaper->winId();
    if (window->windowHandle() != nullptr)
        window->windowHandle()->setTransientParent(wallpaper->windowHandle());
}

QWidgetList VisibleModalWindows()
{
    QWidgetList modal;
    QWidget* active = QApplication::activeModalWidget();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != active && window->isVisible() && window->isModal())
            modal.append(window);
    }
    if (active != nullptr && active->isVisible())
        modal.append(active);
    return modal;
}

std::vector<QWidget*> WindowsToRaise(QWidget* main_window, const QWidgetList& modal_windows)
{
    std::vector<QWidget*> order;
    if (main_window == nullptr || !main_window->isVisible() || main_window->isMinimized())
        return order;
    order.push_back(main_window);
    for (QWidget* window : modal_windows) {
        if (window != nullptr && window != main_window)
            order.push_back(window);
    }
    return order;
}

void KeepMenuInFront(QWidget* main_window)
{
    const std::vector<QWidget*> order = WindowsToRaise(main_window, VisibleModalWindows());
    for (QWidget* window : order)
        window->raise();
    if (!order.empty())
        order.back()->activateWindow();
}

TWPForm::TWPForm(QWidget* menu, const WPs_inf& initial, const PathResolver& resolver,
                 DesktopFacts desktop)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint),
      main_window(menu),
      bits_per_pixel(desktop.depth),
      Timer1(new QTimer(this)),
      resolver_(resolver),
      desktop_(desktop),
      clock_([] { return std::time(nullptr); })
{
    // The wallpaper is not one of the program's windows as far as ending it goes.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    // The whole desktop but its last row of pixels.
    setGeometry(desktop_.geometry.left(), desktop_.geometry.top(), desktop_.geometry.width(),
                std::max(desktop_.geometry.height() - 1, 0));
    // A compositor tiles and frames a window as it likes: one of a fixed size floats where it asks
    // to be, undecorated when it draws no frame.
    if (InWaylandSession()) {
        setGeometry(desktop_.geometry);
        setFixedSize(desktop_.geometry.size());
    }

    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    SetWallpapers(initial);
}

TWPForm::~TWPForm() = default;

void TWPForm::SetWallpapers(const WPs_inf& set)
{
    if (&set != &wallpapers)
        wallpapers = set;
    available = bits_per_pixel > 8 && !old_system && !wallpapers.dirs.empty() &&
                desktop_.geometry.width() > 640;
    if (!available)
        return;
    interval_ms_ = WallpaperInterval(wallpapers.time);
    UpdateTimer();
    // The lists are made afresh, one per folder of this set, so that they always match its
    // folders.
    files.clear();
    for (const std::string& dir : wallpapers.dirs)
        files.push_back(FindFiles(resolver_, dir + "*.jpg"));
}

void TWPForm::ShowFolder(int index)
{
    if (!available || index < 0 || static_cast<std::size_t>(index) >= files.size())
        return;
    folder_index = index;
    ShowRandom();
}

void TWPForm::ShowRandom()
{
    if (!available)
        return;
    const bool listed = folder_index >= 0 && static_cast<std::size_t>(folder_index) < files.size() &&
                        static_cast<std::size_t>(folder_index) < wallpapers.dirs.size();
    const std::vector<std::string> none;
    const std::vector<std::string>& names = listed ? files[folder_index] : none;
    const std::size_t k = RandomPictureIndex(clock_(), names.size());
    if (names.empty()) {
        // Nothing to show in this folder: black.
        Image1 = QPixmap();
        current_file_.clear();
        update();
        return;
    }
    const std::string path = wallpapers.dirs[folder_index] + names[k];
    // Loaded aside first: a picture that fails leaves the shown one as it is.
    const std::unique_ptr<Picture> picture = LoadPictureFile(resolver_, path);
    Image1 = picture->ToPixmap();
    current_file_ = path;
    update();
}

void TWPForm::FormShow()
{
    GuardEvent([this] {
        ShowRandom();
        timer_enabled_ = true;
        UpdateTimer();
    });
}

void TWPForm::FormHide()
{
    timer_enabled_ = false;
    UpdateTimer();
}

void TWPForm::Timer1Timer()
{
    GuardEvent([this] { ShowRandom(); });
}

void TWPForm::FormActivate()
{
    KeepMenuInFront(main_window);
    // A compositor raises the window it activates (the wallpaper as it comes back, or when it is
    // clicked) and takes no request to raise another: the menu comes back in front, and gets the
    // keyboard, by being shown anew. Not while a window of the menu waits for an answer: the
    // wallpaper takes no input then.
    // A click waits for its release, on whichever window it ends (the press on the menu that
    // brings the wallpaper back ends on the menu): the menu hidden under the pressed button would
    // leave the press without its release, and the menu's next press would count for nothing.
    if (InWaylandSession()) {
        if (QGuiApplication::mouseButtons() != Qt::NoButton) {
            if (!menu_anew_on_release_)
                qApp->installEventFilter(this);
            menu_anew_on_release_ = true;
        } else {
            ShowMenuAnew();
        }
    }
}

bool TWPForm::eventFilter(QObject* watched, QEvent* event)
{
    // The release is handled once it has reached its window.
    if (event->type() == QEvent::MouseButtonRelease && menu_anew_on_release_) {
        menu_anew_on_release_ = false;
        qApp->removeEventFilter(this);
        QMetaObject::invokeMethod(this, [this] { ShowMenuAnew(); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void TWPForm::ShowMenuAnew()
{
    menu_anew_on_release_ = false;
    if (main_window == nullptr || !main_window->isVisible() || main_window->isMinimized() ||
        QApplication::activeModalWidget() != nullptr)
        return;
    main_window->hide();
    KeepAboveWallpaper(main_window, this);
    main_window->show();
}

void TWPForm::TakeClicksInCornerOnly()
{
    // On Wayland a window's mask is the part of it that takes the pointer (its input region); it
    // does not clip what is drawn. An empty mask would mean the whole window.
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland")) && windowHandle() != nullptr)
        windowHandle()->setMask(QRegion(width() - 1, height() - 1, 1, 1));
}

void TWPForm::PaintBox1Paint(QPainter& painter)
{
    if (Image1.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setBrushOrigin(0, 0);
    painter.fillRect(rect(), QBrush(Image1));
}

void TWPForm::UpdateTimer()
{
    if (timer_enabled_ && interval_ms_ > 0) {
        // A new interval restarts a running timer; an unchanged one keeps its count.
        if (!Timer1->isActive() || Timer1->interval() != interval_ms_)
            Timer1->start(interval_ms_);
    } else {
        Timer1->stop();
        Timer1->setInterval(interval_ms_);
    }
}

void TWPForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window's surface exists once it is shown.
    QMetaObject::invokeMethod(this, [this] { TakeClicksInCornerOnly(); }, Qt::QueuedConnection);
    // Coming back from minimised is not a new show.
    if (event->spontaneous())
        return;
    FormShow();
    // The window is mapped after this event: the menu is raised once that has happened.
    QMetaObject::invokeMethod(this, [this] { KeepMenuInFront(main_window); }, Qt::QueuedConnection);
}

void TWPForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    FormHide();
}

void TWPForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintBox1Paint(painter);
}

bool TWPForm::event(QEvent* event)
{
    // A compositor may give the keyboard to the full-screen wallpaper and keep it there (sway gives
    // none to a window that comes up over a full-screen one, and takes no request for it): what the
    // reader types goes on to the menu, as if it had the keyboard.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && main_window != nullptr &&
        main_window->isVisible()) {
        QWidget* target = main_window->focusWidget();
        return QCoreApplication::sendEvent(target != nullptr ? target : main_window.data(), event);
    }
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return handled;
}
