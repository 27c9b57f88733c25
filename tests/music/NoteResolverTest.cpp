// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/NoteResolver.h"
#include "music/Readouts.h"

#include "music/MusicTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quaverly {
namespace {

TemperamentTable pythagorean()
{
    return loadTemperaments(kBuiltInTemperaments);
}

// ---- equal temperament, reference and transposition ------------------------

struct ResolveRow {
    float reference;
    float frequency;
    int transpose;
    int n;
    float deviation;
    std::string_view name; // noteName of the transposed note
};

void PrintTo(const ResolveRow& row, std::ostream* os)
{
    *os << row.frequency << " Hz at R = " << row.reference << ", T = " << row.transpose;
}

class ResolveTest : public ::testing::TestWithParam<ResolveRow> {};

TEST_P(ResolveTest, FindsNearestNoteDeviationAndWrittenName)
{
    const ResolveRow& row = GetParam();
    NoteResolver resolver;
    resolver.setReferencePitch(row.reference);
    resolver.setTranspose(row.transpose);
    const auto note = resolver.resolve(row.frequency);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->n, row.n);
    EXPECT_EQ(note->n, 12 * note->octave + note->semitone);
    EXPECT_NEAR(note->deviation, row.deviation, 5e-4);
    EXPECT_EQ(noteName(*note), row.name);
    EXPECT_FLOAT_EQ(note->ideal, static_cast<float>(std::exp2((row.n - 57) / 12.0) * row.reference));
}

INSTANTIATE_TEST_SUITE_P(EqualTemperament, ResolveTest, ::testing::Values(
    ResolveRow{440.0f, 440.0f, 0, 57, 0.0f, "A4"},
    ResolveRow{440.0f, 446.0f, 0, 57, 0.2344f, "A4"},
    ResolveRow{440.0f, 27.0f, 0, 9, -0.3176f, "A0"},
    ResolveRow{440.0f, 4300.0f, 0, 96, 0.4651f, "C8"},
    ResolveRow{442.0f, 442.0f, 0, 57, 0.0f, "A4"},
    ResolveRow{442.0f, 440.0f, 0, 57, -0.0785f, "A4"},
    ResolveRow{440.0f, 466.16f, 0, 58, 0.0f, "B\u266D4"},
    ResolveRow{440.0f, 311.13f, 0, 51, 0.0f, "E\u266D4"},
    ResolveRow{440.0f, 233.08f, -2, 46, 0.0f, "C4"},   // B-flat instrument
    ResolveRow{440.0f, 440.0f, -2, 57, 0.0f, "B4"},
    ResolveRow{440.0f, 261.63f, 3, 48, 0.0f, "A3"},
    ResolveRow{440.0f, 130.81f, -11, 36, 0.0f, "B3"},
    ResolveRow{440.0f, 4186.0f, 11, 96, 0.0f, "C\u266F7"},
    // x is exactly 50.0 here: the cents refer to D4, so the name must be D4.
    ResolveRow{440.0f, 285.3046875f, 0, 50, -0.5f, "D4"},
    ResolveRow{440.0f, 285.3046875f, 2, 50, -0.5f, "C4"},
    // Written below C0: the right semitone, octave −1 shown as "-".
    ResolveRow{440.0f, 27.5f, 10, 9, 0.0f, "B-"},
    ResolveRow{440.0f, 27.5f, 11, 9, 0.0f, "B\u266D-"},
    ResolveRow{440.0f, 29.1352f, 11, 10, 0.0f, "B-"},
    ResolveRow{440.0f, 29.1352f, 10, 10, 0.0f, "C0"}));

TEST(ResolveTest, WholeXNamesTheNoteItsCentsReferTo)
{
    NoteResolver resolver;
    const auto note = resolver.resolve(285.3046875f);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->x, 50.0f);
    EXPECT_EQ(note->deviation, -0.5f);
    EXPECT_EQ(wholeCents(note->deviation), -50);
    EXPECT_EQ(note->transposedSemitone, 2);
    EXPECT_EQ(note->transposedOctave, 4);
    EXPECT_EQ(note->letter, 'D');
    EXPECT_EQ(note->accidental, "");
}

TEST(ResolveTest, A440IsExactlyCentred)
{
    NoteResolver resolver;
    const auto note = resolver.resolve(440.0f);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->x, 57.5f);
    EXPECT_EQ(note->u, 0.5f);
    EXPECT_EQ(note->deviation, 0.0f);
    EXPECT_EQ(note->ideal, 440.0f);
    EXPECT_EQ(wholeCents(resolver.resolve(446.0f)->deviation), 23);
}

struct OutOfRangeRow {
    float reference;
    float frequency;
};

class OutOfRangeTest : public ::testing::TestWithParam<OutOfRangeRow> {};

