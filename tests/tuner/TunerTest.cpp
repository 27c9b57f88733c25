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
    // Each frame's left is compared with its own right, not with the next frame's left.
    LayoutRow{"DifferingPairBeforeTwinsHalvesNothing", {{2, {0.5f, 0.25f, 0.5f, 0.5f}}}, {0.75f, 1.0f}},
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
    std::uint64_t first = 0; // ramp index of the first posted sample
    std::size_t count = 0;   // blocks posted
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
    ScriptRow{.name = "TwoBlocksInOneCallback", .steps = {rate(44100.0f), feed(8000), feed(1620), feed(1)}, .length = 3207, .count = 3},
    ScriptRow{.name = "UnevenAt96k", .steps = {rate(96000.0f), feed(4), feed(950), feed(17), feed(333), feed(1), feed(6980, 2)},
              .length = 6981, .count = 2},
    ScriptRow{.name = "NothingBeforeAnyRate", .steps = {feed(10000)}, .length = 0, .count = 0},
    unusable("JustBelowUsableRate", 13.74f),
    unusable("NaNRate", kNaN),
    unusable("BlockBytesBeyond32Bits", 2e10f),
    ScriptRow{.name = "HighestRateIsUsable", .steps = {rate(float(kHighestSampleRateHz)), feed(111709)}, .length = 111709, .count = 1},
    // Later blocks must not overwrite a posted one.
    ScriptRow{.name = "RateChangeMidBlockRestarts", .steps = {rate(110.0f), feed(5), rate(55.0f), feed(9), feed(4)},
              .length = 4, .first = 5, .count = 3},
    // Only positive time stamps append; the same rate set again still drops the partial block.
    stamped("PositiveTimeAppends", 0.5, 2),
    stamped("ZeroTimeIsIgnored", 0.0, 4),
    stamped("NaNTimeIsIgnored", std::numeric_limits<double>::quiet_NaN(), 4)), kRowName);

struct AcceptRow {
    const char *name;
    float had, raw, now; // the smoothed frequency before and after
    bool taken;
    float left; // in the mailbox: emptied (0) when taken
};

class AcceptFrequency : public ::testing::TestWithParam<AcceptRow> {};

TEST_P(AcceptFrequency, AveragesSmallStepsAndTakesJumps)
{
    const AcceptRow &row = GetParam();
    float frequency = row.had, raw = row.raw;
    EXPECT_EQ(acceptFrequency(frequency, raw), row.taken);
    EXPECT_EQ(frequency, row.now);
    EXPECT_TRUE(raw == row.left || (std::isnan(raw) && std::isnan(row.left))) << "mailbox holds " << raw;
}

INSTANTIATE_TEST_SUITE_P(Readings, AcceptFrequency, ::testing::Values(
    AcceptRow{.name = "JustInsideOnePercent", .had = 400, .raw = 403.9f, .now = (400 + 403.9f) * 0.5f, .taken = true, .left = 0},
    AcceptRow{.name = "OnePercentDownIsAJump", .had = 400, .raw = 396.0f, .now = 396.0f, .taken = true, .left = 0},
    AcceptRow{.name = "JustOutsideOnePercent", .had = 400, .raw = 404.1f, .now = 404.1f, .taken = true, .left = 0},
    // The float nearest 4311.76 lies below it, and the comparison is in double.
    AcceptRow{.name = "LowestLimitIsRefused", .had = 440, .raw = 26.717f, .now = 440, .taken = false, .left = 26.717f},
    AcceptRow{.name = "HighestLimitFloat", .had = 440, .raw = 4311.76f, .now = 4311.76f, .taken = true, .left = 0},
    AcceptRow{.name = "NextFloatIsRefused", .had = 440, .raw = 4311.7603f, .now = 440, .taken = false, .left = 4311.7603f},
    AcceptRow{.name = "NaNReading", .had = 440, .raw = kNaN, .now = 440, .taken = false, .left = kNaN},
    // A broken current value must not stick.
    AcceptRow{.name = "NaNCurrentIsReplaced", .had = kNaN, .raw = 440, .now = 440, .taken = true, .left = 0}),
    kRowName);

// Tones with octave bait: strong upper harmonics, a missing fundamental, a
// component that lengthens the true period. Each at three starting phases.
struct ToneRow {
    const char *name;
    double hz;
    float rate;
    std::vector<std::pair<double, double>> waves; // multiple of hz, amplitude
    double read, cents; // the period read in Hz, within cents
    double silent = 0;  // share of the block before the tone starts
};

class DetectTone : public ::testing::TestWithParam<ToneRow> {};

