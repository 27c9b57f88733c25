// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockLength.h"

namespace quaverly {

std::uint32_t blockLength(float sampleRateHz) noexcept
{
    const double q = static_cast<double>(sampleRateHz) / kLowestNoteHz;
    const double frames = q + q;
    // Reject NaN too: every comparison with it is false.
    if (!(frames >= 1.0) || !(static_cast<double>(sampleRateHz) <= kHighestSampleRateHz))
        return 0;
    return static_cast<std::uint32_t>(frames);
}

} // namespace quaverly
