// SPDX-License-Identifier: GPL-3.0-or-later
#include "StrobeView.h"

#include <QPainter>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quaverly {
namespace {

// Beyond this the index arithmetic loses whole samples; such a period (a reference of a
// fraction of a hertz) has no meaningful strobe anyway.
constexpr double kLongestPeriod = 0x1p40;

} // namespace

StrobeView::StrobeView(QWidget *parent)
    : AutoResizeView(parent),
      strobeviewbackgroundImage(ImageLibrary::image(QStringLiteral("strobeviewbackground"))),
      strobeviewbarImage(ImageLibrary::image(QStringLiteral("strobeviewbar"))),
      strobeviewbarSize(strobeviewbarImage.size())
{
}

void StrobeView::setData(CaptureBlock block)
{
    if (block == mData)
        return;
    mData = std::move(block);
    update();
}

void StrobeView::setFrequency(float frequencyHz)
{
    if (frequencyHz == mFrequency)
        return;
    mFrequency = frequencyHz;
    mFrameIndex = 0.0;
}

void StrobeView::setSampleRate(float sampleRateHz)
{
    if (QThread::currentThread() == thread()) {
        applySampleRate(sampleRateHz);
        return;
    }
    // Dropped by Qt if the view is gone before the main thread gets to it.
    QMetaObject::invokeMethod(this, [this, sampleRateHz] { applySampleRate(sampleRateHz); },
                              Qt::QueuedConnection);
}

void StrobeView::applySampleRate(float sampleRateHz)
{
    if (sampleRateHz == mSampleRate)
        return;
    mSampleRate = sampleRateHz;
    mFrameIndex = 0.0;
}

void StrobeView::paintEvent(QPaintEvent *)
{
    // The canvas has the view's initial size, whatever scale the window has now.
    mImage.ensure(isOriginalSet() ? originalFrame().size() : QSizeF(size()), devicePixelRatioF());
    if (mBarTexture.devicePixelRatio() != mImage.devicePixelRatio() || mBarTexture.isNull())
        mBarTexture = strobeviewbarImage.toImage(mImage.devicePixelRatio());
    mImage.clear();
    {
        QPainter canvas(&mImage.image());
        drawStrobe(canvas);
    }
    QPainter painter(this);
    mImage.drawInto(painter, QRectF(rect()));
}

void StrobeView::drawStrobe(QPainter &painter)
{
    mImage.drawAt(painter, strobeviewbackgroundImage, 0.0, 0.0);
    if (!mData || mData->empty())
        return;
    const std::vector<float> &samples = *mData;
    const double width = this->width();
    const auto count = static_cast<std::uint64_t>(samples.size());
    const double period = static_cast<double>(mSampleRate / mFrequency);
    // No reference yet (frequency or rate still 0) or a nonsense one: background only, and
    // the index stays where it is until a usable reference resets it.
    if (!(period > 0.0) || !(period < kLongestPeriod))
        return;

    const auto start = static_cast<std::uint64_t>(std::round(mFrameIndex));
    const auto q = static_cast<std::uint64_t>(static_cast<double>(count) / period);
    const double rem = static_cast<double>(count) - period * static_cast<double>(q);
    double next = mFrameIndex + (period - rem);
    if (next > static_cast<double>(count))
        next -= static_cast<double>(count);
    mFrameIndex = next;

    if (width <= 0.0)
        return;
    const double window = std::min(static_cast<double>(count), std::trunc(2.0 * period));
    float prev = -1.0f;
    double runStart = 0.0;
    double runLength = 0.0;
    for (double x = 0.0; x < width; x += 1.0) {
        const auto offset = static_cast<std::int32_t>(
            static_cast<double>(static_cast<float>(width - x)) / width * window);
        const float s = samples[(start + static_cast<std::uint64_t>(offset)) % count];
        if (s >= 0.0f) {
            if (prev >= 0.0f) {
                runLength += 1.0;
            } else {
                runStart = x;
                runLength = 1.0;
            }
        } else if (prev >= 0.0f) {
            drawBar(painter, runStart, runLength);
            runLength = 0.0;
        }
        prev = s;
    }
    if (runLength != 0.0)
        drawBar(painter, runStart, runLength);
}

void StrobeView::drawBar(QPainter &painter, double runStart, double runLength) const
{
    // Column x of the texture gives the bar's pixels for strip column x; bars sit 2 right and
    // 4 up from the background's corner and replace what is under them.
    const double textureWidth = strobeviewbarSize.width();
    if (runStart >= textureWidth || mBarTexture.isNull())
        return;
    runLength = std::min(runLength, textureWidth - runStart);
    const double h = strobeviewbarSize.height();
    const double ratio = mBarTexture.devicePixelRatio();
    const double top = mImage.size().height() - 4.0 - h;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(runStart + 2.0, top, runLength, h), mBarTexture,
                      QRectF(runStart * ratio, 0.0, runLength * ratio, h * ratio));
    painter.restore();
}

} // namespace quaverly
