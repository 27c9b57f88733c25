// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeTextField.h"

namespace quaverly {

AutoResizeTextField::AutoResizeTextField(QWidget *parent) : QLineEdit(parent), AutoResizing(*this, Content::Zoomed) {}

void AutoResizeTextField::didResize()
{
    if (!isReadOnly())
        window()->setFocus(Qt::OtherFocusReason);
}

} // namespace quaverly
