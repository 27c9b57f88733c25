// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/AutoResizing.h"
#include "widgets/ImageLibrary.h"

#include <QLabel>

namespace quaverly {

// An image view that scales with its window (AutoResizing). Shows an Image from the
// ImageLibrary, drawn from its vector source at natural size × the content scale, centred,
// so it stays crisp at any scale and pixel ratio. A plain pixmap (set by a window
// description) is drawn scaled the same way.
class AutoResizeImageView : public QLabel, public AutoResizing {
    Q_OBJECT
public:
    explicit AutoResizeImageView(QWidget *parent = nullptr);

    // Repaints only when the image differs from the one shown.
    void setImage(const Image &image);
    const Image &image() const { return mImage; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Image mImage;
};

} // namespace quaverly
