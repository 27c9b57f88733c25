// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutoResizeView.h"

#include <QResizeEvent>

namespace quaverly {

AutoResizeView::AutoResizeView(QWidget *parent) : QWidget(parent), AutoResizing(*this, Content::Stretched) {}

void AutoResizeView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resizeSubviews(*this, event->oldSize());
}

} // namespace quaverly
