// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/TemperamentTable.h"

#include "music/MusicTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace quaverly {
namespace {

using test::Encoding;
using test::LogLines;
using test::encode;
using test::kPythagoreanToolTip;
using test::kPythagoreanValues;

std::string entry(std::string_view name, std::string_view values)
{
    return std::string(name) + " = (" + std::string(values) + ");\n";
}

const std::string kPyth(kPythagoreanValues);
const std::string kZeros = "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0";

std::vector<float> values(const TemperamentTable& table, std::size_t r)
{
    const auto row = table.row(r);
    return {row.begin(), row.end()};
}

TEST(TemperamentTableTest, BuiltInDefaultIsThePythagoreanLiteralInSinglePrecision)
{
    LogLines log;
    const TemperamentTable table = loadBuiltInTemperaments("resource missing", log.sink());
    EXPECT_EQ(log.lines, std::vector<std::string>{"error: resource missing"});
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.names(), std::vector<std::string>{"Pythagorean"});
    const std::vector<float> expected = {1.0f, 1.06787109375f, 1.125f, 1.185185194f, 1.265625f, 1.333333373f,
                                         1.423828125f, 1.5f, 1.601806641f, 1.6875f, 1.777777791f, 1.8984375f};
    EXPECT_EQ(values(table, 0), expected);
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);
}

// ---- which entries load, in which order, with which log lines ---------------

struct LoadRow {
    std::string_view label;
    std::string text;
    std::vector<std::string> names;
    std::vector<std::string> logs; // each: a part of one log line, in order
};

void PrintTo(const LoadRow& row, std::ostream* os)
{
    *os << row.label;
}

class TemperamentLoadTest : public ::testing::TestWithParam<LoadRow> {};

TEST_P(TemperamentLoadTest, LoadsTheValidEntriesInCaseInsensitiveOrder)
{
    const LoadRow& row = GetParam();
    LogLines log;
    const TemperamentTable table = loadTemperaments(encode(row.text, Encoding::Utf16LeBom), log.sink());
    EXPECT_EQ(table.names(), row.names);
    EXPECT_EQ(table.temperamentCount(), row.names.size());
    ASSERT_EQ(log.lines.size(), row.logs.size()) << (log.lines.empty() ? "" : log.lines.front());
    for (std::size_t i = 0; i < row.logs.size(); ++i)
        EXPECT_NE(log.lines[i].find(row.logs[i]), std::string::npos) << log.lines[i];
}

INSTANTIATE_TEST_SUITE_P(Entries, TemperamentLoadTest, ::testing::Values(
    LoadRow{"EmptyDictionary", "{}", {}, {}},
    LoadRow{"CaseInsensitive", "{" + entry("Beta", kPyth) + entry("alpha", kPyth) + entry("Gamma", kPyth) + "}",
            {"alpha", "Beta", "Gamma"}, {}},
    LoadRow{"NonAsciiFoldsCase",
            "{" + entry("\"\xC3\x89lan\"", kZeros) + entry("\"\xC3\xA9" "clat\"", kZeros) + entry("Zeta", kZeros)
                + entry("\"\xCE\xA9mega\"", kZeros) + entry("\"\xCF\x89" "ave\"", kZeros) + "}",
            {"Zeta", "\xC3\xA9" "clat", "\xC3\x89lan", "\xCF\x89" "ave", "\xCE\xA9mega"}, {}},
    LoadRow{"QuotesAndEscapesInNames",
            "{" + entry(R"("Say \"hi\"")", kPyth) + entry(R"("R\U00e9 \U266F")", kPyth) + "}",
            {"R\xC3\xA9 \xE2\x99\xAF", "Say \"hi\""}, {}},
    LoadRow{"ElevenValuesDropped", "{" + entry("short", "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11") + "}", {},
            {"*** Invalid Temperament Pitch Table. ***"}},
    LoadRow{"ThirteenValuesLoad", "{" + entry("long", kPyth + ", \"not a number\"") + "}", {"long"}, {}},
    LoadRow{"MiddleInvalidDropped",
            "{" + entry("c", kZeros) + entry("b", "1, 2") + entry("a", kPyth) + "}", {"a", "c"},
            {"*** Invalid Temperament Pitch Table. ***"}},
    LoadRow{"ValueNotAnArray", "{\n" + entry("word", kPyth) + "text = hello;\n" + "dict = { a = b; };\n}",
            {"word"}, {"line 4: the temperament \"dict\" is a dictionary", "line 3: the temperament \"text\" is a string"}},
    LoadRow{"TextInAnArray", "{\nbad = (1.0, 2.0,\n sharp, 4, 5, 6, 7, 8, 9, 10, 11, 12);\n" + entry("ok", kPyth) + "}",
            {"ok"}, {"line 3: value 3 of the temperament \"bad\" is not a number"}},
    LoadRow{"NestedArrayInAnArray", "{" + entry("nested", "1, (2), 3, 4, 5, 6, 7, 8, 9, 10, 11, 12") + "}", {},
            {"value 2 of the temperament \"nested\" is not a number"}},
    LoadRow{"TextAfterANumberReadsTheNumber", "{" + entry("suffix", "1.0, 1.5abc, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12") + "}",
            {"suffix"}, {}},
    LoadRow{"RepeatedNameCountsOnce", "{" + entry("twice", "1, 2") + entry("twice", kPyth) + "}", {"twice"}, {}},
    LoadRow{"StringsFileForm", entry("bare", kPyth), {"bare"}, {}}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- resources that are no usable property list fall back to the default ----

struct FallbackRow {
    std::string_view label;
    std::string bytes;
    std::string_view message; // a part of the single log line
};

void PrintTo(const FallbackRow& row, std::ostream* os)
{
    *os << row.label;
}

class TemperamentFallbackTest : public ::testing::TestWithParam<FallbackRow> {};

TEST_P(TemperamentFallbackTest, LogsOneLineAndUsesTheBuiltInDefault)
{
    LogLines log;
    const TemperamentTable table = loadTemperaments(GetParam().bytes, log.sink());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("error: ", 0), 0u) << log.lines[0];
    EXPECT_NE(log.lines[0].find(GetParam().message), std::string::npos) << log.lines[0];
    EXPECT_EQ(table.names(), std::vector<std::string>{"Pythagorean"});
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);
}

