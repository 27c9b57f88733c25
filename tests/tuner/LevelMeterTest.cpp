// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuner/LevelMeter.h"

#include <gtest/gtest.h>

#include <string>

namespace quaverly {
namespace {

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

} // namespace
} // namespace quaverly
