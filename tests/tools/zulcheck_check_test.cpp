// zulcheck DISC_ROOT on the demo disc and on broken copies of it: the menu's own messages come
// back as errors with their places, every other problem of the disc is reported in the same run,
// and the command line behaves as its usage says.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/ZipGrFile.h"
#include "disc/DiscFs.h"
#include "disc/DiscImage.h"
#include "rarwriter/RarWriter.h"
#include "script/Synter.h"
#include "support/RecordingApplication.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/WindowsPrograms.h"
#include "version/Version.h"
#include "zulcheck/Check.h"

namespace fs = std::filesystem;

namespace {

const std::string kZulcheck = ZUL_BINARY_DIR "/tools/zulcheck";
const std::string kRu = "graph\\image_ru.dat";

// The demo disc, made once for all the tests.
class ZulcheckCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        demo_ = new TempDir;
        const ProgramResult made = RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {demo_->path().string()});
        ASSERT_EQ(made.exit_code, 0) << made.err;
        demo_description_ = new Inf_shell;
        Synter(demo_->path() / "graph" / "image_ru.dat").parse(*demo_description_);
    }
    static void TearDownTestSuite()
    {
        delete demo_;
        demo_ = nullptr;
        delete demo_description_;
        demo_description_ = nullptr;
    }

    static const fs::path& Demo() { return demo_->path(); }
    // What the demo's Russian script says.
    static const Inf_shell& DemoDescription() { return *demo_description_; }

private:
    static TempDir* demo_;
    static Inf_shell* demo_description_;
};

TempDir* ZulcheckCheck::demo_ = nullptr;
Inf_shell* ZulcheckCheck::demo_description_ = nullptr;

// A copy of the demo disc with the Russian script only, to be broken.
class Disc {
public:
    explicit Disc(const fs::path& demo)
    {
        fs::copy(demo, dir.path(), fs::copy_options::recursive);
        fs::remove(dir.path() / "graph" / "image_lit.dat");
    }

    const fs::path& Root() const { return dir.path(); }
    std::string Script() const { return ReadFileBytes(Root() / "graph" / "image_ru.dat"); }
    void SetScript(const std::string& script) const { dir.Write("graph/image_ru.dat", script); }
    // Replaces the script line `from` (without its CR LF) by `to`.
    void Edit(const std::string& from, const std::string& to) const
    {
        std::string script = Script();
        const std::size_t at = script.find("\r\n" + from + "\r\n");
        ASSERT_NE(at, std::string::npos) << from;
        script.replace(at + 2, from.size(), to);
        SetScript(script);
    }
    void Append(const std::string& text) const { SetScript(Script() + text); }
    void Remove(const std::string& rel) const { ASSERT_TRUE(fs::remove(Root() / rel)) << rel; }

    // Writes the picture archive anew: its members less `drop`, plus `add`.
    void RewriteArchive(const std::set<std::string>& drop, const std::map<std::string, std::string>& add) const
    {
        std::map<std::string, std::string> members;
        {
            RecordingApplication app;
            ZipGrFile archive(app, PathResolver(Root()));
            for (const auto& [name, stream] : archive.Members())
                if (!drop.contains(name))
                    members[name] = std::string(stream->Bytes());
            archive.Close();
        }
        for (const auto& [name, bytes] : add)
            members[name] = bytes;
        RarWriter rar(Root() / "graph" / "shell.dat");
        for (const auto& [name, bytes] : members)
            rar.AddFile(name, bytes);
        rar.Finish();
    }

    CheckReport Check() const { return CheckDisc(Root()); }

    TempDir dir;
};

