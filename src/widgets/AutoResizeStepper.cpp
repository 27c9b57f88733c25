// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeStepper.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStylePainter>

#include <algorithm>
#include <cmath>

namespace quaverly {
namespace {

constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 80;

} // namespace

AutoResizeStepper::AutoResizeStepper(QWidget *parent)
    : QWidget(parent), AutoResizing(*this, Content::Zoomed)
{
    setFocusPolicy(Qt::StrongFocus);
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

void AutoResizeStepper::step(Arrow arrow)
{
    if (arrow == Arrow::None)
        return;
    setValue(arrow == Arrow::Up ? mValue + mIncrement : mValue - mIncrement);
    update();
    emit stepped(mValue);
}

QSizeF AutoResizeStepper::drawnSize() const
{
    return isOriginalSet() ? originalFrame().size() : QSizeF(size());
}

QStyleOptionSpinBox AutoResizeStepper::styleOption() const
{
    QStyleOptionSpinBox option;
    option.initFrom(this);
    option.rect = QRectF(QPointF(0.0, 0.0), drawnSize()).toAlignedRect();
    option.frame = false;
    option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.stepEnabled = {};
    if (mValue < mMaximum)
        option.stepEnabled |= QAbstractSpinBox::StepUpEnabled;
    if (mValue > mMinimum)
        option.stepEnabled |= QAbstractSpinBox::StepDownEnabled;
    option.activeSubControls = mPressed == Arrow::Up ? QStyle::SC_SpinBoxUp
                             : mPressed == Arrow::Down ? QStyle::SC_SpinBoxDown : QStyle::SC_None;
    if (mPressed != Arrow::None)
        option.state |= QStyle::State_Sunken;
    return option;
}

void AutoResizeStepper::paintEvent(QPaintEvent *)
{
    // The style draws the arrows at the initial size; the painter zooms them with the window.
    QStylePainter painter(this);
    const QSizeF drawn = drawnSize();
    if (drawn.isEmpty())
        return;
    painter.scale(width() / drawn.width(), height() / drawn.height());
    painter.drawComplexControl(QStyle::CC_SpinBox, styleOption());
    // The arrows alone show no keyboard focus in most styles.
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = QRectF(QPointF(), drawn).toRect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void AutoResizeStepper::mousePressEvent(QMouseEvent *event)
{
    const QSizeF drawn = drawnSize();
    if (event->button() != Qt::LeftButton || size().isEmpty() || drawn.isEmpty()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at(event->position().x() * drawn.width() / width(),
                     event->position().y() * drawn.height() / height());
    const QStyleOptionSpinBox option = styleOption();
    const QStyle::SubControl hit =
        style()->hitTestComplexControl(QStyle::CC_SpinBox, &option, at.toPoint(), this);
    mPressed = hit == QStyle::SC_SpinBoxUp ? Arrow::Up : hit == QStyle::SC_SpinBoxDown ? Arrow::Down : Arrow::None;
    if (mPressed == Arrow::None)
        return;
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

bool AutoResizeStepper::event(QEvent *event)
{
    // The focus frame comes and goes with the keyboard focus.
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QWidget::event(event);
}

} // namespace quaverly