TEST_P(DetectTone, ReadsThePeriodWithinCents)
{
    const ToneRow &row = GetParam();
    for (double phase : {0.0, 1.0, 2.5}) {
        std::vector<float> block(blockLength(row.rate));
        for (auto i = std::size_t(row.silent * double(block.size())); i < block.size(); ++i) {
            double s = 0.0;
            for (const auto &[k, a] : row.waves)
                s += a * std::sin(2.0 * std::numbers::pi * k * row.hz * double(i) / row.rate + phase * k);
            block[i] = static_cast<float>(s);
        }
        PitchDetector detector;
        ASSERT_TRUE(detector.detectPitch(block, row.rate, blockLength(row.rate))) << "phase " << phase;
        EXPECT_NEAR(1200.0 * std::log2(detector.mRawFrequency / row.read), 0.0, row.cents)
            << "phase " << phase << ": read " << detector.mRawFrequency << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(Tones, DetectTone, ::testing::Values(
    ToneRow{.name = "Sine4186At96k", .hz = 4186, .rate = 96000, .waves = {{1, 0.5}}, .read = 4186, .cents = 1},
    ToneRow{.name = "Sine30TwoPeaks", .hz = 30, .rate = 44100, .waves = {{1, 0.5}}, .read = 30, .cents = 1},
    ToneRow{.name = "StrongSecondHarmonic", .hz = 220, .rate = 44100, .waves = {{1, 0.5}, {2, 0.45}}, .read = 220, .cents = 2},
    ToneRow{.name = "StrongThirdHarmonic", .hz = 196, .rate = 48000, .waves = {{1, 0.5}, {3, 0.4}}, .read = 196, .cents = 2},
    ToneRow{.name = "MissingFundamental", .hz = 200, .rate = 48000, .waves = {{2, 0.4}, {3, 0.4}}, .read = 200, .cents = 0.5},
    // 200 and 300 Hz repeat every 10 ms: the period is 100 Hz.
    ToneRow{.name = "FifthAboveHalvesPitch", .hz = 200, .rate = 48000, .waves = {{1, 0.3}, {1.5, 0.2}}, .read = 100, .cents = 0.5},
    // The interval from the block's start is the longest, and the true period the shortest.
    ToneRow{.name = "A4FromMidBlock", .hz = 440, .rate = 48000, .waves = {{1, 0.5}}, .read = 440, .cents = 1, .silent = 0.6}), kRowName);

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

// One sample of 0.5 after each gap, `between` elsewhere: the peaks' intervals are the gaps.
std::vector<float> pulses(const std::vector<std::size_t> &gaps, float between = -0.5f)
{
    std::vector<float> block(3207, between);
    std::size_t at = 0;
    for (std::size_t gap : gaps)
        block[at += gap] = 0.5f;
    return block;
}

// Amplitude, level, the measuring gate and the period band.
struct LevelRow {
    const char *name;
    std::vector<float> block;
    float peak;
    std::int32_t db;
    float hz = 0.0f; // the period read; 0: none, the mailbox is kept
};

class DetectLevel : public ::testing::TestWithParam<LevelRow> {};

TEST_P(DetectLevel, GivesWholeDecibelsAboveTheFloorAndGatesAtAHundredth)
{
    const LevelRow &row = GetParam();
    PitchDetector detector;
    detector.mRawFrequency = 123.0f;
    EXPECT_EQ(detector.detectPitch(row.block, 44100.0f, 3207), row.hz != 0.0f);
    EXPECT_EQ(detector.mPeak, row.db);
    EXPECT_EQ(detector.mRawPeak, row.peak);
    EXPECT_FLOAT_EQ(detector.mRawFrequency, row.hz != 0.0f ? row.hz : 123.0f);
}

std::vector<float> with(std::vector<float> block, std::size_t index, float value)
{
    block[index] = value;
    return block;
}

INSTANTIATE_TEST_SUITE_P(Levels, DetectLevel, ::testing::Values(
    LevelRow{.name = "FullScale", .block = flat(-1.0f), .peak = 1.0f, .db = 96},
    LevelRow{.name = "JustBelowFullScale", .block = flat(-0.9999f), .peak = 0.9999f, .db = 95},
    LevelRow{.name = "OneLsb", .block = flat(-1.0f / 65535), .peak = 1.0f / 65535, .db = 0},
    LevelRow{.name = "Empty", .block = {}, .peak = 0.0f, .db = 0},
    LevelRow{.name = "AllNaN", .block = flat(kNaN), .peak = 0.0f, .db = 0},
    LevelRow{.name = "HundredthIsNotMeasured", .block = square(100, 0.01f), .peak = 0.01f, .db = 55},
    LevelRow{.name = "JustAboveAHundredthIsMeasured", .block = square(100, 0.0101f), .peak = 0.0101f, .db = 56, .hz = 441.0f},
    // NaN ends a half-wave like a non-positive sample but adds no magnitude.
    LevelRow{.name = "NaNBetweenPeaks", .block = {0.0f, 0.5f, kNaN, 0.5f, kNaN, 0.25f, -0.25f}, .peak = 0.5f, .db = 89},
    // Sample 0 is never a peak; as the threshold it stands above every later one.
    LevelRow{.name = "PositionZeroIsNoPeak", .block = with(square(100, 0.5f), 0, 1.0f), .peak = 0.5f, .db = 89},
    // 320 peaks: the scan stops at the 128th, before the dip.
    LevelRow{.name = "ScanStopsAt128Peaks", .block = with(square(10, 0.5f), 3000, -0.9f), .peak = 0.5f, .db = 89, .hz = 4410.0f},
    // The band around the most frequent interval r runs from r * 95 / 100 to (r * 105 + 50) / 100.
    LevelRow{.name = "Band100Takes95Not106", .block = pulses({100, 100, 100, 100, 106, 95}), .peak = 0.5f, .db = 89,
             .hz = 44100.0f / 99.0f},
    LevelRow{.name = "ZeroEndsAHalfWave", .block = pulses({100, 100, 100, 100}, 0.0f), .peak = 0.5f, .db = 89, .hz = 441.0f},
    LevelRow{.name = "Band50Takes53", .block = pulses({50, 50, 50, 50, 53}), .peak = 0.5f, .db = 89,
             .hz = 44100.0f / (253.0f / 5.0f)}), kRowName);

// ---- The tuner core over blocks: level lamps, time-outs on a clock that may step back, pause.

struct LampRow {
    const char *name;
    int peak, hold;
    const char *lamps; // lowest first: . gray, g green, y yellow, r red
};
class LevelSegments : public ::testing::TestWithParam<LampRow> {};

TEST_P(LevelSegments, LightTheRightLamps)
{
    std::string shown;
    for (Lamp l : levelSegments(GetParam().peak, GetParam().hold))
        shown += ".gyr"[static_cast<int>(l)];
    EXPECT_EQ(shown, GetParam().lamps) << GetParam().peak << '/' << GetParam().hold;
}

INSTANTIATE_TEST_SUITE_P(Table, LevelSegments, ::testing::Values(
    // a steady level shows its hold mark on top; 61 … 63 light nothing although (p − 60) / 4 rounds to 0
    LampRow{.name = "Steady63", .peak = 63, .hold = 63, .lamps = "........"},
    LampRow{.name = "Steady64", .peak = 64, .hold = 64, .lamps = "y......."},
    LampRow{.name = "Steady95", .peak = 95, .hold = 95, .lamps = "gggggggy"},
    LampRow{.name = "Hold70Over65", .peak = 65, .hold = 70, .lamps = "gy......"},
    LampRow{.name = "Hold80Over64", .peak = 64, .hold = 80, .lamps = "g...y..."},
    LampRow{.name = "HoldFullScaleOverSilence", .peak = 0, .hold = 96, .lamps = ".......r"},
    LampRow{.name = "Silence", .peak = 0, .hold = 0, .lamps = "........"},
    LampRow{.name = "Level91", .peak = 91, .hold = 0, .lamps = "ggggggg."},
    LampRow{.name = "Level92", .peak = 92, .hold = 0, .lamps = "gggggggg"},
    LampRow{.name = "Level96", .peak = 96, .hold = 0, .lamps = "gggggggr"},
    LampRow{.name = "Negative", .peak = -5, .hold = -5, .lamps = "........"}), kRowName);

CaptureBlock tone(double hz, double amplitude)
{
    auto block = std::make_shared<std::vector<float>>(3207);
    for (std::size_t i = 0; i < block->size(); ++i)
        (*block)[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / 44100.0));
    return block;
}

// Silence after a loud tone, the clock stepped by `seconds` from the end of the held second. The in-tune dot and
// the held peak must still be released, not frozen until the clock catches up.
struct StepRow {
    const char *name;
    double seconds;
};
class ClockStep : public ::testing::TestWithParam<StepRow> {};

TEST_P(ClockStep, NeverFreezesTheTimeOuts)
{
    double now = 5000.0, last = now;
    Tuner tuner({}, [&] { return now; });
    for (int i = 0; i < 5; ++i, now += 0.0727) {
        last = now;
        tuner.updateUI(tone(446.0, 0.9), 44100.0f);
    }
    ASSERT_EQ(tuner.reading().inTune, Dot::Blue);
    ASSERT_EQ(tuner.reading().peakHold, 95);
    // Steady: a block at the very end of the held second, and one after it that still draws the hold.
    now = last + 1.0 + GetParam().seconds;
    tuner.updateUI(tone(0.0, 0.0), 44100.0f);
    now += 0.0727;
    tuner.updateUI(tone(0.0, 0.0), 44100.0f);
    EXPECT_TRUE(GetParam().seconds != 0.0 || tuner.reading().peakHold == 95) << "the peak was not held for its whole second";
    for (int i = 0; i < 16; ++i, now += 0.0727)
        tuner.updateUI(tone(0.0, 0.0), 44100.0f);
    EXPECT_EQ(tuner.reading().inTune, Dot::Gray);
    EXPECT_EQ(tuner.reading().peakHold, 0);
    EXPECT_EQ(tuner.reading().cents, 23) << "silence moved the note";
}

INSTANTIATE_TEST_SUITE_P(Steps, ClockStep, ::testing::Values(
    StepRow{"Steady", 0.0},
    StepRow{"BackSeconds", -2.5},
    StepRow{"BackDecades", -1e9}), kRowName);

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
