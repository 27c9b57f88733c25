// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageLibrary.h"

#include <QDebug>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace quaverly {

struct Image::Source {
    QSvgRenderer renderer;
    QImage raster;
};

void Image::draw(QPainter &painter, const QRectF &target) const
{
    if (mSource && !target.isEmpty())
        mSource->renderer.render(&painter, target);
}

QImage Image::toImage(qreal devicePixelRatio) const
{
    if (!mSource || !(devicePixelRatio > 0.0))
        return {};
    if (!mSource->raster.isNull() && mSource->raster.devicePixelRatio() == devicePixelRatio)
        return mSource->raster;
    const QSize pixels(static_cast<int>(std::ceil(mSize.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(mSize.height() * devicePixelRatio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    mSource->renderer.render(&painter, QRectF(QPointF(0, 0), mSize));
    painter.end();
    mSource->raster = image;
    return image;
}

Image ImageLibrary::image(const QString &name)
{
    // Never destroyed: renderers are QObjects and must not outlive the application in a
    // static destructor.
    static auto *cache = new QHash<QString, Image>;
    if (auto found = cache->constFind(name); found != cache->constEnd())
        return *found;

    Image image;
    image.mName = name;
    auto source = std::make_shared<Image::Source>();
    source->renderer.load(QStringLiteral(":/images/%1.svg").arg(name));
    if (source->renderer.isValid() && !source->renderer.defaultSize().isEmpty()) {
        image.mSize = QSizeF(source->renderer.defaultSize());
        image.mSource = std::move(source);
    } else {
        qWarning().noquote() << QStringLiteral("Cannot load the image \"%1\"").arg(name);
    }
    cache->insert(name, image);
    return image;
}

} // namespace quaverly
