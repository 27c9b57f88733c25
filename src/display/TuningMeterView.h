// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "display/Canvas.h"
#include "widgets/AutoResizing.h"
#include "widgets/ImageLibrary.h"

#include <QSizeF>

#include <cstdint>

namespace quaverly {

enum class Needle { InTune, Normal, OutOfTune, None };

struct NeedlePlacement {
    Needle needle;
    float x; // left edge of the needle image on the canvas
};

// Which needle shows a deviation and where: 4 points per cent about x = 202, the in-tune
// needle while the truncated cents are inside the threshold, pinned at ±49 cents beyond.
// The position uses the unrounded cents. Not a number shows no needle.
[[nodiscard]] NeedlePlacement placeNeedle(float cent, std::int32_t threshold, double needleWidth);

// The needle meter: a needle sliding across a printed scale, drawn face, needle, then the
// scale over the needle, on a canvas of the initial size stretched into the bounds. Repaints
// only when a setter changes a value. Main thread only.
class TuningMeterView : public AutoResizeView {
    Q_OBJECT
public:
    explicit TuningMeterView(QWidget *parent = nullptr);

    // Cents of deviation (the controller sends whole cents).
    void setCent(float cent);

    float cent() const { return mCent; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawMeter(QPainter &painter);
    // The face's words, in the window's language, where the artwork leaves room for them.
    void drawCaptions(QPainter &painter) const;

    Image tuningmeterImage;
    Image tuningscaleImage;
    Image tuningneedleImage;
    Image intuneneedleImage;
    Image outtuneneedleImage;
    QSizeF tuningneedleSize;
    Canvas mImage;
    float mCent = 0.0f;
    // Whole cents the needle shows as in tune.
    static constexpr std::int32_t kThreshold = 3;
};

} // namespace quaverly
