// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisclosureButton.h"

#include "widgets/ImageLibrary.h"

#include <QKeyEvent>
#include <QMouseEvent>
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
    : QWidget(parent), AutoResizing(*this, Content::Zoomed)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
}

QSize DisclosureButton::sizeHint() const
{
    return {16, 16};
}

void DisclosureButton::setState(qint64 state)
{
    mState = state;
    update();
}

void DisclosureButton::toggle()
{
    setState(mState == 0 ? 1 : 0);
}

void DisclosureButton::setMiddleState(bool pressed)
{
    middleState = pressed;
    update();
}

void DisclosureButton::click()
{
    toggle();
    emit clicked();
}

void DisclosureButton::paintEvent(QPaintEvent *)
{
    const auto &images = triangleImages();
    const Image &image = middleState ? images[2] : (mState != 0 ? images[0] : images[1]);
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

void DisclosureButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    mTracking = true;
    setMiddleState(rect().contains(event->position().toPoint()));
}

void DisclosureButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!mTracking || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != middleState)
        setMiddleState(inside);
}

void DisclosureButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !mTracking) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    mTracking = false;
    setMiddleState(false);
    if (rect().contains(event->position().toPoint()))
        click();
}

void DisclosureButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        setMiddleState(true);
        return;
    }
    if (event->key() == Qt::Key_Space)
        return;
    QWidget::keyPressEvent(event);
}

void DisclosureButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        // A Space released without its press here (focus arrived meanwhile) is no click.
        if (middleState) {
            setMiddleState(false);
            click();
        }
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void DisclosureButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void DisclosureButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    if (middleState && !mTracking)
        middleState = false;
    update();
}

} // namespace quaverly
