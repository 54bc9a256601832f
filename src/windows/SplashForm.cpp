#include "windows/SplashForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <memory>
#include <system_error>

#include "controls/Label.h"
#include "pictures/Picture.h"
#include "pictures/PictureFile.h"

TSplashForm::TSplashForm(QWidget* owner, const PathResolver& resolver,
                         const std::string& picture_path, SoundOutput& sound, int interval_ms)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Image1(new QLabel(this)),
      Timer1(new QTimer(this)),
      sound_(sound),
      frame_timer_(new QTimer(this))
{
    // The splash going away must never end the program, whatever else is on screen then.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(FormFont(QStringLiteral("MS Sans Serif")));

    const std::unique_ptr<Picture> picture = LoadPictureFile(resolver, picture_path);
    frames_.push_back(picture->ToPixmap());
    delays_.push_back(0);
    if (const auto* gif = dynamic_cast<const GifPicture*>(picture.get()); gif && gif->FrameCount() > 1) {
        try {
            std::vector<GifFrame> frames = gif->Frames();
            frames_.clear();
            delays_.clear();
            // Each frame is handed over as it is converted, so that the frames are not held
            // twice over.
            for (GifFrame& frame : frames) {
                frames_.push_back(QPixmap::fromImage(std::move(frame.image)));
                frame.image = QImage();
                delays_.push_back(ShownFrameDelay(frame.delay_ms));
            }
            // No loop count: one run; 0: for ever; n: the first run and n more.
            passes_left_ = gif->LoopCount() < 0 ? 1 : gif->LoopCount() == 0 ? -1 : gif->LoopCount() + 1;
        } catch (const PictureError&) {
            // Too big to animate: the first frame stays, as for a still picture.
        }
    }

    // Image1 fills the window and leaves the clicks to it.
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->setPixmap(frames_.front());
    Image1->setGeometry(0, 0, picture->Width(), picture->Height());
    setFixedSize(picture->Width(), picture->Height());

    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    // Integer division rounds the halves toward zero, also for a picture larger than the desktop.
    move(desktop.left() + (desktop.width() - width()) / 2,
         desktop.top() + (desktop.height() - height()) / 2);

    Timer1->setInterval(interval_ms);
    connect(Timer1, &QTimer::timeout, this, &TSplashForm::Timer1Timer);
    Timer1->start();

    frame_timer_->setSingleShot(true);
    connect(frame_timer_, &QTimer::timeout, this, &TSplashForm::NextFrame);
    if (Animated())
        frame_timer_->start(delays_.front());
}

int TSplashForm::ShownFrameDelay(int stored_delay_ms)
{
    return stored_delay_ms <= 10 ? 100 : stored_delay_ms;
}

void TSplashForm::NextFrame()
{
    const int count = static_cast<int>(frames_.size());
    if (frame_index_ + 1 == count) {
        if (passes_left_ > 0 && --passes_left_ == 0)
            return;  // the last run ends on its last frame
        frame_index_ = 0;
    } else {
        ++frame_index_;
    }
    Image1->setPixmap(frames_[static_cast<std::size_t>(frame_index_)]);
    frame_timer_->start(delays_[static_cast<std::size_t>(frame_index_)]);
}

void TSplashForm::ShowFrame(int index)
{
    if (index < 0 || index >= FrameCount())
        return;
    frame_index_ = index;
    Image1->setPixmap(frames_[static_cast<std::size_t>(index)]);
}

void TSplashForm::Image1Click()
{
    hide();
}

void TSplashForm::Timer1Timer()
{
    Timer1->stop();
    frame_timer_->stop();
    sound_.StopAll();
    close();
    deleteLater();
}

void TSplashForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    repaint();
}

void TSplashForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        repaint();
}

void TSplashForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void TSplashForm::mouseReleaseEvent(QMouseEvent* event)
{
    // A click: the left button pressed on the picture and released on it.
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        Image1Click();
}
