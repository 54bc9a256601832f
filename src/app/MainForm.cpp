#include "app/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>
#include <QWindow>

#include "archive/ZipGrFile.h"
#include "controls/Label.h"
#include "controls/SkinButtons.h"
#include "sound/Mp3Module.h"
#include "sound/Players.h"
#include "platform/DiscText.h"
#include "platform/ScreenCursors.h"
#include "windows/SelectLangForm.h"
#include "windows/SplashForm.h"

namespace {

// The skin's font: Tahoma, 11 pixels high, in the character set of the language.
QFont SkinFont()
{
    return FormFont(QStringLiteral("Tahoma"));
}

}  // namespace

TMainForm::TMainForm(QtApplication& app, PathResolver resolver, SoundOutput& sound, Opener& opener,
                     Mixer* mixer, std::unique_ptr<ZipGrFile> pictures)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      app_(app),
      sound_(sound),
      opener_(opener),
      resolver_(resolver),
      cursors_(resolver),
      startup_(app, *this, cursors_, std::move(resolver)),
      ElPlayerMan1(&resolver_),
      pictures_(std::move(pictures))
{
    // Every sound rule requires a working output.
    sounder_.sound_ok = sound.Works();
    // The form: borderless, a fixed client area in the middle of the desktop.
    setFixedSize(kClientWidth, kClientHeight);
    const unsigned bgr = kBackgroundColour;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(static_cast<int>(bgr & 0xFF),
                                              static_cast<int>((bgr >> 8) & 0xFF),
                                              static_cast<int>((bgr >> 16) & 0xFF)));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(SkinFont());
    setWindowIcon(ProgramIcon());
    QApplication::setWindowIcon(windowIcon());  // the boxes and dialogs of the start carry it too
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->geometry();
        move(desk.left() + (desk.width() - kClientWidth) / 2,
             desk.top() + (desk.height() - kClientHeight) / 2);
    }
    back = new TImage(this);
    // The program's every event passes eventFilter: the presses on the strip that drag the menu,
    // and the presses that bring it back.
    qApp->installEventFilter(this);
    drag_ = new WindowDrag(this, back);
    min_btn = new TImgBtn(this);
    min_btn->OnClick = [this](QObject*) { min_btnClick(); };
    close_btn = new TImgBtn(this);
    close_btn->OnClick = [this](QObject*) { close_btnClick(); };

    // Languages, splash, the description and the cursors.
    startup_.Run();

    sounder_.music_files = startup_.description.music_files;
    sounder_.has_music = !sounder_.music_files.empty();
    close_sound_.Load(resolver_, startup_.description.cd.exit_sound);
    options_sound_.Load(resolver_, startup_.description.cd.options_sound);
    PreparePlayers(mixer);

    BuildScreen();
    FinalSoundState();
}

TMainForm::~TMainForm()
{
    // The shell stops the players as it goes; then the players themselves, before the mixer.
    shell_.reset();
    sequencer_.reset();
    decoder_.reset();
    MediaPlayer1.reset();
    options_form_.reset();
    wp_form_.reset();
    if (sounder_.sound_ok && sounder_.music_playing)
        sound_.StopAll();
    // The sounds go in the reverse order of their loading: the music list, the options sound,
    // the closing sound (the members' order).
}

void TMainForm::BuildScreen()
{
    const Inf_shell& d = startup_.description;
    QFont hint_font = SkinFont();
    QToolTip::setFont(hint_font);

    StartReadingPictures();
    ZipGrFile& archive = *pictures_;
    archive.WaitForRead();
    SetupImage(*back, this, d.cd.window.back, archive);
    SetupImageButton(*min_btn, this, d.cd.window.min_btn, archive);
    SetupImageButton(*close_btn, this, d.cd.window.close_btn, archive);
    back->lower();

    options_form_ = std::make_unique<TOptionsForm>(this, d.cd.opts_window, sounder_, sound_, resolver_, archive);

    const ElementContext context{this,   archive, resolver_, sound_,    sounder_,
                                 app_,   opener_, *decoder_, *sequencer_};
    shell_ = std::make_unique<ZUL_shell>(context, d, [this](QObject*) { OptionsRequest(); });

    // The wallpaper show with the parsed folders: shown when it can run.
    wp_form_->SetWallpapers(d.wallpapers);
    if (InWaylandSession() && wp_form_->available && wp_form_->isVisible()) {
        // A compositor puts a window that comes on the screen in front: the wallpaper stays on it,
        // its show started afresh, and stays behind the splash.
        wp_form_->FormHide();
        wp_form_->FormShow();
    } else {
        wp_form_->hide();
        if (wp_form_->available)
            wp_form_->show();
    }

    setWindowTitle(DiscText(d.cd.title));
    app_.SetTitle(d.cd.title);
    // Every element holds its own pictures now.
    archive.Close();
    pictures_.reset();
}

void TMainForm::PreparePlayers(Mixer* mixer)
{
    if (mixer == nullptr) {
        decoder_ = std::make_unique<NoDecoderPlayer>();
        sequencer_ = std::make_unique<NoSequencer>();
        return;
    }
    // Item 0 of the decoder-module player reads the tracks through the window's file input;
    // the built-in mp3 module writes into the decoder channel, and holds it while paused.
    SetMp3ModuleOutput(
        &mixer->DecoderRing(), [mixer] { mixer->Clear(Mixer::Channel::Decoder); },
        [mixer](bool hold) { mixer->SetPaused(Mixer::Channel::Decoder, hold); });
    TElPlayer& player = ElPlayerMan1.Players().Count() > 0 ? ElPlayerMan1.Players().Items(0)
                                                           : ElPlayerMan1.Players().Add();
    PrepareModulePlayer(player);
    decoder_ = std::make_unique<ElDecoderPlayer>(player, resolver_);

    // The MIDI sequencer renders into the sequencer channel; its end-of-track notice comes on
    // this thread. Opening the device without a file always works.
    Sequencer::Options options;
    options.drop_queued = [mixer] { mixer->Clear(Mixer::Channel::Sequencer); };
    options.hold_reader = [mixer](bool hold) { mixer->SetPaused(Mixer::Channel::Sequencer, hold); };
    MediaPlayer1 = std::make_unique<Sequencer>(
        mixer->SequencerRing(),
        [this](std::function<void()> call) {
            QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
        },
        std::move(options));
    // Opening the device without a file always works: it is opened when first used.
    sequencer_ = std::make_unique<SequencerOpenedOnUse>(std::make_unique<SequencerPlayer>(*MediaPlayer1, resolver_));
}