// The index of the finding with this severity and place whose text holds `text`; -1 for none.
int IndexOf(const CheckReport& report, Severity severity, const std::string& where, const std::string& text)
{
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        if (f.severity == severity && f.where == where && f.text.find(text) != std::string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

::testing::AssertionResult Has(const CheckReport& report, Severity severity, const std::string& where,
                               const std::string& text)
{
    if (IndexOf(report, severity, where, text) >= 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no finding \"" << SeverityName(severity) << " " << where << ": ..." << text
                                         << "...\" in\n"
                                         << ReportText(report);
}

TEST_F(ZulcheckCheck, TheDemoDiscHasNothingButNotes)
{
    const CheckReport report = CheckDisc(Demo());
    EXPECT_EQ(report.Count(Severity::Error), 0) << ReportText(report);
    EXPECT_EQ(report.Count(Severity::Warning), 0) << ReportText(report);

    // The start's view of the languages, then what the notes tell the editor.
    EXPECT_TRUE(Has(report, Severity::Note, "graph\\image_ru.dat", "the script of language \"ru\" (Russian)"));
    EXPECT_TRUE(Has(report, Severity::Note, "graph\\image_lit.dat", "the script of language \"lit\" (Lithuanian)"));
    EXPECT_TRUE(Has(report, Severity::Note, "graph", "2 languages: the start asks the reader to choose"));
    // Named in the script's code page and in other letters than the file on the disc.
    EXPECT_TRUE(Has(report, Severity::Note, kRu + " cd.exit_sound",
                    "\"graph\\Звуки\\Выход.wav\" is found as graph/звуки/выход.wav only without regard to letter case"));
    EXPECT_TRUE(Has(report, Severity::Note, kRu + " wp_dir 2", "holds 3 JPEG files"));
    const std::string music = kRu + " tab 3 \"Музыка\" sub-tab 1 ";
    EXPECT_TRUE(Has(report, Severity::Note, music + "\"Orbit Waltz\"", "\"Music\\Track01.mid\": MIDI, 0:12.500"));
    EXPECT_TRUE(Has(report, Severity::Note, music + "\"Retro Beat\"", "\"music\\track02.rmi\": MIDI, 0:06.783"));
    EXPECT_TRUE(Has(report, Severity::Note, music + "\"Interlude\"", "\"music\\interlude.mp3\": mp3, 0:05.996"));

    EXPECT_EQ(ReportText(report).substr(ReportText(report).rfind('\n', ReportText(report).size() - 2) + 1),
              "0 errors, 0 warnings, " + std::to_string(report.Count(Severity::Note)) + " notes\n");
}

// The broken discs of the end-to-end tests: each gives, as an error, the message the menu ends
// with (or shows first), at the place the menu meets it.
TEST_F(ZulcheckCheck, EveryBrokenDiscOfTheMenuGivesTheMenusMessage)
{
    const Inf_window& w = DemoDescription().cd.window;
    {
        TempDir empty;
        const CheckReport r = CheckDisc(empty.path());
        EXPECT_TRUE(Has(r, Severity::Error, "graph", "the menu ends with: Can't find main file!!!"));
    }
    {
        TempDir unknown;
        unknown.Write("graph/image_en.dat", "cd\r\n/cd\r\n");
        const CheckReport r = CheckDisc(unknown.path());
        EXPECT_TRUE(Has(r, Severity::Warning, "graph\\image_en.dat", "the language code \"en\" is not one the menu knows"));
        EXPECT_TRUE(Has(r, Severity::Error, "graph", "the menu ends with: Can't find main file!!!"));
    }
    {
        // A key the cd section does not take on line 12; the close button was never read.
        Disc disc(Demo());
        disc.SetScript("cd\r\nimage\r\n/image\r\nimage\r\npic = " + w.back.pic + "\r\n/image\r\nbutton\r\nnormal_pic = " +
                       w.min_btn.normal_pic + "\r\nover_pic = " + w.min_btn.over_pic + "\r\ndown_pic = " +
                       w.min_btn.down_pic + "\r\n/button\r\nhint = misplaced\r\n/cd\r\n");
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, kRu + ":12",
                        "a key the cd or opts_window section does not accept: \"hint = misplaced\"; read before it: 0 tabs"));
        EXPECT_TRUE(Has(r, Severity::Error, kRu + ":12", "the menu shows \"Error: 102 in line: 12\""));
        // The first picture the build cannot have, then every other one.
        const int close = IndexOf(r, Severity::Error, kRu + " cd.window.close_btn.normal_pic",
                                  "no picture named; the menu ends with: Bad ext: ");
        EXPECT_GE(close, 0) << ReportText(r);
        EXPECT_TRUE(Has(r, Severity::Error, kRu + " picture.pic", "the menu ends with: Bad ext: "));
        EXPECT_EQ(IndexOf(r, Severity::Error, kRu + " cd.window.min_btn.normal_pic", ""), -1);
        for (int i = 0; i < close; ++i)
            EXPECT_FALSE(r.findings[static_cast<std::size_t>(i)].text.find("Bad ext") != std::string::npos);
    }
    {
        // A folder where the script should be: the start finds it, the parser cannot open it.
        Disc disc(Demo());
        disc.Remove("graph/image_ru.dat");
        disc.dir.MakeDir("graph/image_ru.dat");
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, kRu,
                        "the script cannot be read; the menu shows \"Can't open data file!\", builds the window from "
                        "an empty description, and then ends"));
        EXPECT_TRUE(Has(r, Severity::Error, kRu + " cd.window.back.pic", "the menu ends with: Bad ext: "));
    }
    {
        Disc disc(Demo());
        disc.Remove("graph/shell.dat");
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, "graph\\shell.dat",
                        "the picture archive is missing or is no RAR archive; the menu ends with: Bad open rar archive: "
                        "graph\\shell.dat"));
        EXPECT_TRUE(Has(r, Severity::Note, kRu, "judged by their extensions only"));
    }
    {
        Disc disc(Demo());
        disc.SetScript("cd\r\nimage\r\n/image\r\nimage\r\npic = " + w.back.pic +
                       "\r\n/image\r\nbutton\r\nnormal_pic = skin\\nothing.bmp\r\n/button\r\n/cd\r\n");
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, kRu + " cd.window.min_btn.normal_pic",
                        "\"skin\\nothing.bmp\" is not a member of graph\\shell.dat; the menu ends with: Bad file: "
                        "skin\\nothing.bmp"));
    }
    {
        // A mistake in the last entry, after a complete skin.
        Disc disc(Demo());
        std::string script = disc.Script();
        const std::size_t last_entry_end = script.rfind("/p\r\n");
        script.insert(last_entry_end, "hint = misplaced\r\n");
        const int line = static_cast<int>(std::count(script.begin(), script.begin() + static_cast<long>(last_entry_end), '\n')) + 1;
        disc.SetScript(script);
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, kRu + ":" + std::to_string(line),
                        "a key an entry does not accept: \"hint = misplaced\"; read before it: 2 tabs, 4 sub-tabs, 9 entries; "
                        "the menu shows \"Error: 666 in line: " + std::to_string(line) + "\""));
        EXPECT_EQ(r.Count(Severity::Error), 1) << ReportText(r);
        // The music tab ends in the middle: its side-panel button was read, the tab never was.
        EXPECT_TRUE(Has(r, Severity::Warning, kRu + " side_panel", "2 tabs have 3 side-panel buttons (a tab cut short"));
    }
    {
        Disc disc(Demo());
        disc.dir.Write("graph/splash/ru/Intro.gif", "GIF89a, but nothing more");
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, kRu + " splash",
                        "the splash picture \"graph\\splash\\ru\\Intro.gif\" does not load; the menu ends with: Bad picture "
                        "graph\\splash\\ru\\Intro.gif: "));
    }
    {
        Disc disc(Demo());
        {
            RarWriter archive(disc.Root() / "graph" / "shell.dat");
            archive.AddFile("skin\\back.jpg", "no JPEG here");
        }
        disc.SetScript("cd\r\nimage\r\n/image\r\nimage\r\npic = skin\\back.jpg\r\n/image\r\n/cd\r\n");
        const CheckReport r = disc.Check();
        EXPECT_TRUE(Has(r, Severity::Error, kRu + " cd.window.back.pic",
                        "the member \"skin\\back.jpg\" does not decode; the menu ends with: Bad picture skin\\back.jpg: "));
    }
}

