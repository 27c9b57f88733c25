// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QGroupBox>

namespace quaverly {

// A box that scales with its window (AutoResizing) and places its own AutoResize children
// from their initial geometry whenever it is resized, as the window's content does.
class AutoResizeBox : public QGroupBox, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeBox(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace quaverly
