// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisclosureButton.h"

#include "widgets/ImageLibrary.h"

#include <QPainter>

#include <array>

namespace quaverly {
namespace {

// Loaded on the first draw and shared by every triangle for the program's life.
const std::array<Image, 3> &triangleImages()
{
    static const std::array<Image, 3> images{ImageLibrary::image(QStringLiteral("down")),
                                             ImageLibrary::image(QStringLiteral("right")),
                                             ImageLibrary::image(QStringLiteral("middle"))};
    return images;
}

} // namespace

DisclosureButton::DisclosureButton(QWidget *parent)
    : QAbstractButton(parent), AutoResizing(*this, Content::Zoomed)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
}

void DisclosureButton::paintEvent(QPaintEvent *)
{
    const auto &images = triangleImages();
    const Image &image = isDown() ? images[2] : (isChecked() ? images[0] : images[1]);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    image.draw(painter, QRectF(rect()));

    if (hasFocus()) {
        // The ring glows just outside a circle of radius width / 2 - 4 about the centre.
        const qreal w = width();
        const qreal radius = w * 0.5 - 4.0;
        if (radius > 0.0) {
            QColor ring = palette().highlight().color();
            ring.setAlphaF(0.8);
            painter.setPen(QPen(ring, 3.0));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QPointF(w * 0.5, height() * 0.5), radius + 1.5, radius + 1.5);
        }
    }
}

} // namespace quaverly
