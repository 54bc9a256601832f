// Where things lie, as the site's data writes it.
#pragma once

#include <QJsonArray>
#include <QRect>
#include <QWidget>

// A rectangle as [x, y, width, height].
inline QJsonArray Rect(const QRect& r)
{
    return QJsonArray{r.x(), r.y(), r.width(), r.height()};
}

// Where `control` lies in `window`, one of its ancestors.
inline QRect PlaceIn(const QWidget& window, const QWidget& control)
{
    return {control.mapTo(&window, QPoint(0, 0)), control.size()};
}
