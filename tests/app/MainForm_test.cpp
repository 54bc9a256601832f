#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/CopyWindow.h"
#include "app/MainForm.h"
#include "platform/DiscText.h"
#include "sound/Players.h"
#include "support/Golden.h"
#include "support/MemoryDisc.h"
#include "support/MouseDrag.h"
#include "support/RecordingOpener.h"
#include "support/RecordingPlayers.h"
#include "support/RecordingSound.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

// The main window built on the demo disc (Russian only, so no dialog), offscreen.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterSkinFonts();  // as the program does: the skin's own fonts, where installed
        ASSERT_EQ(RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()}).exit_code, 0);
        std::filesystem::remove(disc.path() / "graph" / "image_lit.dat");
        form = std::make_unique<TMainForm>(app, PathResolver(disc.path()), sound, opener);
    }

    // A press on the background at (x, y), then the mouse moved by `by` and released.
    void DragBack(int x, int y, QPoint by, QEvent::Type press_type = QEvent::MouseButtonPress)
    {
        SendDrag(form->back, form->pos(), QPoint(x, y), by, press_type);
    }

    TempDir disc;
    QtApplication app;
    RecordingSoundOutput sound;
    RecordingOpener opener;
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormTest, BuildsTheSkinAndTakesTheDiscsTitle)
{
    const Inf_shell& d = form->description();
    EXPECT_EQ(form->size(), QSize(648, 511));
    EXPECT_EQ(app.Title(), d.cd.title);
    EXPECT_EQ(form->windowTitle(), DiscText(d.cd.title, 204));
    EXPECT_EQ(form->min_btn->pos(), QPoint(d.cd.window.min_btn.left, d.cd.window.min_btn.top));
    EXPECT_EQ(form->close_btn->pos(), QPoint(d.cd.window.close_btn.left, d.cd.window.close_btn.top));
    EXPECT_FALSE(form->min_btn->Pic().isNull());
    EXPECT_FALSE(form->back->Shown().isNull());
    // The start ends with event sounds on and background music off.
    EXPECT_TRUE(form->sounder().sounds_on);
    EXPECT_FALSE(form->sounder().music_playing);
    EXPECT_EQ(form->sounder().music_files, d.music_files);
    EXPECT_TRUE(form->startup().cursors_ok);
}

TEST_F(MainFormTest, OnlyTheTopStripDragsTheWindow)
{
    const int cap = form->description().cd.window.cap_height;
    ASSERT_GT(cap, 0);
    const QPoint start = form->pos();
    DragBack(300, cap, QPoint(10, 5));  // the strip's last row still drags
    EXPECT_EQ(form->pos(), start + QPoint(10, 5));
    DragBack(300, cap + 1, QPoint(10, 5));  // one row below does nothing
    EXPECT_EQ(form->pos(), start + QPoint(10, 5));
    // The second press of a double click drags as well.
    DragBack(300, 0, QPoint(-10, -5), QEvent::MouseButtonDblClick);
    EXPECT_EQ(form->pos(), start);
}

TEST_F(MainFormTest, ClosingPlaysTheCloseSound)
{
    ASSERT_FALSE(form->description().cd.exit_sound.empty());
    form->close_btn->PressAndRelease();
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.played[0].rfind("RIFF", 0), 0u);  // a WAV file, from memory
    EXPECT_FALSE(form->isVisible());
}

// The menu closed while a copy out of a disc image shows its progress window (a slow drive still
// listing the folder's 501 folders to add up their sizes) ends the run: the walk stops, the copy
// leaves nothing, its window goes, nothing opens, and the event loop ends with status 0.
TEST_F(MainFormTest, ClosingDuringACopyEndsTheRunAndOpensNothing)
{
    struct SlowDisc : MemoryDisc {
        mutable std::atomic<int> lists{0};
        std::vector<std::string> List(const std::filesystem::path& folder) const override
        {
            ++lists;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return MemoryDisc::List(folder);
        }
    };
    form.reset();
    TempDirAsSystemTemp temp;
    auto image = std::make_shared<SlowDisc>();
    image->Add("Soft/setup.sh", "#!/bin/sh\ntouch '" + (disc.path() / "started").string() + "'\n");
    for (int i = 0; i < 500; ++i)
        image->Add("Soft/part" + std::to_string(i) + "/data.cab", "cab");
    const auto progress_shown = [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QProgressDialog*>(widget) && widget->isVisible())
                return true;
        return false;
    };
    {
        SystemOpener copying(PathResolver(image), "", {}, std::make_unique<QtCopyRunner>());
        TMainForm menu(app, PathResolver(disc.path()), sound, copying);
        menu.show();
        copying.Open("soft\\setup.sh");
        QTimer close, never_ended;
        QObject::connect(&close, &QTimer::timeout, [&] {
            if (progress_shown() && menu.isVisible())
                menu.close_btn->PressAndRelease();
        });
        QObject::connect(&never_ended, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        close.start(20);
        never_ended.start(20000);
        EXPECT_EQ(app.Exec(), 0);
        EXPECT_FALSE(progress_shown());
    }
    EXPECT_LT(image->lists, 500);
    EXPECT_TRUE(temp.Empty());
    EXPECT_FALSE(std::filesystem::exists(disc.path() / "started"));
}

