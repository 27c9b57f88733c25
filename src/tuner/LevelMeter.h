// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace quaverly {

enum class Lamp : std::uint8_t { Gray, Green, Yellow, Red };

inline constexpr int kLevelSegments = 8;

// Colours of the eight level segments, lowest first, for a level and its
// held peak in whole decibels above the 16-bit floor (0 … 96).
[[nodiscard]] std::array<Lamp, kLevelSegments> levelSegments(std::int32_t peak,
                                                             std::int32_t peakHold) noexcept;

// The three indicator dots for a whole-cent deviation: the in-tune dot is
// green within ±3 cents (blue otherwise); a side dot is red on its side of 0.
struct TuningDots {
    bool inTune;
    bool flatLit;
    bool sharpLit;
};

[[nodiscard]] constexpr TuningDots tuningDots(std::int32_t cents) noexcept
{
    return {cents >= -3 && cents <= 3, cents < 0, cents > 0};
}

} // namespace quaverly
