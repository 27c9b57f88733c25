// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/PitchDetector.h"

#include "analysis/BlockLength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace quaverly {
namespace {

double centsBetween(double measuredHz, double trueHz)
{
    return 1200.0 * std::log2(measuredHz / trueHz);
}

// ---------------------------------------------------------------------------
// Period averaging over hand-made interval lists.

struct AverageRow {
    const char *name;
    std::vector<std::uint64_t> diffs;
    std::uint32_t bufferFrames;
    float period;
};

class AverageDiffs : public ::testing::TestWithParam<AverageRow> {};

TEST_P(AverageDiffs, GivesTheBandMeanOrNothing)
{
    std::vector<std::uint64_t> diffs = GetParam().diffs;
    EXPECT_FLOAT_EQ(PitchDetector::averageDiffs(diffs.data(), diffs.size(), GetParam().bufferFrames),
        GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(Intervals, AverageDiffs,
    ::testing::Values(AverageRow{"None", {}, 3207, 0.0f}, AverageRow{"One", {100}, 3207, 0.0f},
        // Two or three intervals: the first true period, if long enough.
        AverageRow{"TwoLongPeriod", {12, 1700}, 3207, 1700.0f},
        AverageRow{"TwoShortPeriod", {12, 1000}, 3207, 0.0f},
        AverageRow{"ThreeJustOverAThird", {12, 1070, 5}, 3207, 1070.0f},
        AverageRow{"ThreeAtAThirdExactly", {12, 1069, 5}, 3207, 0.0f},
        AverageRow{"TwoIgnoresTheOffset", {2000, 1500}, 3207, 1500.0f},
        // Four and more: mode, +-5 % band, more than half inside.
        AverageRow{"ModeWithNeighbour", {5, 40, 41, 40, 40, 41, 40}, 3207, (4 * 40 + 2 * 41) / 6.0f},
        AverageRow{"AllDistinctUsesLargest", {7, 50, 90, 130}, 3207, 0.0f},
        AverageRow{"BandIsInclusive", {3, 95, 100, 100, 105}, 3207, 100.0f},
        AverageRow{"BandExcludesBeyond", {3, 94, 100, 100, 106}, 3207, 0.0f},
        // Half exactly is not more than half.
        AverageRow{"HalfIsNotEnough", {10, 11, 100, 100}, 3207, 0.0f},
        // Equal counts: the smaller value is the reference.
        AverageRow{"TieTakesTheSmaller", {10, 100, 100, 106, 106, 200}, 3207, 0.0f},
        // The smallest value being the mode sends the reference to the largest.
        AverageRow{"SmallestModeFallsToLargest", {50, 50, 50, 100}, 3207, 0.0f},
        AverageRow{"SmallestModeLargestNearby", {100, 100, 100, 101}, 3207, 100.25f},
        AverageRow{"UnsortedInput", {101, 100, 7, 101, 100, 100}, 3207, (3 * 100 + 2 * 101) / 5.0f}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Tones, including octave bait: strong upper harmonics, a missing
// fundamental, a component that lengthens the true period.

struct ToneRow {
    const char *name;
    double fundamentalHz;
    float rateHz;
    std::vector<std::pair<double, double>> partials; // multiple of f, amplitude
    double expectedHz;
    double toleranceCents;
};

std::vector<float> tone(const ToneRow &row, double phase)
{
    std::vector<float> block(blockLength(row.rateHz));
    for (std::size_t i = 0; i < block.size(); ++i) {
        double s = 0.0;
        for (const auto &[k, a] : row.partials)
            s += a * std::sin(2.0 * std::numbers::pi * k * row.fundamentalHz * double(i) / row.rateHz + phase * k);
        block[i] = static_cast<float>(s);
    }
    return block;
}

class DetectTone : public ::testing::TestWithParam<ToneRow> {};

TEST_P(DetectTone, ReadsThePeriodWithinCents)
{
    const ToneRow &row = GetParam();
    for (double phase : {0.0, 1.0, 2.5}) {
        const std::vector<float> block = tone(row, phase);
        PitchDetector detector;
        ASSERT_TRUE(detector.detectPitch(block, row.rateHz, blockLength(row.rateHz))) << "phase " << phase;
        EXPECT_NEAR(centsBetween(detector.mRawFrequency, row.expectedHz), 0.0, row.toleranceCents)
            << "phase " << phase << ": read " << detector.mRawFrequency << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(Tones, DetectTone,
    ::testing::Values(ToneRow{"Sine440At44k", 440.0, 44100.0f, {{1, 1.0}}, 440.0, 0.5},
        ToneRow{"Sine440At48k", 440.0, 48000.0f, {{1, 1.0}}, 440.0, 0.5},
        ToneRow{"Sine100At48k", 100.0, 48000.0f, {{1, 0.5}}, 100.0, 0.5},
        ToneRow{"Sine4000At48k", 4000.0, 48000.0f, {{1, 0.5}}, 4000.0, 0.5},
        ToneRow{"Sine4186At96k", 4186.0, 96000.0f, {{1, 0.5}}, 4186.0, 1.0},
        // Few periods per block: the two-or-three-interval path.
        ToneRow{"Sine30At44k", 30.0, 44100.0f, {{1, 0.5}}, 30.0, 1.0},
        ToneRow{"Sine41At44k", 41.0, 44100.0f, {{1, 0.5}}, 41.0, 2.0},
        ToneRow{"StrongSecondHarmonic", 220.0, 44100.0f, {{1, 0.5}, {2, 0.45}}, 220.0, 2.0},
        ToneRow{"StrongThirdHarmonic", 196.0, 48000.0f, {{1, 0.5}, {3, 0.4}}, 196.0, 2.0},
        ToneRow{"SecondAndThird", 330.0, 48000.0f, {{1, 0.4}, {2, 0.3}, {3, 0.2}}, 330.0, 5.0},
        ToneRow{"SawtoothLike", 110.0, 44100.0f, {{1, 0.5}, {2, 0.25}, {3, 0.166}, {4, 0.125}, {5, 0.1}}, 110.0, 1.0},
        ToneRow{"MissingFundamental", 200.0, 48000.0f, {{2, 0.4}, {3, 0.4}}, 200.0, 0.5},
        // 200 and 300 Hz repeat every 10 ms: the period is 100 Hz.
        ToneRow{"FifthAboveLengthensThePeriod", 200.0, 48000.0f, {{1, 0.3}, {1.5, 0.2}}, 100.0, 0.5}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Amplitude and level.

struct LevelRow {
    const char *name;
    float amplitude;
    std::int32_t level;
};

class DetectLevel : public ::testing::TestWithParam<LevelRow> {};

TEST_P(DetectLevel, WholeDecibelsAboveTheFloor)
{
    // Non-positive samples only: the amplitude is their largest magnitude.
    const std::vector<float> block(3207, -GetParam().amplitude);
    PitchDetector detector;
    detector.mRawFrequency = 123.0f;
    EXPECT_FALSE(detector.detectPitch(block, 44100.0f, 3207));
    EXPECT_EQ(detector.mPeak, GetParam().level);
    EXPECT_EQ(detector.mRawPeak, GetParam().amplitude);
    EXPECT_EQ(detector.mRawFrequency, 123.0f) << "a block without a period touched the mailbox";
}

INSTANTIATE_TEST_SUITE_P(Levels, DetectLevel,
    ::testing::Values(LevelRow{"FullScale", 1.0f, 96}, LevelRow{"JustBelowFullScale", 0.9999f, 95},
        LevelRow{"Half", 0.5f, 89}, LevelRow{"Tenth", 0.1f, 75}, LevelRow{"Hundredth", 0.01f, 55},
        LevelRow{"Thousandth", 0.001f, 35}, LevelRow{"OneLsb", 1.0f / 65535.0f, 0},
        LevelRow{"BelowOneLsb", 1.0f / 65536.0f, 0}, LevelRow{"Silence", 0.0f, 0}),
    [](const auto &info) { return std::string(info.param.name); });

// A square wave of the given amplitude and period.
std::vector<float> square(std::size_t length, std::size_t period, float amplitude)
{
    std::vector<float> block(length);
    for (std::size_t i = 0; i < length; ++i)
        block[i] = (i % period) < period / 2 ? amplitude : -amplitude;
    return block;
}

struct GateRow {
    const char *name;
    float amplitude;
    bool measured;
};

class DetectGate : public ::testing::TestWithParam<GateRow> {};

TEST_P(DetectGate, MeasuresOnlyAboveOneHundredth)
{
    std::vector<float> block = square(3207, 100, GetParam().amplitude);
    block[0] = 0.0f; // keep the first peak off position 0
    PitchDetector detector;
    detector.mRawFrequency = 123.0f;
    EXPECT_EQ(detector.detectPitch(block, 44100.0f, 3207), GetParam().measured);
    EXPECT_FLOAT_EQ(detector.mRawFrequency, GetParam().measured ? 441.0f : 123.0f);
}

INSTANTIATE_TEST_SUITE_P(Gate, DetectGate,
    ::testing::Values(GateRow{"AtOneHundredth", 0.01f, false}, GateRow{"JustAbove", 0.0101f, true},
        GateRow{"Loud", 0.8f, true}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Scan corners.

TEST(DetectScan, StopsAtTheHundredTwentyEighthPeak)
{
    // Period 10: 349 peaks in a 3490-sample block; a late spike must be missed.
    std::vector<float> block = square(3490, 10, 0.5f);
    block[0] = 0.0f;
    block[3000] = -0.9f;
    PitchDetector detector;
    ASSERT_TRUE(detector.detectPitch(block, 48000.0f, 3490));
    EXPECT_FLOAT_EQ(detector.mRawFrequency, 4800.0f);
    EXPECT_EQ(detector.mRawPeak, 0.5f) << "the scan went on past the 128th peak";
}

TEST(DetectScan, PositionZeroIsNeverAPeakButRaisesTheThreshold)
{
    // The first half-wave peaks at sample 0 (recorded nothing) and at 1.0
    // lifts the threshold over every later peak of 0.5 until it has decayed.
    std::vector<float> block = square(3207, 100, 0.5f);
    block[0] = 1.0f;
    PitchDetector detector;
    detector.detectPitch(block, 44100.0f, 3207);
    EXPECT_EQ(detector.mRawPeak, 0.5f) << "sample 0 was recorded as a peak";
}

TEST(DetectScan, AnOpenHalfWaveAtTheEndRecordsNothing)
{
    // Four peaks only when the last half-wave closes.
    std::vector<float> block(400, -0.5f);
    for (std::size_t start : {50, 150, 250, 350})
        for (std::size_t i = start; i < start + 10 && i < block.size(); ++i)
            block[i] = 0.9f;
    PitchDetector closed;
    EXPECT_TRUE(closed.detectPitch(block, 40000.0f, 3207));
    EXPECT_FLOAT_EQ(closed.mRawFrequency, 400.0f);

    std::fill(block.begin() + 355, block.end(), 0.9f);
    PitchDetector open;
    EXPECT_FALSE(open.detectPitch(block, 40000.0f, 3207)) << "three intervals of 100 < 3207 / 3 are no period";
}

struct OddBlockRow {
    const char *name;
    std::vector<float> block;
    float rawPeak;
    std::int32_t level;
};

class DetectOddBlock : public ::testing::TestWithParam<OddBlockRow> {};

TEST_P(DetectOddBlock, GivesADefinedResult)
{
    PitchDetector detector;
    detector.mRawFrequency = 55.0f;
    EXPECT_FALSE(detector.detectPitch(GetParam().block, 44100.0f, 3207));
    EXPECT_EQ(detector.mRawFrequency, 55.0f);
    EXPECT_EQ(detector.mRawPeak, GetParam().rawPeak);
    EXPECT_EQ(detector.mPeak, GetParam().level);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Blocks, DetectOddBlock,
    ::testing::Values(OddBlockRow{"Empty", {}, 0.0f, 0}, OddBlockRow{"AllNaN", std::vector<float>(3207, kNaN), 0.0f, 0},
        // NaN ends a half-wave like a non-positive sample but adds no magnitude.
        OddBlockRow{"NaNBetweenPeaks", {0.0f, 0.5f, kNaN, 0.5f, kNaN, 0.25f, -0.25f}, 0.5f, 89},
        // Not from the capture path, but the level conversion must stay defined.
        OddBlockRow{"HugeUnclamped", {0.0f, -1e30f}, 1e30f, 186}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly
