// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeImageView.h"

#include <QPainter>
#include <QPixmap>

namespace quaverly {

AutoResizeImageView::AutoResizeImageView(QWidget *parent) : QLabel(parent), AutoResizing(*this, Content::Zoomed) {}

void AutoResizeImageView::setImage(const Image &image)
{
    if (image == mImage)
        return;
    mImage = image;
    update();
}

void AutoResizeImageView::paintEvent(QPaintEvent *event)
{
    const qreal scale = contentScale();
    const QPixmap shownPixmap = pixmap();
    if (mImage.isNull() && (shownPixmap.isNull() || scale == 1.0)) {
        QLabel::paintEvent(event);
        return;
    }
    const QSizeF natural = mImage.isNull() ? shownPixmap.deviceIndependentSize() : mImage.size();
    const QSizeF shown = natural * scale;
    const QRectF target(QPointF((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0),
                        shown);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (mImage.isNull())
        painter.drawPixmap(target, shownPixmap, QRectF(shownPixmap.rect()));
    else
        mImage.draw(painter, target);
}

} // namespace quaverly