TEST_P(OutOfRangeTest, GivesNoResult)
{
    NoteResolver resolver;
    resolver.setReferencePitch(GetParam().reference);
    EXPECT_FALSE(resolver.resolve(GetParam().frequency))
        << GetParam().frequency << " Hz at R = " << GetParam().reference;
}

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Inputs, OutOfRangeTest, ::testing::Values(
    OutOfRangeRow{440.0f, 26.7f}, OutOfRangeRow{440.0f, 4310.0f}, OutOfRangeRow{440.0f, 0.0f},
    OutOfRangeRow{440.0f, -440.0f}, OutOfRangeRow{440.0f, kNan}, OutOfRangeRow{440.0f, kInf},
    OutOfRangeRow{440.0f, 1e-30f}, OutOfRangeRow{440.0f, 3e38f}, OutOfRangeRow{0.0f, 440.0f},
    OutOfRangeRow{kNan, 440.0f}, OutOfRangeRow{-440.0f, 440.0f}));

// ---- temperament rows and tonics -------------------------------------------

class TonicTest : public ::testing::TestWithParam<int> {};

TEST_P(TonicTest, ASoundsAtTheReferenceOnEveryTonic)
{
    for (const float reference : {440.0f, 442.0f, 415.0f}) {
        NoteResolver resolver(pythagorean());
        resolver.setTuning(1);
        resolver.setTonic(GetParam());
        resolver.setReferencePitch(reference);
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 4), reference);
        const auto note = resolver.resolve(reference);
        ASSERT_TRUE(note);
        EXPECT_NEAR(note->deviation, 0.0f, 1e-5f);
        EXPECT_FLOAT_EQ(resolver.tonicMenuFrequency(9), reference);
        // One octave up and down stays a factor of two.
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 5), 2.0f * reference);
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 3), 0.5f * reference);
        // Each note of octave 4 lies within a semitone of its equal-tempered pitch.
        for (int s = 0; s < 12; ++s) {
            const double ratio = resolver.idealFrequency(s, 4) / (reference * std::exp2((s - 9) / 12.0));
            EXPECT_LT(std::fabs(1200.0 * std::log2(ratio)), 30.0) << "semitone " << s << " tonic " << GetParam();
            EXPECT_FLOAT_EQ(resolver.tonicMenuFrequency(s), resolver.idealFrequency(s, 4)) << "semitone " << s;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTonics, TonicTest, ::testing::Range(0, 12));

TEST(TemperamentResolveTest, TonicCAndBPlaceTheTonicInTheRightOctave)
{
    NoteResolver resolver(pythagorean());
    const auto w = resolver.temperaments().row(0);
    resolver.setTuning(1);
    resolver.setTonic(0);
    EXPECT_FLOAT_EQ(resolver.idealFrequency(0, 4), 440.0f / w[9]);
    EXPECT_FLOAT_EQ(resolver.idealFrequency(0, 5), 2.0f * 440.0f / w[9]);
    resolver.setTonic(11);
    EXPECT_FLOAT_EQ(resolver.idealFrequency(0, 4), 440.0f * w[1] / w[10]);
    EXPECT_FLOAT_EQ(resolver.idealFrequency(11, 4), 2.0f * 440.0f / w[10]);
    EXPECT_FLOAT_EQ(resolver.idealFrequency(11, 3), 440.0f / w[10]);
}

TEST(TemperamentResolveTest, DeviationIsMeasuredFromTheTemperedPitchAndMayPassHalfASemitone)
{
    NoteResolver resolver(pythagorean());
    resolver.setTuning(1);
    const float ideal = resolver.idealFrequency(4, 4); // Pythagorean E4, 330 Hz
    EXPECT_FLOAT_EQ(ideal, 330.0f);
    auto note = resolver.resolve(ideal);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->n, 52);
    EXPECT_NEAR(note->deviation, 0.0f, 1e-5f);
    EXPECT_EQ(wholeCents(note->deviation), 0);
    // With A pinned, the Pythagorean E lies 1.955 cents above the equal one.
    note = resolver.resolve(329.6276f);
    ASSERT_TRUE(note);
    EXPECT_NEAR(note->deviation, -0.01955f, 2e-5f);
    EXPECT_EQ(wholeCents(note->deviation), -1);
    // A row with a degree far from equal temperament: cents past ±50.
    NoteResolver wide(loadTemperaments("{ wide = (0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0); }"));
    wide.setTuning(1);
    note = wide.resolve(329.6276f);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->n, 52);
    EXPECT_NEAR(note->deviation, -0.8f, 2e-4f);
}

