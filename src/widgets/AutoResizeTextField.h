// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QLineEdit>

namespace quaverly {

// A text field that scales with its window (AutoResizing). When it is editable, every resize
// takes the keyboard focus to the window, which ends any editing in progress (a value half
// typed is committed through editingFinished rather than left open under a moving field).
class AutoResizeTextField : public QLineEdit, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeTextField(QWidget *parent = nullptr);

protected:
    void didResize() override;
};

} // namespace quaverly
