// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/CaptureBuffer.h"

#include "analysis/BlockLength.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace quaverly {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A ramp that names each sample by its index, exactly representable.
float rampSample(std::uint64_t index)
{
    return static_cast<float>(index % 4096) / 4096.0f;
}

// Feeds a CaptureBuffer as a device would and keeps every posted block.
class Capture {
public:
    Capture()
        : mBuffer([this](CaptureBlock block) { mBlocks.push_back(std::move(block)); })
    {
    }

    CaptureBuffer &buffer() { return mBuffer; }
    const std::vector<CaptureBlock> &blocks() const { return mBlocks; }

    // All posted samples in order.
    std::vector<float> samples() const
    {
        std::vector<float> all;
        for (const CaptureBlock &b : mBlocks)
            all.insert(all.end(), b->begin(), b->end());
        return all;
    }

    // One callback; each inner vector is one buffer with its channel count.
    OSStatus feed(const std::vector<std::pair<std::uint32_t, std::vector<float>>> &layout, double sampleTime = 1.0,
        std::uint32_t byteSizeOverride = 0)
    {
        auto list = makeAudioBufferList(static_cast<std::uint32_t>(layout.size()));
        auto entries = buffers(*list);
        for (std::size_t i = 0; i < layout.size(); ++i) {
            entries[i].mNumberChannels = layout[i].first;
            entries[i].mDataByteSize = static_cast<std::uint32_t>(layout[i].second.size() * sizeof(float));
            entries[i].mData = const_cast<float *>(layout[i].second.data());
        }
        if (byteSizeOverride != 0)
            entries[0].mDataByteSize = byteSizeOverride;
        AudioTimeStamp time;
        time.mSampleTime = sampleTime;
        return CaptureBuffer::ioProc(7, &time, list.get(), &time, nullptr, &time, &mBuffer);
    }

    // A mono callback of the next `frames` ramp samples.
    void feedRamp(std::uint32_t frames)
    {
        std::vector<float> chunk(frames);
        for (float &s : chunk)
            s = rampSample(mNext++);
        feed({{1, chunk}});
    }

private:
    std::vector<CaptureBlock> mBlocks;
    CaptureBuffer mBuffer;
    std::uint64_t mNext = 0;
};

// ---------------------------------------------------------------------------
// Chunks of any size: blocks complete when the samples are there, never
// overlap, never lose a sample at a chunk boundary.

struct ChunkRow {
    const char *name;
    float rateHz;
    std::vector<std::uint32_t> chunks; // callback sizes, repeated until totalFrames
    std::uint64_t totalFrames;
};

class CaptureChunks : public ::testing::TestWithParam<ChunkRow> {};

TEST_P(CaptureChunks, BlocksAreConsecutiveStretchesOfTheInput)
{
    const ChunkRow &row = GetParam();
    Capture capture;
    capture.buffer().setSampleRate(row.rateHz);
    std::uint64_t fed = 0;
    for (std::size_t i = 0; fed < row.totalFrames; ++i) {
        const auto n = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(row.chunks[i % row.chunks.size()], row.totalFrames - fed));
        capture.feedRamp(n);
        fed += n;
    }
    const std::uint32_t frames = blockLength(row.rateHz);
    ASSERT_EQ(capture.buffer().bufferFrames(), frames);
    ASSERT_EQ(capture.blocks().size(), row.totalFrames / frames);
    const std::vector<float> all = capture.samples();
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], rampSample(i)) << "sample " << i << " of " << capture.blocks().size() << " blocks";
}

INSTANTIATE_TEST_SUITE_P(Chunks, CaptureChunks,
    ::testing::Values(ChunkRow{"Callbacks512At44k", 44100.0f, {512}, 20000},
        ChunkRow{"ExactBlockAt48k", 48000.0f, {3490}, 3490 * 3},
        ChunkRow{"OneOverBlockAt48k", 48000.0f, {3491}, 3491 * 4},
        ChunkRow{"SingleFramesAt8k", 8000.0f, {1}, 581 * 2 + 5},
        ChunkRow{"Uneven4To950At96k", 96000.0f, {4, 950, 17, 333, 1, 640}, 30000},
        ChunkRow{"HugeCallbackAt44k", 44100.0f, {8000}, 8000 * 3}),
    [](const auto &info) { return std::string(info.param.name); });

struct CompletionRow {
    const char *name;
    float rateHz;
    std::uint32_t callbackFrames;
    std::vector<std::size_t> blocksAfterEachCallback;
    std::uint32_t framesToNextBlock; // what the next block still lacks
};

