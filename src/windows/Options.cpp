#include "windows/Options.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>
#include <vector>

#include "controls/SkinButtons.h"
#include "controls/WindowDrag.h"
#include "disc/CodePages.h"
#include "platform/Cursors.h"
#include "platform/DiscText.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"

namespace {

// The window's background: RGB(158, 174, 154), which the window system writes as 10137246.
constexpr std::int32_t kSkinColour = 10137246;

// The window system's 3-D edge colours.
const QColor kShadow(128, 128, 128);
const QColor kHighlight(255, 255, 255);

// Design size of the window; the background picture sets the real one.
constexpr int kDesignWidth = 497;
constexpr int kDesignHeight = 336;
constexpr int kBackDesignHeight = 337;  // the background's design size is a row taller

// The window's font: Tahoma, 8 points (11 pixels), in the character set of the language.
TFont SkinFont(std::uint8_t charset, bool bold = false)
{
    TFont font;
    font.name = QStringLiteral("Tahoma");
    font.height = -11;
    font.bold = bold;
    font.charset = charset;
    return font;
}

// Items of a list box and its selection; an index outside the list selects nothing. The box's
// change handler is not raised: the working copy keeps the index it was handed.
void FillBox(QComboBox& box, const QStringList& items, std::int32_t index)
{
    const QSignalBlocker quiet(box);
    box.clear();
    box.addItems(items);
    box.setCurrentIndex(index >= 0 && index < items.size() ? index : -1);
}

QStringList DiscTexts(const std::vector<std::string>* texts, std::uint8_t charset)
{
    QStringList items;
    if (texts != nullptr)
        for (const std::string& text : *texts)
            items.push_back(DiscText(text, charset));
    return items;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TOptionsBevel, TOptionsLabel, TOptionsPanel

TOptionsBevel::TOptionsBevel(QWidget* parent, Shape shape, Style style)
    : QWidget(parent), shape_(shape), style_(style)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TOptionsBevel::paintEvent(QPaintEvent*)
{
    // Lowered: shadow first (top, left), light second (bottom, right); raised the other way.
    const QColor first = style_ == bsLowered ? kShadow : kHighlight;
    const QColor second = style_ == bsLowered ? kHighlight : kShadow;
    const int w = width();
    const int h = height();
    // Filled rows and columns of pixels rather than lines: a line of a pen one pixel wide falls
    // half a pixel off on a screen drawn larger than the skin's pixels.
    QPainter painter(this);
    if (shape_ == bsTopLine) {
        painter.fillRect(QRect(0, 0, w, 1), first);
        painter.fillRect(QRect(0, 1, w, 1), second);
        return;
    }
    painter.fillRect(QRect(0, 0, w, 1), first);
    painter.fillRect(QRect(0, 0, 1, h), first);
    painter.fillRect(QRect(0, h - 1, w, 1), second);
    painter.fillRect(QRect(w - 1, 0, 1, h), second);
}

void TOptionsLabel::paintEvent(QPaintEvent* event)
{
    if (isEnabled()) {
        TLabel::paintEvent(event);
        return;
    }
    // Disabled: the text embossed, in the light colour one pixel down and right, then in the
    // shadow colour in its place.
    QPainter painter(this);
    painter.setPen(kHighlight);
    DrawText(painter, QPointF(1, 1));
    painter.setPen(kShadow);
    DrawText(painter, QPointF(0, 0));
}

TOptionsPanel::TOptionsPanel(QWidget* parent) : QWidget(parent) {}

void TOptionsPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().color(QPalette::Window));
    // Rows and columns of pixels, as the bevel's.
    painter.fillRect(QRect(0, 0, w, 1), kHighlight);
    painter.fillRect(QRect(0, 0, 1, h), kHighlight);
    painter.fillRect(QRect(0, h - 1, w, 1), kShadow);
    painter.fillRect(QRect(w - 1, 0, 1, h), kShadow);
}

// ---------------------------------------------------------------------------------------------
// TOptionsForm

