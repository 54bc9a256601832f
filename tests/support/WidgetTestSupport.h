// Helpers of the widget tests: the offscreen GUI application, solid-colour pictures from a
// picture source double, bitmap files, and mouse messages sent straight to a control.
#pragma once

#include <QApplication>
#include <QBuffer>
#include <QColor>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QSize>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/PictureSource.h"
#include "pictures/Picture.h"

// One QApplication on the offscreen platform for the whole test program.
// A picture of one colour, as if decoded from a member.
class SolidPicture : public Picture {
public:
    SolidPicture(QColor colour, QSize size)
    {
        image_ = QImage(size, QImage::Format_RGB32);
        image_.fill(colour);
    }
    void LoadFromBytes(std::string_view, const std::string&) override {}
};

// A picture source that makes solid-colour pictures by name and records every name asked for.
class ColourSource : public PictureSource {
public:
    struct Entry {
        QColor colour;
        QSize size;
    };
    std::map<std::string, Entry> pictures;
    std::vector<std::string> loaded;

    void Add(const std::string& name, QColor colour, QSize size = QSize(20, 10))
    {
        pictures[name] = Entry{colour, size};
    }

    std::unique_ptr<Picture> LoadPicture(const std::string& name) override
    {
        loaded.push_back(name);
        auto it = pictures.find(name);
        if (it == pictures.end())
            throw std::runtime_error("no picture " + name);
        return std::make_unique<SolidPicture>(it->second.colour, it->second.size);
    }
};

// The colour at (x, y) of a pixmap; 0 for a null one.
inline QRgb ColourAt(const QPixmap& pixmap, int x = 0, int y = 0)
{
    if (pixmap.isNull())
        return 0;
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32).pixel(x, y) | 0xFF000000u;
}

inline QRgb Rgb(QColor colour)
{
    return colour.rgb() | 0xFF000000u;
}

// A 24-bit Windows bitmap of one colour.
inline std::string BitmapBytes(QColor colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

// Mouse messages sent to the control itself, as the window system would deliver them.
inline void SendEnter(QWidget& widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(&widget, &event);
}

inline void SendLeave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

inline void SendButton(QWidget& widget, QEvent::Type type, QPoint pos,
                       Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
            ? Qt::MouseButtons(button)
            : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(pos), widget.mapToGlobal(QPointF(pos)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

inline void SendPress(QWidget& widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    SendButton(widget, QEvent::MouseButtonPress, pos, button);
}

inline void SendRelease(QWidget& widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    SendButton(widget, QEvent::MouseButtonRelease, pos, button);
}

// A left double click as Qt delivers one: press, release, the second press as a double-click
// event, release.
inline void SendDoubleClick(QWidget& widget, QPoint pos)
{
    SendPress(widget, pos);
    SendRelease(widget, pos);
    SendButton(widget, QEvent::MouseButtonDblClick, pos);
    SendRelease(widget, pos);
}
