// SPDX-License-Identifier: GPL-3.0-or-later
// The tuner core: the capture buffer's blocks, the period and level detector, the acceptance
// of readings, the level lamps, and the tuner's time-outs and pause.
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "tuner/LevelMeter.h"
#include "tuner/Tuner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace quaverly {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr auto kRowName = [](const auto &info) { return std::string(info.param.name); };
using Layout = std::vector<std::pair<std::uint32_t, std::vector<float>>>; // channels, samples per buffer

// Names each sample by its index, exactly representable.
float ramp(std::uint64_t index)
{
    return static_cast<float>(index % 4096) / 4096.0f;
}

// Feeds a CaptureBuffer as a device would and keeps every posted block.
struct Capture {
    Capture() : buffer([this](CaptureBlock b) { blocks.push_back(std::move(b)); }) {}
    std::vector<float> samples() const
    {
        std::vector<float> all;
        for (const CaptureBlock &b : blocks)
            all.insert(all.end(), b->begin(), b->end());
        return all;
    }
    void feed(const Layout &layout, double sampleTime = 1.0)
    {
        auto list = makeAudioBufferList(static_cast<std::uint32_t>(layout.size()));
        for (std::size_t i = 0; i < layout.size(); ++i)
            buffers(*list)[i] = AudioBuffer{layout[i].first, std::uint32_t(layout[i].second.size() * sizeof(float)),
                const_cast<float *>(layout[i].second.data())};
        AudioTimeStamp time;
        time.mSampleTime = sampleTime;
        EXPECT_EQ(CaptureBuffer::ioProc(7, &time, list.get(), &time, nullptr, &time, &buffer), 0);
    }
    void feedRamp(std::uint32_t frames, double sampleTime = 1.0)
    {
        std::vector<float> chunk(frames);
        for (float &s : chunk)
            s = ramp(next++);
        feed({{1, chunk}}, sampleTime);
    }
    std::vector<CaptureBlock> blocks;
    CaptureBuffer buffer;
    std::uint64_t next = 0;
};

// How buffers and channels mix down. At 13.75 Hz a block is one sample, so every frame is a block.
struct LayoutRow {
    const char *name;
    Layout layout;
    std::vector<float> expected;
};

class CaptureLayout : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(CaptureLayout, MixesToClampedMono)
{
    Capture capture;
    capture.buffer.setSampleRate(13.75f);
    capture.feed(GetParam().layout);
    const std::vector<float> got = capture.samples(), &want = GetParam().expected;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_TRUE(got[i] == want[i] || (std::isnan(got[i]) && std::isnan(want[i]))) << "frame " << i << ": " << got[i];
}

INSTANTIATE_TEST_SUITE_P(Layouts, CaptureLayout, ::testing::Values(
    LayoutRow{"StereoTwinsAreHalved", {{2, {0.3f, 0.3f, -0.7f, -0.7f}}}, {0.3f, -0.7f}},
    LayoutRow{"StereoSilentRightIsNotHalved", {{2, {0.3f, 0.0f, -0.7f, 0.0f}}}, {0.3f, -0.7f}},
    LayoutRow{"OneDifferingFrameHalvesNothing", {{2, {0.25f, 0.25f, 0.25f, 0.25f, 0.5f, 0.25f}}}, {0.5f, 0.5f, 0.75f}},
    LayoutRow{"NaNPairIsDifferent", {{2, {0.25f, 0.25f, kNaN, kNaN}}}, {0.5f, kNaN}},
    LayoutRow{"SumsAreClampedNaNPasses", {{2, {0.75f, 0.5f, -0.75f, -0.5f, kInf, 0.0f}}}, {1.0f, -1.0f, 1.0f}},
    LayoutRow{"TwoMonoBuffersAreSummed", {{1, {0.25f, 0.5f, kNaN}}, {1, {0.25f, 0.75f, 0.5f}}}, {0.5f, 1.0f, kNaN}},
    LayoutRow{"CountStopsAtFirstOtherSize", {{1, {0.125f, 0.125f}}, {1, {0.25f}}, {1, {0.5f, 0.5f}}}, {0.125f, 0.125f}},
    LayoutRow{"LaterZeroChannelBufferIsLeftOut", {{1, {0.25f, 0.5f}}, {0, {0.75f, 0.75f}}}, {0.25f, 0.5f}},
    LayoutRow{"FirstZeroChannelBufferYieldsNothing", {{0, {0.25f, 0.5f}}, {1, {0.5f, 0.5f}}}, {}},
    LayoutRow{"LessThanOneStereoFrameYieldsNothing", {{2, {0.5f}}}, {}},
    LayoutRow{"NoBuffersYieldNothing", {}, {}}), kRowName);

