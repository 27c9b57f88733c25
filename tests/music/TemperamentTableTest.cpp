// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/TemperamentTable.h"

#include "music/MusicTestSupport.h"
#include "music/NoteResolver.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace quaverly {
namespace {

using namespace test;
using Names = std::vector<std::string>;

std::string entry(std::string_view name, std::string_view values)
{
    return std::string(name) + " = (" + std::string(values) + ");\n";
}

struct LoadRow {
    std::string text;
    Names names;
    Names logs; // a part of each log line, in order
};

class TemperamentLoadTest : public ::testing::TestWithParam<LoadRow> {};

TEST_P(TemperamentLoadTest, LoadsValidEntriesInCaseInsensitiveOrderAndLogsTheOthers)
{
    LogLines log;
    const TemperamentTable table = loadTemperaments(encode(GetParam().text, Encoding::Utf16LeBom), log.sink());
    EXPECT_EQ(table.names(), GetParam().names) << GetParam().text;
    EXPECT_EQ(table.temperamentCount(), GetParam().names.size());
    ASSERT_EQ(log.lines.size(), GetParam().logs.size()) << (log.lines.empty() ? "" : log.lines.front());
    for (std::size_t i = 0; i < log.lines.size(); ++i)
        EXPECT_NE(log.lines[i].find(GetParam().logs[i]), std::string::npos) << log.lines[i];
}

INSTANTIATE_TEST_SUITE_P(Entries, TemperamentLoadTest, ::testing::Values(
    LoadRow{"{}", {}, {}},
    LoadRow{"{" + entry("Beta", kZeros) + entry("alpha", kZeros) + entry("Gamma", kZeros) + "}", {"alpha", "Beta", "Gamma"}, {}},
    LoadRow{"{" + entry("\"\xC3\x89lan\"", kZeros) + entry("\"\xC3\xA9" "clat\"", kZeros) + entry("Zeta", kZeros)
                + entry("\"\xCE\xA9mega\"", kZeros) + entry("\"\xCF\x89" "ave\"", kZeros) + "}",
            {"Zeta", "\xC3\xA9" "clat", "\xC3\x89lan", "\xCF\x89" "ave", "\xCE\xA9mega"}, {}},
    LoadRow{"{" + entry(R"("Say \"hi\"")", kZeros) + entry(R"("R\U00e9 \U266F")", kZeros) + "}",
            {"R\xC3\xA9 \xE2\x99\xAF", "Say \"hi\""}, {}},
    LoadRow{"{" + entry("short", "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11") + "}", {}, {"*** Invalid Temperament Pitch Table. ***"}},
    LoadRow{"{" + entry("long", kZeros + ", \"not a number\"") + "}", {"long"}, {}},
    LoadRow{"{" + entry("c", kZeros) + entry("b", "1, 2") + entry("a", kZeros) + "}", {"a", "c"},
            {"*** Invalid Temperament Pitch Table. ***"}},
    LoadRow{"{\n" + entry("word", kZeros) + "text = hello;\n" + "dict = { a = b; };\n}", {"word"},
            {"line 4: the temperament \"dict\" is a dictionary", "line 3: the temperament \"text\" is a string"}},
    LoadRow{"{\nbad = (1.0, 2.0,\n sharp, 4, 5, 6, 7, 8, 9, 10, 11, 12);\n" + entry("ok", kZeros) + "}", {"ok"},
            {"line 3: value 3 of the temperament \"bad\" is not a number"}},
    LoadRow{"{" + entry("nested", "1, (2), 3, 4, 5, 6, 7, 8, 9, 10, 11, 12") + "}", {}, {"value 2 of the temperament"}},
    LoadRow{"{" + entry("suffix", "1.0, 1.5abc, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12") + "}", {"suffix"}, {}},
    LoadRow{"{" + entry("twice", "1, 2") + entry("twice", kZeros) + "}", {"twice"}, {}},
    LoadRow{entry("bare", kZeros), {"bare"}, {}}));

using FallbackRow = std::pair<std::string, std::string_view>; // resource bytes, part of the log line

class TemperamentFallbackTest : public ::testing::TestWithParam<FallbackRow> {};

TEST_P(TemperamentFallbackTest, LogsOneLineAndUsesTheBuiltInDefault)
{
    LogLines log;
    const TemperamentTable table = loadTemperaments(GetParam().first, log.sink());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("error: ", 0), 0u) << log.lines[0];
    EXPECT_NE(log.lines[0].find(GetParam().second), std::string::npos) << log.lines[0];
    ASSERT_EQ(table.names(), Names{"Pythagorean"});
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);
}

