// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QStyleOptionSpinBox>
#include <QTimer>
#include <QWidget>

namespace quaverly {

// A stepper (Qt has none): the style's spin-box arrows without the field, stepping a value up
// and down by an increment within [minimum, maximum] (clamped), by mouse (held down it
// repeats) or with the Up and Down keys when it has the focus. Scales with its window
// (AutoResizing): the style draws and hit-tests the arrows at the initial size, zoomed into
// the bounds. Main thread only.
class AutoResizeStepper : public QWidget, public AutoResizing {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged USER true)
    Q_PROPERTY(double minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(double maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(double increment READ increment WRITE setIncrement)
public:
    explicit AutoResizeStepper(QWidget *parent = nullptr);

    double value() const { return mValue; }
    double minimum() const { return mMinimum; }
    double maximum() const { return mMaximum; }
    double increment() const { return mIncrement; }

    // Clamped to [minimum, maximum]; NaN is ignored.
    void setValue(double value);
    void setMinimum(double minimum);
    void setMaximum(double maximum);
    void setIncrement(double increment);

    QSize sizeHint() const override { return {19, 27}; }

signals:
    // Any change of the value, also a programmatic one.
    void valueChanged(double value);
    // A step taken by the user (mouse or keyboard), after valueChanged: the stepper's action.
    void stepped(double value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    enum class Arrow { None, Up, Down };
    void step(Arrow arrow);
    QSizeF drawnSize() const;
    QStyleOptionSpinBox styleOption() const;

    double mValue = 0.0;
    double mMinimum = 0.0;
    double mMaximum = 59.0;
    double mIncrement = 1.0;
    Arrow mPressed = Arrow::None;
    QTimer mRepeat;
};

} // namespace quaverly
