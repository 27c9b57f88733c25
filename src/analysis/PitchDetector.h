// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace quaverly {

// Estimates the period of a block's fundamental from the distances between
// successive positive peaks (one peak per positive half-wave that rises above
// a threshold decaying by 0.9 per recorded peak), averaged over a +-5 % band
// around the most frequent distance, and measures the block's amplitude and
// level. Time domain only: no filtering, autocorrelation or spectrum.
//
// A small value type owned by whoever runs detection (the Controller on the
// main thread); not thread-safe. No allocation per block.
struct PitchDetector {
    // Most intervals one block contributes; the scan stops at the 128th peak.
    static constexpr std::uint64_t kMaxIntervals = 128;

    // Hz. Written only when a block yields a period, otherwise kept: a one-slot
    // mailbox that acceptance empties (sets to 0) when it takes the value.
    float mRawFrequency = 0.0f;
    // Block amplitude: the largest recorded peak or non-positive sample magnitude.
    float mRawPeak = 0.0f;
    // Whole decibels above the 16-bit floor: 0 (silence) ... 96 (full scale).
    std::int32_t mPeak = 0;

    // Scans one block. sampleRate turns the period into Hz; bufferFrames is
    // the capture block length (its third marks the lowest two-peak period).
    // Returns true when this block yielded a period (mRawFrequency written).
    bool detectPitch(std::span<const float> block, float sampleRate, std::uint32_t bufferFrames) noexcept;

    // Period in samples from count intervals (the first measured from the
    // block start), or 0 when none is accepted. Reorders diffs; reads at
    // most kMaxIntervals of them.
    static float averageDiffs(std::uint64_t *diffs, std::uint64_t count, std::uint32_t bufferFrames) noexcept;
};

} // namespace quaverly
