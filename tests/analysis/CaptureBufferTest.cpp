// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/CaptureBuffer.h"

#include "analysis/BlockLength.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace quaverly {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
using Layout = std::vector<std::pair<std::uint32_t, std::vector<float>>>; // channels, samples per buffer

// Names each sample by its index, exactly representable.
float ramp(std::uint64_t index)
{
    return static_cast<float>(index % 4096) / 4096.0f;
}

// Feeds a CaptureBuffer as a device would and keeps every posted block.
struct Capture {
    explicit Capture(std::optional<float> rateHz, CaptureBuffer::Reallocate reallocate = nullptr)
        : buffer([this](CaptureBlock b) { blocks.push_back(std::move(b)); }, reallocate)
    {
        if (rateHz)
            buffer.setSampleRate(*rateHz);
    }
    std::vector<float> samples() const
    {
        std::vector<float> all;
        for (const CaptureBlock &b : blocks)
            all.insert(all.end(), b->begin(), b->end());
        return all;
    }
    OSStatus feed(const Layout &layout, double sampleTime = 1.0)
    {
        auto list = makeAudioBufferList(static_cast<std::uint32_t>(layout.size()));
        for (std::size_t i = 0; i < layout.size(); ++i)
            buffers(*list)[i] = AudioBuffer{layout[i].first, std::uint32_t(layout[i].second.size() * sizeof(float)),
                const_cast<float *>(layout[i].second.data())};
        AudioTimeStamp time;
        time.mSampleTime = sampleTime;
        return CaptureBuffer::ioProc(7, &time, list.get(), &time, nullptr, &time, &buffer);
    }
    void feedRamp(std::uint32_t frames)
    {
        std::vector<float> chunk(frames);
        for (float &s : chunk)
            s = ramp(next++);
        feed({{1, chunk}});
    }
    std::vector<CaptureBlock> blocks;
    CaptureBuffer buffer;
    std::uint64_t next = 0;
};

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

// Chunks of any size: blocks are consecutive, non-overlapping stretches of
// the input, posted exactly when full.
struct ChunkRow {
    const char *name;
    float rateHz;
    std::vector<std::uint32_t> chunks;        // callback sizes, repeated
    std::vector<std::size_t> blocksAfterEach; // posted blocks after each callback of the first round
    std::uint64_t totalFrames;
};

class CaptureChunks : public ::testing::TestWithParam<ChunkRow> {};

TEST_P(CaptureChunks, PostConsecutiveBlocksWhenFull)
{
    const ChunkRow &row = GetParam();
    Capture capture(row.rateHz);
    std::uint64_t fed = 0;
    for (std::size_t i = 0; fed < row.totalFrames; ++i) {
        const auto n = std::uint32_t(std::min<std::uint64_t>(row.chunks[i % row.chunks.size()], row.totalFrames - fed));
        capture.feedRamp(n);
        fed += n;
        if (i < row.blocksAfterEach.size()) {
            EXPECT_EQ(capture.blocks.size(), row.blocksAfterEach[i]) << "after callback " << i + 1;
        }
    }
    const std::uint32_t frames = blockLength(row.rateHz);
    ASSERT_EQ(capture.buffer.bufferFrames(), frames);
    ASSERT_EQ(capture.blocks.size(), row.totalFrames / frames);
    const std::vector<float> all = capture.samples();
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], ramp(i)) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Chunks, CaptureChunks, ::testing::Values(
    // 6 x 512 = 3072 < 3207 <= 3584: the 7th completes; 377 frames start the next.
    ChunkRow{"Callbacks512At44k", 44100.0f, {512}, {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 2}, 20000},
    // Two blocks from one callback, 1586 samples left over for the next.
    ChunkRow{"Callbacks8000At44k", 44100.0f, {8000, 1620, 1}, {2, 2, 3}, 30000},
    ChunkRow{"ExactBlocksAt48k", 48000.0f, {3490}, {1, 2, 3}, 3490 * 3},
    ChunkRow{"SingleFramesAt8k", 8000.0f, {1}, {}, 581 * 2 + 5},
    ChunkRow{"UnevenAt96k", 96000.0f, {4, 950, 17, 333, 1, 6980}, {0, 0, 0, 0, 0, 1}, 30000}), rowName<ChunkRow>);

// Layouts: how buffers and channels mix down. At 13.75 Hz a block is one
// sample long, so every frame shows up as a block.
struct LayoutRow {
    const char *name;
    Layout layout;
    std::vector<float> expected;
};

class CaptureLayout : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(CaptureLayout, MixesToClampedMono)
{
    Capture capture(13.75f);
    EXPECT_EQ(capture.feed(GetParam().layout), 0);
    const std::vector<float> got = capture.samples();
    const std::vector<float> &want = GetParam().expected;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_TRUE(got[i] == want[i] || (std::isnan(got[i]) && std::isnan(want[i]))) << "frame " << i << ": " << got[i];
}

