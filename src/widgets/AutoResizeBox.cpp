// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeBox.h"

#include <QResizeEvent>

namespace quaverly {

AutoResizeBox::AutoResizeBox(QWidget *parent) : QGroupBox(parent), AutoResizing(*this, Content::Zoomed) {}

void AutoResizeBox::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    resizeSubviews(*this, event->oldSize());
}

} // namespace quaverly
