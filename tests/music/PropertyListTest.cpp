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

using StringRow = std::pair<std::string_view, std::string_view>; // text, decoded
class PropertyListStringTest : public ::testing::TestWithParam<StringRow> {};

TEST_P(PropertyListStringTest, DecodesEscapesToUtf8)
{
    const auto parsed = parsePropertyList(GetParam().first);
    ASSERT_TRUE(parsed.value) << GetParam().first << ": " << parsed.error.description();
    EXPECT_EQ(parsed.value->string, GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(Escapes, PropertyListStringTest, ::testing::Values(
    StringRow{R"("a\nb\tc")", "a\nb\tc"}, StringRow{R"("say \"hi\" \\")", "say \"hi\" \\"},
    StringRow{R"('single "q"')", "single \"q\""}, StringRow{R"("\U00e9t\U266F")", "\xC3\xA9t\xE2\x99\xAF"},
    StringRow{R"("\UD834\UDD1E")", "\xF0\x9D\x84\x9E"}, StringRow{R"("\UDD1E\UD834x")", "\xEF\xBF\xBD\xEF\xBF\xBDx"},
    StringRow{R"("\101\60\351")", "A0\xC3\xA9"}, StringRow{R"("\q")", "q"},
    StringRow{"\"R\xC3\xA9\nx\"", "R\xC3\xA9\nx"}, StringRow{" /* a */ bare_$:/.-5+ // b", "bare_$:/.-5+"}));

TEST(PropertyListTest, DictionaryKeepsFileOrderAndTheLastValueOfARepeatedKey)
{
    const auto parsed = parsePropertyList("{ b = 1; a = (x, y,); b = 2; \"c d\" = { e = <0fBD 77>; }; }");
    ASSERT_TRUE(parsed.value) << parsed.error.description();
    const auto& dict = parsed.value->dictionary;
    ASSERT_EQ(dict.size(), 3u);
    EXPECT_EQ(dict[0].first + dict[0].second.string, "b2");
    EXPECT_EQ(dict[1].second.array.size(), 2u) << "a trailing comma adds no element";
    ASSERT_NE(dict[2].second.find("e"), nullptr);
    EXPECT_EQ(dict[2].second.find("e")->string, std::string("\x0f\xbd\x77", 3));
    // Pairs without braces read as a dictionary, as strings files do.
    const auto bare = parsePropertyList("alpha = (1, 2);\n\"Beta\" = x;\n");
    ASSERT_TRUE(bare.value && bare.value->kind == Kind::Dictionary);
    EXPECT_EQ(bare.value->dictionary.at(1).second.line, 2u);
}

struct ErrorRow {
    std::string_view text;
    std::size_t line;
    std::string_view message;
};

class PropertyListErrorTest : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(PropertyListErrorTest, SaysWhatIsWrongAndOnWhichLine)
{
    const auto parsed = parsePropertyList(GetParam().text);
    ASSERT_FALSE(parsed.value) << GetParam().text;
    EXPECT_EQ(parsed.error.line, GetParam().line) << parsed.error.description();
    EXPECT_NE(parsed.error.description().find(GetParam().message), std::string::npos) << parsed.error.description();
}

INSTANTIATE_TEST_SUITE_P(Malformed, PropertyListErrorTest, ::testing::Values(
    ErrorRow{"", 1, "empty"}, ErrorRow{"\n  // only a comment\n", 3, "empty"},
    ErrorRow{"{\r\n a = (1,\r 2\n 3 4);\n}", 4, "line 4: expected ',' or ')' in the array opened at line 2"},
    ErrorRow{"{\n a = (1, 2)\n}", 3, "expected ';' after the value of \"a\""},
    ErrorRow{"{ a (1); }", 1, "expected '=' after the key \"a\""},
    ErrorRow{"{\n\n a = (1,\n 2", 3, "array opened here is never closed"},
    ErrorRow{"{\n a = b;\n", 1, "dictionary opened here is never closed"},
    ErrorRow{"{ a = \"b;\n}\n", 1, "quoted string opened here is never closed"},
    ErrorRow{"{ a = b; }\n/* note", 2, "comment opened here is never closed"},
    ErrorRow{"{ a = b; } c", 1, "unexpected 'c' after the end"}, ErrorRow{"{ a = ; }", 1, "found ';'"},
    ErrorRow{"{ (1) = b; }", 1, "key must be a string"}, ErrorRow{"<0fb>", 1, "odd number of hexadecimal"},
    ErrorRow{"\"\\U\"", 1, "\\U without hexadecimal digits"}, ErrorRow{"\n<?xml version=\"1.0\"?>", 2, "XML"},
    ErrorRow{std::string_view("{ a = \0; }", 10), 1, "byte 0x00"}));

TEST(PropertyListTest, DeepNestingAndHugeKeysGiveShortErrors)
{
    const auto deep = parsePropertyList(std::string(1'000'000, '('));
    ASSERT_FALSE(deep.value);
    EXPECT_NE(deep.error.message.find("nesting deeper than"), std::string::npos);
    const auto huge = parsePropertyList("{ \"" + std::string(100'000, 'k') + "\" = x }");
    ASSERT_FALSE(huge.value);
    EXPECT_LT(huge.error.message.size(), 120u);
}

struct FloatRow {
    std::string_view text;
    float value;
    bool number;
};

class FloatValueTest : public ::testing::TestWithParam<FloatRow> {};

TEST_P(FloatValueTest, ReadsTheLeadingNumberWhateverFollows)
{
    const float value = floatValue(GetParam().text);
    EXPECT_TRUE(value == GetParam().value || (std::isnan(value) && std::isnan(GetParam().value))) << GetParam().text;
    EXPECT_EQ(std::signbit(value), std::signbit(GetParam().value)) << GetParam().text;
    EXPECT_EQ(beginsWithNumber(GetParam().text), GetParam().number) << GetParam().text;
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Texts, FloatValueTest, ::testing::Values(
    FloatRow{" \t1.5", 1.5f, true}, FloatRow{"-5.865", -5.865f, true}, FloatRow{"+3", 3.0f, true},
    FloatRow{".5", 0.5f, true}, FloatRow{"5.", 5.0f, true}, FloatRow{"1.185185185", 1.185185194f, true},
    FloatRow{"2.5E-1x", 0.25f, true}, FloatRow{"1e+", 1.0f, true}, FloatRow{"1,5", 1.0f, true},
    FloatRow{"0x10", 0.0f, true}, FloatRow{"abc", 0.0f, false}, FloatRow{"", 0.0f, false},
    FloatRow{"-", 0.0f, false}, FloatRow{".", 0.0f, false}, FloatRow{"e5", 0.0f, false},
    FloatRow{"NaN", std::numeric_limits<float>::quiet_NaN(), true}, FloatRow{"-inf", -kInf, true},
    FloatRow{"1e400", kInf, true}, FloatRow{"-1e39", -kInf, true}, FloatRow{"-1e-400", -0.0f, true},
    FloatRow{"0.00000000000000000000000000000000000000000000000001e-400", 0.0f, true},
    FloatRow{"99999999999999999999999999999999999999999999999999e400", kInf, true}));

} // namespace
} // namespace quaverly
