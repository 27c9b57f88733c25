// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QWidget>

namespace quaverly {

// The disclosure triangle that shows ("down", state ≠ 0) or hides ("right", state 0) the
// settings area. While the mouse button is held with the pointer inside, it shows the
// pressed picture ("middle"); a release inside flips the state and emits clicked() once, a
// release outside cancels. Space does the same from the keyboard. The focus ring is a circle
// inside the triangle's square. Scales with its window (AutoResizing). Main thread only.
class DisclosureButton : public QWidget, public AutoResizing {
    Q_OBJECT
    Q_PROPERTY(qint64 state READ state WRITE setState)
public:
    explicit DisclosureButton(QWidget *parent = nullptr);

    qint64 state() const { return mState; }
    // Repaints; does not emit clicked().
    void setState(qint64 state);
    // 0 becomes 1, anything else 0.
    void toggle();

    // True while pressed with the pointer inside.
    bool isMiddleState() const { return middleState; }

    QSize sizeHint() const override;

signals:
    // One per completed click or Space press, after the state has flipped: the action.
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setMiddleState(bool pressed);
    void click();

    qint64 mState = 0;
    bool middleState = false;
    bool mTracking = false;
};

} // namespace quaverly
