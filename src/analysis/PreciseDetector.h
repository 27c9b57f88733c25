// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/PitchDetector.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quaverly {

// The precise detector: reads the fundamental of low, reed and organ tones
// that the classic peak-interval detector takes an octave or a twelfth
// wrong. Same blocks, same cadence and the same one-slot mailbox as
// PitchDetector, so acceptance and smoothing treat both alike.
//
// Method: the normalised square difference function with its key-maximum
// rule (P. McLeod and G. Wyvill, "A Smarter Way to Find Pitch", ICMC 2005),
// over the block alone with a window that shrinks with the lag, so a tone
// starting mid-block is read at once and the lowest note (two periods per
// block) still has a full period to compare. On top of it: a check of the
// subharmonic candidates (twice and three times the period), which take the
// reading when they are clearly more periodic than the chosen one (the octave
// and twelfth errors of tones whose second or third harmonic outweighs the
// fundamental), and a confidence gate on periodicity: a block whose best
// maximum is weak (a note sinking into room noise) yields nothing, so the
// display holds the last reading rather than showing a wrong one. Above
// 40 kHz the block is read at half the rate (48 kHz at 24 kHz) through a
// short low-pass: the highest note stays far below the new Nyquist
// frequency, and the work halves.
//
// Owned by whoever runs detection (the tuner core on the main thread); not
// thread-safe. Work buffers and the FFT plans are made at the first block of
// a length (FFTW's planner is not thread-safe: only one detector may be
// (re)planning at a time, which holds with one main thread); no allocation
// per block otherwise. Copies share nothing: a copy plans afresh.
class PreciseDetector {
public:
    PreciseDetector();
    ~PreciseDetector();
    PreciseDetector(const PreciseDetector &other);
    PreciseDetector &operator=(const PreciseDetector &other);
    PreciseDetector(PreciseDetector &&other) noexcept;
    PreciseDetector &operator=(PreciseDetector &&other) noexcept;

    // Hz. Written only when a block yields a period, otherwise kept: a
    // one-slot mailbox that acceptance empties (sets to 0) when it takes it.
    float mRawFrequency = 0.0f;
    // Block amplitude and whole decibels above the 16-bit floor, as
    // PitchDetector measures them.
    float mRawPeak = 0.0f;
    std::int32_t mPeak = 0;

    // Scans one block; true when it yielded a period (mRawFrequency written).
    // A block holding NaN or infinite samples yields nothing.
    bool detectPitch(std::span<const float> block, float sampleRate, std::uint32_t bufferFrames) noexcept;

private:
    struct Plans;

    // Sizes the buffers and plans for blocks of `frames` (after halving the
    // rate) read up to lag `maxLag`, and the halving buffer to hold `halved`
    // samples; false when it could not.
    bool prepare(std::size_t frames, std::size_t maxLag, std::size_t halved) noexcept;
    // Period in samples, 0 when the block is not periodic enough.
    [[nodiscard]] float period(std::size_t frames, std::size_t maxLag) const noexcept;
    // Interpolated lag and height of the maximum nearest `lag` (within `reach`).
    [[nodiscard]] float refine(float lag, float reach, std::size_t maxLag, float &height) const noexcept;

    // Measures the level exactly as the classic detector does.
    PitchDetector mLevel;
    std::size_t mFrames = 0;
    std::size_t mMaxLag = 0;
    std::unique_ptr<Plans> mPlans;
    std::vector<float> mNsdf;
    std::vector<float> mHalved;
};

} // namespace quaverly