INSTANTIATE_TEST_SUITE_P(Resources, TemperamentFallbackTest, ::testing::Values(
    FallbackRow{"EmptyFile", "", "empty"},
    FallbackRow{"OnlyABom", "\xFF\xFE", "empty"},
    FallbackRow{"SyntaxError", encode("{\n a = (1, 2);\n b = (1 2);\n}", Encoding::Utf16LeBom),
                "line 3: expected ',' or ')'"},
    FallbackRow{"UnclosedDictionary", encode("// list\n{\n a = (1);\n", Encoding::Utf16BeBom),
                "line 2: the dictionary opened here is never closed"},
    FallbackRow{"RootIsAnArray", encode("\n(1, 2, 3)", Encoding::Utf16LeBom), "line 2: the root is an array"},
    FallbackRow{"RootIsAString", encode("hello", Encoding::Utf16LeBom), "the root is a string"},
    FallbackRow{"XmlPlist", encode("<?xml version=\"1.0\"?>\n<plist></plist>", Encoding::Utf8), "XML"},
    FallbackRow{"OddUtf16Length", std::string("\xFF\xFE{\0}", 5), "odd number of bytes"},
    FallbackRow{"Latin1Bytes", "{ \"R\xE9\" = (1); }", "neither UTF-16 nor UTF-8"},
    FallbackRow{"EightBitTextReadAsUtf16", "\xFF\xFE{ a = (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); }", "line 1"}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- encodings ---------------------------------------------------------------

class TemperamentEncodingTest : public ::testing::TestWithParam<Encoding> {};

TEST_P(TemperamentEncodingTest, ReadsTheSameNamesAndRows)
{
    const std::string text = "// \xE2\x99\xAF comment\n{ \"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E\" = ("
        + kPyth + "); Zeros = (" + kZeros + "); }";
    LogLines log;
    const TemperamentTable table = loadTemperaments(encode(text, GetParam()), log.sink());
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    ASSERT_EQ(table.names(), (std::vector<std::string>{"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E", "Zeros"}));
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);
}

INSTANTIATE_TEST_SUITE_P(Encodings, TemperamentEncodingTest,
    ::testing::Values(Encoding::Utf16LeBom, Encoding::Utf16BeBom, Encoding::Utf16Le, Encoding::Utf16Be,
                      Encoding::Utf8, Encoding::Utf8Bom));

// ---- rows and tool tips ------------------------------------------------------

struct RowCase {
    std::string_view label;
    std::string values;
    std::string_view toolTip;
};

void PrintTo(const RowCase& row, std::ostream* os)
{
    *os << row.label;
}

class TemperamentRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(TemperamentRowTest, ToolTipListsCentsFromEqualTemperamentWithAAsZero)
{
    LogLines log;
    const TemperamentTable table = loadTemperaments("{ t = (" + GetParam().values + "); }", log.sink());
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.toolTip(0), GetParam().toolTip);
    EXPECT_EQ(table.row(0)[0], 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Rows, TemperamentRowTest, ::testing::Values(
    RowCase{"Pythagorean", kPyth, kPythagoreanToolTip},
    RowCase{"DoubledPythagorean",
            "2.0, 2.135742188, 2.25, 2.37037037, 2.53125, 2.666666666, 2.84765625, 3.0, 3.203613282, 3.375, "
            "3.555555556, 3.796875",
            kPythagoreanToolTip},
    RowCase{"PythagoreanInHz",
            "260.7407407, 278.4375001, 293.3333333, 309.0260631, 330, 347.6543209, 371.25, 391.1111111, "
            "417.6562501, 440, 463.5390947, 495",
            kPythagoreanToolTip},
    RowCase{"TwelveZeros", kZeros,
            "cents = (0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000)"},
    RowCase{"CentsForm", "0, 10, -20, 0, 0, 0, 0, 0, 0, 5, 0, 0",
            "cents = (-5.000, 5.000, -25.000, -5.000, -5.000, -5.000, -5.000, -5.000, -5.000, 0.000, -5.000, -5.000)"},
    RowCase{"NegativeZeroSelectsCents", "-0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0",
            "cents = (0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000)"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TemperamentTableTest, TwelveZerosGiveTheEqualTemperedRatiosExactly)
{
    const TemperamentTable table = loadTemperaments("{ equal = (" + kZeros + "); }");
    for (std::size_t k = 0; k < kDegrees; ++k)
        EXPECT_EQ(table.row(0)[k], static_cast<float>(std::exp2(static_cast<double>(k) / 12.0))) << "degree " << k;
}

TEST(TemperamentTableTest, NanFirstValueSelectsTheProportionalForm)
{
    LogLines log;
    const TemperamentTable table = loadTemperaments("{ n = (nan, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }", log.sink());
    EXPECT_TRUE(log.lines.empty());
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.row(0)[0], 1.0f);
    for (std::size_t k = 1; k < kDegrees; ++k)
        EXPECT_TRUE(std::isnan(table.row(0)[k])) << "the cents form would give a finite ratio at " << k;
}

TEST(TemperamentTableTest, ZeroAndNegativeRatiosLoadUnchanged)
{
    const TemperamentTable table = loadTemperaments("{ odd = (2, 0, -2, 4, 4, 4, 4, 4, 4, 4, 4, 4); }");
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.row(0)[1], 0.0f);
    EXPECT_EQ(table.row(0)[2], -1.0f);
}

// ---- large and missing files ------------------------------------------------

TEST(TemperamentTableTest, TenMegabyteArrayLoadsItsFirstTwelveValues)
{
    std::string text = "{ huge = (" + kPyth;
    while (text.size() < 10'000'000)
        text += ", 1.5, -2.25, 1e3, 0.125, 7";
    text += "); }";
    LogLines log;
    const TemperamentTable table = loadTemperaments(encode(text, Encoding::Utf16LeBom), log.sink());
    EXPECT_TRUE(log.lines.empty());
    ASSERT_EQ(table.temperamentCount(), 1u);
    EXPECT_EQ(table.toolTip(0), kPythagoreanToolTip);
}

TEST(TemperamentTableTest, TenMegabyteNameGivesAShortLogLine)
{
    const std::string name(10'000'000, 'n');
    LogLines log;
    const TemperamentTable table = loadTemperaments("{ " + name + " = (1, x, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); "
                                                    + entry("ok", kPyth) + " }", log.sink());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_LT(log.lines[0].size(), 200u);
    EXPECT_EQ(table.names(), std::vector<std::string>{"ok"});
}

TEST(TemperamentTableTest, TenMegabytesOfOpenBracketsFallBack)
{
    LogLines log;
    const TemperamentTable table = loadTemperaments(std::string(10'000'000, '('), log.sink());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("nesting"), std::string::npos);
    EXPECT_EQ(table.temperamentCount(), 1u);
}

