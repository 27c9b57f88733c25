// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/CaptureBlock.h"
#include "display/Canvas.h"
#include "widgets/AutoResizing.h"
#include "widgets/ImageLibrary.h"

#include <QImage>
#include <QSizeF>

namespace quaverly {

// The strobe strip. Each redraw shows the signs of the latest capture block over a window of
// two reference periods as a row of bars, and then moves the window's start forward by the
// smallest step that is a whole number of reference periods in absolute input time, so a
// tone at the reference frequency stands still, a sharp one creeps right and a flat one left.
// It only draws: the readout refresh hands it the block, the peak and the ideal frequency of
// the nearest note.
//
// Threads: everything runs on the main thread except setSampleRate, which the audio layer's
// listener may call from its own thread; the rate is then applied on the main thread, so it
// never races a redraw. The owner stops capture before destroying the view.
class StrobeView : public AutoResizeView {
    Q_OBJECT
public:
    explicit StrobeView(QWidget *parent = nullptr);

    // A different block (identity, not contents) replaces the held one and asks for one
    // redraw; the same block again, or none twice, asks for nothing. None shows the
    // background only.
    void setData(CaptureBlock block);
    // A different value restarts the window at sample 0. No redraw.
    void setFrequency(float frequencyHz);
    // Any thread. A different value restarts the window at sample 0. No redraw.
    void setSampleRate(float sampleRateHz);

    const CaptureBlock &data() const { return mData; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void applySampleRate(float sampleRateHz);
    void drawStrobe(QPainter &painter);
    void drawBar(QPainter &painter, double runStart, double runLength) const;

    Image strobeviewbackgroundImage;
    Image strobeviewbarImage;
    QSizeF strobeviewbarSize;
    Canvas mImage;
    QImage mBarTexture; // strobeviewbarImage at the canvas's pixel ratio
    float mSampleRate = 0.0f;
    float mFrequency = 0.0f;
    CaptureBlock mData;
    double mFrameIndex = 0.0;
};

} // namespace quaverly
