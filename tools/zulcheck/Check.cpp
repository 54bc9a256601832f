// The whole-disc check's frame: the severities and the report, the languages and the flow of each
// script (the Checker's other methods are in CheckPictures.cpp, CheckSounds.cpp and
// CheckCatalogue.cpp), locating the disc's files, CheckDisc, the report writers and RunCheck.
#include "zulcheck/Check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "app/Languages.h"
#include "app/LoadObj.h"
#include "disc/CodePages.h"
#include "disc/DiscFs.h"
#include "disc/DiscImage.h"
#include "disc/Files.h"
#include "disc/PathResolver.h"
#include "model/Description.h"
#include "platform/Opener.h"
#include "script/Synter.h"
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
        Add(Severity::Error, "graph",
            "no description script graph\\image_<code>.dat; " + std::string(Ends(kNoMainFile)));
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