TEST_F(ZulcheckCheck, ReportsEverySkinPictureTheBuildCannotLoadInBuildOrder)
{
    Disc disc(Demo());
    disc.RewriteArchive({"skin\\min_over.gif", "shots\\starminer_2.jpg"},
                        {{"skin\\broken.jpg", "no JPEG here"}, {"skin\\spare.gif", "GIF89a"}});
    disc.Edit("normal_pic = skin\\close.gif", "normal_pic = skin\\Close.gif");
    disc.Edit("pic = skin\\ru\\top.jpg", "pic = skin\\broken.jpg");
    disc.Edit("pic = skin\\logo.gif", "pic = skin\\logo.GIF");
    const CheckReport r = disc.Check();

    const int missing = IndexOf(r, Severity::Error, kRu + " cd.window.min_btn.over_pic",
                                "\"skin\\min_over.gif\" is not a member of graph\\shell.dat; the menu ends with: Bad file: "
                                "skin\\min_over.gif");
    const int cased = IndexOf(r, Severity::Error, kRu + " cd.window.close_btn.normal_pic",
                              "(the member \"skin\\close.gif\" differs in letter case: members are matched exactly); the "
                              "menu ends with: Bad file: skin\\Close.gif");
    const int thumb = IndexOf(r, Severity::Error, kRu + " tab 1 \"Игры\" sub-tab 1 \"Star Miner\" thumb 2",
                              "the menu ends with: Bad file: shots\\starminer_2.jpg");
    const int broken = IndexOf(r, Severity::Error, kRu + " top_panel.back.pic",
                               "the member \"skin\\broken.jpg\" does not decode; the menu ends with: Bad picture "
                               "skin\\broken.jpg: ");
    const int ext = IndexOf(r, Severity::Error, kRu + " picture.pic",
                            "\"skin\\logo.GIF\" has an extension the menu refuses (it takes bmp, gif and jpg, in lower "
                            "case); the menu ends with: Bad ext: skin\\logo.GIF");
    EXPECT_TRUE(missing >= 0 && cased > missing && thumb > cased && broken > thumb && ext > broken) << ReportText(r);
    EXPECT_EQ(r.Count(Severity::Error), 5) << ReportText(r);
    // The member named only by the old top panel line, and one no script names.
    EXPECT_TRUE(Has(r, Severity::Note, "graph\\shell.dat", "the member \"skin\\spare.gif\" is named by no script"));
    EXPECT_TRUE(Has(r, Severity::Note, "graph\\shell.dat", "the member \"skin\\ru\\top.jpg\" is named by no script"));
}

