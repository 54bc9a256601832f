// The demo disc as the menu reads it: both scripts parse, every skin picture is a member of the
// picture archive and decodes, every file the scripts name is on the disc (some only when letter
// case is ignored, as on real discs), and its mp3 track plays through the built-in decoder module.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "archive/ZipGrFile.h"
#include "disc/PathResolver.h"
#include "pictures/Picture.h"
#include "script/Synter.h"
#include "sound/AudioRing.h"
#include "sound/ElSounds.h"
#include "sound/Mp3Module.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct Script {
    std::string code;
    Inf_shell shell;
};

class DemoDisc : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        disc_ = new TempDir;
        const ProgramResult r = RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {disc_->path().string()});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        for (const char* code : {"ru", "lit"}) {
            Script script{code, {}};
            Synter parser(disc_->path() / "graph" / (std::string("image_") + code + ".dat"));
            parser.parse(script.shell);
            scripts_->push_back(script);
        }
    }
    static void TearDownTestSuite()
    {
        delete disc_;
        disc_ = nullptr;
        scripts_->clear();
    }

    static const fs::path& Root() { return disc_->path(); }
    static const std::vector<Script>& Scripts() { return *scripts_; }

private:
    static TempDir* disc_;
    static std::vector<Script>* scripts_;
};

TempDir* DemoDisc::disc_ = nullptr;
std::vector<Script>* DemoDisc::scripts_ = new std::vector<Script>;

void AddButton(std::vector<std::string>& names, const Inf_button& b)
{
    names.insert(names.end(), {b.normal_pic, b.over_pic, b.down_pic});
}

// Every archive picture a description makes the menu load.
std::vector<std::string> SkinPictures(const Inf_shell& d)
{
    std::vector<std::string> names = {d.picture.pic, d.cd.window.back.pic, d.side_panel.back.pic,
                                      d.top_panel.back.pic, d.mcontrol_panel.back.pic,
                                      d.cd.opts_window.back.pic, d.main_frame.music_strip.pic};
    for (const Inf_button* b : {&d.cd.window.min_btn, &d.cd.window.close_btn, &d.cd.opts_window.close_btn,
                                &d.side_panel.link_btn, &d.control_panel.prev_btn, &d.control_panel.setup_btn,
                                &d.control_panel.options_btn, &d.control_panel.next_btn,
                                &d.mcontrol_panel.prev_btn, &d.mcontrol_panel.play_btn,
                                &d.mcontrol_panel.stop_btn, &d.mcontrol_panel.next_btn,
                                &d.mcontrol_panel.options_btn})
        AddButton(names, *b);
    for (const Inf_image* i : {&d.control_panel.prev_image, &d.control_panel.setup_image,
                               &d.control_panel.options_image, &d.control_panel.next_image})
        names.push_back(i->pic);
    for (const SP_Inf_button& b : d.side_panel.tab_buttons)
        AddButton(names, b);
    for (const IndBtn& row : d.top_panel.tab_rows)
        for (const Inf_button& b : row.buttons)
            AddButton(names, b);
    for (const auto& images : d.main_frame.tab_images)
        for (const Inf_image& i : images)
            names.push_back(i.pic);
    for (const sub_se& tab : d.main_frame.tabs)
        for (const SEL& sub : tab.sels)
            for (const SoftTabElement& e : sub.entries)
                for (const PicPair& pair : e.pics)
                    names.push_back(pair.thumb);
    return names;
}

// Every file or folder a description names, with what it should be.
std::vector<std::string> NamedFiles(const Inf_shell& d)
{
    std::vector<std::string> files = {d.cd.main_cursor, d.cd.link_cursor, d.cd.exit_sound, d.cd.options_sound,
                                      d.cd.opts_window.ok_sound, d.cd.opts_window.cancel_sound,
                                      d.main_frame.picture_sound, d.main_frame.grid_select_sound,
                                      d.setup_sound, d.link_sound, d.sp_btn_sound};
    for (const Inf_banner* banner : {&d.side_panel.banner, &d.banner})
        for (const Inf_banner_aux& ad : banner->items)
            files.push_back(ad.pic);
    files.insert(files.end(), d.music_files.begin(), d.music_files.end());
    for (const sub_se& tab : d.main_frame.tabs)
        for (const SEL& sub : tab.sels)
            for (const SoftTabElement& e : sub.entries) {
                for (const string_pair& setup : e.setups)
                    files.push_back(setup.first);
                for (const PicPair& pair : e.pics)
                    if (!pair.pic.empty())
                        files.push_back(pair.pic);
            }
    return files;
}

