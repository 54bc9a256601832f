#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "script/Synter.h"
#include "support/TempDir.h"

namespace {

// Parses `text` (lines joined with line feeds) into a fresh description.
struct Parsed {
    Inf_shell d;
    std::optional<int> code;
    int line = 0;
};

Parsed Parse(const std::string& text)
{
    Parsed r;
    Synter s(ScriptStream::FromBytes(text));
    try {
        s.parse(r.d);
    } catch (const ScriptError& e) {
        r.code = e.code;
        r.line = s.line_no;
    }
    return r;
}

// Expects the parse of `text` to fail with `code` on line `line`.
void ExpectError(const std::string& text, int code, int line)
{
    const Parsed r = Parse(text);
    ASSERT_TRUE(r.code.has_value()) << text;
    EXPECT_EQ(*r.code, code) << text;
    EXPECT_EQ(r.line, line) << text;
}

TEST(Synter, EmptyAndTrivialScriptsLeaveTheDescriptionUnchanged)
{
    for (const char* text : {"", "\n\n", "cd\n/cd\n", "cd\n/cd", "garbage\ncd\n/cd\n", "/cd\n"}) {
        const Parsed r = Parse(text);
        EXPECT_FALSE(r.code) << text;
        EXPECT_EQ(r.d, Inf_shell{}) << text;
    }
}

TEST(Synter, AScriptThatCannotBeOpenedRaisesTheText)
{
    TempDir dir;
    try {
        Synter s(dir.path() / "missing.dat");
        FAIL() << "no error";
    } catch (const ScriptOpenError& e) {
        EXPECT_STREQ(e.what(), "Can't open data file!");
    }
    EXPECT_THROW(Synter{dir.path()}, ScriptOpenError);  // a folder is not a script
}

TEST(Synter, CdSlotsFillInOrderAndSkipAbsentBlocks)
{
    Parsed r = Parse("cd\nimage\npic = a.bmp\n/back\n/cd\n");
    EXPECT_FALSE(r.code);
    EXPECT_EQ(r.d.picture.pic, "a.bmp");

    r = Parse("cd\nimage\npic = p\n/image\nopts_window\n/opts_window\n/cd\n");
    EXPECT_FALSE(r.code);
    EXPECT_EQ(r.d.picture.pic, "p");
    EXPECT_EQ(r.d.cd.window.back.pic, "");

    r = Parse("cd\nback\npic = one\n/back\nbutton\nnormal_pic = b\n/button\nimage\npic = two\n/image\n/cd\n");
    EXPECT_FALSE(r.code);
    EXPECT_EQ(r.d.picture.pic, "one");
    EXPECT_EQ(r.d.cd.window.min_btn.normal_pic, "b");
    EXPECT_EQ(r.d.main_frame.music_strip.pic, "two");
    EXPECT_EQ(r.d.cd.window.back, Inf_image{});
    EXPECT_EQ(r.d.cd.window.close_btn, Inf_button{});
}

TEST(Synter, EverySectionFillsItsSlots)
{
    const Parsed r = Parse(
        "cd\n"
        "image\npic = pic\n/image\n"
        "image\npic = back\nleft = 1\ntop = 2\nwidth = 3\nheight = 4\n/image\n"
        "button\nnormal_pic = min\nover_pic = mo\ndown_pic = md\nhint = Min\nleft = 5\ntop = 6\nwidth = 7\nheight = 8\n/button\n"
        "button\nnormal_pic = close\n/button\n"
        "side_panel\nimage\npic = side\n/image\nbutton\nnormal_pic = link\n/button\n/side_panel\n"
        "top_panel\nback\npic = top\n/back\n/top_panel\n"
        "control_panel\nimage\npic = pi\n/image\nbutton\nnormal_pic = pb\n/button\n"
        "button\nnormal_pic = sb\n/button\nimage\npic = oi\n/image\n"
        "image\npic = ni\n/image\nbutton\nnormal_pic = nb\n/button\n/control_panel\n"
        "mcontrol_panel\nimage\npic = mback\n/image\nbutton\nnormal_pic = m1\n/button\n"
        "button\nnormal_pic = m2\n/button\nbutton\nnormal_pic = m3\n/button\n"
        "button\nnormal_pic = m4\n/button\nbutton\nnormal_pic = m5\n/button\n/mcontrol_panel\n"
        "opts_window\nimage\npic = ob\n/image\nbutton\nnormal_pic = oc\n/button\n"
        "cap_height = 30\nabout_first = A\nabout_second = B\nsound_off = S\ncursors_off = C\n"
        "wp_off = W\nwp_select = WS\nlang_select = L\nmusic_off = M\nmusic_select = MS\n/opts_window\n"
        "image\npic = strip\n/image\n"
        "/cd\n");
    ASSERT_FALSE(r.code) << *r.code << " at " << r.line;
    const Inf_shell& d = r.d;
    EXPECT_EQ(d.picture.pic, "pic");
    EXPECT_EQ(d.cd.window.back, (Inf_image{"back", 1, 2, 3, 4}));
    EXPECT_EQ(d.cd.window.min_btn, (Inf_button{"min", "mo", "md", "Min", 5, 6, 7, 8}));
    EXPECT_EQ(d.cd.window.close_btn.normal_pic, "close");
    EXPECT_EQ(d.side_panel.back.pic, "side");
    EXPECT_EQ(d.side_panel.link_btn.normal_pic, "link");
    EXPECT_EQ(d.top_panel.back.pic, "top");
    const Inf_control_panel& cp = d.control_panel;
    EXPECT_EQ(cp.prev_image.pic, "pi");
    EXPECT_EQ(cp.prev_btn.normal_pic, "pb");
    EXPECT_EQ(cp.setup_image.pic, "");
    EXPECT_EQ(cp.setup_btn.normal_pic, "sb");
    EXPECT_EQ(cp.options_image.pic, "oi");
    EXPECT_EQ(cp.options_btn.normal_pic, "");
    EXPECT_EQ(cp.next_image.pic, "ni");
    EXPECT_EQ(cp.next_btn.normal_pic, "nb");
    const Inf_mcontrol_panel& mp = d.mcontrol_panel;
    EXPECT_EQ(mp.back.pic, "mback");
    EXPECT_EQ(mp.prev_btn.normal_pic, "m1");
    EXPECT_EQ(mp.play_btn.normal_pic, "m2");
    EXPECT_EQ(mp.stop_btn.normal_pic, "m3");
    EXPECT_EQ(mp.next_btn.normal_pic, "m4");
    EXPECT_EQ(mp.options_btn.normal_pic, "m5");
    const Inf_about_window& ow = d.cd.opts_window;
    EXPECT_EQ(ow.back.pic, "ob");
    EXPECT_EQ(ow.close_btn.normal_pic, "oc");
    EXPECT_EQ(ow.min_btn, Inf_button{});
    EXPECT_EQ(ow.cap_height, 30);
    EXPECT_EQ(ow.about_first + ow.about_second + ow.sound_off + ow.cursors_off + ow.wp_off +
                  ow.wp_select + ow.lang_select + ow.music_off + ow.music_select,
              "ABSCWWSLMMS");
    EXPECT_EQ(d.main_frame.music_strip.pic, "strip");
}

TEST(Synter, ControlPanelButtonFillsTheButtonSlotWhenItsImageIsAbsent)
{
    const Parsed r = Parse("cd\ncontrol_panel\nbutton\nnormal_pic = x\n/button\n/control_panel\n/cd\n");
    ASSERT_FALSE(r.code);
    EXPECT_EQ(r.d.control_panel.prev_btn.normal_pic, "x");
    EXPECT_EQ(r.d.control_panel.prev_image.pic, "");
}

TEST(Synter, CdKeysSetTheirFields)
{
    const Parsed r = Parse(
        "cd\ntitle = T\nmain_cursor = m.cur\nlink_cursor = l.cur\ncap_height = 20\n"
        "exit_sound = e.wav\noptions_sound = o.wav\nok_sound = ok.wav\ncancel_sound = c.wav\n"
        "sm_ad_url = lost\nsm_ad_pic = s1\nsm_ad_url = u1\nsm_ad_pic = s2\nsm_ad_time = 4\n"
        "sm_ad_left = 1\nsm_ad_top = 2\nsm_ad_width = 3\nsm_ad_height = 4\n"
        "ad_pic = b1\nad_url = v1\nad_url = v2\nad_time = x\nad_left = 5\nad_top = 6\nad_width = 7\nad_height = 8\n"
        "size_title = 1\ndeveloper_title = 2\npublisher_title = 3\nzhanr_title = 4\nversion_title = 5\n"
        "url_title = 6\ndescription_title = 7\nsysinf_title = 8\n"
        "size_sm_title = a\ndeveloper_sm_title = b\npublisher_sm_title = c\nzhanr_sm_title = d\n"
        "version_sm_title = e\nurl_sm_title = f\ndescription_sm_title = g\nsysinf_sm_title = h\nos_sm_title = i\n"
        "picture_sound = p.wav\ngrid_select_sound = g.wav\n"
        "setup_nomer = N\nsetup_file = F\nsetup_desc = D\nsetup_run = R\nsetup_close = C\n"
        "setup_sound = s.wav\nlink_sound = l.wav\nsp_btn_sound = b.wav\n"
        "wp_dir = walls\nwp_dir = walls\\\nwp_dir =\nwp_time =\n"
        "link_caption = LC\nlink_message = LM\nmusic_file = one.wav\nmusic_file = two.wav\n"
        "title = T2\n/cd\n");
    ASSERT_FALSE(r.code) << *r.code << " at " << r.line;
    const Inf_shell& d = r.d;
    EXPECT_EQ(d.cd.title, "T2");  // a later line overwrites
    EXPECT_EQ(d.cd.main_cursor, "m.cur");
    EXPECT_EQ(d.cd.link_cursor, "l.cur");
    EXPECT_EQ(d.cd.window.cap_height, 20);
    EXPECT_EQ(d.cd.exit_sound, "e.wav");
    EXPECT_EQ(d.cd.options_sound, "o.wav");
    EXPECT_EQ(d.cd.opts_window.ok_sound, "ok.wav");
    EXPECT_EQ(d.cd.opts_window.cancel_sound, "c.wav");
    EXPECT_EQ(d.side_panel.banner.items,
              (std::vector<Inf_banner_aux>{{"s1", "u1"}, {"s2", ""}}));
    EXPECT_EQ(d.side_panel.banner.time, 4);
    EXPECT_EQ(d.side_panel.banner.left + d.side_panel.banner.top * 10 +
                  d.side_panel.banner.width * 100 + d.side_panel.banner.height * 1000,
              4321);
    EXPECT_EQ(d.banner.items, (std::vector<Inf_banner_aux>{{"b1", "v2"}}));
    EXPECT_EQ(d.banner.time, 10);  // not a number
    EXPECT_EQ(d.banner.left + d.banner.top * 10 + d.banner.width * 100 + d.banner.height * 1000, 8765);
    const SoftTabTitles& t = d.main_frame.titles;
    EXPECT_EQ(t.size_title + t.developer_title + t.publisher_title + t.zhanr_title +
                  t.version_title + t.url_title + t.description_title + t.sysinf_title,
              "12345678");
    const SoftSmallTitles& s = d.main_frame.small_titles;
    EXPECT_EQ(s.size_sm_title + s.developer_sm_title + s.publisher_sm_title + s.zhanr_sm_title +
                  s.version_sm_title + s.url_sm_title + s.description_sm_title +
                  s.sysinf_sm_title + s.os_sm_title,
              "abcdefghi");
    EXPECT_EQ(d.main_frame.picture_sound, "p.wav");
    EXPECT_EQ(d.main_frame.grid_select_sound, "g.wav");
    EXPECT_EQ(d.setup_win, (Inf_setup_win{"N", "F", "D", "R", "C"}));
    EXPECT_EQ(d.setup_sound, "s.wav");
    EXPECT_EQ(d.link_sound, "l.wav");
    EXPECT_EQ(d.sp_btn_sound, "b.wav");
    EXPECT_EQ(d.wallpapers.dirs, (std::vector<std::string>{"walls\\", "walls\\", ""}));
    EXPECT_EQ(d.wallpapers.time, 60);
    EXPECT_EQ(d.link_box, (Inf_link_box{"LC", "LM"}));
    EXPECT_EQ(d.music_files, (std::vector<std::string>{"one.wav", "two.wav"}));
}

TEST(Synter, NumbersThatAreNotNumbersTakeTheKeysDefault)
{
    Parsed r = Parse("cd\nimage\nleft = 10px\ntop = $10\n/image\ncap_height = x\n/cd\n");
    ASSERT_FALSE(r.code);
    EXPECT_EQ(r.d.picture.left, 0);
    EXPECT_EQ(r.d.picture.top, 16);
    EXPECT_EQ(r.d.cd.window.cap_height, 26);
    // Without the key the field keeps its default of 0.
    r = Parse("cd\ntitle = x\n/cd\n");
    EXPECT_EQ(r.d.cd.window.cap_height, 0);
    EXPECT_EQ(r.d.banner.time, 0);
    EXPECT_EQ(r.d.wallpapers.time, 0);
}

TEST(Synter, ErrorCodesAndTheirLines)
{
    // A key a block does not accept.
    ExpectError("cd\nimage\nhint = x\n/image\n/cd\n", 2, 3);
    ExpectError("cd\nbutton\npic = x\n/button\n/cd\n", 2, 3);
    ExpectError("tab\ntitle = x\n/tab\n", 2, 2);
    ExpectError("tab\nsub\ntitle = x\n/sub\n/tab\n", 2, 3);
    // A closing tag of a block missing.
    ExpectError("cd\nimage\npic = x\n/button\n/cd\n", 3, 4);
    ExpectError("cd\nbutton\nhint = x\n/cd\n", 3, 4);
    ExpectError("tab\nsub\n/tab\n", 3, 3);
    ExpectError("tab\n/sub\n", 3, 2);
    ExpectError("tab\nimage\n/image\nbutton\n/button\n/tab\n", 3, 4);  // button slot comes first
    ExpectError("tab\nmusic\n/tab\n", 3, 2);  // "music" without "=" is no key line
    // Entries.
    ExpectError("tab\nsub\np\ntitle = x\n/sub\n/tab\n", 5, 5);
    ExpectError("tab\nsub\np\nhint = x\n/p\n/sub\n/tab\n", 666, 4);
    // Sections.
    ExpectError("cd\npic = x\n/cd\n", 102, 2);
    ExpectError("cd\nfoo = 1\n/cd\n", 103, 2);  // no key word: the key list ends, "/cd" is due
    ExpectError("cd\nopts_window\ntitle = x\n/opts_window\n/cd\n", 102, 3);
    ExpectError("cd\nside_panel\ntitle = x\n", 103, 3);
    ExpectError("cd\ntop_panel\nbutton\n/button\n/top_panel\n/cd\n", 103, 3);
    ExpectError("cd\ncontrol_panel\n/cd\n", 103, 3);
    ExpectError("cd\nmcontrol_panel\nimage\n/image\nimage\n/image\n/mcontrol_panel\n/cd\n", 103, 5);
    ExpectError("cd\nopts_window\n/cd\n", 103, 3);
}

TEST(Synter, AnErrorAtTheEndOfTheFileReportsTheLastLineRead)
{
    ExpectError("cd\ntitle = x\n", 103, 2);
    ExpectError("cd\ntitle = x", 103, 2);
    ExpectError("cd\ntitle = x\n\n\n", 103, 4);
    ExpectError("tab\nsub\np\n", 5, 3);
}

TEST(Synter, ParsingStopsQuietlyAtTheFirstLineAfterTheTabsThatIsNoTab)
{
    const Parsed r = Parse("tab\n/tab\ngarbage\ntab\ntitle = broken\n");
    EXPECT_FALSE(r.code);
    EXPECT_EQ(r.d.main_frame.tabs.size(), 1u);
    EXPECT_FALSE(Parse("title = x\ncd\npic = y\n").code);
}

TEST(Synter, EveryTabAddsOneImageListOneRowAndOneTab)
{
    const Parsed r = Parse(
        "tab\nbutton\nnormal_pic = t1\n/button\nimage\npic = ti\n/image\nmusic = yes\nnofull_inf =\n"
        "sub\nbutton\nnormal_pic = s1\n/button\nimage\npic = si1\n/image\n/sub\n"
        "sub\nimage\npic = si2\n/image\n/sub\n"
        "sub\nbutton\nnormal_pic = s3\n/button\n/sub\n/tab\n"
        "tab\nmusic = 1\n/tab\n"
        "tab\nbutton\nnormal_pic = t3\n/button\n/tab\n");
    ASSERT_FALSE(r.code) << *r.code << " at " << r.line;
    const Inf_shell& d = r.d;
    ASSERT_EQ(d.main_frame.tabs.size(), 3u);
    ASSERT_EQ(d.main_frame.tab_images.size(), 3u);
    ASSERT_EQ(d.top_panel.tab_rows.size(), 3u);
    // Only tabs with a button block have a side-panel button; "music" marks that tab's only.
    ASSERT_EQ(d.side_panel.tab_buttons.size(), 2u);
    EXPECT_EQ(d.side_panel.tab_buttons[0].normal_pic, "t1");
    EXPECT_TRUE(d.side_panel.tab_buttons[0].music);
    EXPECT_EQ(d.side_panel.tab_buttons[1].normal_pic, "t3");
    EXPECT_FALSE(d.side_panel.tab_buttons[1].music);

    EXPECT_TRUE(d.main_frame.tabs[0].music);
    EXPECT_FALSE(d.main_frame.tabs[0].full_inf);
    EXPECT_TRUE(d.main_frame.tabs[1].music);
    EXPECT_TRUE(d.main_frame.tabs[1].full_inf);
    EXPECT_FALSE(d.main_frame.tabs[2].music);
    EXPECT_TRUE(d.main_frame.tabs[2].full_inf);

    EXPECT_EQ(d.main_frame.tabs[0].sels.size(), 3u);
    EXPECT_EQ(d.main_frame.tabs[1].sels.size(), 0u);
    std::vector<std::string> images;
    for (const Inf_image& i : d.main_frame.tab_images[0])
        images.push_back(i.pic);
    EXPECT_EQ(images, (std::vector<std::string>{"ti", "si1", "si2"}));
    EXPECT_TRUE(d.main_frame.tab_images[1].empty());
    ASSERT_EQ(d.top_panel.tab_rows[0].buttons.size(), 2u);
    EXPECT_EQ(d.top_panel.tab_rows[0].buttons[1].normal_pic, "s3");
    EXPECT_TRUE(d.top_panel.tab_rows[2].buttons.empty());
}

TEST(Synter, SubGeometryCarriesOverWhilePerSubDefaultsAreResetEachTime)
{
    const Parsed r = Parse(
        "cd\ndescription_title = CD desc\nsysinf_title = CD sys\n/cd\n"
        "tab\nsub\ngrid_left = 5\ngrid_top = 6\ngrid_width = 7\ngrid_height = 8\nlabel_left = 9\n"
        "label_top = 10\nlabel_width = 11\nthumb_left = 12\nthumb_top = 13\n"
        "description_title = own\ndescription_sm_title = small\nsysinf_title = own sys\n"
        "label_font_size = -20\nlabel_font_color = $FF\n/sub\n"
        "sub\n/sub\n/tab\n"
        "tab\nsub\nlabel_font_size = big\ngrid_left = 1\n/sub\n/tab\n");
    ASSERT_FALSE(r.code) << *r.code << " at " << r.line;
    const SEL& first = r.d.main_frame.tabs[0].sels[0];
    const SEL& second = r.d.main_frame.tabs[0].sels[1];
    const SEL& third = r.d.main_frame.tabs[1].sels[0];
    EXPECT_EQ(first.label_font_size, -20);
    EXPECT_EQ(first.label_font_color, 255);
    EXPECT_EQ(first.description_title, "own");
    // The second sub keeps the geometry and the short caption of the first ...
    EXPECT_EQ(second.grid_left, 5);
    EXPECT_EQ(second.grid_height, 8);
    EXPECT_EQ(second.label_width, 11);
    EXPECT_EQ(second.thumb_top, 13);
    EXPECT_EQ(second.description_sm_title, "small");
    // ... but its font and captions start again from the defaults and the cd-level captions.
    EXPECT_EQ(second.label_font_size, -16);
    EXPECT_EQ(second.label_font_color, 0);
    EXPECT_EQ(second.description_title, "CD desc");
    EXPECT_EQ(second.sysinf_title, "CD sys");
    // Carried across tabs too.
    EXPECT_EQ(third.grid_left, 1);
    EXPECT_EQ(third.grid_top, 6);
    EXPECT_EQ(third.label_font_size, -16);
}

TEST(Synter, EntryKeysJoinDescriptionsAndPairPictures)
{
    const Parsed r = Parse(
        "tab\nsub\n"
        "p\ntitle = T\nsize = S\ndeveloper = D\npublisher = P\ntype = Y\nzhanr = Z\nversion = V\n"
        "url = U\nurl_dev = UD\nurl_pub = UP\nsysinf = SI\nos = O\n"
        "description = One\ndescription =\ndescription = Two\n"
        "setup_description = lost\nsetup = s1\nsetup = s2\nsetup_description = d\nsetup = s3\n"
        "pic = big1.jpg\nthumb = t1.jpg\nthumb = t2.jpg\n/p\n"
        "p\ndescription =\ndescription = Two\npic = a\npic = b\n/p\n"
        "/sub\n/tab\n");
    ASSERT_FALSE(r.code) << *r.code << " at " << r.line;
    const auto& entries = r.d.main_frame.tabs[0].sels[0].entries;
    ASSERT_EQ(entries.size(), 2u);
    const SoftTabElement& e = entries[0];
    EXPECT_EQ(e.title + e.size + e.developer + e.publisher + e.type + e.zhanr + e.version + e.url +
                  e.url_dev + e.url_pub + e.sysinf + e.os,
              "TSDPYZVUUDUPSIO");
    EXPECT_EQ(e.description, "One\n\nTwo");
    EXPECT_EQ(e.setups, (std::vector<string_pair>{{"s1", ""}, {"s2", "d"}, {"s3", ""}}));
    EXPECT_EQ(e.pics, (std::vector<PicPair>{{"t1.jpg", "big1.jpg"}, {"t2.jpg", ""}}));
    EXPECT_EQ(entries[1].description, "Two");
    EXPECT_EQ(entries[1].pics, (std::vector<PicPair>{{"", "a"}, {"", "b"}}));
}

TEST(Synter, AfterAnErrorTheDescriptionHoldsWhatCameBefore)
{
    // The side-panel button of the failing tab is already in; the tab itself is not.
    const Parsed r = Parse(
        "cd\ntitle = kept\n/cd\n"
        "tab\nbutton\nnormal_pic = b1\n/button\nsub\np\ntitle = x\nbogus line\n/p\n/sub\n/tab\n");
    ASSERT_EQ(r.code, 5);
    EXPECT_EQ(r.line, 11);
    EXPECT_EQ(r.d.cd.title, "kept");
    ASSERT_EQ(r.d.side_panel.tab_buttons.size(), 1u);
    EXPECT_EQ(r.d.side_panel.tab_buttons[0].normal_pic, "b1");
    EXPECT_TRUE(r.d.main_frame.tabs.empty());
}

TEST(Synter, ReadsWindowsScriptsWithCrLfAndLegacyBytesUnchanged)
{
    // "Игры" in Windows-1251, and a value with a lone CR inside.
    const std::string games = "\xC8\xE3\xF0\xFB";
    TempDir dir;
    const auto file = dir.Write("image_ru.dat", "cd\r\ntitle = " + games + "\r\nlink_caption = a\rb\r\n/cd\r\n"
                                                "tab\r\nbutton\r\nhint = " + games + "  \r\n/button\r\n/tab");
    Synter s(file);
    Inf_shell d;
    s.parse(d);
    EXPECT_EQ(d.cd.title, games);
    EXPECT_EQ(d.link_box.link_caption, "a\rb");
    ASSERT_EQ(d.side_panel.tab_buttons.size(), 1u);
    EXPECT_EQ(d.side_panel.tab_buttons[0].hint, games);
    EXPECT_EQ(s.line_no, 9);
}

}  // namespace

namespace {

TEST(Synter, EntryListsKeepNoRoomTheyDoNotUse)
{
    // A long sub followed by short ones: room made ahead for the short ones is given back, so a
    // script cannot make the description hold far more memory than its entries need.
    std::string text = "tab\nsub\n";
    for (int i = 0; i < 500; ++i)
        text += "p\n/p\n";
    text += "/sub\n";
    for (int i = 0; i < 20; ++i)
        text += "sub\np\n/p\n/sub\n";
    text += "/tab\n";
    const Parsed r = Parse(text);
    ASSERT_FALSE(r.code);
    const auto& sels = r.d.main_frame.tabs[0].sels;
    ASSERT_EQ(sels.size(), 21u);
    EXPECT_EQ(sels[0].entries.size(), 500u);
    for (std::size_t i = 1; i < sels.size(); ++i)
        EXPECT_EQ(sels[i].entries.capacity(), 1u) << i;
}

}  // namespace
