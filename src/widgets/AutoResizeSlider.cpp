// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeSlider.h"

namespace quaverly {

AutoResizeSlider::AutoResizeSlider(QWidget *parent) : QSlider(parent), AutoResizing(*this, Content::Zoomed) {}

} // namespace quaverly