TOptionsForm::TOptionsForm(QWidget* owner, const Inf_about_window& about, const Sounder& sounder,
                           SoundOutput& output, const PathResolver& resolver, PictureSource& source)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      description_(about),
      sounder_(sounder),
      output_(output)
{
    const std::uint8_t charset = current_charset;
    const QColor skin = ColorFromValue(kSkinColour);

    setModal(true);
    // Closing this window must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Опции"));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, skin);
    colours.setColor(QPalette::Button, skin);
    // Disabled texts in the window system's grey, which stays legible on the skin's colour.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        colours.setColor(QPalette::Disabled, role, kShadow);
    setPalette(colours);
    setAutoFillBackground(true);
    resize(kDesignWidth, kDesignHeight);

    // The layout.
    back = new TImage(this);
    back->setGeometry(0, 0, kDesignWidth, kBackDesignHeight);
    back->installEventFilter(this);
    drag_ = new WindowDrag(this, back);
    close_btn = new TImgBtn(this);
    close_btn->setGeometry(472, 2, 21, 22);
    close_btn->OnClick = [this](QObject*) { close_btnClick(); };

    Bevel1 = new TOptionsBevel(this, TOptionsBevel::bsBox, TOptionsBevel::bsRaised);
    Bevel1->setGeometry(4, 27, 165, 305);

    Panel1 = new TOptionsPanel(this);
    Panel1->setGeometry(168, 27, 325, 305);
    Panel1->setFont(MakeQFont(SkinFont(charset)));

    ZULLabel = new TLabel(Panel1);
    ZULLabel->SetFont(SkinFont(charset, true));
    ZULLabel->SetText("Pelmark.ZUL");
    ZULLabel->move(8, 8);

    auto label = [this, charset](int left, int top) {
        auto* made = new TOptionsLabel(Panel1);
        made->SetFont(SkinFont(charset));
        made->move(left, top);
        return made;
    };
    auto check_box = [this](int top, const QString& design_text) {
        auto* box = new QCheckBox(design_text, Panel1);
        box->setGeometry(8, top, 305, 17);
        return box;
    };
    auto combo_box = [this](int top) {
        auto* box = new QComboBox(Panel1);
        box->setGeometry(96, top, 145, 21);
        return box;
    };
    auto button = [this, skin](int left, const QString& caption) {
        auto* made = new TBitBtnWithColor(Panel1);
        made->setGeometry(left, 272, 75, 25);
        made->setText(caption);
        made->SetColor(skin);
        return made;
    };

    // The first about line follows the bold caption; where the font draws the caption wider
    // than the design allowed, it starts after it instead of on it.
    Label1 = label(std::max(72, ZULLabel->x() + ZULLabel->width() + 2), 8);
    Label2 = label(8, 24);
    Bevel2 = new TOptionsBevel(Panel1, TOptionsBevel::bsTopLine, TOptionsBevel::bsLowered);
    Bevel2->setGeometry(2, 40, 321, 2);
    SoundCheckBox = check_box(48, QStringLiteral("Звук выключен"));
    CursorCheckBox = check_box(64, QStringLiteral("Стандартные курсоры"));
    WPCheckBox = check_box(80, QStringLiteral("Обои выключены"));
    WPLabel = label(8, 100);
    WPComboBox = combo_box(112);
    LangLabel = label(8, 136);
    LangComboBox = combo_box(152);
    MusicCheckBox = check_box(176, QStringLiteral("Music off"));
    MusicLabel = label(8, 200);
    MusicComboBox = combo_box(216);
    // The music list can be typed into, but typing chooses nothing: only an item chosen from the
    // list counts. The box neither adds what was typed, nor completes it into a listed name, nor
    // (at Enter or when it loses the focus) turns a listed name typed in full into its choice.
    MusicComboBox->setEditable(true);
    MusicComboBox->setInsertPolicy(QComboBox::NoInsert);
    MusicComboBox->setCompleter(nullptr);
    QObject::disconnect(MusicComboBox->lineEdit(), &QLineEdit::editingFinished, MusicComboBox, nullptr);
    Bevel3 = new TOptionsBevel(Panel1, TOptionsBevel::bsTopLine, TOptionsBevel::bsLowered);
    Bevel3->setGeometry(2, 264, 321, 2);
    YesBtn = button(8, QStringLiteral("&OK"));
    YesBtn->SetModalResult(kAccepted);
    ApplyBtn = button(104, QStringLiteral("Apply"));
    ApplyBtn->hide();
    CancelBtn = button(104, QStringLiteral("&Cancel"));
    CancelBtn->SetModalResult(kCancelled);
    CancelBtn->SetCancel(true);

    // The OK and Cancel sounds; a sound that cannot be read stays silent.
    ok_sound_.Load(resolver, description_.ok_sound);
    cancel_sound_.Load(resolver, description_.cancel_sound);

    // The skin; the window takes the size of its background.
    SetupImage(*back, this, description_.back, source);
    SetupImageButton(*close_btn, this, description_.close_btn, source);
    back->lower();
    close_btn->raise();
    setFixedSize(back->width(), back->height());

    // The texts of the description, read in the language's code page.
    Label1->SetText(description_.about_first);
    Label2->SetText(description_.about_second);
    SoundCheckBox->setText(DiscText(description_.sound_off, charset));
    CursorCheckBox->setText(DiscText(description_.cursors_off, charset));
    WPCheckBox->setText(DiscText(description_.wp_off, charset));
    WPLabel->SetText(description_.wp_select);
    LangLabel->SetText(description_.lang_select);
    MusicCheckBox->setText(DiscText(description_.music_off, charset));
    MusicLabel->SetText(description_.music_select);

    // The shell's main cursor.
    const QCursor cursor = ScreenCursor(kMainCursorSlot);
    for (QWidget* control : std::initializer_list<QWidget*>{
             this, Panel1, SoundCheckBox, CursorCheckBox, WPCheckBox, MusicCheckBox, WPComboBox,
             LangComboBox, MusicComboBox, MusicLabel, YesBtn, ApplyBtn, CancelBtn})
        control->setCursor(cursor);

    // Check boxes report clicks only (the user's, or a click on the user's behalf); the window
    // sets their state itself without a notification.
    auto on_click = [this](QCheckBox* box, void (TOptionsForm::*handler)()) {
        connect(box, &QCheckBox::clicked, this, [this, handler] { GuardEvent([&] { (this->*handler)(); }); });
    };
    on_click(SoundCheckBox, &TOptionsForm::SoundCheckBoxClick);
    on_click(CursorCheckBox, &TOptionsForm::CursorCheckBoxClick);
    on_click(WPCheckBox, &TOptionsForm::WPCheckBoxClick);
    on_click(MusicCheckBox, &TOptionsForm::MusicCheckBoxClick);
    connect(WPComboBox, &QComboBox::currentIndexChanged, this,
            [this] { GuardEvent([&] { WPComboBoxChange(); }); });
    connect(LangComboBox, &QComboBox::currentIndexChanged, this,
            [this] { GuardEvent([&] { LangComboBoxChange(); }); });
    connect(MusicComboBox, &QComboBox::currentIndexChanged, this,
            [this] { GuardEvent([&] { MusicComboBoxChange(); }); });
    connect(YesBtn, &QAbstractButton::clicked, this, [this] { GuardEvent([&] { YesBtnClick(); }); });
    connect(CancelBtn, &QAbstractButton::clicked, this,
            [this] { GuardEvent([&] { CancelBtnClick(); }); });

    CancelBtn->setFocus();
}

