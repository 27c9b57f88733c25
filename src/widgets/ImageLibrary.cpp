// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageLibrary.h"

#include <QDebug>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace quaverly {

void Image::draw(QPainter &painter, const QRectF &target) const
{
    if (mRenderer && !target.isEmpty())
        mRenderer->render(&painter, target);
}

QImage Image::toImage(qreal devicePixelRatio) const
{
    if (!mRenderer || !(devicePixelRatio > 0.0))
        return {};
    const QSize pixels(static_cast<int>(std::ceil(mSize.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(mSize.height() * devicePixelRatio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    mRenderer->render(&painter, QRectF(QPointF(0, 0), mSize));
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
    auto renderer = std::make_shared<QSvgRenderer>(QStringLiteral(":/images/%1.svg").arg(name));
    if (renderer->isValid() && !renderer->defaultSize().isEmpty()) {
        image.mSize = QSizeF(renderer->defaultSize());
        image.mRenderer = std::move(renderer);
    } else {
        qWarning().noquote() << QStringLiteral("Cannot load the image \"%1\"").arg(name);
    }
    cache->insert(name, image);
    return image;
}

} // namespace quaverly