TEST_F(ZulcheckCheck, TheArchiveLibraryAndTheDecoderModule)
{
    Disc disc(Demo());
    disc.Remove("graph/dll/unrar.dll");
    disc.Remove("graph/dll/elamp.esp");
    disc.Edit("pic = skin\\logo.gif", "pic = skin\\logo.png");
    const CheckReport r = disc.Check();
    EXPECT_TRUE(Has(r, Severity::Error, "graph\\dll\\unrar.dll",
                    "the archive library graph\\dll\\unrar.dll cannot be loaded; the menu ends with: Bad unzip dll"));
    // Without the archive, the extensions are still judged.
    EXPECT_TRUE(Has(r, Severity::Error, kRu + " picture.pic", "the menu ends with: Bad ext: skin\\logo.png"));
    EXPECT_TRUE(Has(r, Severity::Error, "graph\\dll\\elamp.esp",
                    "where the computer has sound, the menu ends with: Failed to load or initialize decoder module"));
    EXPECT_TRUE(Has(r, Severity::Error, kRu + " tab 3 \"Музыка\" sub-tab 1 \"Interlude\"",
                    "\"music\\interlude.mp3\" cannot play: the decoder module does not load"));
}

TEST_F(ZulcheckCheck, AnArchiveMemberThatDoesNotUnpack)
{
    Disc disc(Demo());
    const fs::path archive = disc.Root() / "graph" / "shell.dat";
    {
        RarWriter rar(archive);
        rar.AddFile("skin\\back.jpg", std::string(1000, 'j'));
    }
    // The last byte of the member's data, before the end-of-archive block.
    std::string bytes = ReadFileBytes(archive);
    bytes[bytes.size() - 8] = 'x';
    disc.dir.Write("graph/shell.dat", bytes);
    const CheckReport r = disc.Check();
    EXPECT_TRUE(Has(r, Severity::Error, "graph\\shell.dat",
                    "a member of the picture archive does not unpack; the menu ends with: Bad extracting file"));
}

