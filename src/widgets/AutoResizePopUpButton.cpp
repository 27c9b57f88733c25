// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizePopUpButton.h"

namespace quaverly {

AutoResizePopUpButton::AutoResizePopUpButton(QWidget *parent) : QComboBox(parent), AutoResizing(*this, Content::Zoomed) {}

} // namespace quaverly
