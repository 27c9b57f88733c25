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
constexpr auto kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kIntMin = std::numeric_limits<std::int32_t>::min();

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
    const ResolveRow& row = GetParam();
    NoteResolver resolver;
    resolver.setReferencePitch(row.reference);
    resolver.setTranspose(row.transpose);
    const auto note = resolver.resolve(row.frequency);
    ASSERT_EQ(note.has_value(), !row.name.empty()) << row.frequency << " Hz at " << row.reference;
    if (!note)
        return;
    EXPECT_EQ(note->n, row.n) << row.frequency;
    EXPECT_NEAR(note->deviation, row.deviation, 5e-4) << row.frequency;
    EXPECT_EQ(noteName(*note), row.name) << row.frequency << " Hz, transposition " << row.transpose;
}

INSTANTIATE_TEST_SUITE_P(EqualTemperament, ResolveTest, ::testing::Values(
    ResolveRow{440, 446, 0, 57, 0.2344f, "A4"}, ResolveRow{440, 27, 0, 9, -0.3177f, "A0"},
    ResolveRow{440, 4300, 0, 96, 0.4651f, "C8"}, ResolveRow{442, 440, 0, 57, -0.0785f, "A4"},
    ResolveRow{440, 466.16f, 0, 58, 0, "B\u266D4"}, ResolveRow{440, 369.99f, 0, 54, 0, "F\u266F4"},
    ResolveRow{440, 233.08f, -2, 46, 0, "C4"}, ResolveRow{440, 440, -2, 57, 0, "B4"},
    ResolveRow{440, 261.63f, 3, 48, 0, "A3"}, ResolveRow{440, 130.81f, -11, 36, 0, "B3"},
    ResolveRow{440, 4186, 11, 96, 0, "C\u266F7"},
    // x is exactly 50.0: the cents refer to D4, so the name must be D4 too.
    ResolveRow{440, 285.3046875f, 0, 50, -0.5f, "D4"}, ResolveRow{440, 285.3046875f, 2, 50, -0.5f, "C4"},
    // Written below C0: the right semitone, and an octave of −1 shown as "-".
    ResolveRow{440, 27.5f, 10, 9, 0, "B-"}, ResolveRow{440, 27.5f, 11, 9, 0, "B\u266D-"},
    ResolveRow{440, 29.1352f, 11, 10, 0, "B-"}, ResolveRow{440, 29.1352f, 10, 10, 0, "C0"},
    // Outside A0 ... C8, or no usable reference: no result.
    ResolveRow{440, 26.7f}, ResolveRow{440, 4310}, ResolveRow{440, 0}, ResolveRow{440, kNan}, ResolveRow{440, kInf},
    ResolveRow{0, 440}, ResolveRow{kNan, 440}));

class TonicTest : public ::testing::TestWithParam<int> {};

