// The demo disc's look, drawn with QPainter: a deep teal skin with amber accents and cream
// reading areas. Captions arrive as Unicode and are drawn in Tahoma (DejaVu Sans when the
// Windows fonts are not installed). Every function returns a finished picture.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

// Registers the Tahoma faces that come with the Windows fonts package; returns the family used.
QString LoadSkinFonts();

enum class ButtonState { Normal, Hover, Down };

// Small icons drawn before a caption (or alone).
enum class Glyph { None, Star, Gear, Note, Globe, Prev, Next, Play, Pause, Stop, Options, Setup, Minimise, Close };

// The main window's background: title strip with `title`, the catalogue frame, the control
// band and the banner groove.
QImage Background(const QString& title);

// Panel backgrounds.
QImage SidePanelBack(int w, int h, const QString& heading);
QImage TopPanelBack(int w, int h);
QImage MusicPanelBack(int w, int h);
QImage ControlPlate(int w, int h);
QImage MusicStrip(int w, int h);
QImage TabEmblem(int w, int h, Glyph glyph, const QString& text);
QImage Logo(int w, int h);
QImage OptionsBack(int w, int h, const QString& caption, const QString& disc_title, const QString& issue);

// A rounded button with an optional glyph and a caption. Side-panel tabs are `tab` buttons: their
// pressed picture is the selected look (amber), which stays while the tab is chosen.
QImage Button(int w, int h, Glyph glyph, const QString& caption, ButtonState state, bool tab = false);

// The frames of the animated splash picture.
std::vector<QImage> SplashFrames(const QString& title, const QString& subtitle);

// Cursor pictures (32 x 32, transparent): the main arrow and the frames of the link hand.
QImage ArrowCursor();
std::vector<QImage> HandCursorFrames();
