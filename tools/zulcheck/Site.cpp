// zulcheck --site OUT DISC: the disc's menu as a static web site. The disc starts as the menu
// starts it (the same steps, the same boxes written to standard error, status 1 when it does not
// start), in each of its languages; each language's menu is then drawn offscreen and written.
#include <QApplication>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "app/QtApplication.h"
#include "app/Startup.h"
#include "disc/CodePages.h"
#include "platform/CursorFile.h"
#include "disc/DiscFs.h"
#include "disc/DiscImage.h"
#include "disc/PathResolver.h"
#include "site/OffscreenMenu.h"
#include "site/SiteExport.h"
#include "zulcheck/Commands.h"
#include "zulcheck/SiteStart.h"

namespace {

// Boxes go to standard error only (as the menu echoes them); the end of the program the start
// asks for ends the export instead.
class SiteApplication : public ConsoleApplication {
public:
    void Terminate(int exit_code) override { terminated = exit_code; }
    void Halt(int exit_code) override { throw ProgramHalted{exit_code}; }

    std::optional<int> terminated;
};

// The start's windows: none is shown; of several languages the one asked for is taken, by default
// the preselected one.
class NoStartupWindows : public StartupWindows {
public:
    explicit NoStartupWindows(std::optional<int> choice = std::nullopt) : choice_(choice) {}
    int ChooseLanguage(const std::vector<lang_inf>& languages, int preselected) override
    {
        preselected_ = preselected;
        languages_ = languages;
        return choice_.value_or(preselected);
    }
    void ShowWallpaperWindow(const WPs_inf&) override {}
    void ShowSplash(const std::string&) override {}
    void SetMainWindowCursor(int) override {}

    int preselected_ = 0;
    std::vector<lang_inf> languages_;

private:
    std::optional<int> choice_;
};

}  // namespace

int WithSiteMenus(const std::string& disc_path, std::ostream& err,
                  const std::function<int(std::vector<StartedMenu>& menus, const std::vector<lang_inf>& languages,
                                          int preselected)>& use)
{
    std::error_code ec;
    const bool image = IsDiscImagePath(disc_path);
    if (!image && !std::filesystem::is_directory(disc_path, ec)) {
        err << "zulcheck: " << disc_path << ": not a folder\n";
        return 2;
    }
    // The site is drawn offscreen, at the skin's own pixels, whatever display there is.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("QT_SCALE_FACTOR");
    int argc = 1;
    char name[] = "zulcheck";
    char* argv[] = {name, nullptr};
    QApplication qt(argc, argv);
    RegisterSkinFonts();
    SiteApplication app;
    app.SetTitle("");

    std::shared_ptr<const DiscFs> disc;
    if (!image) {
        disc = FolderDiscFs(disc_path);
    } else {
        try {
            disc = OpenDiscImage(disc_path);
        } catch (const std::exception& e) {  // DiscImageError names the image
            app.MessageBox(e.what(), kAppTitle, MsgButtons::Ok);
            return kFailedStartExitCode;
        }
    }
    const PathResolver resolver(std::move(disc));
    // One language's start and build; its status when it does not start.
    const auto start = [&](NoStartupWindows& windows, std::vector<StartedMenu>& menus) {
        app.terminated.reset();
        try {
            QtCursorSlots cursors(resolver);
            Startup startup(app, windows, cursors, resolver);
            startup.Run();
            if (app.terminated)
                return kFailedStartExitCode;
            StartedMenu started{startup.language(), std::make_unique<Inf_shell>(std::move(startup.description)),
                                nullptr};
            started.menu = std::make_unique<OffscreenMenu>(app, resolver, *started.description);
            menus.push_back(std::move(started));
            return 0;
        } catch (const ProgramHalted& halted) {
            return halted.exit_code;
        } catch (const std::exception& e) {
            // As the menu reports a build that fails: a box under the application's title.
            app.MessageBox(e.what(), kAppTitle, MsgButtons::Ok);
            return kFailedStartExitCode;
        }
    };
    std::vector<StartedMenu> menus;
    NoStartupWindows first;
    if (const int status = start(first, menus); status != 0)
        return status;
    for (int i = 0; i < static_cast<int>(first.languages_.size()); ++i) {
        if (i == first.preselected_)
            continue;
        NoStartupWindows other(i);
        start(other, menus);
    }
    try {
        return use(menus, first.languages_, first.preselected_);
    } catch (const std::exception& e) {
        app.MessageBox(e.what(), kAppTitle, MsgButtons::Ok);
        return kFailedStartExitCode;
    }
}

int WithSiteMenu(const std::string& disc_path, std::ostream& err,
                 const std::function<int(OffscreenMenu& menu, const Inf_shell& description)>& use)
{
    return WithSiteMenus(disc_path, err, [&](std::vector<StartedMenu>& menus, const std::vector<lang_inf>&, int) {
        current_charset = menus.front().language.charset;
        return use(*menus.front().menu, *menus.front().description);
    });
}

int RunSite(const std::string& out, const std::string& disc_path, bool force, bool files, std::ostream& err)
{
    return WithSiteMenus(disc_path, err, [&](std::vector<StartedMenu>& menus, const std::vector<lang_inf>& languages,
                                             int preselected) {
        const std::string error = WriteWholeSite(out, force, [&](const std::filesystem::path& folder) {
            // The page starts with the preselected language's data; with several languages it asks
            // first, and a language chosen there brings its own data file.
            // The question lists the languages that started, in the disc's order.
            SiteOptions options;
            options.files = files;
            std::vector<std::string> menu_files(menus.size());
            for (std::size_t i = 0; i < menus.size(); ++i)
                menu_files[i] = i == 0 ? "data.js" : "data-" + std::to_string(i) + ".js";
            for (std::size_t l = 0; l < languages.size(); ++l)
                for (std::size_t i = 0; i < menus.size(); ++i)
                    if (menus[i].language == languages[l] && (i > 0 || static_cast<int>(l) == preselected)) {
                        if (i == 0)
                            options.preselected = static_cast<int>(options.languages.size());
                        options.languages.push_back(languages[l]);
                        options.language_files.push_back(menu_files[i]);
                        break;
                    }
            for (std::size_t i = 0; i < menus.size(); ++i) {
                current_charset = menus[i].language.charset;
                SiteOptions own = options;
                own.data_file = menu_files[i];
                own.page_files = i == 0;
                own.language_code = menus[i].language.code;
                if (i > 0)
                    own.languages.clear();
                WriteSite(*menus[i].menu, *menus[i].description, folder, own);
            }
        });
        if (error.empty())
            return 0;
        err << "zulcheck: " << error << '\n';
        return 1;
    });
}