std::string Extension(const std::string& name)
{
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

TEST_F(DemoDisc, BothScriptsDescribeTheWholeMenuInTheirCodePages)
{
    ASSERT_EQ(Scripts().size(), 2u);
    for (const Script& s : Scripts()) {
        SCOPED_TRACE(s.code);
        const Inf_shell& d = s.shell;
        // Written on Windows: CR LF line ends.
        const std::string bytes = ReadFileBytes(Root() / "graph" / ("image_" + s.code + ".dat"));
        EXPECT_NE(bytes.find("cd\r\n"), std::string::npos);
        EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
        EXPECT_EQ(d.cd.window.cap_height, 26);
        EXPECT_EQ(d.cd.opts_window.cap_height, 24);
        // Software tabs with subs and entries, and a music tab whose tracks name their files.
        ASSERT_EQ(d.main_frame.tabs.size(), 3u);
        ASSERT_EQ(d.side_panel.tab_buttons.size(), 3u);
        ASSERT_EQ(d.top_panel.tab_rows.size(), 3u);
        for (std::size_t t = 0; t < 3; ++t) {
            EXPECT_EQ(d.top_panel.tab_rows[t].buttons.size(), d.main_frame.tabs[t].sels.size());
            EXPECT_EQ(d.side_panel.tab_buttons[t].music, d.main_frame.tabs[t].music);
            for (const SEL& sub : d.main_frame.tabs[t].sels)
                EXPECT_FALSE(sub.entries.empty());
        }
        EXPECT_FALSE(d.main_frame.tabs[0].music);
        EXPECT_FALSE(d.main_frame.tabs[1].full_inf);
        const sub_se& music = d.main_frame.tabs[2];
        EXPECT_TRUE(music.music);
        // MIDI tracks with one mp3 between them.
        ASSERT_EQ(music.sels[0].entries.size(), 4u);
        std::vector<std::string> kinds;
        for (const SoftTabElement& track : music.sels[0].entries) {
            ASSERT_FALSE(track.setups.empty());
            kinds.push_back(Extension(track.setups[0].first));
        }
        EXPECT_EQ(kinds, (std::vector<std::string>{"mid", "rmi", "mp3", "mid"}));
        // An entry with several installers opens the setup list.
        bool several = false;
        for (const SEL& sub : d.main_frame.tabs[0].sels)
            for (const SoftTabElement& e : sub.entries)
                several = several || e.setups.size() > 1;
        EXPECT_TRUE(several);
        EXPECT_EQ(d.wallpapers.dirs.size(), 2u);
        EXPECT_EQ(d.music_files.size(), 2u);
    }
    // Texts are bytes of the language's code page: "Диск" in Windows-1251, "Ž" in Windows-1257.
    EXPECT_EQ(Scripts()[0].shell.cd.title.rfind("\xC4\xE8\xF1\xEA", 0), 0u);
    EXPECT_EQ(Scripts()[1].shell.cd.title.rfind("\xDEurnalo", 0), 0u);
}

TEST_F(DemoDisc, EverySkinPictureIsAnArchiveMemberThatDecodes)
{
    RecordingApplication app;
    const PathResolver resolver(Root());
    ZipGrFile archive(app, resolver);
    std::set<std::string> kinds;
    for (const Script& s : Scripts()) {
        for (const std::string& name : SkinPictures(s.shell)) {
            SCOPED_TRACE(s.code + ": " + name);
            ASSERT_FALSE(name.empty());
            ASSERT_EQ(archive.Members().count(name), 1u);
            std::unique_ptr<Picture> picture;
            EXPECT_NO_THROW(picture = archive.LoadPicture(name));
            ASSERT_TRUE(picture);
            EXPECT_GT(picture->Width(), 0);
            kinds.insert(Extension(name));
        }
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"bmp", "gif", "jpg"}));
    EXPECT_TRUE(app.calls.empty());
    // The main window's background fills the window; the three looks of a button differ.
    const Inf_shell& ru = Scripts()[0].shell;
    const auto back = archive.LoadPicture(ru.cd.window.back.pic);
    EXPECT_EQ(back->Width(), 648);
    EXPECT_EQ(back->Height(), 511);
    for (const Inf_button* b : {&ru.cd.window.close_btn, &ru.control_panel.setup_btn,
                                static_cast<const Inf_button*>(&ru.side_panel.tab_buttons[0])}) {
        const QImage normal = archive.LoadPicture(b->normal_pic)->Image();
        const QImage over = archive.LoadPicture(b->over_pic)->Image();
        const QImage down = archive.LoadPicture(b->down_pic)->Image();
        EXPECT_EQ(normal.size(), over.size());
        EXPECT_EQ(normal.size(), down.size());
        EXPECT_NE(normal, over) << b->normal_pic;
        EXPECT_NE(normal, down) << b->normal_pic;
        EXPECT_NE(over, down) << b->normal_pic;
    }
    // Captions are in the disc's language: the two languages' tab buttons are different pictures.
    EXPECT_NE(archive.LoadPicture(ru.side_panel.tab_buttons[0].normal_pic)->Image(),
              archive.LoadPicture(Scripts()[1].shell.side_panel.tab_buttons[0].normal_pic)->Image());
}