INSTANTIATE_TEST_SUITE_P(Resources, TemperamentFallbackTest, ::testing::Values(
    FallbackRow{"", "empty"}, FallbackRow{"\xFF\xFE", "empty"},
    FallbackRow{encode("{\n a = (1, 2);\n b = (1 2);\n}", Encoding::Utf16LeBom), "line 3: expected ',' or ')'"},
    FallbackRow{encode("\n(1, 2, 3)", Encoding::Utf16LeBom), "line 2: the root is an array"},
    FallbackRow{encode("hello", Encoding::Utf16Be), "the root is a string"},
    FallbackRow{std::string("\xFF\xFE{\0}", 5), "odd number of bytes"},
    FallbackRow{"{ \"R\xE9\" = (1); }", "neither UTF-16 nor UTF-8"},
    FallbackRow{std::string(10'000'000, '('), "nesting deeper"},
    // 8-bit text behind a UTF-16 mark reads as other characters.
    FallbackRow{"\xFF\xFE{ a = (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); }", "line 1: the root is a string"}));

class TemperamentEncodingTest : public ::testing::TestWithParam<Encoding> {};

TEST_P(TemperamentEncodingTest, ReadsTheSameNamesAndRows)
{
    const std::string text = "// \xE2\x99\xAF\n{ \"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E\" = (" + kPythagoreanValues
        + "); Zeros = (" + kZeros + "); }";
    LogLines log;
    const TemperamentTable table = loadTemperaments(encode(text, GetParam()), log.sink());
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    ASSERT_EQ(table.names(), (Names{"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E", "Zeros"}));
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);
}

INSTANTIATE_TEST_SUITE_P(Encodings, TemperamentEncodingTest, ::testing::Values(Encoding::Utf16LeBom,
    Encoding::Utf16BeBom, Encoding::Utf16Le, Encoding::Utf16Be, Encoding::Utf8, Encoding::Utf8Bom));

using ToolTipRow = std::pair<std::string, std::string>; // values, tool tip

class TemperamentToolTipTest : public ::testing::TestWithParam<ToolTipRow> {};

TEST_P(TemperamentToolTipTest, ListsCentsFromEqualTemperamentWithAAsZero)
{
    const TemperamentTable table = loadTemperaments("{ t = (" + GetParam().first + "); }");
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.toolTip(0), GetParam().second) << GetParam().first;
}

const std::string kZeroToolTip = "cents = (0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000)";

INSTANTIATE_TEST_SUITE_P(Rows, TemperamentToolTipTest, ::testing::Values(
    ToolTipRow{kPythagoreanValues, kPythagoreanToolTip},
    ToolTipRow{"260.7407407, 278.4375001, 293.3333333, 309.0260631, 330, 347.6543209, 371.25, 391.1111111, "
               "417.6562501, 440, 463.5390947, 495", kPythagoreanToolTip},
    ToolTipRow{kZeros, kZeroToolTip}, ToolTipRow{"-0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0", kZeroToolTip},
    ToolTipRow{"0, 10, -20, 0, 0, 0, 0, 0, 0, 5, 0, 0", "cents = (-5.000, 5.000, -25.000, -5.000, -5.000, -5.000, "
               "-5.000, -5.000, -5.000, 0.000, -5.000, -5.000)"}));

TEST(TemperamentTableTest, RowFormsFollowTheFirstValue)
{
    const TemperamentTable table = loadTemperaments("{ a = (" + kZeros + "); b = (nan, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);"
                                                    " c = (2, 0, -2, 4, 4, 4, 4, 4, 4, 4, 4, 4); }");
    ASSERT_EQ(table.temperamentCount(), 3u);
    for (std::size_t k = 0; k < kDegrees; ++k) {
        EXPECT_EQ(table.row(0)[k], static_cast<float>(std::exp2(k / 12.0))) << "cents form, degree " << k;
        EXPECT_EQ(std::isnan(table.row(1)[k]), k > 0) << "NaN selects the proportional form, degree " << k;
    }
    EXPECT_EQ(table.row(2)[1], 0.0f) << "zero ratios load unchanged";
    EXPECT_EQ(table.row(2)[2], -1.0f) << "negative ratios load unchanged";
}

