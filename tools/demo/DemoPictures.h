// The demo disc's catalogue pictures, drawn with the skin's kit: products' screenshots, music
// covers, the banners' advertisements and the wallpapers. Every function returns a finished picture.
#pragma once

#include <QImage>
#include <QString>

// Pictures of the catalogue: a "screenshot" of a product in one of a few styles, and a cover.
enum class ShotStyle { Space, Road, Dungeon, Chess, Blocks, Window };
QImage Screenshot(ShotStyle style, int variant, int w, int h, const QString& caption);
QImage Cover(int variant, int w, int h, const QString& caption);

// Advertisements for the banners.
QImage Advert(int w, int h, int variant, const QString& headline, const QString& line);

// Tileable wallpapers.
QImage Wallpaper(int folder, int variant);
