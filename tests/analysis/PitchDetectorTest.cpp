// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/PitchDetector.h"

#include "analysis/CaptureBuffer.h"
#include "tuner/Tuner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace quaverly {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr auto kRowName = [](const auto &info) { return std::string(info.param.name); };

struct AcceptRow {
    const char *name;
    float frequency, raw, after; // after: the smoothed frequency
    bool accepted;
};

class AcceptFrequency : public ::testing::TestWithParam<AcceptRow> {};

TEST_P(AcceptFrequency, AveragesSmallStepsAndTakesJumps)
{
    const AcceptRow &row = GetParam();
    float frequency = row.frequency, raw = row.raw;
    EXPECT_EQ(acceptFrequency(frequency, raw), row.accepted);
    EXPECT_EQ(frequency, row.after);
    EXPECT_TRUE(row.accepted ? raw == 0.0f : raw == row.raw || raw != raw) << "mailbox holds " << raw;
}

INSTANTIATE_TEST_SUITE_P(Readings, AcceptFrequency, ::testing::Values(
    AcceptRow{"JustInsideOnePercent", 400, 403.9f, (400 + 403.9f) * 0.5f, true},
    AcceptRow{"JustOutsideOnePercent", 400, 404.1f, 404.1f, true},
    // The float nearest 4311.76 lies below it, and the comparison is in double.
    AcceptRow{"LowestLimitIsRefused", 440, 26.717f, 440, false}, AcceptRow{"HighestLimitFloat", 440, 4311.76f, 4311.76f, true},
    AcceptRow{"NextFloatIsRefused", 440, 4311.7603f, 440, false}, AcceptRow{"NaNReading", 440, kNaN, 440, false},
    // A broken current value must not stick.
    AcceptRow{"NaNCurrentIsReplaced", kNaN, 440, 440, true}),
    kRowName);

// Tones with octave bait: strong upper harmonics, a missing fundamental, a
// component that lengthens the true period. Each at three starting phases.
struct ToneRow {
    const char *name;
    double hz;
    float rateHz;
    std::vector<std::pair<double, double>> partials; // multiple of hz, amplitude
    double expectedHz, toleranceCents;
    double silentShare = 0; // of the block before the tone starts
};

class DetectTone : public ::testing::TestWithParam<ToneRow> {};

TEST_P(DetectTone, ReadsThePeriodWithinCents)
{
    const ToneRow &row = GetParam();
    for (double phase : {0.0, 1.0, 2.5}) {
        std::vector<float> block(blockLength(row.rateHz));
        for (auto i = std::size_t(row.silentShare * double(block.size())); i < block.size(); ++i) {
            double s = 0.0;
            for (const auto &[k, a] : row.partials)
                s += a * std::sin(2.0 * std::numbers::pi * k * row.hz * double(i) / row.rateHz + phase * k);
            block[i] = static_cast<float>(s);
        }
        PitchDetector detector;
        ASSERT_TRUE(detector.detectPitch(block, row.rateHz, blockLength(row.rateHz))) << "phase " << phase;
        EXPECT_NEAR(1200.0 * std::log2(detector.mRawFrequency / row.expectedHz), 0.0, row.toleranceCents)
            << "phase " << phase << ": read " << detector.mRawFrequency << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(Tones, DetectTone, ::testing::Values(
    ToneRow{"Sine4186At96k", 4186.0, 96000.0f, {{1, 0.5}}, 4186.0, 1.0},
    ToneRow{"Sine30TwoPeaks", 30.0, 44100.0f, {{1, 0.5}}, 30.0, 1.0},
    ToneRow{"StrongSecondHarmonic", 220.0, 44100.0f, {{1, 0.5}, {2, 0.45}}, 220.0, 2.0},
    ToneRow{"StrongThirdHarmonic", 196.0, 48000.0f, {{1, 0.5}, {3, 0.4}}, 196.0, 2.0},
    ToneRow{"MissingFundamental", 200.0, 48000.0f, {{2, 0.4}, {3, 0.4}}, 200.0, 0.5},
    // 200 and 300 Hz repeat every 10 ms: the period is 100 Hz.
    ToneRow{"FifthAboveHalvesThePitch", 200.0, 48000.0f, {{1, 0.3}, {1.5, 0.2}}, 100.0, 0.5},
    // The interval from the block's start is the longest, and the true period the shortest.
    ToneRow{"A4StartingMidBlock", 440.0, 48000.0f, {{1, 0.5}}, 440.0, 1.0, 0.6}), kRowName);

std::vector<float> flat(float value)
{
    return std::vector<float>(3207, value);
}

// A square wave whose first peak is off position 0.
std::vector<float> square(std::size_t period, float amplitude)
{
    std::vector<float> block(3207);
    for (std::size_t i = 1; i < block.size(); ++i)
        block[i] = (i % period) < period / 2 ? amplitude : -amplitude;
    return block;
}

// Amplitude, level and the measuring gate. frequency 0: no period, the mailbox is kept.
struct LevelRow {
    const char *name;
    std::vector<float> block;
    float rawPeak;
    std::int32_t level;
    float frequency = 0.0f;
};

class DetectLevel : public ::testing::TestWithParam<LevelRow> {};

TEST_P(DetectLevel, GivesWholeDecibelsAboveTheFloorAndGatesAtAHundredth)
{
    const LevelRow &row = GetParam();
    PitchDetector detector;
    detector.mRawFrequency = 123.0f;
    EXPECT_EQ(detector.detectPitch(row.block, 44100.0f, 3207), row.frequency != 0.0f);
    EXPECT_EQ(detector.mPeak, row.level);
    EXPECT_EQ(detector.mRawPeak, row.rawPeak);
    EXPECT_FLOAT_EQ(detector.mRawFrequency, row.frequency != 0.0f ? row.frequency : 123.0f);
}

std::vector<float> with(std::vector<float> block, std::size_t index, float value)
{
    block[index] = value;
    return block;
}

INSTANTIATE_TEST_SUITE_P(Levels, DetectLevel, ::testing::Values(
    LevelRow{"FullScale", flat(-1.0f), 1.0f, 96}, LevelRow{"JustBelowFullScale", flat(-0.9999f), 0.9999f, 95},
    LevelRow{"Half", flat(-0.5f), 0.5f, 89}, LevelRow{"OneLsb", flat(-1.0f / 65535), 1.0f / 65535, 0},
    LevelRow{"Empty", {}, 0.0f, 0}, LevelRow{"AllNaN", flat(kNaN), 0.0f, 0},
    LevelRow{"HundredthIsNotMeasured", square(100, 0.01f), 0.01f, 55},
    LevelRow{"JustAboveAHundredthIsMeasured", square(100, 0.0101f), 0.0101f, 56, 441.0f},
    // NaN ends a half-wave like a non-positive sample but adds no magnitude.
    LevelRow{"NaNBetweenPeaks", {0.0f, 0.5f, kNaN, 0.5f, kNaN, 0.25f, -0.25f}, 0.5f, 89},
    // Sample 0 is never a peak; as the threshold it stands above every later one.
    LevelRow{"PositionZeroIsNoPeak", with(square(100, 0.5f), 0, 1.0f), 0.5f, 89},
    // 320 peaks: the scan stops at the 128th, before the dip.
    LevelRow{"ScanStopsAt128Peaks", with(square(10, 0.5f), 3000, -0.9f), 0.5f, 89, 4410.0f}), kRowName);

} // namespace
} // namespace quaverly