TEST(TemperamentResolveTest, EqualRowOnCMatchesEqualTemperament)
{
    NoteResolver equal;
    NoteResolver row(loadTemperaments("{ zeros = (0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }"));
    row.setTuning(1);
    for (const float reference : {440.0f, 442.0f}) {
        equal.setReferencePitch(reference);
        row.setReferencePitch(reference);
        for (int n = kLowestNote; n <= kHighestNote; ++n) {
            const float expected = equal.idealFrequency(n % 12, n / 12);
            EXPECT_NEAR(row.idealFrequency(n % 12, n / 12), expected, expected * 1e-6f) << "note " << n;
            const auto a = equal.resolve(expected * 1.01f);
            const auto b = row.resolve(expected * 1.01f);
            ASSERT_TRUE(a && b);
            EXPECT_EQ(wholeCents(a->deviation), wholeCents(b->deviation)) << "note " << n;
        }
    }
}

TEST(TemperamentResolveTest, UnusableRowsGiveNoResultInsteadOfInfiniteCents)
{
    NoteResolver zero(loadTemperaments("{ z = (1, 0, 1.125, 1.2, 1.25, 1.33, 1.4, 1.5, 1.6, 1.6875, 1.75, 1.875); }"));
    zero.setTuning(1);
    EXPECT_FALSE(zero.resolve(277.0f)) << "C#4 has a zero ratio";
    EXPECT_TRUE(zero.resolve(440.0f));
    NoteResolver nan(loadTemperaments("{ n = (nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11); }"));
    nan.setTuning(1);
    EXPECT_FALSE(nan.resolve(440.0f));
    EXPECT_FALSE(nan.resolve(261.0f));
}

TEST(TemperamentResolveTest, TuningBeyondTheLoadedRowsReadsAsEqualTemperament)
{
    NoteResolver resolver(pythagorean());
    for (const std::int64_t tuning : {2, -1, 1000}) {
        resolver.setTuning(tuning);
        EXPECT_EQ(resolver.idealFrequency(0, 4), static_cast<float>(440.0 * std::exp2(-9 / 12.0))) << tuning;
    }
}

// ---- tonic menu titles ---------------------------------------------------

std::vector<std::string> titles(const NoteResolver& resolver)
{
    std::vector<std::string> out;
    for (int i = 0; i < 12; ++i)
        out.push_back(resolver.tonicMenuTitle(i));
    return out;
}

struct TitleRow {
    std::string_view label;
    std::int64_t tuning;
    float reference;
    std::int64_t tonic;
    std::vector<std::string> titles; // empty entries are not checked
};

void PrintTo(const TitleRow& row, std::ostream* os)
{
    *os << row.label;
}

class TonicTitleTest : public ::testing::TestWithParam<TitleRow> {};

TEST_P(TonicTitleTest, ShowsNoteFrequenciesInOctaveFour)
{
    const TitleRow& row = GetParam();
    NoteResolver resolver(pythagorean());
    resolver.setTuning(row.tuning);
    resolver.setReferencePitch(row.reference);
    resolver.setTonic(row.tonic);
    const auto shown = titles(resolver);
    for (std::size_t i = 0; i < 12; ++i) {
        if (!row.titles[i].empty()) {
            EXPECT_EQ(shown[i], row.titles[i]) << "item " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Menus, TonicTitleTest, ::testing::Values(
    TitleRow{"Equal440", 0, 440.0f, 0,
             {"C (261.6Hz)", "C#/Db (277.2Hz)", "D (293.7Hz)", "D#/Eb (311.1Hz)", "E (329.6Hz)", "F (349.2Hz)",
              "F#/Gb (370.0Hz)", "G (392.0Hz)", "G#/Ab (415.3Hz)", "A (440.0Hz)", "A#/Bb (466.2Hz)", "B (493.9Hz)"}},
    TitleRow{"Equal442IgnoresTonic", 0, 442.0f, 5,
             {"C (262.8Hz)", "C#/Db (278.4Hz)", "D (295.0Hz)", "D#/Eb (312.5Hz)", "E (331.1Hz)", "F (350.8Hz)",
              "F#/Gb (371.7Hz)", "G (393.8Hz)", "G#/Ab (417.2Hz)", "A (442.0Hz)", "A#/Bb (468.3Hz)", "B (496.1Hz)"}},
    TitleRow{"PythagoreanC", 1, 440.0f, 0,
             {"C (260.7Hz)", "C#/Db (278.4Hz)", "D (293.3Hz)", "D#/Eb (309.0Hz)", "E (330.0Hz)", "F (347.7Hz)",
              "F#/Gb (371.2Hz)", "G (391.1Hz)", "G#/Ab (417.7Hz)", "A (440.0Hz)", "A#/Bb (463.5Hz)", "B (495.0Hz)"}},
    TitleRow{"PythagoreanD", 1, 440.0f, 2,
             {"", "", "", "D#/Eb (313.2Hz)", "", "", "", "", "", "A (440.0Hz)", "A#/Bb (469.9Hz)", ""}},
    TitleRow{"PythagoreanBb", 1, 440.0f, 10,
             {"", "C#/Db (274.7Hz)", "", "", "", "", "", "", "G#/Ab (412.0Hz)", "A (440.0Hz)", "", ""}}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace quaverly
