// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/CaptureBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
    // Later blocks must not overwrite a posted one.
    ScriptRow{"RateChangeMidBlockRestarts", {rate(110.0f), feed(5), rate(55.0f), feed(9), feed(4)}, 4, 5, 3},
    // Only positive time stamps append; the same rate set again still drops the partial block.
    stamped("PositiveTimeAppends", 0.5, 2), stamped("ZeroTimeIsIgnored", 0.0, 4),
    stamped("NaNTimeIsIgnored", std::numeric_limits<double>::quiet_NaN(), 4)),
    kRowName);

} // namespace
} // namespace quaverly
