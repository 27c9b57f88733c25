// SPDX-License-Identifier: GPL-3.0-or-later
#include "TuningMeterView.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace quaverly {
namespace {

constexpr float kZeroX = 202.0f;
constexpr float kPointsPerCent = 4.0f;
constexpr std::int32_t kEndStopCents = 49;
constexpr double kNeedleBottom = 3.0;

} // namespace

NeedlePlacement placeNeedle(float cent, std::int32_t threshold, double needleWidth)
{
    if (std::isnan(cent))
        return {Needle::None, 0.0f};
    // Far beyond the end stops every value pins the same way; clamping keeps the truncation
    // defined for infinities.
    const float bounded = std::clamp(cent, -1.0e6f, 1.0e6f);
    const auto whole = static_cast<std::int32_t>(bounded);
    const std::int32_t a = std::abs(whole);
    Needle needle = Needle::Normal;
    float p = bounded;
    if (a < threshold) {
        needle = Needle::InTune;
    } else if (a >= kEndStopCents) {
        needle = Needle::OutOfTune;
        p = bounded < 0.0f ? -static_cast<float>(kEndStopCents) : static_cast<float>(kEndStopCents);
    }
    const float centre = p * kPointsPerCent + kZeroX;
    return {needle, static_cast<float>(static_cast<double>(centre) - 0.5 * needleWidth)};
}

TuningMeterView::TuningMeterView(QWidget *parent)
    : AutoResizeView(parent),
      tuningmeterImage(ImageLibrary::image(QStringLiteral("tuningmeter"))),
      tuningscaleImage(ImageLibrary::image(QStringLiteral("tuningscale"))),
      tuningneedleImage(ImageLibrary::image(QStringLiteral("tuningneedle"))),
      intuneneedleImage(ImageLibrary::image(QStringLiteral("intuneneedle"))),
      outtuneneedleImage(ImageLibrary::image(QStringLiteral("outtuneneedle"))),
      tuningneedleSize(tuningneedleImage.size())
{
}

void TuningMeterView::setCent(float cent)
{
    if (cent == mCent)
        return;
    mCent = cent;
    update();
}

void TuningMeterView::paintEvent(QPaintEvent *)
{
    mImage.ensure(isOriginalSet() ? originalFrame().size() : QSizeF(size()), devicePixelRatioF());
    mImage.clear();
    {
        QPainter canvas(&mImage.image());
        canvas.setRenderHint(QPainter::Antialiasing);
        drawMeter(canvas);
    }
    QPainter painter(this);
    mImage.drawInto(painter, QRectF(rect()));
}

void TuningMeterView::drawMeter(QPainter &painter)
{
    mImage.drawAt(painter, tuningmeterImage, 0.0, 0.0);
    drawCaptions(painter);
    const NeedlePlacement placement = placeNeedle(mCent, kThreshold, tuningneedleSize.width());
    // Indexed by Needle.
    const std::array<const Image *, 4> needles{&intuneneedleImage, &tuningneedleImage, &outtuneneedleImage, nullptr};
    if (const Image *needle = needles[static_cast<std::size_t>(placement.needle)])
        mImage.drawAt(painter, *needle, placement.x, kNeedleBottom);
    mImage.drawAt(painter, tuningscaleImage, 0.0, 0.0);
}

void TuningMeterView::drawCaptions(QPainter &painter) const
{
    // In the artwork's units (404 × 100, top-left origin), along its lower edge.
    struct Caption {
        qreal x;
        Qt::Alignment align;
        int pixelSize;
        qreal opacity;
        QString text;
    };
    const QString cents = tr("CENTS", "small caption on the meter face");
    const Caption captions[] = {
        {30, Qt::AlignLeft, 9, 0.7, tr("FLAT", "left end of the meter face")},
        {374, Qt::AlignRight, 9, 0.7, tr("SHARP", "right end of the meter face")},
        {102, Qt::AlignHCenter, 8, 0.45, cents},
        {302, Qt::AlignHCenter, 8, 0.45, cents},
    };
    painter.save();
    for (const Caption &c : captions) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(c.pixelSize);
        font.setBold(c.pixelSize == 9);
        painter.setFont(font);
        QColor colour(0x8a, 0x92, 0x9c);
        colour.setAlphaF(static_cast<float>(c.opacity));
        painter.setPen(colour);
        const qreal width = 120.0, baseline = 88.0;
        const qreal left = c.align == Qt::AlignLeft ? c.x : c.align == Qt::AlignRight ? c.x - width : c.x - width / 2;
        painter.drawText(QRectF(left, baseline - 20.0, width, 20.0), int(c.align | Qt::AlignBottom), c.text);
    }
    painter.restore();
}

} // namespace quaverly
