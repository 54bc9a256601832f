// The options window on the offscreen platform, driven through its modal loop: what it shows for
// each kind of settings record, how the user's clicks change its working copy (event sounds and
// background music never on together), how it closes and what it plays then, and how it looks
// on the demo disc.
#include "windows/Options.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/WidgetTestSupport.h"
#include "archive/ZipGrFile.h"
#include "disc/CodePages.h"
#include "platform/DiscText.h"
#include "script/Synter.h"
#include "support/Golden.h"
#include "support/MouseDrag.h"
#include "support/RecordingApplication.h"
#include "support/RecordingSound.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

// "Звук выключен", "Выбор музыки", "Обои" in code page 1251.
const std::string kSoundOff = "\xc7\xe2\xf3\xea \xe2\xfb\xea\xeb\xfe\xf7\xe5\xed";
const std::string kMusicSelect = "\xc2\xfb\xe1\xee\xf0 \xec\xf3\xe7\xfb\xea\xe8";
const std::string kWallpapers = "\xce\xe1\xee\xe8";

// A click on a check box's indicator.
void Click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A window over solid-colour skin pictures, with OK and Cancel sounds on a temporary disc and
// the texts of a Cyrillic disc.
class OptionsWindowTest : public ::testing::Test {
protected:
    OptionsWindowTest()
    {
        current_charset = 204;
        WriteFile(disc.path() / "graph" / "ok.wav", "RIFF ok");
        WriteFile(disc.path() / "graph" / "cancel.wav", "RIFF cancel");
        source.Add("options.jpg", QColor(40, 60, 80), QSize(497, 336));
        source.Add("close.bmp", Qt::red, QSize(21, 22));
        about.back.pic = "options.jpg";
        about.close_btn = Inf_button{"close.bmp", "close.bmp", "close.bmp", "", 472, 2, 0, 0};
        about.cap_height = 24;
        about.about_first = "Disc";
        about.about_second = "April";
        about.sound_off = kSoundOff;
        about.music_select = kMusicSelect;
        about.ok_sound = "graph\\ok.wav";
        about.cancel_sound = "graph\\cancel.wav";
        sounder.sound_ok = true;
        sounder.sounds_on = true;
        form = std::make_unique<TOptionsForm>(nullptr, about, sounder, output, resolver, source);
    }
    ~OptionsWindowTest() override { current_charset = saved_charset_; }

    // The record the main window hands over while event sounds play: every section offered but
    // the cursor and language ones, which it never offers.
    OptionsState SoundsOn() const
    {
        OptionsState r;
        r.sound_offered = true;
        r.event_sounds_off = false;
        r.music_offered = true;
        r.background_music_off = true;
        r.music_index = 1;
        r.music_list = &music;
        r.wallpaper_offered = true;
        r.wallpapers_off = false;
        r.wallpaper_index = 0;
        r.wallpaper_set = &wallpapers;
        r.language_index = 0;
        r.language_list = &languages;
        return r;
    }

    // RunOptions(r) with `inside` run once the window is open; returns when it has closed.
    void Run(const OptionsState& r, const std::function<void()>& inside)
    {
        QTimer::singleShot(0, form.get(), inside);
        QTimer::singleShot(10000, form.get(), [this] { form->done(-1); });  // never hang the run
        form->RunOptions(r);
    }

    // RunOptions(r); `inside` looks at the open window, which is then cancelled.
    void Look(const OptionsState& r, const std::function<void()>& inside)
    {
        Run(r, [&] {
            inside();
            form->CancelBtn->click();
        });
    }

    static bool Enabled(const QWidget* w) { return w->isEnabled(); }

    TempDir disc;
    PathResolver resolver{disc.path()};
    ColourSource source;
    Inf_about_window about;
    Sounder sounder;
    RecordingSoundOutput output;
    const std::vector<std::string> music{"one.mid", "two.mp3", "\xf2\xf0\xe8.mid"};  // "три.mid"
    const WPs_inf wallpapers{{"graph\\wp\\sea\\", "graph\\wp\\" + kWallpapers + "\\"}, 30};
    const std::vector<lang_inf> languages{{"Russian", "ru", 204}, {"Lithuanian", "lit", 186}};
    std::unique_ptr<TOptionsForm> form;

private:
    std::uint8_t saved_charset_ = current_charset;
};

TEST_F(OptionsWindowTest, BuildsTheSkinnedLayoutFromTheDescription)
{
    const TOptionsForm& f = *form;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Опции"));
    EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(f.size(), QSize(497, 336));  // the background's size, not the design size
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(158, 174, 154));
    // The first about line at 72, or after the bold caption where the font draws it wider.
    EXPECT_EQ(f.Label1->x(), std::max(72, f.ZULLabel->x() + f.ZULLabel->width() + 2));

    // Texts of the description, read in the language's code page; a field the disc leaves
    // empty empties its control too.
    EXPECT_EQ(f.Label1->ShownText(), QStringLiteral("Disc"));
    EXPECT_EQ(f.SoundCheckBox->text(), QStringLiteral("Звук выключен"));
    EXPECT_EQ(f.MusicLabel->ShownText(), QStringLiteral("Выбор музыки"));
    EXPECT_EQ(f.MusicLabel->Font().charset, 204);
    EXPECT_EQ(f.WPCheckBox->text(), QString());

    EXPECT_TRUE(f.ApplyBtn->isHidden());
    EXPECT_TRUE(f.OkSound().HasData());
    EXPECT_TRUE(f.CancelSound().HasData());
    EXPECT_EQ(f.Result(), TOptionsForm::kClosed);
}

TEST_F(OptionsWindowTest, EventSoundsOnLockBackgroundMusicOffUntilSoundsGoOff)
{
    Look(SoundsOn(), [&] {
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->focusWidget(), form->CancelBtn);
        EXPECT_FALSE(form->SoundCheckBox->isChecked());
        EXPECT_TRUE(Enabled(form->SoundCheckBox));
        EXPECT_TRUE(form->MusicCheckBox->isChecked());
        EXPECT_FALSE(Enabled(form->MusicCheckBox));
        EXPECT_FALSE(Enabled(form->MusicLabel));
        EXPECT_FALSE(Enabled(form->MusicComboBox));

        // Event sounds off: the music controls open, music itself stays off.
        Click(form->SoundCheckBox);
        EXPECT_TRUE(form->State().event_sounds_off);
        EXPECT_TRUE(Enabled(form->MusicCheckBox));
        EXPECT_TRUE(Enabled(form->MusicLabel));
        EXPECT_TRUE(Enabled(form->MusicComboBox));
        EXPECT_TRUE(form->State().background_music_off);

        // Music on: event sounds are switched off and locked.
        Click(form->MusicCheckBox);
        EXPECT_FALSE(form->State().background_music_off);
        EXPECT_TRUE(form->SoundCheckBox->isChecked());
        EXPECT_FALSE(Enabled(form->SoundCheckBox));
        EXPECT_TRUE(form->State().event_sounds_off);

        // Music off again: the sound box opens but stays checked.
        Click(form->MusicCheckBox);
        EXPECT_TRUE(form->State().background_music_off);
        EXPECT_TRUE(Enabled(form->SoundCheckBox));
        EXPECT_TRUE(form->SoundCheckBox->isChecked());
        EXPECT_FALSE(Enabled(form->MusicComboBox));

        // Event sounds on again: music is forced off and locked.
        Click(form->SoundCheckBox);
        EXPECT_FALSE(form->State().event_sounds_off);
        EXPECT_TRUE(form->State().background_music_off);
        EXPECT_FALSE(Enabled(form->MusicCheckBox));
    });
}

