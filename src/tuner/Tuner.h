// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/CaptureBlock.h"
#include "analysis/PitchDetector.h"
#include "analysis/PreciseDetector.h"
#include "music/NoteResolver.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace quaverly {

// How long one note must be shown for a reading to count as steady.
inline constexpr double kSteadySeconds = 0.5;

// Readings are accepted strictly between these (compared in double precision).
inline constexpr double kLowestAcceptedHz = 26.717;
inline constexpr double kHighestAcceptedHz = 4311.76;

// Takes a raw reading into the smoothed frequency: a reading within 1 % of
// the current value is averaged with it, a larger jump is taken at once.
// Returns true when the reading was accepted; rawFrequency is then set to 0.
// Out-of-range readings (and NaN) leave both values untouched.
bool acceptFrequency(float &frequency, float &rawFrequency) noexcept;

// Which detector reads the blocks: the classic peak-interval one (the
// default) or the precise one for low, reed and organ tones.
enum class Detection : std::uint8_t { Classic, Precise };

enum class Dot : std::uint8_t { Gray, Green, Blue, Red };

// What the readouts show after the last block: the window draws exactly this,
// the analyzer prints it.
struct TunerReading {
    // False once the input is known to be gone: no reading is claimed.
    bool inputAvailable = true;
    // The note last resolved; kept while paused and when a frequency falls
    // outside A0 … C8.
    NoteResolution note;
    std::int32_t cents = 0;
    // The smoothed frequency the note readouts were filled for.
    float frequencyHz = 0.0f;
    Dot inTune = Dot::Gray;
    Dot flat = Dot::Gray;
    Dot sharp = Dot::Gray;
    // Whole decibels above the 16-bit floor, as the level meter draws them.
    std::int32_t level = 0;
    std::int32_t peakHold = 0;
};

// What one block produced.
struct BlockResult {
    std::optional<float> rawHz; // the frequency this block yielded, if any
    bool accepted = false;      // rawHz was taken into the smoothed frequency
    float rawPeak = 0.0f;       // block amplitude
    float frequencyHz = 0.0f;   // accepted, smoothed frequency after the block
    CaptureBlock strobe;        // what the strobe shows next; null: nothing
};

// The tuner without a window: per capture block detection, acceptance and
// smoothing, note resolution when the smoothed frequency changed, the
// in-tune dot's time-out and the level's peak hold, pause, and whether an
// input exists at all. The window and quaverly-analyze both drive one.
//
// Time comes from the injected clock, read once per block, in seconds; it
// must not go back, and if it does, a pending time-out expires at once
// rather than waiting for the clock to catch up. One thread (the window's
// main thread); copies are independent.
class Tuner {
public:
    using Clock = std::function<double()>;

    // Starts as the window does: the reference pitch's note at 0 cents.
    explicit Tuner(NoteResolver resolver = {}, Clock clock = {});

    // One capture block at the rate it was captured at. A null or empty
    // block counts as silence.
    BlockResult updateUI(const CaptureBlock &block, float rateHz);

    // Resolves the smoothed frequency again (after a change of reference,
    // temperament, tonic or transposition). Does nothing while paused.
    void updateTunerUI();
    // The smoothed frequency becomes the reference pitch and the readouts
    // show it, as at start-up.
    void restart();

    // The smoothed frequency while a steady reading is shown: the same note
    // on screen, from readings accepted all along, for at least the last
    // kSteadySeconds up to the last block. Nothing while paused or without input.
    [[nodiscard]] std::optional<float> steadyFrequency() const;

    void setClock(Clock clock) { mClock = std::move(clock); }
    // A reading waiting in the other detector's mailbox is dropped, so a
    // switch never shows a value from before it.
    void setDetection(Detection detection);
    [[nodiscard]] Detection detection() const { return mDetection; }
    [[nodiscard]] NoteResolver &resolver() { return mResolver; }
    [[nodiscard]] const NoteResolver &resolver() const { return mResolver; }
    [[nodiscard]] const TunerReading &reading() const { return mReading; }

    // While paused detection and the level go on, the note readouts freeze
    // and the strobe gets no samples.
    void setPaused(bool paused) { mPaused = paused; }
    // A gone input drops the held peak, so a returning one starts afresh.
    void setInputAvailable(bool available);

private:
    void setTuningMeter(float deviation);
    [[nodiscard]] double now() const;

    NoteResolver mResolver;
    Clock mClock;
    PitchDetector mDetector;
    PreciseDetector mPreciseDetector;
    Detection mDetection = Detection::Classic;
    TunerReading mReading;
    float mFrequency = 0.0f;
    double mNextTunerUpdateTime = 0.0;
    std::int32_t mPeakHold = 0;
    double mNextPeakHoldTime = 0.0;
    bool mPaused = false;
    // The note shown since mSteadySince with no gap in accepted readings;
    // -1: none. mLastBlockTime is when the last block was read.
    int mSteadyNote = -1;
    double mSteadySince = 0.0;
    double mLastBlockTime = 0.0;
};

} // namespace quaverly
