// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneGenerator.h"

#include <cmath>
#include <numbers>

namespace quaverly {

void ToneGenerator::render(float *samples, std::uint32_t frames, float rateHz, void *clientData) noexcept
{
    static_cast<ToneGenerator *>(clientData)->render(samples, frames, rateHz);
}

void ToneGenerator::ended(void *clientData)
{
    const auto *self = static_cast<const ToneGenerator *>(clientData);
    if (self->mEnded)
        self->mEnded(self->mOwner);
}

void ToneGenerator::render(float *samples, std::uint32_t frames, float rateHz) noexcept
{
    const float hz = frequency();
    // An unusable rate or frequency plays silence rather than noise.
    if (!(rateHz > 0.0f) || !std::isfinite(rateHz) || !(hz > 0.0f) || !(hz < rateHz / 2.0f)) {
        for (std::uint32_t i = 0; i < frames; ++i)
            samples[i] = 0.0f;
        return;
    }
    const double step = double(hz) / double(rateHz);
    const auto gainStep = static_cast<float>(1.0 / (kFadeSeconds * double(rateHz)));
    const float target = mFadingOut.load(std::memory_order_acquire) ? 0.0f : 1.0f;
    for (std::uint32_t i = 0; i < frames; ++i) {
        if (mGain < target)
            mGain = std::fmin(target, mGain + gainStep);
        else if (mGain > target)
            mGain = std::fmax(target, mGain - gainStep);
        samples[i] = kAmplitude * mGain * static_cast<float>(std::sin(2.0 * std::numbers::pi * mPhase));
        mPhase += step;
        mPhase -= std::floor(mPhase);
    }
}

} // namespace quaverly