TEST_F(DemoDisc, EveryFileTheScriptsNameIsOnTheDiscSomeOnlyWhateverTheCase)
{
    const PathResolver resolver(Root());
    int case_differs = 0;
    for (const Script& s : Scripts()) {
        // Some names are in the language itself: the menu reads them in its code page.
        current_charset = s.code == "ru" ? 204 : 186;
        std::vector<std::string> files = NamedFiles(s.shell);
        files.push_back("graph\\splash\\" + s.code + "\\Intro.gif");
        for (const std::string& path : files) {
            SCOPED_TRACE(s.code + ": " + path);
            ASSERT_FALSE(path.empty());
            const auto found = resolver.Find(path);
            ASSERT_TRUE(found);
            EXPECT_TRUE(fs::is_regular_file(*found));
            std::string literal = path;
            for (char& c : literal)
                if (c == '\\')
                    c = '/';
            if (!fs::exists(Root() / literal))
                ++case_differs;
        }
        for (const std::string& dir : s.shell.wallpapers.dirs) {
            SCOPED_TRACE(dir);
            const auto found = resolver.Find(dir);
            ASSERT_TRUE(found);
            EXPECT_TRUE(fs::is_directory(*found));
            EXPECT_GE(FindFiles(resolver, dir + "*.jpg").size(), 2u);
        }
    }
    current_charset = 0;
    EXPECT_GT(case_differs, 0);
    // The main cursor is named "graph\Cursors\Main.cur" and lies in graph/cursors/main.cur.
    EXPECT_EQ(Scripts()[0].shell.cd.main_cursor, "graph\\Cursors\\Main.cur");
    EXPECT_FALSE(fs::exists(Root() / "graph/Cursors/Main.cur"));
    EXPECT_EQ(resolver.Find("graph\\Cursors\\Main.cur"), Root() / "graph/cursors/main.cur");
}

// The first bytes of a file and its length.
bool StartsWith(const std::string& bytes, std::string_view prefix)
{
    return bytes.compare(0, prefix.size(), prefix) == 0;
}

