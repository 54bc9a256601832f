#include <gtest/gtest.h>

#include "model/Description.h"
#include "script/Synter.h"

namespace {

TEST(Records, DefaultDescriptionIsEmptyAndZero)
{
    const Inf_shell d;
    EXPECT_EQ(d.cd.window.cap_height, 0);
    EXPECT_EQ(d.cd.opts_window.cap_height, 0);
    EXPECT_EQ(d.banner.time, 0);
    EXPECT_EQ(d.side_panel.banner.time, 0);
    EXPECT_EQ(d.wallpapers.time, 0);
    EXPECT_TRUE(d.main_frame.tabs.empty());
    EXPECT_TRUE(d.side_panel.tab_buttons.empty());
    EXPECT_TRUE(d.cd.title.empty());
    EXPECT_FALSE(SP_Inf_button{}.music);
    EXPECT_FALSE(sub_se{}.full_inf);
    EXPECT_EQ(SEL{}.label_font_size, 0);
}

TEST(Records, CopiesAreDeepAndIncludeTheBaseParts)
{
    Inf_shell d;
    Synter s(ScriptStream::FromBytes(
        "cd\nopts_window\nbutton\nnormal_pic = c\n/button\nabout_first = a\n/opts_window\n/cd\n"
        "tab\nbutton\nnormal_pic = t\n/button\nmusic = 1\nsub\np\ntitle = x\npic = y\n/p\n/sub\n/tab\n"));
    s.parse(d);

    Inf_shell copy = d;
    EXPECT_EQ(copy, d);
    copy.main_frame.tabs[0].sels[0].entries[0].pics.push_back({"t", "p"});
    copy.side_panel.tab_buttons.push_back({});
    copy.cd.opts_window.about_first = "changed";
    EXPECT_EQ(d.main_frame.tabs[0].sels[0].entries[0].pics.size(), 1u);
    EXPECT_EQ(d.side_panel.tab_buttons.size(), 1u);
    EXPECT_EQ(d.cd.opts_window.about_first, "a");
    EXPECT_NE(copy, d);

    // Assignment copies the base part of derived records as well.
    Inf_about_window w;
    w = d.cd.opts_window;
    EXPECT_EQ(w.close_btn.normal_pic, "c");
    SP_Inf_button b;
    b = d.side_panel.tab_buttons[0];
    EXPECT_EQ(b.normal_pic, "t");
    EXPECT_TRUE(b.music);
}

}  // namespace
