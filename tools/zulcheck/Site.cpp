// zulcheck --site OUT DISC: the disc's menu as a static web site. The disc starts as the menu
// starts it (the same steps, the same boxes written to standard error, status 1 when it does not
// start), with the language the menu preselects; the menu is then drawn offscreen and written.
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
#include "platform/CursorFile.h"
#include "platform/DiscFs.h"
#include "platform/DiscImage.h"
#include "platform/PathResolver.h"
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

// The start's windows: none is shown; of several languages the preselected one is taken.
class NoStartupWindows : public StartupWindows {
public:
    int ChooseLanguage(const std::vector<lang_inf>&, int preselected) override { return preselected; }
    void ShowWallpaperWindow(const WPs_inf&) override {}
    void ShowSplash(const std::string&) override {}
    void SetMainWindowCursor(int) override {}
};

}  // namespace

int WithSiteMenu(const std::string& disc_path, std::ostream& err,
                 const std::function<int(OffscreenMenu& menu, const Inf_shell& description)>& use)
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
    try {
        NoStartupWindows windows;
        QtCursorSlots cursors(resolver);
        Startup startup(app, windows, cursors, resolver);
        startup.Run();
        if (app.terminated)
            return kFailedStartExitCode;
        OffscreenMenu menu(app, resolver, startup.description);
        return use(menu, startup.description);
    } catch (const ProgramHalted& halted) {
        return halted.exit_code;
    } catch (const std::exception& e) {
        // As the menu reports a build that fails: a box under the application's title.
        app.MessageBox(e.what(), kAppTitle, MsgButtons::Ok);
        return kFailedStartExitCode;
    }
}

int RunSite(const std::string& out, const std::string& disc_path, bool force, bool files, std::ostream& err)
{
    return WithSiteMenu(disc_path, err, [&](OffscreenMenu& menu, const Inf_shell& description) {
        const std::string error = WriteWholeSite(out, force, [&](const std::filesystem::path& folder) {
            SiteOptions options;
            options.files = files;
            WriteSite(menu, description, folder, options);
        });
        if (error.empty())
            return 0;
        err << "zulcheck: " << error << '\n';
        return 1;
    });
}
