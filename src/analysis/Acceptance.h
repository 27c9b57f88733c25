// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quaverly {

// Readings are accepted strictly between these (compared in double precision).
inline constexpr double kLowestAcceptedHz = 26.717;
inline constexpr double kHighestAcceptedHz = 4311.76;

// Takes a raw reading into the smoothed frequency: a reading within 1 % of
// the current value is averaged with it, a larger jump is taken at once.
// Returns true when the reading was accepted; rawFrequency is then set to 0.
// Out-of-range readings (and NaN) leave both values untouched.
bool acceptFrequency(float &frequency, float &rawFrequency) noexcept;

} // namespace quaverly
