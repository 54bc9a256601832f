#include "site/SiteScenery.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QJsonArray>
#include <QRect>
#include <QWidget>

#include <memory>

#include "pictures/Picture.h"
#include "site/Places.h"
#include "pictures/PictureFile.h"
#include "platform/DiscText.h"
#include "sound/AudioOutput.h"
#include "windows/Options.h"
#include "windows/SplashForm.h"
#include "windows/Wpform.h"

namespace {

// A screen on which the wallpaper window offers its show: wider than 640 pixels, in true colour.
const DesktopFacts kWallpaperScreen{QRect(0, 0, 1024, 768), 32};

}  // namespace

QJsonObject SplashPictures(const PathResolver& resolver, const std::string& code, QWidget* owner,
                           const StorePicture& store)
{
    NoDeviceSoundOutput silent;
    std::unique_ptr<TSplashForm> splash;
    try {
        splash = std::make_unique<TSplashForm>(owner, resolver, "graph\\splash\\" + code + "\\Intro.gif", silent);
    } catch (const PictureError&) {
        return {};
    }
    // Drawn here and gone before any event loop runs, so that its timers never fire.
    splash->Timer1->stop();
    splash->show();
    QJsonArray frames;
    QJsonArray delays;
    for (int i = 0; i < splash->FrameCount(); ++i) {
        splash->ShowFrame(i);
        frames.append(store(splash->grab().toImage()));
        delays.append(splash->FrameDelay(i));
    }
    splash->hide();
    return {{"w", splash->width()},
            {"h", splash->height()},
            {"frames", frames},
            {"delays", delays},
            {"runs", splash->Animated() ? splash->RunsLeft() : 1}};
}

QJsonObject WallpaperPictures(const PathResolver& resolver, const WPs_inf& set, const StorePicture& store)
{
    if (set.dirs.empty())
        return {};
    // The window lists the folders' pictures; it is never shown.
    const TWPForm window(nullptr, set, resolver, kWallpaperScreen);
    QJsonArray folders;
    for (std::size_t f = 0; f < window.files.size() && f < set.dirs.size(); ++f) {
        QJsonArray pictures;
        for (const std::string& name : window.files[f]) {
            try {
                // As the window loads the picture it shows.
                const QImage image = LoadPictureFile(resolver, set.dirs[f] + name)->ToPixmap().toImage();
                pictures.append(QJsonObject{{"img", store(image)},
                                            {"w", image.width()},
                                            {"h", image.height()},
                                            {"file", DiscText(set.dirs[f] + name)}});
            } catch (const PictureError&) {
                pictures.append(QJsonValue(QJsonValue::Null));
            }
        }
        folders.append(pictures);
    }
    return {{"time", static_cast<double>(set.time)}, {"folders", folders}};
}

QJsonObject WallpaperChoices(TOptionsForm& form, const StorePicture& store)
{
    const int count = form.WPComboBox->count();
    if (count == 0)
        return {};
    const QRect place =
        PlaceIn(form, *form.WPCheckBox).united(PlaceIn(form, *form.WPLabel)).united(PlaceIn(form, *form.WPComboBox));
    QJsonArray off;
    QJsonArray on;
    for (const bool wallpapers_off : {true, false}) {
        // The check box and what it enables, as the window sets them when it opens or is clicked.
        form.WPCheckBox->setEnabled(true);
        form.WPCheckBox->setChecked(wallpapers_off);
        form.WPLabel->setEnabled(!wallpapers_off);
        form.WPComboBox->setEnabled(!wallpapers_off);
        for (int item = 0; item < count; ++item) {
            form.WPComboBox->setCurrentIndex(item);
            (wallpapers_off ? off : on).append(store(form.grab(place).toImage()));
        }
    }
    QJsonArray names;
    for (int item = 0; item < count; ++item)
        names.append(form.WPComboBox->itemText(item));
    return {{"place", Rect(place)},
            {"off", off},
            {"on", on},
            {"check", Rect(PlaceIn(form, *form.WPCheckBox))},
            {"list", Rect(PlaceIn(form, *form.WPComboBox))},
            {"names", names},
            {"checkName", form.WPCheckBox->text().remove(QLatin1Char('&'))}};
}
