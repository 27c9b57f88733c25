// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeStepper.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace quaverly {
namespace {

constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 80;

QPainterPath arrowPath(const QRectF &half, bool up)
{
    const qreal w = half.width() * 0.42;
    const qreal h = std::min(half.height() * 0.36, w * 0.6);
    const QPointF c = half.center();
    QPainterPath path;
    if (up) {
        path.moveTo(c.x() - w / 2, c.y() + h / 2);
        path.lineTo(c.x() + w / 2, c.y() + h / 2);
        path.lineTo(c.x(), c.y() - h / 2);
    } else {
        path.moveTo(c.x() - w / 2, c.y() - h / 2);
        path.lineTo(c.x() + w / 2, c.y() - h / 2);
        path.lineTo(c.x(), c.y() + h / 2);
    }
    path.closeSubpath();
    return path;
}

} // namespace

AutoResizeStepper::AutoResizeStepper(QWidget *parent)
    : QWidget(parent), AutoResizing(*this, Content::Zoomed)
{
    setFocusPolicy(Qt::StrongFocus);
    mRepeat.setSingleShot(false);
    connect(&mRepeat, &QTimer::timeout, this, [this] {
        mRepeat.setInterval(kRepeatIntervalMs);
        step(mPressed);
    });
}

void AutoResizeStepper::setValue(double value)
{
    if (std::isnan(value))
        return;
    value = std::clamp(value, mMinimum, std::max(mMinimum, mMaximum));
    if (value == mValue)
        return;
    mValue = value;
    emit valueChanged(mValue);
}

void AutoResizeStepper::setMinimum(double minimum)
{
    if (std::isnan(minimum))
        return;
    mMinimum = minimum;
    mMaximum = std::max(mMaximum, minimum);
    setValue(mValue);
}

void AutoResizeStepper::setMaximum(double maximum)
{
    if (std::isnan(maximum))
        return;
    mMaximum = maximum;
    mMinimum = std::min(mMinimum, maximum);
    setValue(mValue);
}

void AutoResizeStepper::setIncrement(double increment)
{
    if (increment > 0.0 && std::isfinite(increment))
        mIncrement = increment;
}

void AutoResizeStepper::stepUp()
{
    setValue(mValue + mIncrement);
}

void AutoResizeStepper::stepDown()
{
    setValue(mValue - mIncrement);
}

void AutoResizeStepper::step(Arrow arrow)
{
    if (arrow == Arrow::None)
        return;
    arrow == Arrow::Up ? stepUp() : stepDown();
    emit stepped(mValue);
}

QSize AutoResizeStepper::sizeHint() const
{
    return {19, 27};
}

void AutoResizeStepper::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = std::min(body.width(), body.height()) * 0.25;
    const QPalette &pal = palette();
    QRectF upper(body.left(), body.top(), body.width(), body.height() / 2);
    QRectF lower(body.left(), body.center().y(), body.width(), body.height() / 2);

    QPainterPath outline;
    outline.addRoundedRect(body, radius, radius);
    painter.fillPath(outline, pal.button());
    if (mPressed != Arrow::None) {
        painter.save();
        painter.setClipRect(mPressed == Arrow::Up ? upper : lower);
        painter.fillPath(outline, pal.dark());
        painter.restore();
    }
    const qreal line = std::max(1.0, width() / 19.0);
    painter.setPen(QPen(hasFocus() ? pal.highlight().color() : pal.mid().color(),
                        hasFocus() ? 2.0 * line : line));
    painter.drawPath(outline);
    painter.setPen(QPen(pal.mid().color(), line));
    painter.drawLine(QPointF(body.left(), body.center().y()), QPointF(body.right(), body.center().y()));

    const QColor arrowColor = isEnabled() ? pal.buttonText().color() : pal.mid().color();
    painter.setPen(Qt::NoPen);
    painter.setBrush(arrowColor);
    painter.drawPath(arrowPath(upper, true));
    painter.drawPath(arrowPath(lower, false));
}

void AutoResizeStepper::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    mPressed = event->position().y() < height() / 2.0 ? Arrow::Up : Arrow::Down;
    step(mPressed);
    mRepeat.start(kRepeatDelayMs);
    update();
}

void AutoResizeStepper::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    mRepeat.stop();
    mPressed = Arrow::None;
    update();
}

void AutoResizeStepper::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        step(Arrow::Up);
        break;
    case Qt::Key_Down:
        step(Arrow::Down);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void AutoResizeStepper::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void AutoResizeStepper::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace quaverly