INSTANTIATE_TEST_SUITE_P(Layouts, CaptureLayout, ::testing::Values(
    LayoutRow{"StereoTwinsAreHalved", {{2, {0.3f, 0.3f, -0.7f, -0.7f}}}, {0.3f, -0.7f}},
    LayoutRow{"StereoSilentRightIsNotHalved", {{2, {0.3f, 0.0f, -0.7f, 0.0f}}}, {0.3f, -0.7f}},
    LayoutRow{"OneDifferingFrameHalvesNothing", {{2, {0.25f, 0.25f, 0.25f, 0.25f, 0.5f, 0.25f}}}, {0.5f, 0.5f, 0.75f}},
    LayoutRow{"NaNPairIsDifferent", {{2, {0.25f, 0.25f, kNaN, kNaN}}}, {0.5f, kNaN}},
    LayoutRow{"SumsAreClampedNaNPasses", {{2, {0.75f, 0.5f, -0.75f, -0.5f, kInf, 0.0f}}, }, {1.0f, -1.0f, 1.0f}},
    LayoutRow{"TwoMonoBuffersAreSummed", {{1, {0.25f, 0.5f, kNaN}}, {1, {0.25f, 0.75f, 0.5f}}}, {0.5f, 1.0f, kNaN}},
    LayoutRow{"TwoEqualMonoBuffersAreNotHalved", {{1, {0.25f, -0.25f}}, {1, {0.25f, -0.25f}}}, {0.5f, -0.5f}},
    LayoutRow{"CountStopsAtFirstOtherSize", {{1, {0.125f, 0.125f}}, {1, {0.25f}}, {1, {0.5f, 0.5f}}}, {0.125f, 0.125f}},
    LayoutRow{"StereoAfterMonoOfEqualChannelLength", {{1, {0.125f, 0.25f}}, {2, {0.125f, 0.25f, 0.0f, 0.5f}}}, {0.5f, 0.75f}},
    LayoutRow{"TwinsBesideAnotherBufferAreNotHalved", {{2, {0.25f, 0.25f}}, {2, {0.0f, 0.0f}}}, {0.5f}},
    LayoutRow{"LaterZeroChannelBufferIsLeftOut", {{1, {0.25f, 0.5f}}, {0, {0.75f, 0.75f}}}, {0.25f, 0.5f}},
    LayoutRow{"FirstZeroChannelBufferYieldsNothing", {{0, {0.25f, 0.5f}}, {1, {0.5f, 0.5f}}}, {}},
    LayoutRow{"LessThanOneStereoFrameYieldsNothing", {{2, {0.5f}}}, {}},
    LayoutRow{"NoBuffersYieldNothing", {}, {}}), rowName<LayoutRow>);

// Rates that give no block never reach the buffer; input is dropped until a
// usable rate arrives, and nothing from before survives.
struct RateRow {
    const char *name;
    float rateHz;
};

class CaptureUnusableRate : public ::testing::TestWithParam<RateRow> {};

TEST_P(CaptureUnusableRate, DropsInputUntilAUsableRate)
{
    Capture capture(55.0f); // 4-sample blocks
    capture.feedRamp(2);
    capture.buffer.setSampleRate(GetParam().rateHz);
    capture.feedRamp(100);
    EXPECT_TRUE(capture.blocks.empty());
    EXPECT_EQ(capture.buffer.bufferFrames(), 0u);
    capture.buffer.setSampleRate(110.0f); // 8-sample blocks
    capture.feedRamp(8);
    ASSERT_EQ(capture.blocks.size(), 1u);
    EXPECT_EQ(capture.blocks[0]->front(), ramp(102)) << "stale samples survived";
}

INSTANTIATE_TEST_SUITE_P(Rates, CaptureUnusableRate, ::testing::Values(RateRow{"Zero", 0.0f},
    RateRow{"JustBelowUsable", 13.74f}, RateRow{"Negative", -44100.0f}, RateRow{"NaN", kNaN},
    RateRow{"Infinite", kInf}, RateRow{"BlockBytesBeyond32Bits", 2e10f}), rowName<RateRow>);

TEST(CaptureRate, NothingIsCapturedBeforeAnyRateIsSet)
{
    Capture capture(std::nullopt);
    capture.feedRamp(10000);
    EXPECT_TRUE(capture.blocks.empty());
}

// Only positive time stamps append; an invalidation is acted on regardless.
struct TimeRow {
    const char *name;
    double sampleTime;
    bool appends;
};

class CaptureTimeStamp : public ::testing::TestWithParam<TimeRow> {};

