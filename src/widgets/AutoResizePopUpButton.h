// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QComboBox>

namespace quaverly {

// A pop-up menu button that scales with its window (AutoResizing): text and arrow grow with it.
class AutoResizePopUpButton : public QComboBox, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizePopUpButton(QWidget *parent = nullptr);
};

} // namespace quaverly
