// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QLabel>

namespace quaverly {

// A caption or readout that scales with its window (AutoResizing), zoomed like the text
// field it replaces. A label, not a read-only line edit, so that a screen reader presents it
// as text rather than as an edit box, and a caption can name its control as its buddy.
// Main thread only.
class AutoResizeLabel : public QLabel, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeLabel(QWidget *parent = nullptr);
};

} // namespace quaverly
