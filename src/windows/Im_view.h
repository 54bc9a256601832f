// The picture viewer: a modal tool window that shows the full-size pictures of a software entry
// one at a time, sized to the picture and centred on the desktop, with the picture's path and
// place in the list ("(3/5)") in its caption. A left click or Enter, Space or Page Down goes on
// (closing the window after the last picture); Page Up goes back, Home and End go to the first
// and last picture; a right click or Esc closes it. Keys act on release.
#pragma once

#include <QDialog>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>
#include <string>
#include <vector>

#include "controls/Zulwid.h"
#include "disc/PathResolver.h"
#include "model/Catalogue.h"
#include "sound/Sounds.h"

class QCloseEvent;
class QKeyEvent;

class TImageView : public QDialog {
public:
    // Pictures are files of the disc found through `resolver`; `picture_sound` plays on `output`
    // whenever a new picture is shown, as `sounder` allows. The three references must outlive
    // the viewer.
    TImageView(QWidget* owner, const SoundFile& picture_sound, const Sounder& sounder,
               SoundOutput& output, PathResolver resolver);

    // Shows the `pic` of element `start` of `pictures` (the first when `start` is beyond the list)
    // and then the window, modally; returns when it closes. The list is kept by reference while
    // the window is open. A picture that cannot be loaded throws PictureError and the window is
    // not shown. An empty list shows nothing.
    void ShowList(const std::vector<PicPair>& pictures, unsigned start);
    void ShowList(std::vector<PicPair>&&, unsigned) = delete;

    // Loads and shows the picture file `path` names, unless it is the one already shown; sizes
    // and centres the window and names the picture in the caption. Throws PictureError; the
    // window then keeps its size, caption and picture.
    void ShowPicture(const std::string& path);

    // Stepping through the list; each throws as ShowPicture does.
    void Next();      // after the last picture, closes the window
    void Previous();  // nothing on the first picture
    void First();     // nothing on the first picture
    void Last();      // nothing on the last picture

    // The event handlers: left click, right click, key release (a Qt key code), closing.
    void Image1Click();
    void Image1ContextPopup();
    void FormKeyUp(int key);
    void FormClose();

    // Every way of ending the modal loop counts as closing the window.
    void done(int result) override;

    // The area the window is sized to and centred in: the area spanned by all screens unless
    // one is set.
    QRect Desktop() const;
    void SetDesktop(std::optional<QRect> desktop) { desktop_ = desktop; }

    bool Shown() const { return shown_; }
    unsigned CurrentIndex() const { return index_; }
    // The path of the picture loaded last by any viewer.
    static const std::string& LastLoadedPath() { return last_loaded_path_; }

    TImage* Image1;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::size_t Count() const { return pictures_ ? pictures_->size() : 0; }
    // Makes `index` current and shows its picture.
    void Go(unsigned index);
    // Sets the window's size from the picture's and centres it, frame and all, on the desktop.
    void Place(QSize picture);
    // The frame the window system puts around the window; none until it has framed it.
    QMargins Frame() const;

    const Sounder& sounder_;
    const SoundFile& picture_sound_;
    SoundOutput& output_;
    PathResolver resolver_;
    bool shown_ = false;
    const std::vector<PicPair>* pictures_ = nullptr;
    unsigned index_ = 0;
    std::optional<QRect> desktop_;
    // The picture the window was last placed for, and the frame that placing reckoned with.
    QSize placed_picture_;
    QMargins placed_frame_;

    static inline std::string last_loaded_path_;
};
