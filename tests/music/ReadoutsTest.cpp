// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/Readouts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace quaverly {
namespace {

struct IntTextRow {
    std::int32_t value;
    std::string_view text;
};

class PlusMinusValueTest : public ::testing::TestWithParam<IntTextRow> {};

TEST_P(PlusMinusValueTest, SignsTheMagnitude)
{
    EXPECT_EQ(plusMinusValueString(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, PlusMinusValueTest, ::testing::Values(
    IntTextRow{7, "+7"}, IntTextRow{0, "\u00B10"}, IntTextRow{-23, "-23"}, IntTextRow{-1, "-1"},
    IntTextRow{50, "+50"}, IntTextRow{std::numeric_limits<std::int32_t>::max(), "+2147483647"},
    IntTextRow{std::numeric_limits<std::int32_t>::min(), "-2147483648"}));

struct FloatTextRow {
    float value;
    std::string_view text;
};

class PlusMinusFloatTest : public ::testing::TestWithParam<FloatTextRow> {};

TEST_P(PlusMinusFloatTest, ShowsTenthsOfAHertzWithSign)
{
    EXPECT_EQ(plusMinusFloatString(GetParam().value), GetParam().text) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, PlusMinusFloatTest, ::testing::Values(
    FloatTextRow{0.04f, "\u00B10.0Hz"}, FloatTextRow{-0.04f, "\u00B10.0Hz"}, FloatTextRow{-0.0f, "\u00B10.0Hz"},
    FloatTextRow{0.0499f, "\u00B10.0Hz"}, FloatTextRow{0.06f, "+0.1Hz"}, FloatTextRow{-0.06f, "-0.1Hz"},
    FloatTextRow{-2.5f, "-2.5Hz"}, FloatTextRow{12.34f, "+12.3Hz"},
    FloatTextRow{std::numeric_limits<float>::infinity(), "+infHz"}));

struct CentRow {
    float deviation;
    std::int32_t cents;
};

class WholeCentsTest : public ::testing::TestWithParam<CentRow> {};

TEST_P(WholeCentsTest, TruncatesTowardZero)
{
    EXPECT_EQ(wholeCents(GetParam().deviation), GetParam().cents) << GetParam().deviation;
}

INSTANTIATE_TEST_SUITE_P(Deviations, WholeCentsTest, ::testing::Values(
    CentRow{-0.035f, -3}, CentRow{0.045f, 4}, CentRow{-0.009f, 0}, CentRow{0.2344f, 23}, CentRow{0.5f, 50},
    CentRow{-0.5f, -50}, CentRow{-0.0099f, 0}, CentRow{0.9999f, 99},
    CentRow{std::numeric_limits<float>::quiet_NaN(), 0},
    CentRow{std::numeric_limits<float>::infinity(), std::numeric_limits<std::int32_t>::max()},
    CentRow{-std::numeric_limits<float>::infinity(), std::numeric_limits<std::int32_t>::min()},
    CentRow{3e7f, std::numeric_limits<std::int32_t>::max()}));

struct TransposeRow {
    std::int64_t transpose;
    std::string_view text;
};

class TransposeTextTest : public ::testing::TestWithParam<TransposeRow> {};

TEST_P(TransposeTextTest, NamesTheSoundingNoteOfAWrittenC)
{
    EXPECT_EQ(transposeText(GetParam().transpose), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Transpositions, TransposeTextTest, ::testing::Values(
    TransposeRow{-2, "C = A#/Bb (-2)"}, TransposeRow{3, "C = D#/Eb (+3)"}, TransposeRow{-11, "C = C#/Db (-11)"},
    TransposeRow{11, "C = B (+11)"}, TransposeRow{1, "C = C#/Db (+1)"}, TransposeRow{-1, "C = B (-1)"},
    TransposeRow{0, ""}, TransposeRow{12, ""}, TransposeRow{-12, ""}));

struct PitchRow {
    float typed;
    float current;
    float value;
    bool changed;
    bool beep;
};

class ReferencePitchTest : public ::testing::TestWithParam<PitchRow> {};

TEST_P(ReferencePitchTest, ClampsToTheFieldLimits)
{
    const PitchRow& row = GetParam();
    const ReferencePitchEdit edit = clampReferencePitch(row.typed, row.current);
    EXPECT_EQ(edit.value, row.value) << row.typed;
    EXPECT_EQ(edit.changed, row.changed) << row.typed;
    EXPECT_EQ(edit.beep, row.beep) << row.typed;
}

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Typed, ReferencePitchTest, ::testing::Values(
    PitchRow{440.0f, 440.0f, 440.0f, false, false},
    PitchRow{300.0f, 440.0f, 349.0f, true, true},
    PitchRow{500.0f, 440.0f, 499.9f, true, true},
    PitchRow{499.9f, 440.0f, 499.9f, true, false},
    PitchRow{349.0f, 440.0f, 349.0f, true, false},
    PitchRow{348.99f, 440.0f, 349.0f, true, true},
    PitchRow{0.0f, 440.0f, 349.0f, true, true},    // text that is no number
    PitchRow{300.0f, 349.0f, 349.0f, true, true},  // clamped onto the current value: still beeps
    PitchRow{kNan, 440.0f, 349.0f, true, true},
    PitchRow{kInf, 440.0f, 499.9f, true, true},
    PitchRow{-kInf, 440.0f, 349.0f, true, true},
    PitchRow{442.5f, 440.0f, 442.5f, true, false}));

TEST(ReadoutsTest, OctaveTextShowsADashBelowZero)
{
    EXPECT_EQ(octaveText(-1), "-");
    EXPECT_EQ(octaveText(0), "0");
    EXPECT_EQ(octaveText(8), "8");
}

} // namespace
} // namespace quaverly