// Scripts of rate changes and callbacks of ramp samples. The blocks must be
// consecutive stretches of the input, posted exactly when full, whatever the
// chunk sizes. Unusable rates never reach the buffer and drop input until a
// usable rate arrives; nothing from before survives.
struct Step {
    enum { Rate, Feed } kind;
    double value; // Hz or frames
    int times = 1;
    double sampleTime = 1.0;
};
Step rate(float hz) { return {Step::Rate, hz}; }
Step feed(std::uint32_t frames, int times = 1) { return {Step::Feed, double(frames), times}; }
Step feedAt(double sampleTime) { return {Step::Feed, 2, 1, sampleTime}; }

struct ScriptRow {
    const char *name;
    std::vector<Step> steps;
    std::uint32_t length; // of every posted block
    std::uint64_t first;  // ramp index of the first posted sample
    std::size_t count;    // blocks posted
};

ScriptRow unusable(const char *name, float hz) // 4-, then 8-sample blocks
{
    return {name, {rate(55.0f), feed(2), rate(hz), feed(100), rate(110.0f), feed(8)}, 8, 102, 1};
}

ScriptRow stamped(const char *name, double sampleTime, std::uint64_t first)
{
    return {name, {rate(55.0f), feed(2), rate(55.0f), feedAt(sampleTime), feed(4)}, 4, first, 1};
}

class CaptureScript : public ::testing::TestWithParam<ScriptRow> {};

TEST_P(CaptureScript, PostsConsecutiveBlocks)
{
    Capture capture;
    for (const Step &step : GetParam().steps) {
        for (int i = 0; i < step.times; ++i) {
            if (step.kind == Step::Rate)
                capture.buffer.setSampleRate(float(step.value));
            else
                capture.feedRamp(std::uint32_t(step.value), step.sampleTime);
        }
    }
    ASSERT_EQ(capture.blocks.size(), GetParam().count);
    const std::vector<float> all = capture.samples();
    ASSERT_EQ(all.size(), GetParam().count * GetParam().length) << "a block of another length";
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], ramp(GetParam().first + i)) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Scripts, CaptureScript, ::testing::Values(
    ScriptRow{"TwoBlocksInOneCallback", {rate(44100.0f), feed(8000), feed(1620), feed(1)}, 3207, 0, 3},
    ScriptRow{"UnevenAt96k", {rate(96000.0f), feed(4), feed(950), feed(17), feed(333), feed(1), feed(6980, 2)}, 6981, 0, 2},
    ScriptRow{"NothingBeforeAnyRate", {feed(10000)}, 0, 0, 0},
    unusable("ZeroRate", 0.0f), unusable("JustBelowUsableRate", 13.74f), unusable("NaNRate", kNaN),
    unusable("BlockBytesBeyond32Bits", 2e10f),
    ScriptRow{"HighestRateIsUsable", {rate(float(kHighestSampleRateHz)), feed(111709)}, 111709, 0, 1},
    // Later blocks must not overwrite a posted one.
    ScriptRow{"RateChangeMidBlockRestarts", {rate(110.0f), feed(5), rate(55.0f), feed(9), feed(4)}, 4, 5, 3},
    // Only positive time stamps append; the same rate set again still drops the partial block.
    stamped("PositiveTimeAppends", 0.5, 2), stamped("ZeroTimeIsIgnored", 0.0, 4),
    stamped("NaNTimeIsIgnored", std::numeric_limits<double>::quiet_NaN(), 4)),
    kRowName);

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

