// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/FrameAssembler.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace quaverly {
namespace {

struct Pieces {
    std::size_t frameBytes;
    std::vector<std::size_t> sizes;
};

class FrameAssemblerTest : public ::testing::TestWithParam<Pieces> {};

TEST_P(FrameAssemblerTest, PiecesOfAnySizeComeOutAsTheSameWholeFrames)
{
    const auto &p = GetParam();
    const std::size_t total = std::accumulate(p.sizes.begin(), p.sizes.end(), std::size_t(0));
    std::vector<std::uint8_t> input(total);
    std::iota(input.begin(), input.end(), std::uint8_t(1));

    FrameAssembler assembler;
    assembler.reset(p.frameBytes);
    std::vector<std::uint8_t> output;
    std::size_t offset = 0;
    for (const std::size_t size : p.sizes) {
        assembler.push(input.data() + offset, size, [&](const std::uint8_t *frames, std::size_t count) {
            ASSERT_GT(count, 0u);
            output.insert(output.end(), frames, frames + count * p.frameBytes);
        });
        offset += size;
    }
    const std::size_t whole = total / p.frameBytes * p.frameBytes;
    ASSERT_EQ(output.size(), whole);
    EXPECT_TRUE(std::equal(output.begin(), output.end(), input.begin())) << "bytes reordered or lost";
}

INSTANTIATE_TEST_SUITE_P(Chunks, FrameAssemblerTest,
    ::testing::Values(Pieces{8, {800, 8, 16}}, Pieces{8, {3, 1, 5, 7, 950}}, Pieces{8, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
        Pieces{12, {5, 0, 5, 5, 13}}, Pieces{128, {127, 2, 127, 200}}, Pieces{8, {0, 0}}),
    [](const auto &info) {
        std::string name = "frame" + std::to_string(info.param.frameBytes);
        for (const std::size_t size : info.param.sizes)
            name += "_" + std::to_string(size);
        return name;
    });

TEST(FrameAssemblerGapTest, AGapDropsTheHalfGatheredFrame)
{
    FrameAssembler assembler;
    assembler.reset(8);
    const std::uint8_t first[4] = {1, 2, 3, 4}, second[8] = {9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<std::uint8_t> output;
    auto collect = [&](const std::uint8_t *frames, std::size_t count) { output.insert(output.end(), frames, frames + count * 8); };
    assembler.push(first, sizeof first, collect);
    assembler.dropPartial();
    assembler.push(second, sizeof second, collect);
    EXPECT_EQ(output, std::vector<std::uint8_t>(second, second + 8));
}

TEST(FrameAssemblerGapTest, UnusableFrameSizesEmitNothing)
{
    for (const std::size_t frameBytes : {std::size_t(0), FrameAssembler::kMaxFrameBytes + 4}) {
        FrameAssembler assembler;
        assembler.reset(frameBytes);
        std::uint8_t data[512] = {};
        assembler.push(data, sizeof data, [&](const std::uint8_t *, std::size_t) { ADD_FAILURE() << "frame size " << frameBytes; });
    }
}

} // namespace
} // namespace quaverly