TEST_F(ZulcheckCheck, ReportsTheFilesTheScriptNames)
{
    Disc disc(Demo());
    disc.Edit("main_cursor = graph\\Cursors\\Main.cur", "main_cursor = graph\\cursors\\none.cur");
    disc.dir.Write("graph/cursors/bad.cur", "not a cursor");
    disc.Edit("link_cursor = graph\\cursors\\link.ani", "link_cursor = graph\\cursors\\bad.cur");
    disc.Edit("options_sound = graph\\sounds\\options.wav", "options_sound = graph\\sounds\\none.wav");
    disc.dir.Write("graph/sounds/bad.wav", "RIFF, and nothing more");
    disc.Edit("ok_sound = graph\\sounds\\ok.wav", "ok_sound = graph\\sounds\\bad.wav");
    disc.Edit("music_file = graph\\music\\groove.wav", "music_file = graph\\music\\none.wav");
    disc.Edit("sm_ad_pic = graph\\ads\\sm_ad1.gif", "sm_ad_pic = graph\\ads\\none.gif");
    disc.Edit("ad_url = http://pageview.example.com/", "ad_url = pageview.example.com");
    disc.Edit("wp_dir = graph\\wallpapers\\retro\\", "wp_dir = graph\\wallpapers\\none\\");
    disc.dir.Write("graph/wallpapers/space/broken.jpg", "no JPEG here");
    disc.dir.MakeDir("graph/empty");
    disc.Edit("wp_time = 20", "wp_dir = graph\\Empty\r\nwp_time = 20");
    disc.Remove("soft/starminer/shot2.jpg");
    disc.Remove("soft/turbodrift/setup.sh");
    disc.Edit("url_dev = http://nebula.example.com/", "url_dev = nebula");
    disc.Edit("url_pub = http://orbit.example.com/", "url_pub = soft\\starminer\\setup.sh");
    disc.Edit("setup = soft\\dungeon\\setup.sh", "setup = www.dungeon.example.com");
    const CheckReport r = disc.Check();

    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " cd.main_cursor",
                    "\"graph\\cursors\\none.cur\" is not on the disc: the menu shows the standard cursors"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " cd.link_cursor", "\"graph\\cursors\\bad.cur\" is no cursor the menu reads ("));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " cd.options_sound",
                    "\"graph\\sounds\\none.wav\" is not on the disc: the sound stays silent"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " cd.ok_sound",
                    "\"graph\\sounds\\bad.wav\" is no WAV sound the menu plays: the sound stays silent"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " music_file 2",
                    "\"graph\\music\\none.wav\" is not on the disc: this background music stays silent"));
    EXPECT_TRUE(Has(r, Severity::Error, kRu + " side_panel.banner item 1",
                    "the banner picture \"graph\\ads\\none.gif\" does not load; when the banner shows it first, the menu "
                    "ends with: Bad picture graph\\ads\\none.gif: "));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " banner item 2",
                    "the link \"pageview.example.com\" is neither an address (a scheme such as http: or www.) nor a file "
                    "of the disc: it opens nothing"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " wp_dir 2",
                    "the wallpaper folder \"graph\\wallpapers\\none\\\" is not on the disc: the show stays black there"));
    EXPECT_TRUE(Has(r, Severity::Note, kRu + " wp_dir 1", "holds 4 JPEG files"));
    EXPECT_TRUE(Has(r, Severity::Error, kRu + " wp_dir 1",
                    "the wallpaper \"graph\\Wallpapers\\Space\\broken.jpg\" does not load; the show reports: Bad picture "
                    "graph\\Wallpapers\\Space\\broken.jpg: "));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " wp_dir 3",
                    "the wallpaper folder \"graph\\Empty\\\" holds no .jpg file: the show stays black there"));
    EXPECT_TRUE(Has(r, Severity::Note, kRu + " wp_dir 3", "\"graph\\Empty\\\" is found as graph/empty only without regard"));
    const std::string games = kRu + " tab 1 \"Игры\" sub-tab 1 ";
    EXPECT_TRUE(Has(r, Severity::Error, games + "\"Star Miner\" picture 2",
                    "the full-size picture \"Soft\\StarMiner\\Shot2.jpg\" does not load; the viewer reports: Bad picture "
                    "Soft\\StarMiner\\Shot2.jpg: the file does not exist"));
    EXPECT_TRUE(Has(r, Severity::Error, games + "\"Turbo Drift 2000\" setup 1",
                    "\"soft\\turbodrift\\setup.sh\" is not on the disc: running it opens nothing"));
    EXPECT_TRUE(Has(r, Severity::Warning, games + "\"Star Miner\" url_dev", "the link \"nebula\" is neither an address"));
    EXPECT_TRUE(Has(r, Severity::Warning, games + "\"Star Miner\" url_pub",
                    "the link \"soft\\starminer\\setup.sh\" names a file the menu does not open from a link: it is a "
                    "program, which a link does not start"));
    // An address as a setup is opened by the desktop: nothing to report.
    EXPECT_EQ(IndexOf(r, Severity::Error, games + "\"Dungeon of Echoes\" setup 1", ""), -1);
    EXPECT_EQ(r.Count(Severity::Error), 4) << ReportText(r);
    EXPECT_EQ(r.Count(Severity::Warning), 10) << ReportText(r);
}