TOptionsForm::~TOptionsForm() = default;

void TOptionsForm::RunOptions(const OptionsState& r)
{
    state_ = r;
    result_ = kClosed;
    finishing_ = false;

    SoundCheckBox->setChecked(r.event_sounds_off);
    SoundCheckBox->setEnabled(r.sound_offered);

    MusicCheckBox->setChecked(r.background_music_off);
    MusicCheckBox->setEnabled(r.music_offered);
    MusicLabel->setEnabled(r.music_offered);
    MusicComboBox->setEnabled(r.music_offered);

    // Event sounds on: background music is off and cannot be switched on here.
    if (!r.event_sounds_off) {
        MusicCheckBox->setChecked(true);
        state_.background_music_off = true;
        MusicCheckBox->setEnabled(false);
        MusicLabel->setEnabled(false);
        MusicComboBox->setEnabled(false);
    }

    CursorCheckBox->setEnabled(r.cursor_offered);
    CursorCheckBox->setChecked(r.standard_cursors);

    WPCheckBox->setEnabled(r.wallpaper_offered);
    WPLabel->setEnabled(r.wallpaper_offered);
    WPComboBox->setEnabled(r.wallpaper_offered);
    WPCheckBox->setChecked(r.wallpapers_off);
    if (r.wallpapers_off) {
        WPLabel->setEnabled(false);
        WPComboBox->setEnabled(false);
    }
    FillBox(*WPComboBox,
            DiscTexts(r.wallpaper_set != nullptr ? &r.wallpaper_set->dirs : nullptr, current_charset),
            r.wallpaper_index);

    LangLabel->setEnabled(r.language_offered);
    LangComboBox->setEnabled(r.language_offered);
    QStringList languages;
    if (r.language_list != nullptr)
        for (const lang_inf& language : *r.language_list)
            languages.push_back(DiscText(language.name, language.charset));  // as the language dialog
    FillBox(*LangComboBox, languages, r.language_index);

    // Background music as it now stands (event sounds on have switched it off above).
    if (state_.background_music_off) {
        MusicLabel->setEnabled(false);
        MusicComboBox->setEnabled(false);
        SoundCheckBox->setEnabled(r.sound_offered);
    } else {
        // Music on: event sounds are off and cannot be switched on here.
        SoundCheckBox->setChecked(true);
        state_.event_sounds_off = true;
        SoundCheckBox->setEnabled(false);
    }
    FillBox(*MusicComboBox, DiscTexts(r.music_list, current_charset), r.music_index);

    exec();
    // A button ends the loop on its own as well, once its handler has run; that request is
    // spent here, while the window is hidden, and not in the next showing.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TOptionsForm::SoundCheckBoxClick()
{
    state_.event_sounds_off = SoundCheckBox->isChecked();
    if (!state_.event_sounds_off) {
        // Event sounds on: background music goes off and stays off while they are on.
        MusicCheckBox->setEnabled(false);
        MusicCheckBox->setChecked(true);
        MusicLabel->setEnabled(false);
        MusicComboBox->setEnabled(false);
        state_.background_music_off = true;
    } else {
        // Only a music section that was offered is opened again.
        MusicCheckBox->setEnabled(state_.music_offered);
        MusicLabel->setEnabled(state_.music_offered);
        MusicComboBox->setEnabled(state_.music_offered);
    }
}

void TOptionsForm::MusicCheckBoxClick()
{
    state_.background_music_off = MusicCheckBox->isChecked();
    if (!state_.background_music_off) {
        // Music on: event sounds go off and stay off while it is on.
        MusicComboBox->setEnabled(true);
        MusicLabel->setEnabled(true);
        SoundCheckBox->setEnabled(false);
        SoundCheckBox->setChecked(true);
        state_.event_sounds_off = true;
    } else {
        MusicComboBox->setEnabled(false);
        MusicLabel->setEnabled(false);
        // Only a sound section that was offered is opened again.
        SoundCheckBox->setEnabled(state_.sound_offered);
    }
}

void TOptionsForm::CursorCheckBoxClick()
{
    state_.standard_cursors = CursorCheckBox->isChecked();
}

void TOptionsForm::WPCheckBoxClick()
{
    state_.wallpapers_off = WPCheckBox->isChecked();
    const bool choose = !state_.wallpapers_off && state_.wallpaper_offered;
    WPComboBox->setEnabled(choose);
    WPLabel->setEnabled(choose);
}

void TOptionsForm::WPComboBoxChange()
{
    state_.wallpaper_index = WPComboBox->currentIndex();
}

void TOptionsForm::LangComboBoxChange()
{
    state_.language_index = LangComboBox->currentIndex();
}

void TOptionsForm::MusicComboBoxChange()
{
    // Only the item chosen counts; text typed into the box chooses nothing.
    state_.music_index = MusicComboBox->currentIndex();
}

void TOptionsForm::YesBtnClick()
{
    Finish(*YesBtn, ok_sound_);
}

void TOptionsForm::CancelBtnClick()
{
    Finish(*CancelBtn, cancel_sound_);
}

void TOptionsForm::Finish(const TBitBtnWithColor& button, const SoundFile& sound)
{
    if (finishing_)
        return;
    finishing_ = true;
    PlayEventSound(output_, sounder_, sound);
    result_ = button.ModalResult();
    done(result_);
}

void TOptionsForm::close_btnClick()
{
    close();
}

void TOptionsForm::backMouseDown(Qt::MouseButton, int x, int y, QPoint global)
{
    if (y > description_.cap_height)
        return;
    drag_->Start(QPoint(x, y), global);
}

void TOptionsForm::FormKeyUp(int key)
{
    if (key != Qt::Key_Escape || finishing_ || !CancelBtn->isEnabled())
        return;
    const QPointF inside(CancelBtn->width() / 2.0, CancelBtn->height() / 2.0);
    const QPointF global = CancelBtn->mapToGlobal(inside);
    QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(CancelBtn, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(CancelBtn, &release);
}

void TOptionsForm::done(int result)
{
    if (!isVisible())
        return;
    QDialog::done(result);
}

void TOptionsForm::showEvent(QShowEvent* event)
{
    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize outer = frameGeometry().size();
        move(area.left() + (area.width() - outer.width()) / 2,
             area.top() + (area.height() - outer.height()) / 2);
    }
    QDialog::showEvent(event);
    CancelBtn->setFocus();
}

void TOptionsForm::keyPressEvent(QKeyEvent* event)
{
    // CancelBtn is the window's cancel button: Esc presses it, sound and all.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (!finishing_ && CancelBtn->isEnabled())
            CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TOptionsForm::keyReleaseEvent(QKeyEvent* event)
{
    QWidget* focus = focusWidget();
    if (focus == nullptr || focus == this) {
        const int key = event->key();
        GuardEvent([&] { FormKeyUp(key); });
        return;
    }
    QDialog::keyReleaseEvent(event);
}

bool TOptionsForm::eventFilter(QObject* watched, QEvent* event)
{
    // The second press of a double click is a press too.
    if (watched == back &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint at = e->position().toPoint();
        const QPoint global = e->globalPosition().toPoint();
        GuardEvent([&] { backMouseDown(e->button(), at.x(), at.y(), global); });
    }
    return QDialog::eventFilter(watched, event);
}
