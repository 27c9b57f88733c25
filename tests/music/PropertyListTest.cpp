// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/FloatValue.h"
#include "music/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace quaverly {
namespace {

using Kind = PropertyListValue::Kind;

// ---- quoted and bare strings -------------------------------------------------

struct StringRow {
    std::string_view text;
    std::string_view expected;
};

class PropertyListStringTest : public ::testing::TestWithParam<StringRow> {};

TEST_P(PropertyListStringTest, DecodesToUtf8)
{
    const auto parsed = parsePropertyList(GetParam().text);
    ASSERT_TRUE(parsed.value) << GetParam().text << ": " << parsed.error.description();
    EXPECT_EQ(parsed.value->kind, Kind::String);
    EXPECT_EQ(parsed.value->string, GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Escapes, PropertyListStringTest, ::testing::Values(
    StringRow{R"("a\nb\tc")", "a\nb\tc"},
    StringRow{R"("say \"hi\"")", "say \"hi\""},
    StringRow{R"("back\\slash")", "back\\slash"},
    StringRow{R"('single "quotes"')", "single \"quotes\""},
    StringRow{R"("\U00e9t\U00C9")", "\xC3\xA9t\xC3\x89"},
    StringRow{R"("\U266f")", "\xE2\x99\xAF"},
    StringRow{R"("\UD834\UDD1E clef")", "\xF0\x9D\x84\x9E clef"},
    StringRow{R"("\UDD1E")", "\xEF\xBF\xBD"},              // lone low surrogate
    StringRow{R"("\UD834x")", "\xEF\xBF\xBDx"},            // lone high surrogate
    StringRow{R"("\101\60")", "A0"},                        // octal
    StringRow{R"("\351")", "\xC3\xA9"},                     // octal above 127 as Latin-1
    StringRow{R"("\q")", "q"},                              // unknown escape stands for itself
    StringRow{"\"two\nlines\"", "two\nlines"},
    StringRow{"\"R\xC3\xA9 \xE2\x99\xAF\"", "R\xC3\xA9 \xE2\x99\xAF"},
    StringRow{"-5.865", "-5.865"},
    StringRow{"+3", "+3"},
    StringRow{"  /* lead */ bare_$:/.name // trail", "bare_$:/.name"},
    StringRow{"\"\"", ""}));

// ---- structure ----------------------------------------------------------------

TEST(PropertyListTest, DictionaryKeepsFileOrderAndLastValueOfARepeatedKey)
{
    const auto parsed = parsePropertyList("{ b = 1; a = (x, y,); b = 2; \"c d\" = { e = <0fBD 77>; }; }");
    ASSERT_TRUE(parsed.value) << parsed.error.description();
    const auto& dict = parsed.value->dictionary;
    ASSERT_EQ(dict.size(), 3u);
    EXPECT_EQ(dict[0].first, "b");
    EXPECT_EQ(dict[0].second.string, "2");
    EXPECT_EQ(dict[1].first, "a");
    ASSERT_EQ(dict[1].second.array.size(), 2u) << "a trailing comma adds no element";
    EXPECT_EQ(dict[1].second.array[1].string, "y");
    const PropertyListValue* data = dict[2].second.find("e");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->kind, Kind::Data);
    EXPECT_EQ(data->string, std::string("\x0f\xbd\x77", 3));
}

TEST(PropertyListTest, PairsWithoutBracesReadAsADictionary)
{
    const auto parsed = parsePropertyList("// strings-file form\nalpha = (1, 2);\n\"Beta\" = x;\n");
    ASSERT_TRUE(parsed.value) << parsed.error.description();
    ASSERT_EQ(parsed.value->kind, Kind::Dictionary);
    ASSERT_EQ(parsed.value->dictionary.size(), 2u);
    EXPECT_EQ(parsed.value->dictionary[1].first, "Beta");
    EXPECT_EQ(parsed.value->dictionary[1].second.line, 3u);
}

TEST(PropertyListTest, LinesCountLfCrLfAndLoneCr)
{
    const auto parsed = parsePropertyList("{\r\na = (1,\r2,\n3);\r\nb = c;\n}");
    ASSERT_TRUE(parsed.value) << parsed.error.description();
    const auto& a = parsed.value->dictionary[0].second;
    EXPECT_EQ(a.line, 2u);
    EXPECT_EQ(a.array[1].line, 3u);
    EXPECT_EQ(a.array[2].line, 4u);
    EXPECT_EQ(parsed.value->dictionary[1].second.line, 5u);
}

TEST(PropertyListTest, KeepsOnlyTheHeadOfLongArraysButChecksTheirSyntax)
{
    PropertyListOptions options;
    options.keptArrayElements = 2;
    const auto ok = parsePropertyList("(1, 2, 3, (4, 5))", options);
    ASSERT_TRUE(ok.value);
    EXPECT_EQ(ok.value->array.size(), 2u);
    const auto bad = parsePropertyList("(1, 2, 3, (4 5))", options);
    EXPECT_FALSE(bad.value) << "elements past the kept ones must still be parsed";
}

// ---- errors say what and where ------------------------------------------------

struct ErrorRow {
    std::string_view text;
    std::size_t line;
    std::string_view message; // a part of the message
};

