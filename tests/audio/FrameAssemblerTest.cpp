// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/FrameAssembler.h"

#include <gtest/gtest.h>

#include <numeric>

namespace quaverly {
namespace {

struct Pieces {
    std::size_t frameBytes;
    std::vector<int> sizes; // -1: a hole, which drops the half-gathered frame
    std::size_t wholeFrames;
};

class FrameAssemblerTest : public ::testing::TestWithParam<Pieces> {};

TEST_P(FrameAssemblerTest, PiecesOfAnySizeComeOutAsWholeFramesInOrder)
{
    std::vector<std::uint8_t> input(4096), output, expected;
    std::iota(input.begin(), input.end(), std::uint8_t(1));
    FrameAssembler assembler;
    assembler.reset(GetParam().frameBytes);
    std::size_t offset = 0, partial = 0;
    for (const int size : GetParam().sizes) {
        if (size < 0) {
            assembler.dropPartial();
            expected.resize(expected.size() - partial);
            partial = 0;
            continue;
        }
        assembler.push(input.data() + offset, std::size_t(size), [&](const std::uint8_t *frames, std::size_t count) {
            output.insert(output.end(), frames, frames + count * GetParam().frameBytes);
        });
        expected.insert(expected.end(), input.begin() + long(offset), input.begin() + long(offset) + size);
        partial = (partial + std::size_t(size)) % std::max<std::size_t>(GetParam().frameBytes, 1);
        offset += std::size_t(size);
    }
    expected.resize(GetParam().wholeFrames * GetParam().frameBytes);
    EXPECT_EQ(output, expected);
}

INSTANTIATE_TEST_SUITE_P(Chunks, FrameAssemblerTest,
    ::testing::Values(Pieces{8, {800, 8, 16}, 103}, Pieces{8, {3, 1, 5, 7, 950}, 120},
        Pieces{8, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 1}, Pieces{12, {5, 0, 5, 5, 13}, 2}, Pieces{128, {127, 2, 127, 200}, 3},
        Pieces{8, {4, -1, 8}, 1}, Pieces{0, {512}, 0}, Pieces{FrameAssembler::kMaxFrameBytes + 4, {512}, 0}));

} // namespace
} // namespace quaverly
