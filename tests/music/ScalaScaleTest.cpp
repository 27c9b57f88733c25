// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/ScalaScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quaverly {
namespace {

// Eleven pitches and the octave after a description and a count.
std::string scl(const std::string &pitches, const std::string &head = "Test scale\n12\n")
{
    return "! test.scl\n!\n" + head + pitches;
}
const std::string kEqual = "100.0\n200.\n300.0\n400.0\n500.0\n600.0\n700.0\n800.0\n900.0\n1000.0\n1100.0\n2/1\n";
const std::string kJust = "16/15\n9/8\n6/5\n5/4\n4/3\n45/32\n3/2\n8/5\n5/3\n9/5\n15/8\n2\n";

struct ScalaRow {
    const char *name;
    std::string text;
    std::string expected; // the name read, or the refusal as the user sees it
    int degree = 0;       // a degree to check on a good file, with its ratio
    double ratio = 1.0;
};
class ScalaFiles : public ::testing::TestWithParam<ScalaRow> {};

TEST_P(ScalaFiles, ReadTwelveNoteOctaveScalesAndSayWhyOthersAreRefused)
{
    const ScalaRow &row = GetParam();
    const ScalaReading reading = readScalaScale(row.text, "fallback");
    if (!reading.scale) {
        EXPECT_EQ(reading.error.description(), row.expected);
        return;
    }
    EXPECT_EQ(reading.scale->name, row.expected);
    EXPECT_EQ(reading.scale->ratios[0], 1.0f);
    EXPECT_NEAR(reading.scale->ratios[std::size_t(row.degree)], row.ratio, 1e-6) << "degree " << row.degree;
}

INSTANTIATE_TEST_SUITE_P(Files, ScalaFiles, ::testing::Values(
    ScalaRow{.name = "CentsAreEqualTemperament", .text = scl(kEqual), .expected = "Test scale", .degree = 7,
             .ratio = std::exp2(7.0 / 12.0)},
    ScalaRow{.name = "RatiosAndWholeNumbers", .text = scl(kJust), .expected = "Test scale", .degree = 7, .ratio = 1.5},
    ScalaRow{.name = "CrLfLabelsAndIndent", .text = "!x\r\n  Meantone \r\n 12 notes\r\n" + std::string(" 76.049 C#\r\n")
             + "193.157\r\n310.265\r\n5/4 E\r\n503.422\r\n579.471\r\n696.578\r\n25/16\r\n889.735\r\n1006.843\r\n"
             + "1082.892\r\n1200.0\r\n", .expected = "Meantone", .degree = 4, .ratio = 1.25},
    ScalaRow{.name = "NegativeCentsFarFromEqual", .text = scl("-40.0\n" + kEqual.substr(6)), .expected = "Test scale",
             .degree = 1, .ratio = std::exp2(-40.0 / 1200.0)},
    ScalaRow{.name = "OctaveWithinHalfCent", .text = scl(kJust.substr(0, kJust.size() - 2) + "1200.49\n"),
             .expected = "Test scale", .degree = 11, .ratio = 1.875},
    ScalaRow{.name = "EmptyDescriptionTakesFallback", .text = scl(kJust, "\n12\n"), .expected = "fallback",
             .degree = 1, .ratio = 16.0 / 15.0},
    ScalaRow{.name = "Latin1Description", .text = scl(kJust, "Gr\xE9try\n12\n"), .expected = "Gr\xC3\xA9try",
             .degree = 1, .ratio = 16.0 / 15.0},
    ScalaRow{.name = "OctaveOffByOneCent", .text = scl(kJust.substr(0, kJust.size() - 2) + "1201.0\n"),
             .expected = "line 16: the twelfth pitch is 1201.000 cents, not an octave (1200 within 0.5 cent)"},
    ScalaRow{.name = "SevenNotes", .text = scl("9/8\n", "Seven\n7\n"), .expected =
             "line 4: a scale of 7 notes; only twelve-note scales can be temperaments"},
    ScalaRow{.name = "CountNotANumber", .text = scl(kJust, "Name\ntwelve\n"),
             .expected = "line 4: \"twelve\" is not a number of notes"},
    ScalaRow{.name = "BadPitchNumber", .text = scl("16/15\n9/8x\n" + kJust.substr(11)),
             .expected = "line 6: \"9/8x\" is not a pitch (cents with a '.', a ratio p/q or a whole number)"},
    ScalaRow{.name = "TwoPointsInCents", .text = scl("100.0.0\n" + kEqual.substr(6)),
             .expected = "line 5: \"100.0.0\" is not a pitch (cents with a '.', a ratio p/q or a whole number)"},
    ScalaRow{.name = "ZeroRatio", .text = scl("0/1\n" + kJust.substr(6)), .expected = "line 5: the ratio \"0/1\" is not positive"},
    ScalaRow{.name = "NegativeRatio", .text = scl("-16/15\n" + kJust.substr(6)),
             .expected = "line 5: the ratio \"-16/15\" is not positive"},
    ScalaRow{.name = "ZeroDenominator", .text = scl("16/0\n" + kJust.substr(6)),
             .expected = "line 5: the ratio \"16/0\" is not positive"},
    ScalaRow{.name = "BlankPitchLine", .text = scl("16/15\n\n" + kJust.substr(6)), .expected = "line 6: pitch 2 is missing"},
    ScalaRow{.name = "FewerPitchesThanAnnounced", .text = scl("16/15\n9/8\n"),
             .expected = "line 7: the file ends after 2 of the 12 pitches it announces"},
    ScalaRow{.name = "NoCountLine", .text = "! only\nName\n", .expected = "line 3: the line with the number of notes is missing"},
    ScalaRow{.name = "OnlyComments", .text = "! a\n! b", .expected = "line 3: the description line is missing"},
    ScalaRow{.name = "ControlCharacterInName", .text = scl(kJust, "Bad\x1B[2Jname\n12\n"),
             .expected = "line 3: the description holds a control character (U+001B)"},
    ScalaRow{.name = "LineOver4KiB", .text = scl(kJust, "Name\n12" + std::string(4096, ' ') + "\n"),
             .expected = "line 4: the line is longer than 4 KiB (4098 bytes)"},
    ScalaRow{.name = "FileOver1MiB", .text = scl(kJust) + std::string(kMaxScalaFileBytes, '!'),
             .expected = "the file is larger than 1 MiB (1048654 bytes)"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly
