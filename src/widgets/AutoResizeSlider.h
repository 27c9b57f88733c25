// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QSlider>

namespace quaverly {

// A slider that scales with its window (AutoResizing); its handle and groove grow with it.
class AutoResizeSlider : public QSlider, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeSlider(QWidget *parent = nullptr);
};

} // namespace quaverly
