// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"

#include <QWidget>

namespace quaverly {

// A plain view that scales with its window (AutoResizing) without zooming a font or style:
// subclasses draw their own content into their scaled bounds. Places its AutoResize children
// like a box does.
class AutoResizeView : public QWidget, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeView(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace quaverly
