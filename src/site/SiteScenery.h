// What the menu shows around its window: the splash at its start and the wallpapers behind it,
// each drawn by the menu's own windows and written as pictures for the site's page.
#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>
#include <string>

#include "disc/PathResolver.h"
#include "model/Description.h"

class QImage;
class QWidget;
class TOptionsForm;

// Writes a picture into the site once and gives its address there.
using StorePicture = std::function<QString(const QImage&)>;

// The splash of the language `code` (graph\splash\CODE\Intro.gif) as the menu's splash window
// draws it: {w, h, frames: [picture], delays: [ms], runs} with each frame of an animation as it is
// shown and how long, and the runs it makes (negative: for ever). Empty when the splash does not
// load, as a disc without one shows none.
QJsonObject SplashPictures(const PathResolver& resolver, const std::string& code, QWidget* owner,
                           const StorePicture& store);

// The wallpapers of `set` as the menu's wallpaper window finds and decodes them: {time, folders}
// with, for each folder in the set's order, its JPEG files in the order the window lists them, each
// {img, w, h, file} (file: its disc path), or null for one that does not load. Empty when the set
// has no folder.
QJsonObject WallpaperPictures(const PathResolver& resolver, const WPs_inf& set, const StorePicture& store);

// The wallpaper choices of the open options window `form` (its folders already listed) as the
// window draws them: the part of the window they take (place), drawn switched off and switched on
// with each folder chosen (off, on), where the check box and the list lie (check, list), the
// folders' names and the check box's text. Empty when the list holds no folder.
QJsonObject WallpaperChoices(TOptionsForm& form, const StorePicture& store);
