// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace quaverly {

// Lowest resolvable note, A0; a block holds two of its periods.
inline constexpr double kLowestNoteHz = 27.5;

// Twice the fastest rate sound servers offer (768 kHz). Anything above is a
// bogus report, and would make the IO thread allocate gigabytes.
inline constexpr double kHighestSampleRateHz = 1536000.0;

// Block length in samples for a sample rate: trunc(q + q), q = rate / 27.5
// in double precision from the float rate. Rates that give no usable block
// (below 13.75 Hz, above kHighestSampleRateHz, NaN, infinite) give 0.
[[nodiscard]] std::uint32_t blockLength(float sampleRateHz) noexcept;

} // namespace quaverly
