// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace quaverly {

// The precise detector: reads the fundamental of low, reed and organ tones
// that the classic peak-interval detector takes an octave or a twelfth
// wrong. Same blocks, same cadence and the same one-slot mailbox as
// PitchDetector, so acceptance and smoothing treat both alike.
//
// Owned by whoever runs detection (the tuner core on the main thread); not
// thread-safe. No allocation per block.
class PreciseDetector {
public:
    // Hz. Written only when a block yields a period, otherwise kept: a
    // one-slot mailbox that acceptance empties (sets to 0) when it takes it.
    float mRawFrequency = 0.0f;
    // Block amplitude and whole decibels above the 16-bit floor, as
    // PitchDetector measures them.
    float mRawPeak = 0.0f;
    std::int32_t mPeak = 0;

    // Scans one block; true when it yielded a period (mRawFrequency written).
    bool detectPitch(std::span<const float> block, float sampleRate, std::uint32_t bufferFrames) noexcept;
};

} // namespace quaverly
