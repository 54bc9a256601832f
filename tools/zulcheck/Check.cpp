#include "zulcheck/Check.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <utility>

#include "app/Languages.h"
#include "app/LoadObj.h"
#include "archive/ZipGrFile.h"
#include "pictures/Picture.h"
#include "pictures/PictureFile.h"
#include "platform/Application.h"
#include "platform/CodePages.h"
#include "platform/CursorFile.h"
#include "platform/DiscImage.h"
#include "platform/Files.h"
#include "platform/Opener.h"
#include "platform/PathResolver.h"
#include "platform/QuietStderr.h"
#include "script/Synter.h"
#include "sound/AudioRing.h"
#include "sound/ElSounds.h"
#include "sound/EventSound.h"
#include "sound/MidiFile.h"
#include "sound/Mp3Module.h"
#include "sound/Sounds.h"
#include "zulcheck/CheckPlaces.h"
#include "zulcheck/Checker.h"
#include "zulcheck/DumpJson.h"

namespace fs = std::filesystem;
using check_text::Ends;
using check_text::Plural;
using check_text::Q;
using check_text::T;

const char* SeverityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "note";
}

int CheckReport::Count(Severity severity) const
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [severity](const Finding& f) { return f.severity == severity; }));
}

namespace check_text {

std::string T(std::string_view bytes)
{
    return PrintableDiscText(bytes);
}

std::string Q(std::string_view bytes)
{
    return "\"" + PrintableDiscText(bytes) + "\"";
}

std::string Ends(std::string_view message)
{
    return "the menu ends with: " + PrintableDiscText(message);
}

std::string Plural(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace check_text

namespace {

constexpr const char* kScriptPattern = "graph\\image_*.dat";
constexpr std::size_t kScriptPrefix = 6;  // "image_"
constexpr std::size_t kScriptSuffix = 4;  // ".dat"
constexpr const char* kNoMainFile = "Can't find main file!!!";

// What a parse error code says.
std::string ParseErrorMeaning(int code)
{
    switch (code) {
    case script_error::kBadBlockKey: return "a key this block, tab or sub-tab does not accept";
    case script_error::kBlockNotClosed: return "a block, tab or sub-tab is not closed where it is due";
    case script_error::kEntryNotClosed: return "an entry is not closed by \"/p\" where it is due";
    case script_error::kBadSectionKey: return "a key the cd or opts_window section does not accept";
    case script_error::kSectionNotClosed: return "a section is not closed where it is due";
    case script_error::kBadEntryKey: return "a key an entry does not accept";
    default: return "an error of the script";
    }
}

// Line `number` (from 1) of a script, without its line end.
std::string ScriptLine(const DiscFs& disc, const fs::path& script, int number)
{
    const std::optional<std::string> bytes = ReadWholeFile(disc, script);
    if (!bytes || number < 1)
        return {};
    std::size_t start = 0;
    for (int n = 1; n < number; ++n) {
        const std::size_t end = bytes->find('\n', start);
        if (end == std::string::npos)
            return {};
        start = end + 1;
    }
    std::size_t end = bytes->find('\n', start);
    std::string line = bytes->substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line;
}

// What a description holds so far: its tabs, sub-tabs and entries.
std::string CatalogueSize(const Inf_shell& d)
{
    std::size_t subs = 0, entries = 0;
    for (const sub_se& tab : d.main_frame.tabs) {
        subs += tab.sels.size();
        for (const SEL& sel : tab.sels)
            entries += sel.entries.size();
    }
    return Plural(d.main_frame.tabs.size(), "tab", "tabs") + ", " + Plural(subs, "sub-tab", "sub-tabs") +
           ", " + Plural(entries, "entry", "entries");
}

}  // namespace

CheckReport Checker::Run()
{
    const std::uint8_t saved_charset = current_charset;
    current_charset = 0;
    const std::vector<Language> languages = FindLanguages();
    OpenArchive();
    for (const Language& language : languages)
        CheckScript(language);
    CloseArchive();
    current_charset = saved_charset;
    return std::move(report_);
}

std::vector<Checker::Language> Checker::FindLanguages()
{
    FillKnownLanguages();
    std::vector<Language> found;
    const std::vector<std::string> files = FindFiles(resolver_, kScriptPattern);
    if (files.empty()) {
        Add(Severity::Error, "graph", "no description script graph\\image_<code>.dat; " + std::string(Ends(kNoMainFile)));
        return found;
    }
    std::set<std::string> codes;
    for (const std::string& name : files) {
        const std::string where = "graph\\" + T(name);
        if (name.size() < kScriptPrefix + kScriptSuffix)
            continue;
        // The search ignores case; the code is cut by position and compared exactly.
        const std::string code = name.substr(kScriptPrefix, name.size() - kScriptPrefix - kScriptSuffix);
        const auto known = known_languages.find(code);
        if (known == known_languages.end()) {
            Add(Severity::Warning, where,
                "the language code " + Q(code) + " is not one the menu knows (\"ru\", \"lit\"; letter case counts): "
                "the start skips this script");
            continue;
        }
        if (!codes.insert(code).second) {
            Add(Severity::Warning, where,
                "a second script of language " + Q(code) + ": the language dialog lists it twice and both load "
                "graph\\image_" + T(code) + ".dat");
            continue;
        }
        found.push_back({code, known->second.name, known->second.charset});
        Add(Severity::Note, where, "the script of language " + Q(code) + " (" + known->second.name + ")");
    }
    if (found.empty())
        Add(Severity::Error, "graph", "no script of a language the menu knows; " + Ends(kNoMainFile));
    else if (found.size() > 1)
        Add(Severity::Note, "graph",
            std::to_string(found.size()) + " languages: the start asks the reader to choose one (Russian first)");
    return found;
}

void Checker::CheckScript(const Language& language)
{
    current_charset = language.charset;
    located_.clear();
    const std::string script = "graph\\image_" + language.code + ".dat";

    // The start: the splash, the script, the cursors, the sounds; then the build step.
    CheckSplash(language, script);
    CheckDecoderModule();

    Inf_shell d;
    const fs::path file = resolver_.Resolve(script);
    if (const std::optional<LoadFailure> failure = ParseScript(resolver_.Disc(), file, d)) {
        if (failure->code) {
            const std::string line = ScriptLine(resolver_.Disc(), file, failure->line);
            Add(Severity::Error, T(script) + ":" + std::to_string(failure->line),
                ParseErrorMeaning(*failure->code) + ": " + Q(line) + "; read before it: " + CatalogueSize(d) +
                    "; the menu shows " + Q(failure->Message()) +
                    ", builds the window from what was read, and then ends");
        } else {
            Add(Severity::Error, T(script),
                "the script cannot be read; the menu shows " + Q(failure->Message()) +
                    ", builds the window from an empty description, and then ends");
        }
    }
    Locate(script, T(script));

    CheckCursors(d, script);
    CheckEventSounds(d, script);
    CheckSkinPictures(d, script);
    CheckBanner(d.side_panel.banner, T(script) + " side_panel.banner");
    CheckBanner(d.banner, T(script) + " banner");
    CheckLink(d.side_panel.link_btn.hint, T(script) + " side_panel.link_btn.hint");
    CheckWallpapers(d.wallpapers, script);
    CheckBackgroundMusic(d, script);
    CheckCatalogue(d, script);
}

std::optional<fs::path> Checker::Locate(const std::string& disc_path, const std::string& where)
{
    if (disc_path.empty())
        return std::nullopt;
    std::optional<fs::path> found = resolver_.Find(disc_path);
    if (!found)
        return std::nullopt;
    const std::vector<std::string> named = SplitDiscPath(disc_path);
    std::vector<std::string> actual;
    for (const fs::path& part : found->lexically_relative(root_))
        if (part != ".")
            actual.push_back(part.string());
    if (named.size() != actual.size())
        return found;
    bool exact = true;
    for (std::size_t i = 0; i < named.size(); ++i)
        exact = exact && (named[i] == actual[i] || PrintableDiscText(named[i]) == actual[i]);
    if (!exact && located_.insert(disc_path).second) {
        std::string on_disc;
        for (const std::string& part : actual)
            on_disc += (on_disc.empty() ? "" : "/") + part;
        Add(Severity::Note, where,
            Q(disc_path) + " is found as " + on_disc + " only without regard to letter case (the menu finds it)");
    }
    return found;
}

void Checker::CheckSetupStart(const OpenPlan& plan, const std::string& target, const std::string& where)
{
    using Kind = OpenPlan::Kind;
    const std::string what = Q(target);
    if (plan.action == OpenPlan::Action::NoWine) {
        Add(Severity::Warning, where,
            what + " is a Windows program and Wine is not installed here: the menu starts nothing and tells the "
                   "reader that Wine runs it");
        return;
    }
    if (plan.action == OpenPlan::Action::Fail && plan.kind == Kind::None) {
        Add(Severity::Warning, where, what + " cannot be opened here: " + T(plan.failure));
        return;
    }
    // What the desktop is handed needs the desktop's xdg-open, which a bare system may lack.
    const std::string desktop =
        plan.action == OpenPlan::Action::Fail ? " (xdg-open, which is missing here)" : " (xdg-open)";
    switch (plan.kind) {
    case Kind::None:
        return;
    case Kind::NativeProgram:
        Add(Severity::Note, where, what + " is a native program: the menu starts it");
        return;
    case Kind::WindowsProgram:
        Add(Severity::Note, where,
            what + " is a Windows program: the menu starts it through Wine (" + T(plan.argv.front()) + ")");
        return;
    case Kind::Document:
        Add(Severity::Note, where, what + " is a document: the menu hands it to the desktop" + desktop);
        return;
    case Kind::Folder:
        Add(Severity::Note, where, what + " is a folder: the menu hands it to the desktop" + desktop);
        return;
    case Kind::WebLink:
        Add(Severity::Note, where, what + " is a web link: the menu hands it to the desktop's browser" + desktop);
        return;
    }
}

void Checker::CheckLink(const std::string& link, const std::string& where)
{
    if (link.empty())
        return;
    if (Locate(link, where))
        return;
    // An address goes to the desktop: asked with no search path for it, the opener says so by
    // not looking on the disc at all.
    const OpenPlan plan = PlanOpen(link, resolver_, std::string());
    if (plan.action == OpenPlan::Action::Fail && plan.failure == "nothing of that name on the disc")
        Add(Severity::Warning, where,
            "the link " + Q(link) + " is neither an address (a scheme such as http: or www.) nor a file of the disc: "
            "it opens nothing");
}

void Checker::CheckCatalogue(const Inf_shell& d, const std::string& script)
{
    const std::vector<sub_se>& tabs = d.main_frame.tabs;
    const std::size_t buttons = d.side_panel.tab_buttons.size();
    // Button n of the side panel opens tab n, however the two lists came to differ.
    const std::string counts =
        Plural(tabs.size(), "tab has", "tabs have") + " " + Plural(buttons, "side-panel button", "side-panel buttons");
    if (buttons < tabs.size())
        Add(Severity::Warning, T(script) + " side_panel",
            counts + " (a tab without its button block): button n opens tab n, so the tabs after the last button "
                     "cannot be reached");
    else if (buttons > tabs.size())
        Add(Severity::Warning, T(script) + " side_panel",
            counts + " (a tab cut short after its button was read): button n opens tab n, so the buttons after the "
                     "last tab open none");

    for (std::size_t t = 0; t < tabs.size(); ++t) {
        const sub_se& tab = tabs[t];
        const std::string where_tab = T(script) + " " + TabPlace(d, t);
        const std::size_t subs = tab.sels.size();
        const std::size_t row = t < d.top_panel.tab_rows.size() ? d.top_panel.tab_rows[t].buttons.size() : 0;
        const std::size_t pictures = t < d.main_frame.tab_images.size() ? d.main_frame.tab_images[t].size() : 0;
        if (subs == 0)
            Add(Severity::Warning, where_tab, "the tab has no sub-tab: its top-panel row is empty and it shows no list");
        else if (row != subs)
            Add(Severity::Warning, where_tab,
                Plural(subs, "sub-tab has", "sub-tabs have") + " " + Plural(row, "top-panel button", "top-panel buttons") +
                    " (a sub-tab without its button block): button n opens sub-tab n, so the sub-tabs after the last "
                    "button cannot be reached");
        if (pictures > 1 && pictures != subs)
            Add(Severity::Warning, where_tab,
                Plural(subs, "sub-tab", "sub-tabs") + " and " + Plural(pictures, "picture", "pictures") +
                    " (the tab's own image block and one of each sub-tab): the frame shows picture n with sub-tab n");

        for (std::size_t s = 0; s < subs; ++s) {
            const SEL& sel = tab.sels[s];
            const std::string where_sub = where_tab + " sub-tab " + std::to_string(s + 1);
            if (sel.entries.empty())
                Add(Severity::Warning, where_sub, "the sub-tab has no entry: its list is empty");
            for (const SoftTabElement& entry : sel.entries) {
                const std::string where = where_sub + " " + Q(entry.title);
                if (tab.music)
                    CheckTrack(entry, where);
                else
                    CheckEntry(tab, entry, where);
            }
        }
    }
}

void Checker::CheckEntry(const sub_se& tab, const SoftTabElement& entry, const std::string& where)
{
    for (std::size_t k = 0; k < entry.pics.size(); ++k) {
        const PicPair& pair = entry.pics[k];
        const std::string where_pic = where + " picture " + std::to_string(k + 1);
        if (k >= 2 && !pair.thumb.empty())
            Add(Severity::Note, where_pic,
                "the thumbnail " + Q(pair.thumb) + " is never shown: the info box shows the first two");
        if (k < 2 && pair.thumb.empty() && !pair.pic.empty())
            Add(Severity::Warning, where_pic,
                "a full-size picture without a thumbnail: the info box offers nothing to open it (only the viewer's "
                "stepping reaches it)");
        if (pair.pic.empty()) {
            if (k < 2 && !pair.thumb.empty() && tab.full_inf)
                Add(Severity::Error, where_pic,
                    "the thumbnail " + Q(pair.thumb) + " has no full-size picture: opening it, the viewer reports a failure");
            continue;
        }
        Locate(pair.pic, where_pic);
        if (const std::optional<std::string> failure = PictureFileFailure(pair.pic))
            Add(Severity::Error, where_pic,
                "the full-size picture " + Q(pair.pic) + " does not load; the viewer reports: " + T(*failure));
    }
    for (std::size_t i = 0; i < entry.setups.size(); ++i) {
        const std::string& target = entry.setups[i].first;
        const std::string where_setup = where + " setup " + std::to_string(i + 1);
        if (target.empty()) {
            Add(Severity::Warning, where_setup, "the setup names no file: running it does nothing");
            continue;
        }
        const bool on_disc = Locate(target, where_setup).has_value();
        const OpenPlan plan = PlanOpen(target, resolver_, search_path_);
        if (!on_disc && plan.action == OpenPlan::Action::Fail && plan.failure == "nothing of that name on the disc") {
            Add(Severity::Error, where_setup,
                Q(target) + " is not on the disc: running it opens nothing (the menu writes: cannot open " + Q(target) +
                    ")");
            continue;
        }
        CheckSetupStart(plan, target, where_setup);
    }
    CheckLink(entry.url, where + " url");
    CheckLink(entry.url_dev, where + " url_dev");
    CheckLink(entry.url_pub, where + " url_pub");
}


CheckReport CheckDisc(const fs::path& root)
{
    return CheckDisc(FolderDiscFs(root));
}

CheckReport CheckDisc(std::shared_ptr<const DiscFs> disc)
{
    return CheckDisc(std::move(disc), DefaultSearchPath());
}

CheckReport CheckDisc(std::shared_ptr<const DiscFs> disc, const std::string& search_path)
{
    return Checker(std::move(disc), search_path).Run();
}

std::string SummaryLine(const CheckReport& report)
{
    auto count = [&](Severity s, const char* one, const char* many) {
        return Plural(static_cast<std::size_t>(report.Count(s)), one, many);
    };
    return count(Severity::Error, "error", "errors") + ", " + count(Severity::Warning, "warning", "warnings") + ", " +
           count(Severity::Note, "note", "notes");
}

std::string ReportText(const CheckReport& report)
{
    std::string out;
    for (const Finding& f : report.findings)
        out += std::string(SeverityName(f.severity)) + " " + f.where + ": " + f.text + "\n";
    out += SummaryLine(report) + "\n";
    return out;
}

std::string ReportJson(const CheckReport& report)
{
    std::string out = "{\"findings\": [";
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"severity\": ";
        AppendJsonText(out, SeverityName(f.severity), true);
        out += ", \"where\": ";
        AppendJsonText(out, f.where, true);
        out += ", \"text\": ";
        AppendJsonText(out, f.text, true);
        out += "}";
    }
    out += report.findings.empty() ? "]" : "\n]";
    out += ", \"errors\": " + std::to_string(report.Count(Severity::Error)) +
           ", \"warnings\": " + std::to_string(report.Count(Severity::Warning)) +
           ", \"notes\": " + std::to_string(report.Count(Severity::Note)) + "}\n";
    return out;
}

namespace {

// A text of this system (a file name, a message naming one) for a finding: as it is when it is
// UTF-8, as the disc texts are written otherwise, so that a report is always UTF-8.
std::string HostText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return PrintableDiscText(text);
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return PrintableDiscText(text);
        if (length == 1 && (c < 0x20 || c == 0x7F))
            return PrintableDiscText(text);
        i += length;
    }
    return std::string(text);
}

}  // namespace

int RunCheck(const std::string& root, bool json, std::ostream& out, std::ostream& err)
{
    std::error_code ec;
    std::shared_ptr<const DiscFs> disc;
    if (fs::is_directory(root, ec)) {
        disc = FolderDiscFs(root);
    } else if (IsDiscImagePath(root)) {
        // A file (or a CD drive) is a disc image. One that cannot be read is the disc's one finding: nothing of
        // it can be checked, and the menu would not start on it.
        try {
            disc = OpenDiscImage(root);
        } catch (const std::exception& e) {  // DiscImageError names the image
            CheckReport report;
            report.findings.push_back({Severity::Error, HostText(root),
                                       "the disc image cannot be read (" + HostText(e.what()) +
                                           "); the menu does not start on it"});
            out << (json ? ReportJson(report) : ReportText(report));
            out.flush();
            return 1;
        }
    } else {
        err << "zulcheck: " << root << ": not a folder\n";
        return 2;
    }
    const CheckReport report = CheckDisc(std::move(disc));
    out << (json ? ReportJson(report) : ReportText(report));
    out.flush();
    return report.HasErrors() ? 1 : 0;
}
