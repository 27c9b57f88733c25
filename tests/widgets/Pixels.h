// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>

namespace quaverly::test {

// What the widget itself draws, over transparency, in device pixels.
inline QImage rendered(QWidget &widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    QImage image((QSizeF(widget.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Bounding box of the pixels that satisfy ink, in device pixels.
inline QRect inkBounds(const QImage &image, const std::function<bool(QColor)> &ink)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ink(image.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

inline bool isOpaque(QColor c)
{
    return c.alpha() > 128;
}

} // namespace quaverly::test
