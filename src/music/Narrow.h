// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <limits>

namespace quaverly {

// double → float as the hardware rounds it, but defined for values past the
// float range (a plain cast of those is undefined behaviour in C++).
[[nodiscard]] inline float narrowToFloat(double value) noexcept
{
    constexpr double kOverflow = 0x1.ffffffp127; // halfway past the largest float
    if (std::isnan(value) || std::fabs(value) < kOverflow)
        return static_cast<float>(value);
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
}

} // namespace quaverly