TEST_P(TonicTest, ASoundsAtTheReferenceAndTheMenuAgreesWithResolution)
{
    for (const float reference : {440.0f, 442.0f, 415.0f}) {
        NoteResolver resolver = tuned(GetParam());
        resolver.setReferencePitch(reference);
        EXPECT_FLOAT_EQ(resolver.idealFrequency(9, 4), reference);
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

TEST(TemperamentResolveTest, DeviationIsMeasuredFromTheTemperedPitchAndUnusableRowsAreDefined)
{
    NoteResolver resolver = tuned();
    EXPECT_FLOAT_EQ(resolver.idealFrequency(4, 4), 330.0f);
    // With A pinned, the Pythagorean E lies 1.955 cents above the equal one.
    EXPECT_NEAR(resolver.resolve(329.6276f)->deviation, -0.01955f, 2e-5f);
    // A degree 80 cents off: still named after the nearest equal note.
    const auto note = tuned(0, "{ r = (0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0); }").resolve(329.6276f);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->n, 52);
    EXPECT_NEAR(note->deviation, -0.8f, 2e-4f);
    // Unusable rows and tunings stay defined.
    NoteResolver zero = tuned(0, "{ r = (1, 0, 1.125, 1.2, 1.25, 1.33, 1.4, 1.5, 1.6, 1.6875, 1.75, 1.875); }");
    EXPECT_FALSE(zero.resolve(277.0f)) << "C#4 has a zero ratio: no infinite cents";
    EXPECT_TRUE(zero.resolve(440.0f));
    EXPECT_FALSE(tuned(0, "{ r = (nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11); }").resolve(440.0f));
    for (const std::int64_t tuning : {2, -1, 1000}) {
        resolver.setTuning(tuning);
        EXPECT_EQ(resolver.idealFrequency(0, 4), static_cast<float>(440.0 * std::exp2(-9 / 12.0))) << tuning;
    }
}

// The tonic menu: "%s (%.1fHz)" of octave 4, also for tonics above A.
TEST(TonicTitleTest, ShowsNoteFrequenciesInOctaveFour)
{
    const struct {
        std::int64_t tuning, tonic;
        float reference;
        int semitone;
        std::string_view title;
    } rows[] = {{0, 5, 442, 1, "C#/Db (278.4Hz)"}, {0, 0, 440, 11, "B (493.9Hz)"},
        {1, 0, 440, 0, "C (260.7Hz)"}, {1, 0, 440, 11, "B (495.0Hz)"}, {1, 2, 440, 3, "D#/Eb (313.2Hz)"},
        {1, 2, 440, 10, "A#/Bb (469.9Hz)"}, {1, 10, 440, 1, "C#/Db (274.7Hz)"}, {1, 10, 440, 8, "G#/Ab (412.0Hz)"}};
    for (const auto& row : rows) {
        NoteResolver resolver = tuned(row.tonic);
        resolver.setTuning(row.tuning);
        resolver.setReferencePitch(row.reference);
        EXPECT_EQ(resolver.tonicMenuTitle(row.semitone), row.title) << "tonic " << row.tonic;
    }
}

TEST(ReadoutsTest, SignedTexts)
{
    const std::pair<std::int32_t, std::string_view> values[] = {{7, "+7"}, {0, "\u00B10"}, {-23, "-23"},
        {kIntMin, "-2147483648"}};
    for (const auto& [value, text] : values)
        EXPECT_EQ(plusMinusValueString(value), text) << value;
    const std::pair<float, std::string_view> floats[] = {{-0.04f, "\u00B10.0Hz"}, {0.0499f, "\u00B10.0Hz"},
        {0.06f, "+0.1Hz"}, {-0.06f, "-0.1Hz"}, {12.34f, "+12.3Hz"}};
    for (const auto& [value, text] : floats)
        EXPECT_EQ(plusMinusFloatString(value), text) << value;
}

TEST(ReadoutsTest, WholeCentsTruncateTowardZeroAndStayDefined)
{
    const std::pair<float, std::int32_t> rows[] = {{-0.035f, -3}, {0.045f, 4}, {-0.009f, 0}, {0.9999f, 99},
        {kNan, 0}, {kInf, kIntMax}, {-kInf, kIntMin}, {3e7f, kIntMax}};
    for (const auto& [deviation, cents] : rows)
        EXPECT_EQ(wholeCents(deviation), cents) << deviation;
}

TEST(ReadoutsTest, TransposeTextNamesTheSoundingNoteOfAWrittenC)
{
    const std::pair<std::int64_t, std::string_view> rows[] = {{-2, "C = A#/Bb (-2)"}, {3, "C = D#/Eb (+3)"},
        {-11, "C = C#/Db (-11)"}, {11, "C = B (+11)"}, {0, ""}, {12, ""}, {-12, ""}};
    for (const auto& [transpose, text] : rows)
        EXPECT_EQ(transposeText(transpose), text) << transpose;
}

TEST(ReadoutsTest, TypedReferencePitchIsClampedWithABeep)
{
    const struct {
        float typed, current, value;
        bool changed, beep;
    } rows[] = {{440, 440, 440, false, false}, {300, 440, 349, true, true}, {500, 440, 499.9f, true, true},
        {499.9f, 440, 499.9f, true, false}, {349, 440, 349, true, false}, {348.99f, 440, 349, true, true},
        {300, 349, 349, true, true}, {kNan, 440, 349, true, true}, {kInf, 440, 499.9f, true, true}};
    for (const auto& row : rows) {
        const ReferencePitchEdit edit = clampReferencePitch(row.typed, row.current);
        EXPECT_TRUE(edit.value == row.value && edit.changed == row.changed && edit.beep == row.beep)
            << row.typed << " gave " << edit.value << (edit.changed ? " changed" : "") << (edit.beep ? " beep" : "");
    }
}

} // namespace
} // namespace quaverly
