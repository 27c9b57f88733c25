// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/NoteResolver.h"
#include "music/Readouts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quaverly {
namespace {

NoteResolver withRow(std::string_view values, std::int64_t tonic = 0)
{
    NoteResolver resolver(loadTemperaments("{ row = (" + std::string(values) + "); }"));
    resolver.setTuning(1);
    resolver.setTonic(tonic);
    return resolver;
}

NoteResolver pythagorean(std::int64_t tonic = 0)
{
    NoteResolver resolver(loadTemperaments(kBuiltInTemperaments));
    resolver.setTuning(1);
    resolver.setTonic(tonic);
    return resolver;
}

struct ResolveRow {
    float reference, frequency;
    int transpose, n;
    float deviation;
    std::string_view name; // of the written note
};

class ResolveTest : public ::testing::TestWithParam<ResolveRow> {};

TEST_P(ResolveTest, FindsNearestNoteDeviationAndWrittenName)
{
    const ResolveRow& row = GetParam();
    NoteResolver resolver;
    resolver.setReferencePitch(row.reference);
    resolver.setTranspose(row.transpose);
    const auto note = resolver.resolve(row.frequency);
    ASSERT_TRUE(note) << row.frequency;
    EXPECT_EQ(note->n, row.n) << row.frequency;
    EXPECT_NEAR(note->deviation, row.deviation, 5e-4) << row.frequency;
    EXPECT_EQ(noteName(*note), row.name) << row.frequency << " Hz, transposition " << row.transpose;
}

INSTANTIATE_TEST_SUITE_P(EqualTemperament, ResolveTest, ::testing::Values(
    ResolveRow{440, 440, 0, 57, 0, "A4"}, ResolveRow{440, 446, 0, 57, 0.2344f, "A4"},
    ResolveRow{440, 27, 0, 9, -0.3177f, "A0"}, ResolveRow{440, 4300, 0, 96, 0.4651f, "C8"},
    ResolveRow{442, 442, 0, 57, 0, "A4"}, ResolveRow{442, 440, 0, 57, -0.0785f, "A4"},
    ResolveRow{440, 466.16f, 0, 58, 0, "B\u266D4"}, ResolveRow{440, 369.99f, 0, 54, 0, "F\u266F4"},
    ResolveRow{440, 233.08f, -2, 46, 0, "C4"}, ResolveRow{440, 440, -2, 57, 0, "B4"},
    ResolveRow{440, 261.63f, 3, 48, 0, "A3"}, ResolveRow{440, 130.81f, -11, 36, 0, "B3"},
    ResolveRow{440, 4186, 11, 96, 0, "C\u266F7"},
    // x is exactly 50.0: the cents refer to D4, so the name must be D4 too.
    ResolveRow{440, 285.3046875f, 0, 50, -0.5f, "D4"}, ResolveRow{440, 285.3046875f, 2, 50, -0.5f, "C4"},
    // Written below C0: the right semitone, and an octave of −1 shown as "-".
    ResolveRow{440, 27.5f, 10, 9, 0, "B-"}, ResolveRow{440, 27.5f, 11, 9, 0, "B\u266D-"},
    ResolveRow{440, 29.1352f, 11, 10, 0, "B-"}, ResolveRow{440, 29.1352f, 10, 10, 0, "C0"}));

using RangeRow = std::pair<float, float>; // reference, frequency

class OutOfRangeTest : public ::testing::TestWithParam<RangeRow> {};

TEST_P(OutOfRangeTest, GivesNoResult)
{
    NoteResolver resolver;
    resolver.setReferencePitch(GetParam().first);
    EXPECT_FALSE(resolver.resolve(GetParam().second)) << GetParam().second << " Hz at " << GetParam().first;
}

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Inputs, OutOfRangeTest, ::testing::Values(
    RangeRow{440, 26.7f}, RangeRow{440, 4310}, RangeRow{440, 0}, RangeRow{440, -440}, RangeRow{440, kNan},
    RangeRow{440, std::numeric_limits<float>::infinity()}, RangeRow{440, 1e-30f}, RangeRow{440, 3e38f},
    RangeRow{0, 440}, RangeRow{kNan, 440}, RangeRow{-440, 440}));

class TonicTest : public ::testing::TestWithParam<int> {};

TEST_P(TonicTest, ASoundsAtTheReferenceAndTheMenuAgreesWithResolution)
{
    for (const float reference : {440.0f, 442.0f, 415.0f}) {
        NoteResolver resolver = pythagorean(GetParam());
        resolver.setReferencePitch(reference);
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 4), reference);
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 5), 2 * reference);
        EXPECT_NEAR(resolver.resolve(reference)->deviation, 0.0f, 1e-5f);
        const auto w = resolver.temperaments().row(0);
        if (GetParam() == 0) {
            EXPECT_FLOAT_EQ(resolver.idealFrequency(0, 4), reference / w[9]);
        } else if (GetParam() == 11) {
            EXPECT_FLOAT_EQ(resolver.idealFrequency(0, 4), reference * w[1] / w[10]);
            EXPECT_FLOAT_EQ(resolver.idealFrequency(11, 4), 2 * reference / w[10]);
        }
        for (int s = 0; s < 12; ++s) {
            const double cents = 1200 * std::log2(resolver.idealFrequency(s, 4) / (reference * std::exp2((s - 9) / 12.0)));
            EXPECT_LT(std::fabs(cents), 30.0) << "semitone " << s << " lies in the wrong octave";
            EXPECT_FLOAT_EQ(resolver.tonicMenuFrequency(s), resolver.idealFrequency(s, 4)) << "semitone " << s;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTonics, TonicTest, ::testing::Range(0, 12));

