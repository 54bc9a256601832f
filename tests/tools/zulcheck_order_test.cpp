// The skin pictures zulcheck checks are those the menu's build step loads, in the same order: the
// real options window and shell controller are built over the demo disc's description with a
// picture source that records every name asked for.
#include <gtest/gtest.h>

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "support/WidgetTestSupport.h"
#include "elements/ZulShell.h"
#include "script/Synter.h"
#include "support/RecordingApplication.h"
#include "support/RecordingOpener.h"
#include "support/RecordingPlayers.h"
#include "support/RecordingSound.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "windows/Options.h"
#include "zulcheck/CheckPlaces.h"

namespace {

// Any name makes a solid picture; every name is recorded.
class RecordingSource : public ColourSource {
public:
    std::unique_ptr<Picture> LoadPicture(const std::string& name) override
    {
        if (pictures.find(name) == pictures.end())
            Add(name, QColor(10, 20, 30));
        return ColourSource::LoadPicture(name);
    }
};

TEST(ZulcheckOrder, TheSkinSlotsAreThePicturesTheBuildLoadsInItsOrder)
{
    TempDir disc;
    ASSERT_EQ(RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc.path().string()}).exit_code, 0);
    Inf_shell d;
    Synter(disc.path() / "graph" / "image_ru.dat").parse(d);

    const PathResolver resolver(disc.path());
    QWidget window;
    RecordingSource source;
    RecordingSoundOutput sound;
    Sounder sounder;
    RecordingApplication app;
    RecordingOpener opener;
    RecordingDecoder decoder;
    RecordingSequencer sequencer;

    // The main window places its background and its two buttons itself, then builds the
    // options window and the shell controller.
    std::vector<std::string> loaded = {d.cd.window.back.pic,           d.cd.window.min_btn.normal_pic,
                                       d.cd.window.min_btn.over_pic,   d.cd.window.min_btn.down_pic,
                                       d.cd.window.close_btn.normal_pic, d.cd.window.close_btn.over_pic,
                                       d.cd.window.close_btn.down_pic};
    {
        TOptionsForm options(&window, d.cd.opts_window, sounder, sound, resolver, source);
        const ElementContext context{&window, source, resolver, sound, sounder, app, opener, decoder, sequencer};
        ZUL_shell shell(context, d, [](QObject*) {});
    }
    loaded.insert(loaded.end(), source.loaded.begin(), source.loaded.end());

    std::vector<std::string> checked;
    for (const SkinSlot& slot : SkinSlots(d))
        checked.push_back(slot.name);
    EXPECT_EQ(checked, loaded);
}

}  // namespace
