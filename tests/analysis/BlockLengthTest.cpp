// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/BlockLength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quaverly {
namespace {

struct RateRow {
    float rateHz;
    std::uint32_t frames;
};

class BlockLengthTest : public ::testing::TestWithParam<RateRow> {};

TEST_P(BlockLengthTest, IsTwoPeriodsOfA0Truncated)
{
    EXPECT_EQ(blockLength(GetParam().rateHz), GetParam().frames) << "rate " << GetParam().rateHz;
}

INSTANTIATE_TEST_SUITE_P(Rates, BlockLengthTest, ::testing::Values(
    RateRow{44100.0f, 3207}, RateRow{48000.0f, 3490}, RateRow{96000.0f, 6981},
    RateRow{8000.0f, 581}, RateRow{22050.0f, 1603}, RateRow{13.75f, 1},
    // Unusable rates never reach the capture path.
    RateRow{13.7f, 0}, RateRow{0.0f, 0}, RateRow{-48000.0f, 0},
    RateRow{std::numeric_limits<float>::quiet_NaN(), 0},
    RateRow{std::numeric_limits<float>::infinity(), 0},
    RateRow{std::numeric_limits<float>::max(), 0}));

} // namespace
} // namespace quaverly