// The wallpaper covers the whole desktop: it goes while the menu is minimised and comes back
// when the menu is restored, by the window system or, where none takes the menu away, by the
// reader pressing on it; a wallpaper switched off stays off.
TEST_F(MainFormTest, TheWallpaperGoesWhileTheMenuIsMinimised)
{
    TWPForm& wallpaper = *form->wp_form();
    form->show();
    ASSERT_TRUE(wallpaper.isVisible());
    form->min_btn->PressAndRelease();
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(wallpaper.isVisible());
    form->showNormal();
    EXPECT_TRUE(wallpaper.isVisible());

    form->min_btn->PressAndRelease();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(300, 200), form->mapToGlobal(QPointF(300, 200)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->windowHandle(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, press.position(), press.globalPosition(), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->windowHandle(), &release);
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(wallpaper.isVisible());

    wallpaper.hide();
    form->min_btn->PressAndRelease();
    form->showNormal();
    EXPECT_FALSE(wallpaper.isVisible());
}

// The whole window against reviewed pictures (support/Golden.h). The banners change at random
// and are hidden.
TEST_F(MainFormTest, TheScreensLookAsReviewed)
{
    ZUL_shell& shell = *form->shell();
    shell.Side().PanelBanner()->hide();
    shell.MainBanner()->hide();
    form->show();
    // The software view of the first entry, as the menu starts.
    EXPECT_TRUE(MatchesGolden(form->grab().toImage(), "software_view"));
    // Its labels in lines of Tahoma as the window system measures it: 22 pixels at -18 (the
    // title), 13 at -11.
    const mf_aux& view = shell.Frame().View(0, 0);
    EXPECT_EQ(view.L(1).height(), 22);
    EXPECT_EQ(view.L(2).y(), 77 + 22 + 5);
    EXPECT_EQ(view.L(2).height() % 13, 0);
    EXPECT_EQ(view.L(3).height(), 13);
    // Its info box: the first tab has full information, and a click on the title opens it.
    TLabel& title = shell.Frame().View(0, 0).L(1);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), title.mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&title, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), title.mapToGlobal(QPointF(2, 2)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&title, &release);
    const MF_inf& box = shell.Frame().InfoBox();
    ASSERT_TRUE(box.Shown());
    EXPECT_TRUE(MatchesGolden(form->grab().toImage(), "info_box"));
    // The title's line is 24 pixels high (-20), the type's 13: the rows begin under them.
    EXPECT_EQ(box.Title()->geometry(), QRect(127, 76, box.Title()->width(), 24));
    EXPECT_EQ(box.SecondLine()->geometry(), QRect(127, 101, box.SecondLine()->width(), 13));
    EXPECT_EQ(box.TopBevel()->y(), 116);
    EXPECT_EQ(box.Value(1)->y(), box.Value(0)->y() + 14);
    // The music tab, its panel in the stopped look.
    shell.Side().Buttons().back()->PressAndRelease();
    EXPECT_TRUE(MatchesGolden(form->grab().toImage(), "music_tab"));
}

