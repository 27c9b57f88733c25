// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/NoteResolver.h"
#include "music/Readouts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace quaverly {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The first row of these temperaments (the built-in Pythagorean one by default).
NoteResolver tuned(std::int64_t tonic = 0, std::string_view temperaments = kBuiltInTemperaments)
{
    NoteResolver resolver(loadTemperaments(temperaments));
    resolver.setTuning(1);
    resolver.setTonic(tonic);
    return resolver;
}

struct ResolveRow {
    float reference, frequency;
    int transpose = 0, n = 0;
    float deviation = 0;
    std::string_view name = {}; // of the written note; empty: no result
};

class ResolveTest : public ::testing::TestWithParam<ResolveRow> {};

TEST_P(ResolveTest, FindsNearestNoteDeviationAndWrittenName)
{
    const ResolveRow &row = GetParam();
    NoteResolver resolver;
    resolver.setReferencePitch(row.reference);
    resolver.setTranspose(row.transpose);
    const auto note = resolver.resolve(row.frequency);
    ASSERT_EQ(note.has_value(), !row.name.empty()) << row.frequency << " Hz at " << row.reference;
    if (note) {
        EXPECT_EQ(note->n, row.n) << row.frequency;
        EXPECT_NEAR(note->deviation, row.deviation, 5e-4) << row.frequency;
        EXPECT_EQ(noteName(*note), row.name) << row.frequency << " Hz, transposition " << row.transpose;
    }
}

INSTANTIATE_TEST_SUITE_P(EqualTemperament, ResolveTest, ::testing::Values(
    ResolveRow{440, 446, 0, 57, 0.2344f, "A4"}, ResolveRow{440, 27, 0, 9, -0.3177f, "A0"},
    ResolveRow{440, 4300, 0, 96, 0.4651f, "C8"}, ResolveRow{442, 440, 0, 57, -0.0785f, "A4"},
    ResolveRow{440, 466.16f, 0, 58, 0, "B\u266D4"}, ResolveRow{440, 369.99f, 0, 54, 0, "F\u266F4"},
    ResolveRow{440, 233.08f, -2, 46, 0, "C4"}, ResolveRow{440, 261.63f, 3, 48, 0, "A3"},
    ResolveRow{440, 130.81f, -11, 36, 0, "B3"}, ResolveRow{440, 4186, 11, 96, 0, "C\u266F7"},
    // x is exactly 50.0: the cents refer to D4, so the name must be D4 too.
    ResolveRow{440, 285.3046875f, 0, 50, -0.5f, "D4"}, ResolveRow{440, 285.3046875f, 2, 50, -0.5f, "C4"},
    // Written below C0: the right semitone, and an octave of −1 shown as "-".
    ResolveRow{440, 27.5f, 11, 9, 0, "B\u266D-"}, ResolveRow{440, 29.1352f, 10, 10, 0, "C0"},
    ResolveRow{440, 26.7f}, ResolveRow{440, 4310}, ResolveRow{440, 0}, ResolveRow{440, kNan},
    ResolveRow{440, kInf}, ResolveRow{0, 440}, ResolveRow{kNan, 440}));

class TonicTest : public ::testing::TestWithParam<int> {};

TEST_P(TonicTest, ASoundsAtTheReferenceAndTheMenuAgreesWithResolution)
{
    for (const float reference : {440.0f, 415.0f}) {
        NoteResolver resolver = tuned(GetParam());
        resolver.setReferencePitch(reference);
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 5), 2 * reference);
        EXPECT_NEAR(resolver.resolve(reference)->deviation, 0.0f, 1e-5f);
        for (int s = 0; s < 12; ++s) {
            const double cents = 1200 * std::log2(resolver.idealFrequency(s, 4) / (reference * std::exp2((s - 9) / 12.0)));
            EXPECT_LT(std::fabs(cents), 30.0) << "semitone " << s << " lies in the wrong octave";
            EXPECT_FLOAT_EQ(resolver.tonicMenuFrequency(s), resolver.idealFrequency(s, 4)) << "semitone " << s;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTonics, TonicTest, ::testing::Range(0, 12));

