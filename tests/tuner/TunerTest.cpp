// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuner/LevelMeter.h"
#include "tuner/Tuner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
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
