// The splash window: a borderless picture on top of everything while the disc's description is
// loaded. It paints itself as soon as it is shown (the event loop does not run during loading),
// hides when clicked, and after its timer has run out stops all event sound and removes itself.
// An animated GIF plays while the event loop runs.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

#include "disc/PathResolver.h"
#include "sound/Sounds.h"

class TSplashForm : public QWidget {
public:
    static constexpr int kDefaultInterval = 5000;  // ms the splash stays

    // Loads the picture a disc path names (any picture kind the picture layer knows, by
    // extension) and places the window, sized to the picture, in the middle of the desktop.
    // Throws PictureError when the file is missing or is not a picture that decodes. `sound` must
    // outlive the window; `interval_ms` is the life of the splash.
    TSplashForm(QWidget* owner, const PathResolver& resolver, const std::string& picture_path,
                SoundOutput& sound, int interval_ms = kDefaultInterval);

    // Hides the window; the timer still runs.
    void Image1Click();
    // Stops every event sound, closes the window and has it destroyed.
    void Timer1Timer();

    // How long an animation frame with the stored delay stays: a delay of 0 or 10 ms is shown as
    // 100 ms, as web browsers do, since such files were made for them.
    static int ShownFrameDelay(int stored_delay_ms);

    int FrameIndex() const { return frame_index_; }
    bool Animated() const { return frames_.size() > 1; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    // How long frame `index` stays, in ms, as shown (0 for a still picture).
    int FrameDelay(int index) const { return delays_[static_cast<std::size_t>(index)]; }
    // The runs of the animation still to show, all of them until it starts; negative: for ever.
    int RunsLeft() const { return passes_left_; }
    // Shows frame `index` at once, so that each frame can be drawn as the window draws it.
    void ShowFrame(int index);

    QLabel* Image1;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void NextFrame();

    SoundOutput& sound_;
    std::vector<QPixmap> frames_;
    std::vector<int> delays_;
    int frame_index_ = 0;
    bool pressed_ = false;  // the left button went down on the splash
    int passes_left_ = 0;  // whole runs of the animation still to show; negative: for ever
    QTimer* frame_timer_;
};
