// SPDX-License-Identifier: GPL-3.0-or-later
#include "Tuner.h"

#include "music/Readouts.h"
#include "tuner/LevelMeter.h"

#include <chrono>
#include <span>
#include <utility>

namespace quaverly {
namespace {

constexpr double kTunerTimeout = 0.2;
constexpr double kPeakHoldTime = 1.0;

// A deadline further ahead than it was ever set means the clock went back;
// the margin keeps a deadline just set from counting as such.
bool expired(double now, double deadline, double span)
{
    return now > deadline || deadline - now > 2.0 * span;
}

} // namespace

bool acceptFrequency(float &frequency, float &rawFrequency) noexcept
{
    const double raw = rawFrequency;
    if (!(raw > kLowestAcceptedHz && raw < kHighestAcceptedHz))
        return false;
    const float ratio = rawFrequency / frequency;
    if (ratio > 0.99f && ratio < 1.01f)
        frequency = (frequency + rawFrequency) * 0.5f;
    else
        frequency = rawFrequency;
    rawFrequency = 0.0f;
    return true;
}

Tuner::Tuner(NoteResolver resolver, Clock clock)
    : mResolver(std::move(resolver))
    , mClock(std::move(clock))
{
    restart();
}

double Tuner::now() const
{
    if (mClock)
        return mClock();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Tuner::restart()
{
    mFrequency = mResolver.referencePitch();
    updateTunerUI();
}

BlockResult Tuner::updateUI(const CaptureBlock &block, float rateHz)
{
    const double t = now();
    BlockResult result;
    const std::span<const float> samples = block ? std::span<const float>(*block) : std::span<const float>();
    const auto frames = static_cast<std::uint32_t>(samples.size());
    const bool precise = mDetection == Detection::Precise;
    const bool yielded = precise ? mPreciseDetector.detectPitch(samples, rateHz, frames)
                                 : mDetector.detectPitch(samples, rateHz, frames);
    float &rawFrequency = precise ? mPreciseDetector.mRawFrequency : mDetector.mRawFrequency;
    const float rawPeak = precise ? mPreciseDetector.mRawPeak : mDetector.mRawPeak;
    const std::int32_t level = precise ? mPreciseDetector.mPeak : mDetector.mPeak;
    if (yielded)
        result.rawHz = rawFrequency;

    result.accepted = acceptFrequency(mFrequency, rawFrequency);
    if (result.accepted)
        mNextTunerUpdateTime = t + kTunerTimeout;

    result.rawPeak = rawPeak;
    if (!mPaused && static_cast<double>(rawPeak) > 0.01)
        result.strobe = block;

    // A NaN frequency counts as changed.
    if (!(mReading.frequencyHz == mFrequency))
        updateTunerUI();

    // A reading out of range or frozen by the pause is not on screen.
    const bool shown = result.accepted && !mPaused && mReading.frequencyHz == mFrequency;
    if (shown && mReading.note.n != mSteadyNote) {
        mSteadyNote = mReading.note.n;
        mSteadySince = t;
    } else if (!shown && result.accepted) {
        mSteadyNote = -1;
    }
    mLastBlockTime = t;

    if (expired(t, mNextTunerUpdateTime, kTunerTimeout)) {
        mReading.inTune = Dot::Gray;
        mNextTunerUpdateTime = t + kTunerTimeout;
        mSteadyNote = -1;
    }

    // The hold is raised before the meter is drawn and released after, so a
    // released hold is first drawn at the next block, raised to its level.
    if (level >= mPeakHold) {
        mPeakHold = level;
        mNextPeakHoldTime = t + kPeakHoldTime;
    }
    mReading.level = level;
    mReading.peakHold = mPeakHold;
    if (expired(t, mNextPeakHoldTime, kPeakHoldTime)) {
        mPeakHold = 0;
        mNextPeakHoldTime = t + kPeakHoldTime;
    }
    result.frequencyHz = mFrequency;
    return result;
}

void Tuner::updateTunerUI()
{
    if (mPaused)
        return;
    const std::optional<NoteResolution> note = mResolver.resolve(mFrequency);
    if (!note)
        return; // out of range: the last note stays
    mReading.note = *note;
    setTuningMeter(note->deviation);
    mReading.frequencyHz = mFrequency;
}

void Tuner::setTuningMeter(float deviation)
{
    mReading.cents = wholeCents(deviation);
    const TuningDots dots = tuningDots(mReading.cents);
    mReading.inTune = dots.inTune ? Dot::Green : Dot::Blue;
    mReading.flat = dots.flatLit ? Dot::Red : Dot::Gray;
    mReading.sharp = dots.sharpLit ? Dot::Red : Dot::Gray;
}

std::optional<float> Tuner::steadyFrequency() const
{
    if (mSteadyNote < 0 || mPaused || !mReading.inputAvailable || mReading.note.n != mSteadyNote
        || mLastBlockTime - mSteadySince < kSteadySeconds)
        return std::nullopt;
    return mFrequency;
}

void Tuner::setDetection(Detection detection)
{
    mDetection = detection;
    mDetector.mRawFrequency = 0.0f;
    mPreciseDetector.mRawFrequency = 0.0f;
}

void Tuner::setInputAvailable(bool available)
{
    mReading.inputAvailable = available;
    if (available)
        return;
    mSteadyNote = -1;
    mPeakHold = 0;
    mReading.level = 0;
    mReading.peakHold = 0;
}

} // namespace quaverly
