// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeLabel.h"

namespace quaverly {

AutoResizeLabel::AutoResizeLabel(QWidget *parent) : QLabel(parent), AutoResizing(*this, Content::Zoomed) {}

} // namespace quaverly
