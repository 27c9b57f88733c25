// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/PitchDetector.h"

#include "analysis/BlockLength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

namespace quaverly {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Names the row in test listings instead of dumping its bytes.
template <class Row>
    requires requires(const Row &row) { row.name; }
std::ostream &operator<<(std::ostream &os, const Row &row)
{
    return os << row.name;
}

template <class Row>
std::string rowName(const ::testing::TestParamInfo<Row> &info)
{
    return info.param.name;
}

struct AverageRow {
    const char *name;
    std::vector<std::uint64_t> diffs;
    float period;
};

class AverageDiffs : public ::testing::TestWithParam<AverageRow> {};

TEST_P(AverageDiffs, GivesTheBandMeanOrNothing)
{
    std::vector<std::uint64_t> diffs = GetParam().diffs;
    EXPECT_FLOAT_EQ(PitchDetector::averageDiffs(diffs.data(), diffs.size(), 3207), GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(Intervals, AverageDiffs, ::testing::Values(
    AverageRow{"None", {}, 0.0f}, AverageRow{"One", {100}, 0.0f},
    // Two or three: the first true period, if longer than a third of the block.
    AverageRow{"TwoLong", {12, 1700}, 1700.0f}, AverageRow{"TwoShort", {12, 1000}, 0.0f},
    AverageRow{"ThreeJustOverAThird", {12, 1070, 5}, 1070.0f}, AverageRow{"ThreeAtAThird", {12, 1069, 5}, 0.0f},
    // Four or more: mode, inclusive +-5 % band, more than half inside.
    AverageRow{"ModeWithNeighbour", {5, 40, 41, 40, 40, 41, 40}, (4 * 40 + 2 * 41) / 6.0f},
    AverageRow{"AllDistinctUsesLargest", {7, 50, 90, 130}, 0.0f},
    AverageRow{"BandIsInclusive", {3, 95, 100, 100, 105}, 100.0f},
    AverageRow{"BandExcludesBeyond", {3, 94, 100, 100, 106}, 0.0f},
    AverageRow{"HalfIsNotEnough", {10, 11, 100, 100}, 0.0f},
    AverageRow{"TieTakesTheSmaller", {10, 100, 100, 106, 106, 200}, 0.0f},
    AverageRow{"SmallestModeFallsToLargest", {50, 50, 50, 100}, 0.0f},
    AverageRow{"SmallestModeLargestNearby", {100, 100, 100, 101}, 100.25f},
    AverageRow{"Unsorted", {101, 100, 7, 101, 100, 100}, (3 * 100 + 2 * 101) / 5.0f}), rowName<AverageRow>);

// Tones, with octave bait: strong upper harmonics, a missing fundamental, a
// component that lengthens the true period.
struct ToneRow {
    const char *name;
    double hz;
    float rateHz;
    std::vector<std::pair<double, double>> partials; // multiple of hz, amplitude
    double expectedHz;
    double toleranceCents;
};

class DetectTone : public ::testing::TestWithParam<ToneRow> {};

TEST_P(DetectTone, ReadsThePeriodWithinCents)
{
    const ToneRow &row = GetParam();
    for (double phase : {0.0, 1.0, 2.5}) {
        std::vector<float> block(blockLength(row.rateHz));
        for (std::size_t i = 0; i < block.size(); ++i) {
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
    ToneRow{"Sine440At44k", 440.0, 44100.0f, {{1, 1.0}}, 440.0, 0.5},
    ToneRow{"Sine440At48k", 440.0, 48000.0f, {{1, 1.0}}, 440.0, 0.5},
    ToneRow{"Sine4186At96k", 4186.0, 96000.0f, {{1, 0.5}}, 4186.0, 1.0},
    ToneRow{"Sine30TwoPeaks", 30.0, 44100.0f, {{1, 0.5}}, 30.0, 1.0},
    ToneRow{"StrongSecondHarmonic", 220.0, 44100.0f, {{1, 0.5}, {2, 0.45}}, 220.0, 2.0},
    ToneRow{"StrongThirdHarmonic", 196.0, 48000.0f, {{1, 0.5}, {3, 0.4}}, 196.0, 2.0},
    ToneRow{"SawtoothLike", 110.0, 44100.0f, {{1, 0.5}, {2, 0.25}, {3, 0.166}, {4, 0.125}, {5, 0.1}}, 110.0, 1.0},
    ToneRow{"MissingFundamental", 200.0, 48000.0f, {{2, 0.4}, {3, 0.4}}, 200.0, 0.5},
    // 200 and 300 Hz repeat every 10 ms: the period is 100 Hz.
    ToneRow{"FifthAboveHalvesThePitch", 200.0, 48000.0f, {{1, 0.3}, {1.5, 0.2}}, 100.0, 0.5}), rowName<ToneRow>);

// Amplitude, level and the measuring gate on blocks without a usable period.
struct LevelRow {
    const char *name;
    std::vector<float> block;
    float rawPeak;
    std::int32_t level;
};

class DetectLevel : public ::testing::TestWithParam<LevelRow> {};

TEST_P(DetectLevel, WholeDecibelsAboveTheFloor)
{
    PitchDetector detector;
    detector.mRawFrequency = 123.0f;
    EXPECT_FALSE(detector.detectPitch(GetParam().block, 44100.0f, 3207));
    EXPECT_EQ(detector.mPeak, GetParam().level);
    EXPECT_EQ(detector.mRawPeak, GetParam().rawPeak);
    EXPECT_EQ(detector.mRawFrequency, 123.0f) << "a block without a period touched the mailbox";
}

std::vector<float> flat(float value)
{
    return std::vector<float>(3207, value);
}

// A square wave whose first peak is off position 0.
std::vector<float> square(std::size_t length, std::size_t period, float amplitude)
{
    std::vector<float> block(length);
    for (std::size_t i = 0; i < length; ++i)
        block[i] = (i % period) < period / 2 ? amplitude : -amplitude;
    block[0] = 0.0f;
    return block;
}

INSTANTIATE_TEST_SUITE_P(Levels, DetectLevel, ::testing::Values(
    LevelRow{"FullScale", flat(-1.0f), 1.0f, 96}, LevelRow{"JustBelowFullScale", flat(-0.9999f), 0.9999f, 95},
    LevelRow{"Half", flat(-0.5f), 0.5f, 89}, LevelRow{"Tenth", flat(-0.1f), 0.1f, 75},
    LevelRow{"Thousandth", flat(-0.001f), 0.001f, 35}, LevelRow{"OneLsb", flat(-1.0f / 65535), 1.0f / 65535, 0},
    LevelRow{"BelowOneLsb", flat(-1.0f / 65536), 1.0f / 65536, 0}, LevelRow{"Silence", flat(0.0f), 0.0f, 0},
    // Periodic, but not above 0.01: no frequency.
    LevelRow{"HundredthIsNotMeasured", square(3207, 100, 0.01f), 0.01f, 55},
    LevelRow{"Empty", {}, 0.0f, 0}, LevelRow{"AllNaN", flat(kNaN), 0.0f, 0},
    // NaN ends a half-wave like a non-positive sample but adds no magnitude.
    LevelRow{"NaNBetweenPeaks", {0.0f, 0.5f, kNaN, 0.5f, kNaN, 0.25f, -0.25f}, 0.5f, 89},
    // Not from the capture path, but the conversion must stay defined.
    LevelRow{"HugeUnclamped", {0.0f, -1e30f}, 1e30f, 186}), rowName<LevelRow>);

TEST(DetectScan, JustAboveAHundredthIsMeasured)
{
    PitchDetector detector;
    EXPECT_TRUE(detector.detectPitch(square(3207, 100, 0.0101f), 44100.0f, 3207));
    EXPECT_FLOAT_EQ(detector.mRawFrequency, 441.0f);
}

TEST(DetectScan, StopsAtTheHundredTwentyEighthPeak)
{
    std::vector<float> block = square(3490, 10, 0.5f); // 349 peaks
    block[3000] = -0.9f;
    PitchDetector detector;
    ASSERT_TRUE(detector.detectPitch(block, 48000.0f, 3490));
    EXPECT_FLOAT_EQ(detector.mRawFrequency, 4800.0f);
    EXPECT_EQ(detector.mRawPeak, 0.5f) << "the scan went on past the 128th peak";
}

TEST(DetectScan, PositionZeroIsNeverAPeakButRaisesTheThreshold)
{
    std::vector<float> block = square(3207, 100, 0.5f);
    block[0] = 1.0f;
    PitchDetector detector;
    detector.detectPitch(block, 44100.0f, 3207);
    EXPECT_EQ(detector.mRawPeak, 0.5f) << "sample 0 was recorded as a peak";
}

} // namespace
} // namespace quaverly