TEST_F(OptionsWindowTest, MusicOnLocksEventSoundsOff)
{
    OptionsState r = SoundsOn();
    r.event_sounds_off = true;
    r.background_music_off = false;
    Look(r, [&] {
        EXPECT_TRUE(form->SoundCheckBox->isChecked());
        EXPECT_FALSE(Enabled(form->SoundCheckBox));
        EXPECT_FALSE(form->MusicCheckBox->isChecked());
        EXPECT_TRUE(Enabled(form->MusicCheckBox));
        EXPECT_TRUE(Enabled(form->MusicComboBox));
    });

    // A record with both on (never sent by the menu): event sounds win and music goes off, with
    // the sound box still free to change.
    r.event_sounds_off = false;
    Look(r, [&] {
        EXPECT_FALSE(form->SoundCheckBox->isChecked());
        EXPECT_TRUE(Enabled(form->SoundCheckBox));
        EXPECT_TRUE(form->MusicCheckBox->isChecked());
        EXPECT_FALSE(Enabled(form->MusicCheckBox));
        EXPECT_FALSE(form->State().event_sounds_off);
        EXPECT_TRUE(form->State().background_music_off);
    });
}

TEST_F(OptionsWindowTest, SectionsNotOfferedStayDisabled)
{
    // Player music plays: neither sound nor music can be changed.
    OptionsState r = SoundsOn();
    r.sound_offered = false;
    r.event_sounds_off = true;
    r.music_offered = false;
    r.background_music_off = true;
    r.player_music = true;
    r.wallpaper_offered = false;
    r.wallpapers_off = true;
    r.standard_cursors = true;
    Look(r, [&] {
        EXPECT_FALSE(Enabled(form->SoundCheckBox));
        EXPECT_FALSE(Enabled(form->MusicCheckBox));
        EXPECT_FALSE(Enabled(form->MusicLabel));
        EXPECT_FALSE(Enabled(form->MusicComboBox));
        // Cursor and language options are never offered by the menu: shown, disabled.
        EXPECT_FALSE(Enabled(form->CursorCheckBox));
        EXPECT_TRUE(form->CursorCheckBox->isChecked());
        EXPECT_FALSE(Enabled(form->LangLabel));
        EXPECT_FALSE(Enabled(form->LangComboBox));
        EXPECT_EQ(form->LangComboBox->count(), 2);
        EXPECT_FALSE(Enabled(form->WPCheckBox));
        EXPECT_FALSE(Enabled(form->WPComboBox));
    });

    // Event sounds offered without music (no music files): switching event sounds off does not
    // open the music controls.
    r = SoundsOn();
    r.music_offered = false;
    r.music_list = nullptr;
    Look(r, [&] {
        Click(form->SoundCheckBox);
        EXPECT_TRUE(form->State().event_sounds_off);
        EXPECT_FALSE(Enabled(form->MusicCheckBox));
        EXPECT_FALSE(Enabled(form->MusicComboBox));
        EXPECT_EQ(form->MusicComboBox->count(), 0);
    });
}

TEST_F(OptionsWindowTest, WallpaperAndCursorBoxesFollowTheirClicks)
{
    OptionsState r = SoundsOn();
    r.wallpapers_off = true;
    r.cursor_offered = true;
    Look(r, [&] {
        EXPECT_TRUE(form->WPCheckBox->isChecked());
        EXPECT_TRUE(Enabled(form->WPCheckBox));
        EXPECT_FALSE(Enabled(form->WPLabel));
        EXPECT_FALSE(Enabled(form->WPComboBox));
        Click(form->WPCheckBox);
        EXPECT_FALSE(form->State().wallpapers_off);
        EXPECT_TRUE(Enabled(form->WPLabel));
        EXPECT_TRUE(Enabled(form->WPComboBox));
        Click(form->WPCheckBox);
        EXPECT_TRUE(form->State().wallpapers_off);
        EXPECT_FALSE(Enabled(form->WPComboBox));

        Click(form->CursorCheckBox);
        EXPECT_TRUE(form->State().standard_cursors);
    });
}