// The options buttons' request: the options sound, the window with the current settings, and
// the choice applied only when it is accepted.
TEST_F(MainFormTest, TheOptionsAreAppliedOnlyWhenAccepted)
{
    TOptionsForm& options = *form->options_form();
    const Inf_shell& d = form->description();
    // Run once with `edit` clicking in the window while it is open.
    auto request = [&](auto edit) {
        QTimer::singleShot(0, &options, [&options, edit] { edit(options); });
        form->OptionsRequest();
    };

    // Event sounds off and background music on, accepted: the first music file loops.
    sound.played.clear();
    request([](TOptionsForm& o) {
        o.SoundCheckBox->click();
        o.MusicCheckBox->click();
        o.YesBtn->click();
    });
    ASSERT_GE(sound.played.size(), 2u);
    EXPECT_EQ(sound.played[0].rfind("RIFF", 0), 0u);  // the options sound, from memory
    EXPECT_EQ(sound.played.back(), "loop " + d.music_files[0]);
    EXPECT_TRUE(form->sounder().music_playing);
    EXPECT_FALSE(form->sounder().sounds_on);

    // Music off and the wallpaper box clicked, then Cancel: nothing changes, and with event
    // sounds off neither the options nor the Cancel sound is heard.
    sound.played.clear();
    const bool wallpaper_shown = form->wp_form()->isVisible();
    request([](TOptionsForm& o) {
        o.MusicCheckBox->click();
        o.WPCheckBox->click();
        o.CancelBtn->click();
    });
    EXPECT_TRUE(sound.played.empty());
    EXPECT_TRUE(form->sounder().music_playing);
    EXPECT_EQ(form->wp_form()->isVisible(), wallpaper_shown);

    // The skin's close button after changes applies nothing either.
    request([](TOptionsForm& o) {
        o.MusicCheckBox->click();
        o.close_btn->PressAndRelease();
    });
    EXPECT_TRUE(form->sounder().music_playing);

    // Music off frees the sound box; event sounds back on: the loop stops.
    request([](TOptionsForm& o) {
        o.MusicCheckBox->click();
        o.SoundCheckBox->click();
        o.YesBtn->click();
    });
    ASSERT_FALSE(sound.played.empty());
    EXPECT_EQ(sound.played.back(), "stop");
    EXPECT_FALSE(form->sounder().music_playing);
    EXPECT_TRUE(form->sounder().sounds_on);
}

// The MIDI device is opened by the first thing asked of it, once; until then it answers as the
// opened device, afterwards as the device itself, and its end-of-track notice comes through.
TEST(SequencerOpenedOnUse, OpensTheDeviceWhenFirstUsed)
{
    auto device = std::make_unique<RecordingSequencer>();
    RecordingSequencer& inner = *device;
    SequencerOpenedOnUse sequencer(std::move(device));
    EXPECT_EQ(sequencer.DeviceMode(), SequencerDevice::Mode::Open);
    EXPECT_TRUE(inner.calls.empty());
    EXPECT_FALSE(sequencer.Opened());

    sequencer.OpenFile("a.mid");
    sequencer.Play();
    sequencer.OpenDevice();
    EXPECT_EQ(inner.calls, (std::vector<std::string>{"midi device", "midi open a.mid", "midi play"}));
    EXPECT_EQ(sequencer.DeviceMode(), SequencerDevice::Mode::Playing);

    int ends = 0;
    sequencer.OnNotify = [&ends] { ++ends; };
    inner.End();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(sequencer.DeviceMode(), SequencerDevice::Mode::Stopped);

    // Asking for the position opens it too.
    auto other = std::make_unique<RecordingSequencer>();
    RecordingSequencer& second = *other;
    SequencerOpenedOnUse idle(std::move(other));
    EXPECT_EQ(idle.Position(), 0);
    EXPECT_EQ(second.calls, (std::vector<std::string>{"midi device"}));
}

// What goes first when the window goes: the shell's elements, the options window, the wallpaper
// window, and only then the background loop is stopped.
TEST(MainFormEnd, TheWindowIsTakenDownInOrder)
{
    TempDir disc;
    ASSERT_EQ(RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()}).exit_code, 0);
    std::filesystem::remove(disc.path() / "graph" / "image_lit.dat");
    std::vector<std::string> log;
    struct LoggingSound : RecordingSoundOutput {
        std::vector<std::string>* log = nullptr;
        void StopAll() override { log->push_back("loop stopped"); }
    } sound;
    sound.log = &log;
    QtApplication app;
    RecordingOpener opener;
    auto form = std::make_unique<TMainForm>(app, PathResolver(disc.path()), sound, opener);
    TOptionsForm& options = *form->options_form();
    QTimer::singleShot(0, &options, [&options] {
        options.SoundCheckBox->click();
        options.MusicCheckBox->click();
        options.YesBtn->click();
    });
    form->OptionsRequest();
    ASSERT_TRUE(form->sounder().music_playing);

    QObject::connect(form->shell()->MainBanner(), &QObject::destroyed, [&] { log.push_back("shell"); });
    QObject::connect(&options, &QObject::destroyed, [&] { log.push_back("options window"); });
    QObject::connect(form->wp_form(), &QObject::destroyed, [&] { log.push_back("wallpaper window"); });
    form.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"shell", "options window", "wallpaper window", "loop stopped"}));
}

}  // namespace