TEST(TemperamentTableTest, ManyEntriesLoadInOrder)
{
    std::string text = "{\n";
    constexpr int kEntries = 20'000;
    for (int i = kEntries - 1; i >= 0; --i)
        text += entry("\"T" + std::to_string(100000 + i) + "\"", kZeros);
    text += "}";
    const TemperamentTable table = loadTemperaments(text);
    ASSERT_EQ(table.temperamentCount(), static_cast<std::uint64_t>(kEntries));
    EXPECT_EQ(table.name(0), "T100000");
    EXPECT_EQ(table.name(kEntries - 1), "T" + std::to_string(100000 + kEntries - 1));
    EXPECT_EQ(table.rowOf("T100123"), std::optional<std::size_t>(123));
}

TEST(TemperamentTableTest, UnreadableFilesFallBackWithTheReason)
{
    for (const char* path : {"/nonexistent/Temperaments.txt", "/"}) {
        LogLines log;
        const TemperamentTable table = loadTemperamentsFile(path, log.sink());
        ASSERT_EQ(log.lines.size(), 1u) << path;
        EXPECT_EQ(log.lines[0].rfind(std::string("error: cannot "), 0), 0u) << log.lines[0];
        EXPECT_NE(log.lines[0].find(path), std::string::npos) << log.lines[0];
        EXPECT_EQ(table.names(), std::vector<std::string>{"Pythagorean"}) << path;
    }
}

} // namespace
} // namespace quaverly
