// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QAbstractButton>

namespace quaverly {

// The disclosure triangle that shows ("down", checked) or hides ("right", unchecked) the
// settings area. A checkable button: Qt tracks the press, the drag out and back and the Space
// key; while it is down the pressed picture ("middle") shows; a release inside flips the state
// and emits clicked() once, a release outside cancels. The focus ring is a circle inside the
// triangle's square. Scales with its window (AutoResizing). Main thread only.
class DisclosureButton : public QAbstractButton, public AutoResizing {
    Q_OBJECT
    Q_PROPERTY(qint64 state READ state WRITE setState)
public:
    explicit DisclosureButton(QWidget *parent = nullptr);

    qint64 state() const { return isChecked() ? 1 : 0; }
    // Repaints; does not emit clicked().
    void setState(qint64 state) { setChecked(state != 0); }

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quaverly
