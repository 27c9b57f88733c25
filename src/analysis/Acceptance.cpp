// SPDX-License-Identifier: GPL-3.0-or-later
#include "Acceptance.h"

namespace quaverly {

bool acceptFrequency(float &frequency, float &rawFrequency) noexcept
{
    const double raw = rawFrequency;
    if (!(raw > kLowestAcceptedHz && raw < kHighestAcceptedHz))
        return false;
    const float ratio = rawFrequency / frequency;
    if (ratio > 0.99f && ratio < 1.01f)
        frequency = (frequency + rawFrequency) * 0.5f;
    else
        frequency = rawFrequency;
    rawFrequency = 0.0f;
    return true;
}

} // namespace quaverly
