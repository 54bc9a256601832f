#include "windows/Im_view.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <memory>
#include <utility>

#include "controls/Label.h"
#include "pictures/Picture.h"
#include "pictures/PictureFile.h"
#include "platform/Cursors.h"
#include "platform/DiscText.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"

namespace {

// Half of `value`, rounded down (also below zero).
int FloorHalf(int value)
{
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

}  // namespace

TImageView::TImageView(QWidget* owner, const SoundFile& picture_sound, const Sounder& sounder,
                       SoundOutput& output, PathResolver resolver)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      Image1(new TImage(this)),
      sounder_(sounder),
      picture_sound_(picture_sound),
      output_(output),
      resolver_(std::move(resolver))
{
    setModal(true);
    // Closing the viewer must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("image"));
    setFont(FormFont(QStringLiteral("MS Sans Serif")));
    setFixedSize(688, 453);
    setCursor(ScreenCursor(kMainCursorSlot));

    Image1->move(0, 0);
    Image1->SetAutoSize(true);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->OnClick = [this](QObject*) { Image1Click(); };
    // The context menu request: the right button released on the picture.
    Image1->OnMouseUp = [this](QEvent& message) {
        const auto& mouse = static_cast<const QMouseEvent&>(message);
        if (mouse.button() == Qt::RightButton && Image1->rect().contains(mouse.position().toPoint()))
            Image1ContextPopup();
    };
}

QRect TImageView::Desktop() const
{
    if (desktop_)
        return *desktop_;
    QRect spanned;
    for (const QScreen* screen : QGuiApplication::screens())
        spanned = spanned.united(screen->geometry());
    return spanned.isEmpty() ? QRect(0, 0, 640, 480) : spanned;
}

void TImageView::ShowList(const std::vector<PicPair>& pictures, unsigned start)
{
    if (pictures.empty())
        return;
    pictures_ = &pictures;
    // The list is the caller's: it is not looked at once the window has closed.
    struct Release {
        const std::vector<PicPair>** list;
        ~Release() { *list = nullptr; }
    } release{&pictures_};
    index_ = start < pictures.size() ? start : 0;
    ShowPicture(pictures[index_].pic);
    exec();
}

void TImageView::ShowPicture(const std::string& path)
{
    if (shown_ && path == last_loaded_path_)
        return;
    PlayEventSound(output_, sounder_, picture_sound_);
    // Loaded aside first: a picture that fails leaves the shown one as it is.
    const std::unique_ptr<Picture> picture = LoadPictureFile(resolver_, path);
    Image1->ShowPicture(picture->ToPixmap());
    Place(QSize(picture->Width(), picture->Height()));
    shown_ = true;
    last_loaded_path_ = path;
    setWindowTitle(DiscText(path) + QStringLiteral(" (%1/%2)").arg(index_ + 1).arg(Count()));
}

QMargins TImageView::Frame() const
{
    return windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
}

void TImageView::Place(QSize picture)
{
    const QRect desktop = Desktop();
    const QMargins frame = Frame();
    placed_picture_ = picture;
    placed_frame_ = frame;
    const int frame_width = frame.left() + frame.right();
    const int frame_height = frame.top() + frame.bottom();
    // A picture too large for the desktop gets a window as wide as the desktop and one pixel
    // less high; it is cut off at the window's edges.
    const int client_width =
        picture.width() < desktop.width() - 6 ? picture.width() : desktop.width() - frame_width;
    const int client_height = picture.height() < desktop.height() - 8
                                  ? picture.height()
                                  : desktop.height() - 1 - frame_height;
    setFixedSize(std::max(client_width, 1), std::max(client_height, 1));
    const int outer_width = width() + frame_width;
    const int outer_height = height() + frame_height;
    const QPoint place(desktop.left() + FloorHalf(desktop.width() - outer_width),
                       desktop.top() + FloorHalf(desktop.height() - outer_height));
    // The frame goes there. Once the window exists, through the window itself: moving the
    // widget would reckon with the frame Qt knew before the window system framed it.
    if (windowHandle() != nullptr)
        windowHandle()->setFramePosition(place);
    else
        move(place);
}

void TImageView::Go(unsigned index)
{
    index_ = index;
    ShowPicture(pictures_->at(index_).pic);
}

void TImageView::Next()
{
    const std::size_t count = Count();
    if (count == 0)
        return;
    if (index_ + std::size_t{1} >= count)
        close();
    else
        Go(index_ + 1);
}

void TImageView::Previous()
{
    if (Count() != 0 && index_ > 0)
        Go(index_ - 1);
}

void TImageView::First()
{
    if (Count() != 0 && index_ != 0)
        Go(0);
}

void TImageView::Last()
{
    const std::size_t count = Count();
    if (count != 0 && index_ + std::size_t{1} != count)
        Go(static_cast<unsigned>(count - 1));
}

void TImageView::Image1Click()
{
    Next();
}

void TImageView::Image1ContextPopup()
{
    close();
}

void TImageView::FormKeyUp(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_PageDown: Next(); break;
    case Qt::Key_PageUp: Previous(); break;
    case Qt::Key_Home: First(); break;
    case Qt::Key_End: Last(); break;
    case Qt::Key_Escape: close(); break;
    default: break;
    }
}

void TImageView::FormClose()
{
    // The next use shows its first picture afresh, even the same file.
    shown_ = false;
}

void TImageView::done(int result)
{
    FormClose();
    QDialog::done(result);
}

bool TImageView::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    // The window system frames the window only once it is on the screen, after the picture was
    // placed, and says so by no event of its own (the window need not even move): whatever
    // comes first once the frame is known (most often the window's first painting in it), the
    // window is placed again by its outer size.
    if (isVisible() && placed_picture_.isValid() && Frame() != placed_frame_)
        Place(placed_picture_);
    return handled;
}

void TImageView::keyPressEvent(QKeyEvent* event)
{
    // Keys act on release: Esc must not end the window on its press.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TImageView::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
    // Holding a key down repeats press and release pairs: only the real release counts.
    if (event->isAutoRepeat())
        return;
    const int key = event->key();
    GuardEvent([&] { FormKeyUp(key); });
}

void TImageView::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}