TEST(TemperamentTableTest, TenMegabyteResourcesLoadWithoutHangingOrLongLines)
{
    std::string text = "{ huge = (" + kPythagoreanValues;
    while (text.size() < 10'000'000)
        text += ", 1.5, -2.25, 1e3, 0.125, 7";
    LogLines log;
    TemperamentTable table = loadTemperaments(encode(text + "); }", Encoding::Utf16LeBom), log.sink());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);

    const std::string name(10'000'000, 'n');
    table = loadTemperaments("{ " + name + " = (1, x, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); ok = (" + kZeros + "); }", log.sink());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_LT(log.lines[0].size(), 200u);
    EXPECT_EQ(table.names(), Names{"ok"});

    text = "{\n";
    for (int i = 19'999; i >= 0; --i)
        text += entry("T" + std::to_string(100'000 + i), kZeros);
    table = loadTemperaments(text + "}");
    ASSERT_EQ(table.temperamentCount(), 20'000u);
    EXPECT_EQ(table.name(0), "T100000");
    EXPECT_EQ(table.rowOf("T100123"), std::optional<std::size_t>(123));
}

TEST(TemperamentTableTest, UnreadableFilesFallBackWithTheReason)
{
    for (const std::string path : {"/nonexistent/Temperaments.txt", "/"}) {
        LogLines log;
        const TemperamentTable table = loadTemperamentsFile(path, log.sink());
        ASSERT_EQ(log.lines.size(), 1u) << path;
        EXPECT_EQ(log.lines[0].rfind("error: cannot ", 0), 0u) << log.lines[0];
        EXPECT_NE(log.lines[0].find(path + ": "), std::string::npos) << log.lines[0];
        EXPECT_EQ(table.names(), Names{"Pythagorean"}) << path;
    }
}

const std::string kResource = std::string(QUAVERLY_SOURCE_DIR) + "/resources/Temperaments.txt";

const TemperamentTable& shipped()
{
    static const TemperamentTable table = loadTemperamentsFile(kResource, [](std::string_view line) {
        ADD_FAILURE() << "the shipped temperaments log: " << line;
    });
    return table;
}

// Cents above C as published (Barbour, Tuning and Temperament, 1951).
using PublishedRow = std::pair<std::string_view, std::array<double, 12>>;

class PublishedCentsTest : public ::testing::TestWithParam<PublishedRow> {};

TEST_P(PublishedCentsTest, ShippedUtf16RowMatchesThePublishedTable)
{
    char mark[2] = {};
    std::ifstream(kResource, std::ios::binary).read(mark, 2);
    EXPECT_EQ(std::string(mark, 2), "\xFF\xFE");
    EXPECT_EQ(shipped().temperamentCount(), 8u);
    const auto r = shipped().rowOf(GetParam().first);
    ASSERT_TRUE(r) << GetParam().first;
    for (std::size_t k = 0; k < 12; ++k)
        EXPECT_NEAR(1200 * std::log2(shipped().row(*r)[k]), GetParam().second[k], 0.01) << GetParam().first << " " << k;
}

INSTANTIATE_TEST_SUITE_P(Temperaments, PublishedCentsTest, ::testing::Values(
    PublishedRow{"Pythagorean", {0, 113.685, 203.910, 294.135, 407.820, 498.045, 611.730, 701.955, 815.640, 905.865, 996.090, 1109.775}},
    PublishedRow{"1/4-comma meantone", {0, 76.049, 193.157, 310.265, 386.314, 503.422, 579.471, 696.578, 772.627, 889.735, 1006.843, 1082.892}},
    PublishedRow{"1/6-comma meantone", {0, 88.594, 196.741, 304.888, 393.482, 501.629, 590.224, 698.371, 786.965, 895.112, 1003.259, 1091.853}},
    PublishedRow{"Werckmeister III", {0, 90.225, 192.180, 294.135, 390.225, 498.045, 588.270, 696.090, 792.180, 888.270, 996.090, 1092.180}},
    PublishedRow{"Kirnberger III", {0, 90.225, 193.157, 294.135, 386.314, 498.045, 590.224, 696.578, 792.180, 889.735, 996.090, 1088.269}},
    PublishedRow{"Vallotti", {0, 94.135, 196.090, 298.045, 392.180, 501.955, 592.180, 698.045, 796.090, 894.135, 1000.000, 1090.225}},
    PublishedRow{"Young II", {0, 90.225, 196.090, 294.135, 392.180, 498.045, 588.270, 698.045, 792.180, 894.135, 996.090, 1090.225}},
    PublishedRow{"Just intonation", {0, 111.731, 203.910, 315.641, 386.314, 498.045, 590.224, 701.955, 813.686, 884.359, 1017.596, 1088.269}}));

TEST(ShippedTemperamentsTest, EveryRowAndTonicResolvesItsOwnIdealPitches)
{
    NoteResolver resolver(shipped());
    for (std::int64_t tuning = 1; tuning <= static_cast<std::int64_t>(shipped().temperamentCount()); ++tuning) {
        resolver.setTuning(tuning);
        for (std::int64_t tonic = 0; tonic < 12; ++tonic) {
            resolver.setTonic(tonic);
            for (int n = kLowestNote; n <= kHighestNote; ++n) {
                const auto note = resolver.resolve(resolver.idealFrequency(n % 12, n / 12));
                ASSERT_TRUE(note && note->n == n) << "tuning " << tuning << " tonic " << tonic << " note " << n;
                EXPECT_NEAR(note->deviation, 0.0f, 1e-5f);
            }
        }
    }
}

} // namespace
} // namespace quaverly
