// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/Readouts.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace quaverly {
namespace {

constexpr auto kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ReadoutsTest, SignedTexts)
{
    const std::pair<std::int32_t, std::string_view> values[] = {
        {7, "+7"}, {0, "\u00B10"}, {-23, "-23"}, {kIntMax, "+2147483647"}, {kIntMin, "-2147483648"}};
    for (const auto& [value, text] : values)
        EXPECT_EQ(plusMinusValueString(value), text) << value;
    const std::pair<float, std::string_view> floats[] = {
        {0.04f, "\u00B10.0Hz"}, {-0.04f, "\u00B10.0Hz"}, {-0.0f, "\u00B10.0Hz"}, {0.0499f, "\u00B10.0Hz"},
        {0.06f, "+0.1Hz"}, {-0.06f, "-0.1Hz"}, {-2.5f, "-2.5Hz"}, {12.34f, "+12.3Hz"}};
    for (const auto& [value, text] : floats)
        EXPECT_EQ(plusMinusFloatString(value), text) << value;
}

TEST(ReadoutsTest, WholeCentsTruncateTowardZeroAndStayDefined)
{
    const std::pair<float, std::int32_t> rows[] = {
        {-0.035f, -3}, {0.045f, 4}, {-0.009f, 0}, {0.2344f, 23}, {-0.5f, -50}, {0.9999f, 99},
        {kNan, 0}, {kInf, kIntMax}, {-kInf, kIntMin}, {3e7f, kIntMax}};
    for (const auto& [deviation, cents] : rows)
        EXPECT_EQ(wholeCents(deviation), cents) << deviation;
}

TEST(ReadoutsTest, TransposeTextNamesTheSoundingNoteOfAWrittenC)
{
    const std::pair<std::int64_t, std::string_view> rows[] = {
        {-2, "C = A#/Bb (-2)"}, {3, "C = D#/Eb (+3)"}, {-11, "C = C#/Db (-11)"}, {11, "C = B (+11)"},
        {-1, "C = B (-1)"}, {0, ""}, {12, ""}, {-12, ""}};
    for (const auto& [transpose, text] : rows)
        EXPECT_EQ(transposeText(transpose), text) << transpose;
}

struct PitchRow {
    float typed, current, value;
    bool changed, beep;
};

TEST(ReadoutsTest, TypedReferencePitchIsClampedWithABeep)
{
    const PitchRow rows[] = {
        {440, 440, 440, false, false}, {300, 440, 349, true, true}, {500, 440, 499.9f, true, true},
        {499.9f, 440, 499.9f, true, false}, {349, 440, 349, true, false}, {348.99f, 440, 349, true, true},
        {0, 440, 349, true, true}, {300, 349, 349, true, true}, {kNan, 440, 349, true, true},
        {kInf, 440, 499.9f, true, true}, {-kInf, 440, 349, true, true}, {442.5f, 440, 442.5f, true, false}};
    for (const PitchRow& row : rows) {
        const ReferencePitchEdit edit = clampReferencePitch(row.typed, row.current);
        EXPECT_EQ(edit.value, row.value) << row.typed;
        EXPECT_EQ(edit.changed, row.changed) << row.typed;
        EXPECT_EQ(edit.beep, row.beep) << row.typed;
    }
}

} // namespace
} // namespace quaverly