TEST_F(ZulcheckCheck, ReportsWhetherEachTrackPlays)
{
    Disc disc(Demo());
    disc.dir.Write("music/interlude.mp3", std::string(4000, 'x'));
    disc.Edit("setup = Music\\Track01.mid", "setup = Music\\Track01.MID");
    disc.Edit("setup = music\\track03.mid", "setup = music\\none.mid");
    disc.Edit("setup = music\\track02.rmi", "setup = music\\song.mod");
    const CheckReport r = disc.Check();
    const std::string music = kRu + " tab 3 \"Музыка\" sub-tab 1 ";
    EXPECT_TRUE(Has(r, Severity::Error, music + "\"Interlude\"", "\"music\\interlude.mp3\" does not decode; the menu reports: "));
    EXPECT_TRUE(Has(r, Severity::Error, music + "\"Orbit Waltz\"",
                    "\"Music\\Track01.MID\": the extension \"MID\" is not one the menu plays (mp3, mid, rmi, in lower "
                    "case): the track shows the stopped look"));
    EXPECT_TRUE(Has(r, Severity::Error, music + "\"Morning Tide\"", "\"music\\none.mid\" is not on the disc; the menu reports: "));
    EXPECT_TRUE(Has(r, Severity::Warning, music + "\"Retro Beat\"",
                    "\"music\\song.mod\" is a tracker module: the menu knows the kind but plays nothing"));
    EXPECT_EQ(r.Count(Severity::Error), 3) << ReportText(r);
}

TEST_F(ZulcheckCheck, ReportsTheShapeOfTheCatalogue)
{
    Disc disc(Demo());
    const std::string button = "button\r\nnormal_pic = skin\\ru\\sub_music1.bmp\r\nover_pic = skin\\ru\\sub_music1_over.bmp\r\n"
                               "down_pic = skin\\ru\\sub_music1_down.bmp\r\n/button\r\n";
    const std::string image = "image\r\npic = skin\\ru\\ribbon_music.gif\r\n/image\r\n";
    disc.Append(
        // Tab 4: no side-panel button; a track without a file.
        "tab\r\nmusic = 1\r\nsub\r\n" + button + "p\r\ntitle = Silence\r\n/p\r\n/sub\r\n/tab\r\n"
        // Tab 5: three sub-tabs, two buttons, four pictures; entries with half pairs; an empty sub-tab.
        "tab\r\n" + button + image + "sub\r\n" + button + image + "p\r\ntitle = One\r\n/p\r\n/sub\r\n"
        "sub\r\n" + image + "p\r\ntitle = Pics only\r\npic = soft\\blocks\\shot1.jpg\r\n/p\r\n"
        "p\r\ntitle = Thumbs\r\nthumb = shots\\starminer_1.jpg\r\nthumb = shots\\starminer_1.jpg\r\n"
        "thumb = shots\\starminer_1.jpg\r\npic = soft\\blocks\\shot1.jpg\r\n/p\r\n/sub\r\n"
        "sub\r\n" + button + image + "/sub\r\n/tab\r\n"
        // Tab 6: no sub-tab at all.
        "tab\r\n" + button + "/tab\r\n");
    const CheckReport r = disc.Check();
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " side_panel",
                    "6 tabs have 5 side-panel buttons (a tab without its button block)"));
    EXPECT_TRUE(Has(r, Severity::Error, kRu + " tab 4 sub-tab 1 \"Silence\"",
                    "the track names no file (no setup line): the track shows the stopped look"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " tab 5", "3 sub-tabs have 2 top-panel buttons"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " tab 5", "3 sub-tabs and 4 pictures"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " tab 5 sub-tab 3", "the sub-tab has no entry: its list is empty"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " tab 5 sub-tab 2 \"Pics only\" picture 1",
                    "a full-size picture without a thumbnail"));
    EXPECT_TRUE(Has(r, Severity::Note, kRu + " tab 5 sub-tab 2 \"Thumbs\" picture 3",
                    "the thumbnail \"shots\\starminer_1.jpg\" is never shown: the info box shows the first two"));
    EXPECT_TRUE(Has(r, Severity::Error, kRu + " tab 5 sub-tab 2 \"Thumbs\" picture 2",
                    "the thumbnail \"shots\\starminer_1.jpg\" has no full-size picture: opening it, the viewer reports "
                    "a failure"));
    EXPECT_TRUE(Has(r, Severity::Warning, kRu + " tab 6", "the tab has no sub-tab"));
    EXPECT_EQ(r.Count(Severity::Error), 2) << ReportText(r);
    EXPECT_EQ(r.Count(Severity::Warning), 6) << ReportText(r);
}