void TMainForm::FinalSoundState()
{
    if (!sounder_.sound_ok)
        return;
    if (sounder_.music_playing && sounder_.has_music) {
        sound_.StopAll();
        sounder_.music_playing = false;
    }
    sounder_.sounds_on = true;
    sounder_.player_music = false;
}

int TMainForm::ChooseLanguage(const std::vector<lang_inf>& languages, int)
{
    TSelectLangForm dialog(this, languages);
    dialog.exec();
    return dialog.ChosenIndex();
}

void TMainForm::StartReadingPictures()
{
    if (!pictures_)
        pictures_ = ZipGrFile::ReadInBackground(app_, resolver_);
}

void TMainForm::ShowWallpaperWindow(const WPs_inf& wallpapers)
{
    // The scripts are found and the language chosen: from here the picture archive is read while
    // the wallpaper and the splash come up, and its pictures are decoded while the description
    // loads; its failures are shown where the build first needs it.
    StartReadingPictures();
    // Still without folders: the window is black and shows nothing until the description's
    // folders arrive.
    wp_form_ = std::make_unique<TWPForm>(this, wallpapers, resolver_);
    wp_form_->show();
    // In a Wayland session only the compositor stacks windows: the menu, and through it every
    // window it opens, is transient for the wallpaper, which keeps them above it.
    KeepAboveWallpaper(this, wp_form_.get());
}

void TMainForm::ShowSplash(const std::string& picture_path)
{
    // The splash removes itself; the main window keeps no reference to it.
    auto* splash = new TSplashForm(this, resolver_, picture_path, sound_);
    // The menu is not on the screen yet: the splash stays above the wallpaper through its own tie.
    KeepAboveWallpaper(splash, wp_form_.get());
    splash->show();
    // The window system maps the window only when events are processed; let it do so once, so
    // that the picture is on the screen while the description loads (no user input is taken).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMainForm::SetMainWindowCursor(int slot)
{
    setCursor(ScreenCursor(slot));
}

OptionsSubjects TMainForm::Subjects()
{
    return {sound_, sounder_, *decoder_, *wp_form_, startup_.description, startup_.languages,
            startup_.language_index, startup_.cursors_off};
}

OptionsState TMainForm::GetOptionsState()
{
    return ::GetOptionsState(Subjects());
}

void TMainForm::ApplyOptions(const OptionsState& r)
{
    ::ApplyOptions(Subjects(), r);
}

void TMainForm::OptionsRequest()
{
    PlayEventSound(sound_, sounder_, options_sound_);
    options_form_->RunOptions(GetOptionsState());
    if (options_form_->Result() == TOptionsForm::kAccepted)
        ApplyOptions(options_form_->State());
}

void TMainForm::min_btnClick()
{
    showMinimized();
}

void TMainForm::close_btnClick()
{
    close();
}

void TMainForm::backMouseDown(Qt::MouseButton, int x, int y, QPoint global)
{
    if (y > startup_.description.cd.window.cap_height)
        return;
    drag_->Start(QPoint(x, y), global);
}

void TMainForm::WindowStateChanged()
{
    if (!wp_form_)
        return;
    if (isMinimized()) {
        if (wp_form_->isVisible()) {
            wallpaper_away_ = true;
            wp_form_->hide();
        }
    } else if (wallpaper_away_) {
        // Shown again, the wallpaper raises the menu above itself once it is on the screen.
        wallpaper_away_ = false;
        wp_form_->show();
    }
}

void TMainForm::TurnedTo()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // A press on any part of the menu while it counts as minimised on the screen (no window
    // manager took it away, as sway does not with a window that has the keyboard) means the reader
    // uses it again. Watched for the whole program: through X11 the menu's controls may have
    // windows of their own, whose presses never pass the menu's window.
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this)
        TurnedTo();
    // The second press of a double click is a press too.
    if (watched == back &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        auto* e = static_cast<QMouseEvent*>(event);
        backMouseDown(e->button(), e->position().toPoint().x(), e->position().toPoint().y(),
                      e->globalPosition().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

bool TMainForm::event(QEvent* event)
{
    // Without a window manager nothing keeps the wallpaper below: once the menu is shown, it is
    // raised above the wallpaper that was shown before it.
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Show && wp_form_ && wp_form_->isVisible())
        QMetaObject::invokeMethod(this, [this] { KeepMenuInFront(this); }, Qt::QueuedConnection);
    if (event->type() == QEvent::WindowStateChange)
        WindowStateChanged();
    if (event->type() == QEvent::WindowActivate)
        TurnedTo();
    return handled;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    PlayEventSound(sound_, sounder_, close_sound_);
    event->accept();
    // Closing the menu ends the run, though another window still shows (a copy's progress window
    // would keep the event loop going): the copies under way are cancelled now, so that nothing
    // that waited for them opens, and the loop ends with status 0. The partial copies go with the
    // opener, after the loop.
    opener_.CancelCopies();
    app_.Terminate(0);
}