TEST_F(DemoDisc, TheNamedFilesAreWhatTheirNamesSay)
{
    const PathResolver resolver(Root());
    const Inf_shell& d = Scripts()[0].shell;
    current_charset = 204;  // the Russian script's names in its own language
    for (const std::string& path : NamedFiles(d)) {
        SCOPED_TRACE(path);
        const auto found = resolver.Find(path);
        ASSERT_TRUE(found);
        const std::string bytes = ReadFileBytes(*found);
        const std::string ext = Extension(path);
        if (ext == "wav") {
            ASSERT_GT(bytes.size(), 44u);
            EXPECT_TRUE(StartsWith(bytes, "RIFF") && bytes.compare(8, 8, "WAVEfmt ") == 0);
            EXPECT_EQ(bytes[20], 1);  // PCM
            EXPECT_TRUE(bytes[34] == 8 || bytes[34] == 16);
        } else if (ext == "cur") {
            // A cursor directory holding one image, with its hotspot.
            EXPECT_TRUE(StartsWith(bytes, std::string("\0\0\2\0\1\0", 6)));
            EXPECT_EQ(bytes[10], 1);
            EXPECT_EQ(bytes[12], 1);
        } else if (ext == "ani") {
            EXPECT_TRUE(StartsWith(bytes, "RIFF") && bytes.compare(8, 4, "ACON") == 0);
            EXPECT_NE(bytes.find("anih"), std::string::npos);
            EXPECT_NE(bytes.find("fram"), std::string::npos);
        } else if (ext == "mid") {
            EXPECT_TRUE(StartsWith(bytes, std::string("MThd\0\0\0\6\0\0\0\1", 12)));
            EXPECT_EQ(bytes.compare(bytes.size() - 3, 3, std::string("\xFF\x2F\x00", 3)), 0);
        } else if (ext == "rmi") {
            EXPECT_TRUE(StartsWith(bytes, "RIFF") && bytes.compare(8, 8, "RMIDdata") == 0);
            EXPECT_EQ(bytes.compare(20, 4, "MThd"), 0);
        } else if (ext == "mp3") {
            // MPEG-1 Layer III frames, the first the Info header that gives the length.
            ASSERT_GT(bytes.size(), 48u);
            EXPECT_TRUE(StartsWith(bytes, "\xFF\xFB"));
            EXPECT_EQ(bytes.compare(36, 4, "Info"), 0);
        } else if (ext == "sh") {
            EXPECT_TRUE(StartsWith(bytes, "#!/bin/sh\n"));
            EXPECT_EQ(bytes.find("rm "), std::string::npos);
        } else if (ext == "jpg" || ext == "gif" || ext == "bmp") {
            std::unique_ptr<Picture> picture = MakePicture(path);
            ASSERT_TRUE(picture);
            EXPECT_NO_THROW(picture->LoadFromBytes(bytes, path));
            EXPECT_GT(picture->Width(), 0);
        } else {
            EXPECT_TRUE(ext == "txt" || ext == "html") << ext;
        }
    }
    // The splash of each language is animated; the wallpapers decode.
    for (const char* code : {"ru", "lit"}) {
        GifPicture splash;
        splash.LoadFromBytes(ReadFileBytes(Root() / "graph/splash" / code / "Intro.gif"), "Intro.gif");
        EXPECT_GT(splash.FrameCount(), 1);
        EXPECT_EQ(splash.LoopCount(), 0);
    }
    for (const std::string& dir : d.wallpapers.dirs)
        for (const std::string& name : FindFiles(resolver, dir + "*.jpg")) {
            JpegPicture wallpaper;
            EXPECT_NO_THROW(wallpaper.LoadFromBytes(ReadFileBytes(*resolver.Find(dir + name)), name));
        }
    // The libraries are Windows DLLs, for which the menu has built-in stand-ins.
    EXPECT_TRUE(StartsWith(ReadFileBytes(Root() / "graph/dll/unrar.dll"), "MZ"));
    EXPECT_TRUE(StartsWith(ReadFileBytes(Root() / "graph/dll/elamp.esp"), "MZ"));
    current_charset = 0;
}

// The mp3 track played as the menu plays it: the disc's decoder module is a Windows library, so
// the built-in one over libmpg123 stands in, reads the file through the input events and writes
// into a ring pulled here faster than real time, until the module closes itself at the end.
TEST_F(DemoDisc, TheMp3TrackPlaysThroughTheDecoderModuleForTheLengthItStates)
{
    using namespace std::chrono_literals;
    const PathResolver resolver(Root());
    std::string path;
    for (const SoftTabElement& track : Scripts()[0].shell.main_frame.tabs.back().sels[0].entries)
        if (Extension(track.setups[0].first) == "mp3")
            path = track.setups[0].first;
    const auto file = resolver.Find(path);
    ASSERT_TRUE(file) << path;
    AudioRing ring(AudioRing::kRate / 2);
    SetMp3ModuleOutput(&ring);
    std::uint64_t heard = 0;
    {
        TElPlayerMan man(&resolver);
        TElPlayer& p = man.Players().Add();
        PrepareModulePlayer(p);
        p.SetInputName(file->string());
        p.Open();
        p.InitStream();
        p.Play();
        // 230 frames of 1,152 samples less the decoder's delay of 529, at 44,100 Hz: 5,996 ms.
        EXPECT_NEAR(p.GetSize(), 5996, 1);
        std::vector<std::int16_t> out(4096 * AudioRing::kChannels);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (p.GetPlayerMode() != pmClosed && std::chrono::steady_clock::now() < deadline) {
            const std::size_t n = ring.MixInto(out.data(), 4096);
            heard += n;
            if (n == 0)
                std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(p.GetPlayerMode(), pmClosed);
        EXPECT_EQ(p.LastError(), peNoError);
    }
    SetMp3ModuleOutput(nullptr);
    EXPECT_NEAR(static_cast<double>(heard), 230.0 * 1152 - 529, 2.0);
}

}  // namespace