TEST_P(CaptureTimeStamp, RebuildsAndAppendsOnlyWhenPositive)
{
    Capture capture(55.0f); // 4-sample blocks
    capture.feed({{1, {0.125f, 0.125f}}});
    capture.buffer.setSampleRate(55.0f); // same rate: the partial block must still go
    capture.feed({{1, {0.25f, 0.25f}}}, GetParam().sampleTime);
    capture.feed({{1, {0.5f, 0.5f, 0.5f, 0.5f}}});
    EXPECT_EQ(capture.samples(), (GetParam().appends ? std::vector<float>{0.25f, 0.25f, 0.5f, 0.5f}
                                                     : std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f}));
}

INSTANTIATE_TEST_SUITE_P(Times, CaptureTimeStamp, ::testing::Values(TimeRow{"Zero", 0.0, false},
    TimeRow{"Negative", -512.0, false}, TimeRow{"NaN", std::numeric_limits<double>::quiet_NaN(), false},
    TimeRow{"Positive", 0.5, true}), rowName<TimeRow>);

TEST(CaptureRate, RateChangeMidBlockRestartsAtTheNewLength)
{
    Capture capture(110.0f); // 8
    capture.feedRamp(5);
    capture.buffer.setSampleRate(55.0f); // 4
    capture.feedRamp(9);
    ASSERT_EQ(capture.blocks.size(), 2u);
    EXPECT_EQ(*capture.blocks[0], (std::vector<float>{ramp(5), ramp(6), ramp(7), ramp(8)}));
    const CaptureBlock held = capture.blocks[0];
    capture.feedRamp(4);
    EXPECT_EQ(held->front(), ramp(5)) << "a posted block shares the live buffer";
}

// Allocation fails on demand: input is dropped, the old buffer is not
// overrun, and the next callback tries again.
std::atomic<bool> gFailAllocation{false};

void *failingReallocate(void *block, std::size_t bytes) noexcept
{
    return gFailAllocation.load() ? nullptr : std::realloc(block, bytes);
}

TEST(CaptureAllocation, FailureDropsInputAndIsRetried)
{
    Capture capture(55.0f, failingReallocate);
    capture.feedRamp(3);
    gFailAllocation = true;
    capture.buffer.setSampleRate(110.0f); // grow from 4 to 8 samples
    capture.feedRamp(20);
    gFailAllocation = false;
    EXPECT_TRUE(capture.blocks.empty());
    EXPECT_EQ(capture.buffer.bufferFrames(), 0u);
    capture.feedRamp(8);
    ASSERT_EQ(capture.blocks.size(), 1u);
    EXPECT_EQ(*capture.blocks[0], (std::vector<float>{ramp(23), ramp(24), ramp(25), ramp(26), ramp(27), ramp(28),
                                      ramp(29), ramp(30)}));
}

// The writer changes the rate while the IO thread captures; each block must
// be whole at one of the two lengths and consecutive. The writer waits for
// blocks after each change, so both lengths are exercised. Run under TSan.
TEST(CaptureConcurrency, RateChangesDuringCaptureNeverTearABlock)
{
    std::atomic<std::uint64_t> posted{0};
    std::vector<CaptureBlock> blocks;
    CaptureBuffer buffer([&](CaptureBlock block) {
        blocks.push_back(std::move(block));
        posted.fetch_add(1, std::memory_order_release);
    });
    buffer.setSampleRate(55.0f);
    std::atomic<bool> done{false};
    std::thread io([&] {
        std::uint64_t next = 0;
        float chunk[3];
        auto list = makeAudioBufferList(1);
        list->mBuffers[0] = AudioBuffer{1, sizeof chunk, chunk};
        AudioTimeStamp time;
        time.mSampleTime = 1.0;
        while (!done.load(std::memory_order_acquire)) {
            for (float &s : chunk)
                s = ramp(next++);
            CaptureBuffer::ioProc(1, &time, list.get(), &time, nullptr, &time, &buffer);
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 200; ++i) {
        const std::uint64_t before = posted.load(std::memory_order_acquire);
        buffer.setSampleRate(i % 2 == 0 ? 110.0f : 55.0f);
        while (posted.load(std::memory_order_acquire) < before + 2)
            std::this_thread::yield();
    }
    done.store(true, std::memory_order_release);
    io.join();
    std::size_t counts[9] = {};
    for (const CaptureBlock &b : blocks) {
        ASSERT_TRUE(b->size() == 4 || b->size() == 8) << "torn block of " << b->size();
        ++counts[b->size()];
        for (std::size_t i = 1; i < b->size(); ++i)
            ASSERT_TRUE((*b)[i] - (*b)[i - 1] == 1.0f / 4096.0f || (*b)[i] == 0.0f) << "samples out of order";
    }
    EXPECT_GT(counts[4], 0u);
    EXPECT_GT(counts[8], 0u);
}

} // namespace
} // namespace quaverly