class CaptureCompletion : public ::testing::TestWithParam<CompletionRow> {};

TEST_P(CaptureCompletion, BlocksPostExactlyWhenFull)
{
    const CompletionRow &row = GetParam();
    Capture capture;
    capture.buffer().setSampleRate(row.rateHz);
    for (std::size_t i = 0; i < row.blocksAfterEachCallback.size(); ++i) {
        capture.feedRamp(row.callbackFrames);
        EXPECT_EQ(capture.blocks().size(), row.blocksAfterEachCallback[i]) << "after callback " << i + 1;
    }
    const std::size_t before = capture.blocks().size();
    capture.feedRamp(row.framesToNextBlock - 1);
    EXPECT_EQ(capture.blocks().size(), before) << "a block posted one sample early";
    capture.feedRamp(1);
    EXPECT_EQ(capture.blocks().size(), before + 1) << "the leftover samples did not start the next block";
}

INSTANTIATE_TEST_SUITE_P(Completion, CaptureCompletion,
    ::testing::Values(
        // 6 x 512 = 3072 < 3207 <= 3584; 377 frames are left over, 2830 missing.
        CompletionRow{"SeventhOf512At44k", 44100.0f, 512, {0, 0, 0, 0, 0, 0, 1}, 3207 - 377},
        // Two blocks from one callback, 1586 samples left in the buffer.
        CompletionRow{"Two8000FramePostsAt44k", 44100.0f, 8000, {2}, 3207 - 1586},
        CompletionRow{"ExactBlockAt48k", 48000.0f, 3490, {1, 2}, 3490}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Layouts: how buffers and channels mix down to one sample per frame. At
// 13.75 Hz a block is one sample long, so every frame shows up as a block.

struct LayoutRow {
    const char *name;
    std::vector<std::pair<std::uint32_t, std::vector<float>>> layout;
    std::vector<float> expected;
};

class CaptureLayout : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(CaptureLayout, MixesToClampedMono)
{
    const LayoutRow &row = GetParam();
    Capture capture;
    capture.buffer().setSampleRate(13.75f);
    EXPECT_EQ(capture.feed(row.layout), 0);
    const std::vector<float> got = capture.samples();
    ASSERT_EQ(got.size(), row.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (std::isnan(row.expected[i])) {
            EXPECT_TRUE(std::isnan(got[i])) << "frame " << i;
        } else {
            EXPECT_EQ(got[i], row.expected[i]) << "frame " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CaptureLayout,
    ::testing::Values(LayoutRow{"MonoPassesThrough", {{1, {0.25f, -0.5f, 0.0f}}}, {0.25f, -0.5f, 0.0f}},
        LayoutRow{"StereoTwinsAreHalved", {{2, {0.3f, 0.3f, -0.7f, -0.7f}}}, {0.3f, -0.7f}},
        LayoutRow{"StereoSilentRightIsNotHalved", {{2, {0.3f, 0.0f, -0.7f, 0.0f}}}, {0.3f, -0.7f}},
        // One differing frame anywhere keeps every frame at full level.
        LayoutRow{"StereoOneDifferingFrame", {{2, {0.25f, 0.25f, 0.25f, 0.25f, 0.5f, 0.25f}}}, {0.5f, 0.5f, 0.75f}},
        LayoutRow{"StereoNaNPairIsDifferent", {{2, {0.25f, 0.25f, kNaN, kNaN}}}, {0.5f, kNaN}},
        LayoutRow{"StereoSumIsClamped", {{2, {0.75f, 0.5f, -0.75f, -0.5f}}}, {1.0f, -1.0f}},
        LayoutRow{"MonoClampsAndPassesNaN", {{1, {3.0f, -3.0f, kNaN, 1.0f, -1.0f}}}, {1.0f, -1.0f, kNaN, 1.0f, -1.0f}},
        LayoutRow{"MonoInfinitiesAreClamped",
            {{1, {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}}}, {1.0f, -1.0f}},
        LayoutRow{"TwoMonoBuffersAreSummed", {{1, {0.25f, 0.5f, 0.75f}}, {1, {0.25f, 0.25f, 0.5f}}}, {0.5f, 0.75f, 1.0f}},
        // Two identical mono buffers are two inputs, not one signal twice.
        LayoutRow{"TwoEqualMonoBuffersAreNotHalved", {{1, {0.25f, -0.25f}}, {1, {0.25f, -0.25f}}}, {0.5f, -0.5f}},
        LayoutRow{"SecondBufferOfOtherSizeIsLeftOut", {{1, {0.25f, 0.5f}}, {1, {0.25f, 0.25f, 0.25f}}}, {0.25f, 0.5f}},
        LayoutRow{"CountStopsAtFirstMismatch",
            {{1, {0.125f, 0.125f}}, {1, {0.25f}}, {1, {0.5f, 0.5f}}}, {0.125f, 0.125f}},
        // Same bytes per channel: a stereo buffer after a mono one counts.
        LayoutRow{"MonoThenStereoOfEqualChannelLength",
            {{1, {0.125f, 0.25f}}, {2, {0.125f, 0.25f, 0.0f, 0.5f}, }}, {0.5f, 0.75f}},
        // The halving test looks only at a lone stereo buffer.
        LayoutRow{"StereoTwinsBesideAnotherBufferAreNotHalved",
            {{2, {0.25f, 0.25f}}, {2, {0.0f, 0.0f}}}, {0.5f}},
        LayoutRow{"SecondBufferWithZeroChannelsIsLeftOut", {{1, {0.25f, 0.5f}}, {0, {0.75f, 0.75f}}}, {0.25f, 0.5f}},
        LayoutRow{"FirstBufferWithZeroChannelsYieldsNothing", {{0, {0.25f, 0.5f}}, {1, {0.5f, 0.5f}}}, {}},
        LayoutRow{"LessThanOneStereoFrameYieldsNothing", {{2, {0.5f}}}, {}},
        LayoutRow{"NoBuffersYieldNothing", {}, {}},
        LayoutRow{"EmptyBufferYieldsNothing", {{1, {}}}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CaptureLayout, OddTrailingBytesAreIgnored)
{
    Capture capture;
    capture.buffer().setSampleRate(13.75f);
    // 3 stereo frames plus 6 stray bytes: S0 = 7 samples, F = 3 frames.
    capture.feed({{2, {0.5f, 0.25f, 0.5f, 0.25f, 0.5f, 0.125f, 0.9f, 0.9f}}}, 1.0, 30);
    EXPECT_EQ(capture.samples(), (std::vector<float>{0.75f, 0.75f, 0.625f}));
}

// ---------------------------------------------------------------------------
// Rate hand-over, time stamps and unusable rates.

TEST(CaptureRate, NothingIsCapturedBeforeAnyRateIsSet)
{
    Capture capture;
    capture.feedRamp(10000);
    EXPECT_TRUE(capture.blocks().empty());
    EXPECT_EQ(capture.buffer().bufferFrames(), 0u);
}

struct UnusableRateRow {
    const char *name;
    float rateHz;
};

class CaptureUnusableRate : public ::testing::TestWithParam<UnusableRateRow> {};

TEST_P(CaptureUnusableRate, DropsInputUntilAUsableRate)
{
    Capture capture;
    capture.buffer().setSampleRate(55.0f); // 4-sample blocks
    capture.feedRamp(2);
    capture.buffer().setSampleRate(GetParam().rateHz);
    capture.feedRamp(100);
    EXPECT_TRUE(capture.blocks().empty()) << "samples at an unusable rate reached a block";
    EXPECT_EQ(capture.buffer().bufferFrames(), 0u);

    capture.buffer().setSampleRate(110.0f); // 8-sample blocks
    capture.feedRamp(8);
    ASSERT_EQ(capture.blocks().size(), 1u);
    EXPECT_EQ(capture.blocks()[0]->size(), 8u);
    EXPECT_EQ(capture.blocks()[0]->front(), rampSample(102)) << "stale samples survived the unusable rate";
}

INSTANTIATE_TEST_SUITE_P(Rates, CaptureUnusableRate,
    ::testing::Values(UnusableRateRow{"Zero", 0.0f}, UnusableRateRow{"JustBelowA0Half", 13.74f},
        UnusableRateRow{"Negative", -44100.0f}, UnusableRateRow{"NaN", kNaN},
        UnusableRateRow{"Infinite", std::numeric_limits<float>::infinity()}),
    [](const auto &info) { return std::string(info.param.name); });

struct TimeRow {
    const char *name;
    double sampleTime;
    bool appends;
};

class CaptureTimeStamp : public ::testing::TestWithParam<TimeRow> {};

TEST_P(CaptureTimeStamp, OnlyPositiveTimesAppendButInvalidationStillRuns)
{
    Capture capture;
    capture.buffer().setSampleRate(55.0f); // 4-sample blocks
    capture.feed({{1, {0.125f, 0.125f}}});
    capture.buffer().setSampleRate(55.0f); // same rate: the partial block must still go
    capture.feed({{1, {0.25f, 0.25f}}}, GetParam().sampleTime);
    capture.feed({{1, {0.5f, 0.5f, 0.5f, 0.5f}}});
    const std::vector<float> expected = GetParam().appends
        ? std::vector<float>{0.25f, 0.25f, 0.5f, 0.5f}
        : std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(capture.samples(), expected);
}

INSTANTIATE_TEST_SUITE_P(Times, CaptureTimeStamp,
    ::testing::Values(TimeRow{"Zero", 0.0, false}, TimeRow{"Negative", -512.0, false},
        TimeRow{"NaN", std::numeric_limits<double>::quiet_NaN(), false}, TimeRow{"Positive", 0.5, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CaptureRate, RateChangeMidBlockRestartsAtTheNewLength)
{
    Capture capture;
    capture.buffer().setSampleRate(110.0f); // 8
    capture.feedRamp(5);
    capture.buffer().setSampleRate(55.0f); // 4
    capture.feedRamp(9);
    ASSERT_EQ(capture.blocks().size(), 2u);
    EXPECT_EQ(*capture.blocks()[0], (std::vector<float>{rampSample(5), rampSample(6), rampSample(7), rampSample(8)}));
    EXPECT_EQ(capture.buffer().bufferFrames(), 4u);
    EXPECT_EQ(capture.buffer().sampleRate(), 55.0f);
}

TEST(CaptureRate, AnEmptyListDoesNotConsumeTheInvalidation)
{
    Capture capture;
    capture.buffer().setSampleRate(55.0f);
    capture.feedRamp(3);
    capture.buffer().setSampleRate(110.0f);
    capture.feed({});
    EXPECT_EQ(capture.buffer().bufferFrames(), 4u) << "an empty list rebuilt the buffer";
    capture.feedRamp(8);
    ASSERT_EQ(capture.blocks().size(), 1u);
    EXPECT_EQ(capture.blocks()[0]->size(), 8u);
    EXPECT_EQ(capture.blocks()[0]->front(), rampSample(3));
}

TEST(CaptureRate, ABlockHeldElsewhereIsNotOverwritten)
{
    Capture capture;
    capture.buffer().setSampleRate(55.0f);
    capture.feedRamp(4);
    const CaptureBlock held = capture.blocks().at(0);
    capture.feedRamp(8);
    EXPECT_EQ(*held, (std::vector<float>{rampSample(0), rampSample(1), rampSample(2), rampSample(3)}));
}

// The writer changes the rate while the IO thread captures; every block must
// be whole at one of the two lengths and made of consecutive samples. The
// writer waits for a block after each change, so both lengths are exercised.
TEST(CaptureConcurrency, RateChangesDuringCaptureNeverTearABlock)
{
    std::atomic<std::uint64_t> posted{0};
    std::vector<CaptureBlock> blocks;
    CaptureBuffer buffer([&](CaptureBlock block) {
        blocks.push_back(std::move(block));
        posted.fetch_add(1, std::memory_order_release);
    });
    buffer.setSampleRate(55.0f);
    constexpr int kChanges = 200;
    std::atomic<bool> done{false};

    std::thread io([&] {
        std::uint64_t next = 0;
        std::vector<float> chunk(3);
        auto list = makeAudioBufferList(1);
        AudioTimeStamp time;
        time.mSampleTime = 1.0;
        while (!done.load(std::memory_order_acquire)) {
            for (float &s : chunk)
                s = rampSample(next++);
            list->mBuffers[0] = AudioBuffer{1, 3 * sizeof(float), chunk.data()};
            CaptureBuffer::ioProc(1, &time, list.get(), &time, nullptr, &time, &buffer);
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < kChanges; ++i) {
        const std::uint64_t before = posted.load(std::memory_order_acquire);
        buffer.setSampleRate(i % 2 == 0 ? 110.0f : 55.0f);
        while (posted.load(std::memory_order_acquire) < before + 2)
            std::this_thread::yield();
    }
    done.store(true, std::memory_order_release);
    io.join();

    std::size_t fours = 0;
    std::size_t eights = 0;
    for (const CaptureBlock &b : blocks) {
        ASSERT_TRUE(b->size() == 4 || b->size() == 8) << "torn block of " << b->size();
        (b->size() == 4 ? fours : eights)++;
        for (std::size_t i = 1; i < b->size(); ++i) {
            const float step = (*b)[i] - (*b)[i - 1];
            ASSERT_TRUE(step == 1.0f / 4096.0f || (*b)[i] == 0.0f) << "non-consecutive samples in a block";
        }
    }
    EXPECT_GT(fours, 0u);
    EXPECT_GT(eights, 0u);
}

} // namespace
} // namespace quaverly