TEST_F(ZulcheckCheck, TheCommandLine)
{
    const std::string usage =
        "usage: zulcheck [--json] [DISC_ROOT | DISC_IMAGE]\n"
        "       zulcheck --dump SCRIPT\n"
        "       zulcheck --list-archive FILE\n"
        "       zulcheck --decode PICTURE\n"
        "       zulcheck --site OUT [--force] [--no-files] DISC_ROOT | DISC_IMAGE\n"
        "       zulcheck --help | --version\n";
    ProgramResult r = RunProgram(kZulcheck, {"--help"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, usage);
    r = RunProgram(kZulcheck, {"--version"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, std::string("zulcheck ") + ZUL_VERSION + "\n");
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--json", "--json"}, {"a", "b"}, {"--help", "x"}, {"--dump"}, {"--decode", "a", "b"},
             {"--site", "out"}, {"--site", "--bogus", "out", "disc"}, {"--site", "a", "b", "c"}}) {
        r = RunProgram(kZulcheck, wrong);
        EXPECT_EQ(r.exit_code, 2) << wrong[0];
        EXPECT_EQ(r.err, usage) << wrong[0];
        EXPECT_EQ(r.out, "");
    }
    r = RunProgram(kZulcheck, {(Demo() / "no such folder").string()});
    EXPECT_EQ(r.exit_code, 2);
    r = RunProgram(kZulcheck, {"--site", "out", (Demo() / "no such folder").string()});
    EXPECT_EQ(r.exit_code, 2);

    // The current folder by default; one line per finding, the summary last.
    r = RunProgram(kZulcheck, {}, Demo().string());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(r.out, ReportText(CheckDisc(Demo())));
    EXPECT_EQ(r.err, "");

    Disc disc(Demo());
    disc.Remove("graph/shell.dat");
    r = RunProgram(kZulcheck, {"--json", disc.Root().string()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("{\"findings\": [\n  {\"severity\": \"note\", \"where\": \"graph\\\\image_ru.dat\", \"text\": "
                          "\"the script of language \\\"ru\\\" (Russian)\"},\n",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("{\"severity\": \"error\", \"where\": \"graph\\\\shell.dat\", \"text\": \"the picture archive is "
                         "missing or is no RAR archive; the menu ends with: Bad open rar archive: graph\\\\shell.dat\"}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n], \"errors\": 1, \"warnings\": 0, \"notes\": "), std::string::npos) << r.out;
    EXPECT_EQ(RunProgram(kZulcheck, {disc.Root().string(), "--json"}).out, r.out);
}

// The disc `root` written as an ISO image at `image` by the demo disc writer.
void WriteImage(const fs::path& root, const fs::path& image)
{
    const ProgramResult made =
        RunProgram(ZUL_BINARY_DIR "/tools/make_demo_disc", {"--iso-of", root.string(), image.string()});
    ASSERT_EQ(made.exit_code, 0) << made.err;
}

// What the menu does with each setup depends on what this machine has: Wine, xdg-open.
TEST_F(ZulcheckCheck, SaysWhatEachSetupComesToOnThisMachine)
{
    Disc disc(Demo());
    disc.dir.Write("soft/starminer/setup.exe", HandMadeExecutable());
    disc.Edit("setup = Soft\\StarMiner\\Setup.sh", "setup = soft\\starminer\\SETUP.EXE");
    // A native program: the same from the folder and from an image that records no modes.
    fs::copy_file("/bin/true", disc.Root() / "soft/turbodrift/install");
    disc.Edit("setup = soft\\turbodrift\\setup.sh", "setup = soft\\turbodrift\\install");
    TempDir bin;
    for (const char* program : {"wine", "xdg-open"}) {
        bin.Write(program, "#!/bin/sh\n");
        fs::permissions(bin.path() / program, fs::perms::owner_all);
    }
    const std::string with = ReportText(CheckDisc(FolderDiscFs(disc.Root()), bin.path().string()));
    const std::string without = ReportText(CheckDisc(FolderDiscFs(disc.Root()), "/nonexistent"));
    for (const std::string& line : std::vector<std::string>{"\"soft\\starminer\\SETUP.EXE\" is a Windows program: the menu starts it through Wine (" +
                       (bin.path() / "wine").string() + ")",
          "\"soft\\starminer\\readme.txt\" is a document: the menu hands it to the desktop (xdg-open)\n",
          "\"soft\\turbodrift\\install\" is a native program: the menu starts it\n"})
        EXPECT_NE(with.find(line), std::string::npos) << line << " in\n" << with;
    TempDir images;
    WriteImage(disc.Root(), images.path() / "disc.iso");
    EXPECT_EQ(ReportText(CheckDisc(OpenDiscImage(images.path() / "disc.iso"), bin.path().string())), with);
    EXPECT_NE(without.find("\"soft\\starminer\\SETUP.EXE\" is a Windows program and Wine is not installed here"),
              std::string::npos)
        << without;
    EXPECT_NE(without.find("is a document: the menu hands it to the desktop (xdg-open, which is missing here)"),
              std::string::npos);
}

TEST_F(ZulcheckCheck, AnImageOfADiscGivesTheFindingsOfItsFolder)
{
    TempDir images;
    const fs::path demo_iso = images.path() / "demo.iso";
    WriteImage(Demo(), demo_iso);
    const CheckReport in_folder = CheckDisc(Demo());
    EXPECT_EQ(ReportText(CheckDisc(OpenDiscImage(demo_iso))), ReportText(in_folder));
    const ProgramResult r = RunProgram(kZulcheck, {demo_iso.string()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, ReportText(in_folder));

    // A broken disc: every reader's failure comes the same way through the image.
    Disc disc(Demo());
    const Inf_shell& d = DemoDescription();
    disc.Edit("main_cursor = " + d.cd.main_cursor, "main_cursor = graph\\nothing.cur");
    disc.dir.Write("graph/bad.cur", "not a cursor");
    disc.Edit("link_cursor = " + d.cd.link_cursor, "link_cursor = GRAPH\\BAD.CUR");
    disc.Remove("graph/splash/ru/Intro.gif");
    disc.RewriteArchive({d.cd.window.back.pic}, {});
    disc.Append("tab\r\nhint = misplaced\r\n");
    const fs::path broken_iso = images.path() / "broken.iso";
    WriteImage(disc.Root(), broken_iso);
    const CheckReport broken = disc.Check();
    EXPECT_GE(broken.Count(Severity::Error), 3) << ReportText(broken);
    EXPECT_EQ(ReportText(CheckDisc(OpenDiscImage(broken_iso))), ReportText(broken));
}

TEST_F(ZulcheckCheck, AnImageThatCannotBeReadIsTheDiscsOneError)
{
    TempDir dir;
    // A name of this system is written as it is (UTF-8).
    const std::string junk = dir.Write("\xD0\xB1\xD0\xB8\xD1\x82\xD1\x8B\xD0\xB9.iso", std::string(40000, 'x')).string();
    ProgramResult r = RunProgram(kZulcheck, {junk});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("error " + junk + ": the disc image cannot be read (", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(junk), r.out.rfind(junk)) << "the image's own message names it: " << r.out;
    EXPECT_NE(r.out.find("); the menu does not start on it\n1 error, 0 warnings, 0 notes\n"), std::string::npos)
        << r.out;
    r = RunProgram(kZulcheck, {"--json", junk});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("\n], \"errors\": 1, \"warnings\": 0, \"notes\": 0}"), std::string::npos) << r.out;
}

}  // namespace