class PropertyListErrorTest : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(PropertyListErrorTest, ReportsLineAndCause)
{
    const auto parsed = parsePropertyList(GetParam().text);
    ASSERT_FALSE(parsed.value) << GetParam().text;
    EXPECT_EQ(parsed.error.line, GetParam().line) << parsed.error.description();
    EXPECT_NE(parsed.error.message.find(GetParam().message), std::string::npos) << parsed.error.description();
    EXPECT_EQ(parsed.error.description().rfind("line " + std::to_string(GetParam().line) + ": ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Malformed, PropertyListErrorTest, ::testing::Values(
    ErrorRow{"", 1, "empty"},
    ErrorRow{"\n  // only a comment\n", 3, "empty"},
    ErrorRow{"{\n a = (1, 2);\n b = (3 4);\n}", 3, "expected ',' or ')'"},
    ErrorRow{"{\n a = (1, 2)\n}", 3, "expected ';' after the value of \"a\""},
    ErrorRow{"{ a (1); }", 1, "expected '=' after the key \"a\""},
    ErrorRow{"{\n\n a = (1,\n 2", 3, "array opened here is never closed"},
    ErrorRow{"{\n a = b;\n", 1, "dictionary opened here is never closed"},
    ErrorRow{"{ a = \"b;\n}\n", 1, "quoted string opened here is never closed"},
    ErrorRow{"{ a = b; }\n/* note", 2, "comment opened here is never closed"},
    ErrorRow{"{ a = b; } c", 1, "after the end"},
    ErrorRow{"{ a = ; }", 1, "expected a value but found ';'"},
    ErrorRow{"{ (1) = b; }", 1, "key must be a string"},
    ErrorRow{"{ a = <0fb>; }", 1, "odd number of hexadecimal digits"},
    ErrorRow{"{ a = \"\\U\"; }", 1, "\\U without hexadecimal digits"},
    ErrorRow{"\n<?xml version=\"1.0\"?><plist/>", 2, "XML property list"},
    ErrorRow{"{ a = b c; }", 1, "expected ';' after the value of \"a\""},
    ErrorRow{std::string_view("{ a = \0; }", 10), 1, "byte 0x00"}));

TEST(PropertyListTest, DeepNestingIsAnErrorNotAStackOverflow)
{
    const std::string text(1'000'000, '(');
    const auto parsed = parsePropertyList(text);
    ASSERT_FALSE(parsed.value);
    EXPECT_NE(parsed.error.message.find("nesting deeper than"), std::string::npos);
}

TEST(PropertyListTest, MessagesQuoteLongKeysShortened)
{
    const std::string key(100'000, 'k');
    const auto parsed = parsePropertyList("{ \"" + key + "\" = x }");
    ASSERT_FALSE(parsed.value);
    EXPECT_LT(parsed.error.message.size(), 120u);
}

// ---- numbers as text fields and elements read them ----------------------------

struct FloatRow {
    std::string_view text;
    float expected;
    bool number;
};

class FloatValueTest : public ::testing::TestWithParam<FloatRow> {};

TEST_P(FloatValueTest, ReadsTheLeadingNumber)
{
    const FloatRow& row = GetParam();
    const float value = floatValue(row.text);
    if (std::isnan(row.expected)) {
        EXPECT_TRUE(std::isnan(value)) << row.text;
    } else {
        EXPECT_EQ(value, row.expected) << row.text;
    }
    EXPECT_EQ(std::signbit(value), std::signbit(row.expected)) << row.text;
    EXPECT_EQ(beginsWithNumber(row.text), row.number) << row.text;
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Texts, FloatValueTest, ::testing::Values(
    FloatRow{"440", 440.0f, true}, FloatRow{"  \t1.5", 1.5f, true}, FloatRow{"-5.865", -5.865f, true},
    FloatRow{"+3", 3.0f, true}, FloatRow{".5", 0.5f, true}, FloatRow{"5.", 5.0f, true},
    FloatRow{"1.185185185", 1.185185194f, true}, FloatRow{"1e3", 1000.0f, true}, FloatRow{"2.5E-1x", 0.25f, true},
    FloatRow{"1e", 1.0f, true}, FloatRow{"1e+", 1.0f, true}, FloatRow{"1.5abc", 1.5f, true},
    FloatRow{"1,5", 1.0f, true}, FloatRow{"0x10", 0.0f, true},
    FloatRow{"abc", 0.0f, false}, FloatRow{"", 0.0f, false}, FloatRow{"-", 0.0f, false}, FloatRow{".", 0.0f, false},
    FloatRow{"e5", 0.0f, false},
    FloatRow{"NaN", std::numeric_limits<float>::quiet_NaN(), true}, FloatRow{"-inf", -kInf, true},
    FloatRow{"Infinity", kInf, true}, FloatRow{"1e400", kInf, true}, FloatRow{"-1e39", -kInf, true},
    FloatRow{"1e-400", 0.0f, true}, FloatRow{"-1e-400", -0.0f, true},
    FloatRow{"0.0000000000000000000000000000000000000000000000001e-400", 0.0f, true},
    FloatRow{"349", 349.0f, true}, FloatRow{"499.9", 499.9f, true}));

TEST(FloatValueTest, HugeDigitStringsReadAsInfinity)
{
    EXPECT_EQ(floatValue(std::string(5000, '9')), kInf);
}

} // namespace
} // namespace quaverly