TEST(TemperamentResolveTest, DeviationIsMeasuredFromTheTemperedPitch)
{
    NoteResolver resolver = pythagorean();
    EXPECT_FLOAT_EQ(resolver.idealFrequency(4, 4), 330.0f);
    // With A pinned, the Pythagorean E lies 1.955 cents above the equal one.
    EXPECT_NEAR(resolver.resolve(329.6276f)->deviation, -0.01955f, 2e-5f);
    // A degree 80 cents off: still named after the nearest equal note.
    const auto note = withRow("0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0").resolve(329.6276f);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->n, 52);
    EXPECT_NEAR(note->deviation, -0.8f, 2e-4f);
}

TEST(TemperamentResolveTest, EqualRowOnCMatchesEqualTemperament)
{
    NoteResolver equal;
    NoteResolver row = withRow("0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    for (const float reference : {440.0f, 442.0f}) {
        equal.setReferencePitch(reference);
        row.setReferencePitch(reference);
        for (int n = kLowestNote; n <= kHighestNote; ++n) {
            const float expected = equal.idealFrequency(n % 12, n / 12);
            EXPECT_NEAR(row.idealFrequency(n % 12, n / 12), expected, expected * 1e-6f) << "note " << n;
            EXPECT_EQ(wholeCents(row.resolve(expected * 1.01f)->deviation), 17) << "note " << n;
        }
    }
}

TEST(TemperamentResolveTest, UnusableRowsAndTuningsAreDefined)
{
    NoteResolver zero = withRow("1, 0, 1.125, 1.2, 1.25, 1.33, 1.4, 1.5, 1.6, 1.6875, 1.75, 1.875");
    EXPECT_FALSE(zero.resolve(277.0f)) << "C#4 has a zero ratio: no infinite cents";
    EXPECT_TRUE(zero.resolve(440.0f));
    EXPECT_FALSE(withRow("nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11").resolve(440.0f));
    NoteResolver resolver = pythagorean();
    for (const std::int64_t tuning : {2, -1, 1000}) {
        resolver.setTuning(tuning);
        EXPECT_EQ(resolver.idealFrequency(0, 4), static_cast<float>(440.0 * std::exp2(-9 / 12.0))) << tuning;
    }
}

struct TitleRow {
    std::int64_t tuning;
    float reference;
    std::int64_t tonic;
    std::vector<std::string> titles; // empty entries are not checked
};

class TonicTitleTest : public ::testing::TestWithParam<TitleRow> {};

TEST_P(TonicTitleTest, ShowsNoteFrequenciesInOctaveFour)
{
    NoteResolver resolver = pythagorean(GetParam().tonic);
    resolver.setTuning(GetParam().tuning);
    resolver.setReferencePitch(GetParam().reference);
    for (int i = 0; i < 12; ++i) {
        if (!GetParam().titles[i].empty()) {
            EXPECT_EQ(resolver.tonicMenuTitle(i), GetParam().titles[i]) << "tonic " << GetParam().tonic;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Menus, TonicTitleTest, ::testing::Values(
    TitleRow{0, 440, 0, {"C (261.6Hz)", "C#/Db (277.2Hz)", "D (293.7Hz)", "D#/Eb (311.1Hz)", "E (329.6Hz)",
        "F (349.2Hz)", "F#/Gb (370.0Hz)", "G (392.0Hz)", "G#/Ab (415.3Hz)", "A (440.0Hz)", "A#/Bb (466.2Hz)", "B (493.9Hz)"}},
    TitleRow{0, 442, 5, {"C (262.8Hz)", "C#/Db (278.4Hz)", "D (295.0Hz)", "D#/Eb (312.5Hz)", "E (331.1Hz)",
        "F (350.8Hz)", "F#/Gb (371.7Hz)", "G (393.8Hz)", "G#/Ab (417.2Hz)", "A (442.0Hz)", "A#/Bb (468.3Hz)", "B (496.1Hz)"}},
    TitleRow{1, 440, 0, {"C (260.7Hz)", "C#/Db (278.4Hz)", "D (293.3Hz)", "D#/Eb (309.0Hz)", "E (330.0Hz)",
        "F (347.7Hz)", "F#/Gb (371.2Hz)", "G (391.1Hz)", "G#/Ab (417.7Hz)", "A (440.0Hz)", "A#/Bb (463.5Hz)", "B (495.0Hz)"}},
    TitleRow{1, 440, 2, {"", "", "", "D#/Eb (313.2Hz)", "", "", "", "", "", "A (440.0Hz)", "A#/Bb (469.9Hz)", ""}},
    TitleRow{1, 440, 10, {"", "C#/Db (274.7Hz)", "", "", "", "", "", "", "G#/Ab (412.0Hz)", "A (440.0Hz)", "", ""}}));

} // namespace
} // namespace quaverly
