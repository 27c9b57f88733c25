// SPDX-License-Identifier: GPL-3.0-or-later
#include "Canvas.h"

#include "widgets/ImageLibrary.h"

#include <QPainter>

#include <cmath>

namespace quaverly {

void Canvas::ensure(QSizeF logicalSize, qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 0.0))
        devicePixelRatio = 1.0;
    if (!mImage.isNull() && mImage.devicePixelRatio() == devicePixelRatio)
        return;
    if (mImage.isNull())
        mSize = QSizeF(std::max(1.0, logicalSize.width()), std::max(1.0, logicalSize.height()));
    const QSize pixels(static_cast<int>(std::ceil(mSize.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(mSize.height() * devicePixelRatio)));
    mImage = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    mImage.setDevicePixelRatio(devicePixelRatio);
    mImage.fill(Qt::transparent);
}

void Canvas::clear()
{
    mImage.fill(Qt::transparent);
}

void Canvas::drawAt(QPainter &painter, const Image &image, qreal x, qreal y) const
{
    // Layers are drawn at their natural size on every redraw: blit the kept raster.
    const QSizeF natural = image.size();
    const QImage raster = image.toImage(mImage.devicePixelRatio());
    if (raster.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(x, mSize.height() - y - natural.height(), natural.width(), natural.height()),
                      raster, QRectF(raster.rect()));
    painter.restore();
}

void Canvas::drawInto(QPainter &painter, const QRectF &target) const
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, mImage, QRectF(mImage.rect()));
    painter.restore();
}

} // namespace quaverly