TEST_F(OptionsWindowTest, ListsShowTheRecordsItemsAndFollowTheSelection)
{
    OptionsState r = SoundsOn();
    r.event_sounds_off = true;
    r.wallpaper_index = 1;
    r.language_offered = true;
    r.language_index = 7;  // outside the list
    Look(r, [&] {
        ASSERT_EQ(form->WPComboBox->count(), 2);
        EXPECT_EQ(form->WPComboBox->itemText(1), QStringLiteral("graph\\wp\\Обои\\"));
        EXPECT_EQ(form->WPComboBox->currentIndex(), 1);
        EXPECT_EQ(form->LangComboBox->itemText(1), QStringLiteral("Lithuanian"));
        EXPECT_EQ(form->LangComboBox->currentIndex(), -1);
        EXPECT_EQ(form->MusicComboBox->itemText(2), QStringLiteral("три.mid"));
        EXPECT_EQ(form->MusicComboBox->currentIndex(), 1);
        // Filling the lists leaves the indices as handed in, even one outside its list.
        EXPECT_EQ(form->State().language_index, 7);
        EXPECT_EQ(form->State().wallpaper_index, 1);
        EXPECT_EQ(form->State().music_index, 1);

        form->WPComboBox->setCurrentIndex(0);
        form->LangComboBox->setCurrentIndex(1);
        form->MusicComboBox->setCurrentIndex(2);
        EXPECT_EQ(form->State().wallpaper_index, 0);
        EXPECT_EQ(form->State().language_index, 1);
        EXPECT_EQ(form->State().music_index, 2);
    });

    // The next showing starts again from its own record; null lists are empty ones.
    OptionsState bare;
    Look(bare, [&] {
        EXPECT_EQ(form->WPComboBox->count(), 0);
        EXPECT_EQ(form->LangComboBox->count(), 0);
        EXPECT_EQ(form->MusicComboBox->count(), 0);
        EXPECT_EQ(form->MusicComboBox->currentText(), QString());
        EXPECT_EQ(form->State().music_index, 0);
    });
}

TEST_F(OptionsWindowTest, TypedMusicNamesChooseNothing)
{
    OptionsState r = SoundsOn();
    r.event_sounds_off = true;
    r.background_music_off = false;
    Look(r, [&] {
        QLineEdit* edit = form->MusicComboBox->lineEdit();
        ASSERT_NE(edit, nullptr);
        // Neither a name that is not listed nor the exact name of a listed file changes the
        // music chosen, also once the typing is ended with Enter.
        for (const QString& typed : {QStringLiteral("zzz.mid"), QStringLiteral("one.mid")}) {
            edit->selectAll();
            QTest::keyClicks(edit, typed);
            EXPECT_EQ(form->State().music_index, 1) << typed.toStdString();
            QTest::keyClick(edit, Qt::Key_Return);
            EXPECT_EQ(form->State().music_index, 1) << typed.toStdString();
        }
        EXPECT_EQ(form->MusicComboBox->count(), 3);  // nothing typed is ever added
        // Choosing from the list counts, and typing afterwards keeps the choice.
        form->MusicComboBox->setCurrentIndex(2);
        edit->setText(QStringLiteral("one.mid"));
        EXPECT_EQ(form->State().music_index, 2);
    });
    EXPECT_EQ(form->MusicComboBox->count(), 3);
}