TEST(TemperamentResolveTest, DeviationIsFromTheTemperedPitchAndUnusableRowsGiveNoResult)
{
    EXPECT_NEAR(tuned().resolve(329.6276f)->deviation, -0.01955f, 2e-5f) << "Pythagorean E is 1.955 cents higher";
    const auto note = tuned(0, "{ r = (0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0); }").resolve(329.6276f);
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->n == 52 && std::fabs(note->deviation + 0.8f) < 2e-4f) << "named after the nearest equal note";
    EXPECT_FALSE(tuned(0, "{ r = (1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1); }").resolve(277.0f)) << "zero ratio";
    EXPECT_FALSE(tuned(0, "{ r = (nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11); }").resolve(440.0f));
}

TEST(Readouts, TextsOfTheTonicMenuTranspositionAndSignedValues)
{
    const struct { std::int64_t tuning, tonic; float reference; int semitone; std::string_view title; } titles[] = {
        {0, 5, 442, 1, "C#/Db (278.4Hz)"}, {0, 0, 440, 11, "B (493.9Hz)"}, {1, 0, 440, 0, "C (260.7Hz)"},
        {1, 2, 440, 3, "D#/Eb (313.2Hz)"}, {1, 2, 440, 10, "A#/Bb (469.9Hz)"}, {1, 10, 440, 1, "C#/Db (274.7Hz)"},
        {1, 10, 440, 8, "G#/Ab (412.0Hz)"}};
    for (const auto &row : titles) {
        NoteResolver resolver = tuned(row.tonic);
        resolver.setTuning(row.tuning);
        resolver.setReferencePitch(row.reference);
        EXPECT_EQ(resolver.tonicMenuTitle(row.semitone), row.title) << "tonic " << row.tonic;
    }
    for (const auto &[t, text] : {std::pair<std::int64_t, std::string_view>{-2, "C = A#/Bb (-2)"}, {3, "C = D#/Eb (+3)"},
                                  {-11, "C = C#/Db (-11)"}, {11, "C = B (+11)"}, {0, ""}, {12, ""}})
        EXPECT_EQ(transposeText(t), text) << t;
    for (const auto &[v, text] : {std::pair<std::int32_t, std::string_view>{7, "+7"}, {0, "\u00B10"}, {-23, "-23"},
                                  {std::numeric_limits<std::int32_t>::min(), "-2147483648"}})
        EXPECT_EQ(plusMinusValueString(v), text) << v;
    for (const auto &[v, text] : {std::pair<float, std::string_view>{-0.04f, "\u00B10.0Hz"}, {0.0499f, "\u00B10.0Hz"},
                                  {0.06f, "+0.1Hz"}, {-0.06f, "-0.1Hz"}})
        EXPECT_EQ(plusMinusFloatString(v), text) << v;
    for (const auto &[deviation, cents] : {std::pair<float, std::int32_t>{-0.035f, -3}, {0.9999f, 99}, {kNan, 0},
                                           {-kInf, std::numeric_limits<std::int32_t>::min()}, {3e7f, 2147483647}})
        EXPECT_EQ(wholeCents(deviation), cents) << deviation;
}

TEST(Readouts, ATypedReferencePitchIsClampedWithABeep)
{
    const struct { float typed, current, value; bool changed, beep; } rows[] = {{440, 440, 440, false, false},
        {300, 440, 349, true, true}, {500, 440, 499.9f, true, true}, {499.9f, 440, 499.9f, true, false},
        {349, 440, 349, true, false}, {348.99f, 440, 349, true, true}, {300, 349, 349, true, true},
        {kNan, 440, 349, true, true}, {kInf, 440, 499.9f, true, true}};
    for (const auto &row : rows) {
        const ReferencePitchEdit edit = clampReferencePitch(row.typed, row.current);
        EXPECT_TRUE(edit.value == row.value && edit.changed == row.changed && edit.beep == row.beep) << row.typed;
    }
}

} // namespace
} // namespace quaverly