// ---- The tuner core over blocks: level lamps, time-outs on a clock that may step back, pause.

struct LevelCase {
    int peak, hold;
    const char *lamps; // lowest first: . gray, g green, y yellow, r red
};
class LevelSegments : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelSegments, LightTheRightLamps)
{
    std::string shown;
    for (Lamp l : levelSegments(GetParam().peak, GetParam().hold))
        shown += ".gyr"[static_cast<int>(l)];
    EXPECT_EQ(shown, GetParam().lamps) << GetParam().peak << '/' << GetParam().hold;
}

INSTANTIATE_TEST_SUITE_P(Table, LevelSegments, ::testing::Values(
    // a steady level shows its hold mark on top; 61 … 63 light nothing although (p − 60) / 4 rounds to 0
    LevelCase{63, 63, "........"}, LevelCase{64, 64, "y......."}, LevelCase{68, 68, "gy......"},
    LevelCase{95, 95, "gggggggy"}, LevelCase{96, 96, "gggggggr"}, LevelCase{65, 70, "gy......"},
    LevelCase{64, 80, "g...y..."}, LevelCase{0, 96, ".......r"}, LevelCase{61, 0, "........"},
    LevelCase{91, 0, "ggggggg."}, LevelCase{92, 0, "gggggggg"}, LevelCase{96, 0, "gggggggr"},
    LevelCase{-5, -5, "........"}));

CaptureBlock tone(double hz, double amplitude)
{
    auto block = std::make_shared<std::vector<float>>(3207);
    for (std::size_t i = 0; i < block->size(); ++i)
        (*block)[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / 44100.0));
    return block;
}

// The clock goes back by `step` after a loud tone; silence follows. The in-tune dot and
// the held peak must still be released, not frozen until the clock catches up.
class ClockStep : public ::testing::TestWithParam<double> {};

TEST_P(ClockStep, NeverFreezesTheTimeOuts)
{
    double now = 5000.0;
    Tuner tuner({}, [&] { return now; });
    for (int i = 0; i < 5; ++i, now += 0.0727)
        tuner.updateUI(tone(446.0, 0.9), 44100.0f);
    ASSERT_EQ(tuner.reading().inTune, Dot::Blue);
    ASSERT_EQ(tuner.reading().peakHold, 95);
    now += GetParam();
    tuner.updateUI(tone(0.0, 0.0), 44100.0f);
    EXPECT_TRUE(GetParam() != 0.0 || tuner.reading().peakHold == 95) << "the peak was not held for its second";
    for (int i = 0; i < 16; ++i, now += 0.0727)
        tuner.updateUI(tone(0.0, 0.0), 44100.0f);
    EXPECT_EQ(tuner.reading().inTune, Dot::Gray);
    EXPECT_EQ(tuner.reading().peakHold, 0);
    EXPECT_EQ(tuner.reading().cents, 23) << "silence moved the note";
}

INSTANTIATE_TEST_SUITE_P(Steps, ClockStep, ::testing::Values(0.0, -2.5, -3600.0, -1e9));

TEST(Tuner, PauseFreezesOnlyTheNote)
{
    Tuner tuner;
    tuner.updateUI(tone(440.0, 0.25), 44100.0f);
    tuner.setPaused(true);
    const BlockResult paused = tuner.updateUI(tone(523.25, 0.5), 44100.0f);
    EXPECT_EQ(paused.strobe, nullptr);
    EXPECT_EQ(tuner.reading().note.n, 57) << "the note moved while paused";
    EXPECT_EQ(tuner.reading().peakHold, 89) << "the level stopped while paused";
    tuner.setPaused(false);
    const BlockResult resumed = tuner.updateUI(tone(523.25, 0.5), 44100.0f);
    EXPECT_NE(resumed.strobe, nullptr);
    EXPECT_EQ(tuner.reading().note.n, 60);
}

} // namespace
} // namespace quaverly