TEST_F(OptionsWindowTest, OkAndCancelCloseWithTheirResultAndSound)
{
    Run(SoundsOn(), [&] {
        Click(form->SoundCheckBox);
        QTest::mouseClick(form->YesBtn, Qt::LeftButton);
    });
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->Result(), TOptionsForm::kAccepted);
    EXPECT_TRUE(form->State().event_sounds_off);
    EXPECT_EQ(output.played, std::vector<std::string>{"RIFF ok"});

    // The next showing is not ended by anything left over from the last.
    bool open = false;
    Run(SoundsOn(), [&] {
        QCoreApplication::processEvents();
        open = form->isVisible();
        QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
        QTest::mouseClick(form->CancelBtn, Qt::LeftButton);  // a second press counts no more
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(form->Result(), TOptionsForm::kCancelled);
    EXPECT_EQ(output.played, (std::vector<std::string>{"RIFF ok", "RIFF cancel"}));

    // Esc is Cancel, sound included.
    Run(SoundsOn(), [&] { QTest::keyClick(form->focusWidget(), Qt::Key_Escape); });
    EXPECT_EQ(form->Result(), TOptionsForm::kCancelled);
    EXPECT_EQ(output.played.size(), 3u);
    EXPECT_EQ(output.played.back(), "RIFF cancel");

    // Esc released while the window itself has the focus presses Cancel too.
    Run(SoundsOn(), [&] { form->FormKeyUp(Qt::Key_Escape); });
    EXPECT_EQ(form->Result(), TOptionsForm::kCancelled);
    EXPECT_EQ(output.played.size(), 4u);

    // Silent while event sounds are off (or sound does not work).
    sounder.sounds_on = false;
    Run(SoundsOn(), [&] { form->YesBtn->click(); });
    sounder.sounds_on = true;
    sounder.sound_ok = false;
    Run(SoundsOn(), [&] { form->CancelBtn->click(); });
    EXPECT_EQ(output.played.size(), 4u);
}

TEST_F(OptionsWindowTest, OtherWaysOfClosingReportNothingAndPlayNothing)
{
    Run(SoundsOn(), [&] { form->YesBtn->click(); });
    ASSERT_EQ(form->Result(), TOptionsForm::kAccepted);
    output.played.clear();

    // The skin's close button, after an accepted showing.
    Run(SoundsOn(), [&] { form->close_btn->PressAndRelease(); });
    EXPECT_EQ(form->Result(), TOptionsForm::kClosed);
    // The window system closing it.
    Run(SoundsOn(), [&] { form->close(); });
    EXPECT_EQ(form->Result(), TOptionsForm::kClosed);
    Run(SoundsOn(), [&] { form->reject(); });
    EXPECT_EQ(form->Result(), TOptionsForm::kClosed);
    EXPECT_TRUE(output.played.empty());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(OptionsWindowTest, OnlyTheCaptionStripMovesTheWindow)
{
    form->show();
    auto drag = [&](int y, QPoint by) { SendDrag(form->back, form->pos(), QPoint(100, y), by); };
    const QPoint start = form->pos();
    drag(24, QPoint(7, 3));  // the strip's last row
    EXPECT_EQ(form->pos(), start + QPoint(7, 3));
    drag(25, QPoint(7, 3));
    EXPECT_EQ(form->pos(), start + QPoint(7, 3));
    form->hide();
}

// The window of the demo disc, with the skin's own fonts where they are installed.
TEST(OptionsWindowOnTheDemoDisc, LooksAsReviewed)
{
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(QString::fromUtf8(file));
    struct Cyrillic {
        std::uint8_t saved = current_charset;
        Cyrillic() { current_charset = 204; }
        ~Cyrillic() { current_charset = saved; }
    } cyrillic;
    TempDir disc;
    const ProgramResult made = RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    Inf_shell shell;
    Synter(disc.path() / "graph" / "image_ru.dat").parse(shell);
    const PathResolver resolver(disc.path());
    RecordingApplication app;
    Sounder sounder;
    RecordingSoundOutput output;
    std::unique_ptr<TOptionsForm> form;
    {
        ZipGrFile archive(app, resolver);
        form = std::make_unique<TOptionsForm>(nullptr, shell.cd.opts_window, sounder, output,
                                              resolver, archive);
    }
    EXPECT_EQ(form->size(), QSize(497, 336));
    EXPECT_TRUE(form->OkSound().HasData());

    const std::vector<lang_inf> languages{{"Russian", "ru", 204}, {"Lithuanian", "lit", 186}};
    OptionsState r;
    r.sound_offered = true;
    r.event_sounds_off = false;
    r.music_offered = !shell.music_files.empty();
    r.music_list = &shell.music_files;
    r.wallpaper_offered = true;
    r.wallpapers_off = false;
    r.wallpaper_set = &shell.wallpapers;
    r.language_list = &languages;
    QImage shot;
    QTimer::singleShot(0, form.get(), [&] {
        shot = form->grab().toImage();
        form->CancelBtn->click();
    });
    QTimer::singleShot(10000, form.get(), [&] { form->done(-1); });
    form->RunOptions(r);
    EXPECT_TRUE(MatchesGolden(shot, "options_window"));
}

}  // namespace
