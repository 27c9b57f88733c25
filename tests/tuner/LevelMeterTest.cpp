// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuner/LevelMeter.h"

#include <gtest/gtest.h>

#include <string>

namespace quaverly {
namespace {

struct LevelCase {
    int peak;
    int hold;
    const char *expected; // lowest segment first: . gray, g green, y yellow, r red
};
class LevelSegments : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelSegments, LightTheRightLamps)
{
    std::string shown;
    for (Lamp l : levelSegments(GetParam().peak, GetParam().hold))
        shown += l == Lamp::Gray ? '.' : l == Lamp::Green ? 'g' : l == Lamp::Yellow ? 'y' : 'r';
    EXPECT_EQ(shown, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, LevelSegments, ::testing::Values(
    // a steady level shows its hold mark on top
    LevelCase{63, 63, "........"}, LevelCase{64, 64, "y......."}, LevelCase{67, 67, "y......."},
    LevelCase{68, 68, "gy......"}, LevelCase{95, 95, "gggggggy"}, LevelCase{96, 96, "gggggggr"},
    // hold above the level
    LevelCase{65, 70, "gy......"}, LevelCase{64, 80, "g...y..."}, LevelCase{0, 96, ".......r"},
    LevelCase{92, 92, "gggggggy"},
    // 61 … 63 light nothing although (p − 60) / 4 rounds to 0
    LevelCase{61, 0, "........"}, LevelCase{63, 0, "........"}, LevelCase{64, 0, "g......."},
    LevelCase{91, 0, "ggggggg."}, LevelCase{92, 0, "gggggggg"}, LevelCase{96, 0, "gggggggr"},
    LevelCase{0, 0, "........"}, LevelCase{-5, -5, "........"}),
    [](const auto &info) {
        const auto n = [](int v) { return (v < 0 ? "m" : "") + std::to_string(std::abs(v)); };
        return "peak" + n(info.param.peak) + "_hold" + n(info.param.hold);
    });

} // namespace
} // namespace quaverly
