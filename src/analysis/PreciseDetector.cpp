// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreciseDetector.h"

namespace quaverly {

bool PreciseDetector::detectPitch(std::span<const float> block, float sampleRate, std::uint32_t bufferFrames) noexcept
{
    (void)block, (void)sampleRate, (void)bufferFrames;
    mRawPeak = 0.0f;
    mPeak = 0;
    return false;
}

} // namespace quaverly
