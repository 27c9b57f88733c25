// SPDX-License-Identifier: GPL-3.0-or-later
#include "LevelMeter.h"

namespace quaverly {

std::array<Lamp, kLevelSegments> levelSegments(std::int32_t peak, std::int32_t peakHold) noexcept
{
    std::array<Lamp, kLevelSegments> lamps;
    lamps.fill(Lamp::Gray);

    // Four decibels a segment, the lowest lit at 64; (9p − 540) / 36 truncates
    // the same way as (p − 60) / 4 for every p ≥ 61.
    const std::int32_t lit = peak < 61 ? 0 : (9 * peak - 540) / 36;
    if (lit >= 1 && lit <= kLevelSegments) {
        for (std::int32_t i = 0; i < lit; ++i)
            lamps[static_cast<std::size_t>(i)] = Lamp::Green;
    } else if (lit > kLevelSegments) {
        for (std::size_t i = 0; i + 1 < lamps.size(); ++i)
            lamps[i] = Lamp::Green;
        lamps.back() = Lamp::Red;
    }

    if (peakHold >= 96) {
        lamps.back() = Lamp::Red;
    } else if (peakHold >= 64) {
        const std::int32_t mark = (peakHold - 60) / 4 - 1;
        lamps[static_cast<std::size_t>(mark)] = Lamp::Yellow;
    }
    return lamps;
}

} // namespace quaverly
