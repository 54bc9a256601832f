// The whole-disc check behind CheckDisc: the class Checker, which reads a disc the way the menu does
// and collects the findings, and the text helpers its findings are written with. Checker's methods
// live in one file per kind of check: Check.cpp (the languages, each script's flow, locating
// files), CheckPictures.cpp, CheckSounds.cpp and CheckCatalogue.cpp. A plain class used only within
// the check library (zulcheck_check); main.cpp and the tests go through Check.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/ZipGrFile.h"
#include "disc/DiscFs.h"
#include "disc/PathResolver.h"
#include "model/Description.h"
#include "platform/Application.h"
#include "platform/Opener.h"
#include "zulcheck/Check.h"

// The texts of the findings, shared by the files of the check.
namespace check_text {

// A disc text as it reads in the current language, for a line of the report.
std::string T(std::string_view bytes);
// A disc text in quotes.
std::string Q(std::string_view bytes);
// "the menu ends with: MESSAGE", the message as a disc text.
std::string Ends(std::string_view message);
// "1 one", "N many".
std::string Plural(std::size_t n, const char* one, const char* many);

}  // namespace check_text

// The menu's Application without a window: every box is kept, and ending the program comes back
// to the check as ProgramHalted, so one failure does not end the check.
class CollectingApplication : public Application {
public:
    std::vector<std::string> boxes;

    void SetTitle(const std::string&) override {}
    void Terminate(int) override {}
    void Halt(int exit_code) override { throw ProgramHalted{exit_code}; }

protected:
    MsgResult ShowMessageBox(const std::string& text, const std::string&, MsgButtons buttons) override
    {
        boxes.push_back(text);
        return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
    }
};

class Checker {
public:
    Checker(std::shared_ptr<const DiscFs> disc, std::string search_path)
        : root_(disc->Root()), resolver_(std::move(disc)), search_path_(std::move(search_path))
    {
    }

    CheckReport Run();

private:
    struct Language {
        std::string code;
        std::string name;
        std::uint8_t charset = 0;
    };

    void Add(Severity severity, std::string where, std::string text)
    {
        report_.findings.push_back({severity, std::move(where), std::move(text)});
    }

    // Check.cpp: the languages and each script's flow.
    std::vector<Language> FindLanguages();
    void CheckScript(const Language& language);

    // CheckPictures.cpp: the picture archive and the pictures of the disc.
    void OpenArchive();
    void CloseArchive();
    void CheckSplash(const Language& language, const std::string& script);
    void CheckCursors(const Inf_shell& d, const std::string& script);
    void CheckSkinPictures(const Inf_shell& d, const std::string& script);
    void CheckBanner(const Inf_banner& banner, const std::string& where);
    void CheckWallpapers(const WPs_inf& wallpapers, const std::string& script);

    // CheckSounds.cpp: the decoder module and the sounds of the disc.
    void CheckDecoderModule();
    void CheckEventSounds(const Inf_shell& d, const std::string& script);
    void CheckBackgroundMusic(const Inf_shell& d, const std::string& script);
    void CheckTrack(const SoftTabElement& track, const std::string& where);

    // CheckCatalogue.cpp: the catalogue, its entries, their setups and links.
    void CheckCatalogue(const Inf_shell& d, const std::string& script);
    void CheckEntry(const sub_se& tab, const SoftTabElement& entry, const std::string& where);
    // What the menu does here with a setup that is on the disc, or an address, as one finding.
    void CheckSetupStart(const OpenPlan& plan, const std::string& target, const std::string& where);
    void CheckLink(const std::string& link, const std::string& where);

    // The file or folder a disc path names; a name found only without regard to letter case is
    // noted once per script.
    std::optional<std::filesystem::path> Locate(const std::string& disc_path, const std::string& where);
    // The failure of a picture file of the disc (LoadPictureFile), or nothing; kept per path.
    std::optional<std::string> PictureFileFailure(const std::string& disc_path);
    // Whether a WAV file decodes to a sound the menu plays; kept per file.
    bool WavDecodes(const std::filesystem::path& file, const std::string& bytes);
    // The failure of a skin picture taken from the archive, or nothing; kept per member.
    std::optional<std::string> SkinPictureFailure(const std::string& name);

    std::filesystem::path root_;
    PathResolver resolver_;
    std::string search_path_;  // where the menu would find Wine and xdg-open
    CheckReport report_;
    CollectingApplication app_;
    std::unique_ptr<ZipGrFile> archive_;
    bool archive_failed_ = false;
    std::set<std::string> named_members_;
    std::set<std::string> located_;  // disc paths already noted for their letter case, this script
    std::map<std::string, std::optional<std::string>> picture_files_;
    std::map<std::string, std::optional<std::string>> skin_pictures_;
    std::map<std::filesystem::path, bool> wavs_;
    std::optional<std::string> decoder_failure_;  // the decoder module did not initialise
    bool decoder_checked_ = false;
};
