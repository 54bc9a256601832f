// The menu's own drawing of a state, for the site's browser test to compare the page with:
//   site_shot DISC ACTION...
// ACTION is tab=N, sub=N, row=N, entry, next, prev or play (a click of the menu), left=MS (the MIDI
// track playing has MS milliseconds left, shown on the strip), shot=FILE (the
// window as drawn now, written as a PNG) or picture=DISC_PATH|FILE (a full-size picture as the
// viewer shows it), or ad=B:I (banner B, 0 the side panel's and 1 the main one, shows its
// advertisement I), splash=CODE|PREFIX (each frame of the language's splash as its window draws
// it, written to PREFIX0.png, PREFIX1.png ...), wallpaper=SECONDS:COUNT (the index of the picture
// the wallpaper window picks among COUNT in that second of the clock, on standard output) or
// box=LINK|FILE (the question the menu asks before it opens LINK, its box as it opens). The disc
// starts as zulcheck --site starts it.
#include <QImage>

#include <iostream>
#include <string>
#include <vector>

#include "elements/ZulShell.h"
#include "pictures/PictureFile.h"
#include "site/SiteBoxes.h"
#include "site/SiteScenery.h"
#include "windows/Wpform.h"
#include "zulcheck/SiteStart.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: site_shot DISC ACTION...\n";
        return 2;
    }
    const std::vector<std::string> actions(argv + 2, argv + argc);
    return WithSiteMenu(argv[1], std::cerr, [&](OffscreenMenu& menu, const Inf_shell& description) {
        for (const std::string& action : actions) {
            const std::size_t equals = action.find('=');
            const std::string verb = action.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : action.substr(equals + 1);
            if (verb == "tab") {
                menu.ClickTab(std::stoi(value));
            } else if (verb == "sub") {
                menu.ClickSub(std::stoi(value));
            } else if (verb == "row") {
                menu.SelectRow(std::stoi(value));
            } else if (verb == "entry") {
                menu.ClickEntry();
            } else if (verb == "next") {
                menu.ClickNext();
            } else if (verb == "prev") {
                menu.ClickPrevious();
            } else if (verb == "play") {
                menu.ClickPlay();
            } else if (verb == "left") {
                menu.SetTimeLeft(std::stoi(value));
            } else if (verb == "picture") {
                const std::size_t bar = value.find('|');
                const QImage picture =
                    LoadPictureFile(menu.Resolver(), value.substr(0, bar))->ToPixmap().toImage();
                if (bar == std::string::npos || !picture.save(QString::fromStdString(value.substr(bar + 1)), "PNG")) {
                    std::cerr << "site_shot: cannot write " << value << '\n';
                    return 1;
                }
            } else if (verb == "ad") {
                Banner* banner = std::stoi(value) == 0 ? menu.Shell().Side().PanelBanner() : menu.Shell().MainBanner();
                banner->ShowAd(static_cast<std::size_t>(std::stoi(value.substr(value.find(':') + 1))));
            } else if (verb == "splash") {
                const std::size_t bar = value.find('|');
                int frame = 0;
                bool written = true;
                const QJsonObject splash = SplashPictures(
                    menu.Resolver(), value.substr(0, bar), &menu.Window(), [&](const QImage& image) {
                        const QString file = QString::fromStdString(value.substr(bar + 1)) + QString::number(frame++) +
                                             QStringLiteral(".png");
                        written = written && image.save(file, "PNG");
                        return file;
                    });
                if (bar == std::string::npos || splash.isEmpty() || !written) {
                    std::cerr << "site_shot: no splash written for " << value << '\n';
                    return 1;
                }
            } else if (verb == "wallpaper") {
                std::cout << RandomPictureIndex(std::stoll(value), std::stoul(value.substr(value.find(':') + 1)))
                          << '\n';
            } else if (verb == "box") {
                const std::size_t bar = value.find('|');
                const QImage box = MessageBoxPicture(LinkQuestion(description.link_box, value.substr(0, bar)),
                                                     description.link_box.link_caption, MsgButtons::YesNo);
                if (bar == std::string::npos || !box.save(QString::fromStdString(value.substr(bar + 1)), "PNG")) {
                    std::cerr << "site_shot: cannot write " << value << '\n';
                    return 1;
                }
            } else if (verb == "shot") {
                if (!menu.Grab().save(QString::fromStdString(value), "PNG")) {
                    std::cerr << "site_shot: cannot write " << value << '\n';
                    return 1;
                }
            } else {
                std::cerr << "site_shot: unknown action " << action << '\n';
                return 2;
            }
        }
        return 0;
    });
}
