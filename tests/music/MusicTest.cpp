// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/FloatValue.h"
#include "music/NoteNaming.h"
#include "music/NoteResolver.h"
#include "music/PropertyList.h"
#include "music/Readouts.h"
#include "music/TemperamentTable.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace quaverly {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
using Names = std::vector<std::string>;
constexpr auto kRowName = [](const auto &info) { return std::string(info.param.name); };
const std::string kZeros = "0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0";
const std::string kPythagoreanTip =
    "cents = (-5.865, 7.820, -1.955, -11.730, 1.955, -7.820, 5.865, -3.910, 9.775, 0.000, -9.775, 3.910)";

// UTF-16 text as resource bytes, little- or big-endian, behind a byte-order mark or not.
std::string bytesOf(std::u16string_view text, bool little, bool mark)
{
    std::string bytes = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (const char16_t unit : text)
        bytes += little ? std::string{char(unit & 0xFF), char(unit >> 8)}
                        : std::string{char(unit >> 8), char(unit & 0xFF)};
    return bytes;
}

struct ParseRow {
    const char *name;
    std::string text;
    std::size_t line = 0; // of the error; 0: parses
    std::string_view want; // the string read, or a part of the error
};
class PropertyListTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(PropertyListTest, ReadsStringsOrSaysWhatIsWrongAndWhere)
{
    const auto parsed = parsePropertyList(GetParam().text);
    if (GetParam().line == 0) {
        ASSERT_TRUE(parsed.value) << GetParam().text << ": " << parsed.error.description();
        EXPECT_EQ(parsed.value->string, GetParam().want) << GetParam().text;
        return;
    }
    ASSERT_FALSE(parsed.value) << GetParam().text;
    EXPECT_EQ(parsed.error.line, GetParam().line) << parsed.error.description();
    EXPECT_NE(parsed.error.message.find(GetParam().want), std::string::npos) << parsed.error.description();
}

INSTANTIATE_TEST_SUITE_P(Texts, PropertyListTest, ::testing::Values(
    ParseRow{.name = "Escapes", .text = R"("a\nb\tc\q")", .want = "a\nb\tcq"},
    ParseRow{.name = "SingleQuoted", .text = R"('say "hi" \' \\')", .want = "say \"hi\" ' \\"},
    ParseRow{.name = "UnicodeEscapes", .text = R"("\U00e9t\u266F")", .want = "\xC3\xA9t\xE2\x99\xAF"},
    ParseRow{.name = "LoneSurrogatesReplaced", .text = R"("\UDD1E\UD834x\UD834\UD834\UDD1E\U0")",
             .want = "\xEF\xBF\xBD\xEF\xBF\xBDx\xEF\xBF\xBD\xF0\x9D\x84\x9E\xEF\xBF\xBD"},
    ParseRow{.name = "BareWordAmidComments", .text = " /* a */ bare_$:/.-5+ // b", .want = "bare_$:/.-5+"},
    ParseRow{.name = "BareUtf8Word", .text = "Gr\xC3\xBC\xC3\x9F" "e", .want = "Gr\xC3\xBC\xC3\x9F" "e"},
    ParseRow{.name = "Empty", .text = "", .line = 1, .want = "empty"},
    ParseRow{.name = "LinesOfEveryBreak", .text = "{\r\n a = (1,\r 2\n 3 4);\n}", .line = 4,
             .want = "expected ',' or ')' in the array opened at line 2"},
    ParseRow{.name = "MissingSemicolon", .text = "{\n a = (1, 2)\n}", .line = 3, .want = "expected ';' after the value of \"a\""},
    ParseRow{.name = "MissingEquals", .text = "{ a (1); }", .line = 1, .want = "expected '=' after the key \"a\""},
    ParseRow{.name = "ArrayNeverClosed", .text = "{\n\n a = (1,\n 2", .line = 3, .want = "never closed"},
    ParseRow{.name = "CommentNeverClosed", .text = "{ a = b; }\n/* note", .line = 2, .want = "comment opened here is never closed"},
    ParseRow{.name = "ArrayAsKey", .text = "{ (1) = b; }", .line = 1, .want = "key must be a string"},
    ParseRow{.name = "EmptyUnicodeEscape", .text = "\"\\U\"", .line = 1, .want = "\\U without hexadecimal digits"},
    ParseRow{.name = "Xml", .text = "\n<?xml version=\"1.0\"?>", .line = 2, .want = "XML"},
    ParseRow{.name = "LowestPrintableShownAsItself", .text = "{ a = !; }", .line = 1, .want = "found '!'"},
    ParseRow{.name = "NulByte", .text = std::string("{ a = \0; }", 10), .line = 1, .want = "byte 0x00"},
    ParseRow{.name = "Nesting256", .text = std::string(256, '(') + std::string(256, ')'), .want = ""},
    ParseRow{.name = "Nesting257", .text = std::string(257, '(') + std::string(257, ')'), .line = 1,
             .want = "nesting deeper than 256 levels"},
    // Forms no temperament file uses are errors, not silently read.
    ParseRow{.name = "Data", .text = "{ a = <0fbd>; }", .line = 1, .want = "found '<'"},
    ParseRow{.name = "OctalEscape", .text = R"("\101")", .line = 1, .want = "unsupported escape \\1"},
    ParseRow{.name = "BareDictionaryBody", .text = "a = (1, 2);", .line = 1, .want = "unexpected '=' after the end"}),
    kRowName);

struct FloatRow {
    const char *name;
    std::string_view text;
    float value, typed; // as a property-list element, as typed into the reference field
    bool number;
};
class FloatValueTest : public ::testing::TestWithParam<FloatRow> {};

TEST_P(FloatValueTest, ReadsTheLeadingNumberWhateverFollowsInEveryLocale)
{
    const auto same = [](float a, float b) { return a == b && std::signbit(a) == std::signbit(b); };
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        ASSERT_TRUE(std::setlocale(LC_ALL, locale)) << locale << " is not generated: run scripts/setup.sh";
        EXPECT_TRUE(same(floatValue(GetParam().text), GetParam().value)) << GetParam().text << " in " << locale;
        EXPECT_TRUE(same(typedFloatValue(GetParam().text), GetParam().typed)) << GetParam().text << " typed in " << locale;
        EXPECT_EQ(beginsWithNumber(GetParam().text), GetParam().number) << GetParam().text;
    }
    std::setlocale(LC_ALL, "C");
}

INSTANTIATE_TEST_SUITE_P(Texts, FloatValueTest, ::testing::Values(
    FloatRow{.name = "LeadingBlanks", .text = " \t1.5", .value = 1.5f, .typed = 1.5f, .number = true},
    FloatRow{.name = "Negative", .text = "-5.865", .value = -5.865f, .typed = -5.865f, .number = true},
    FloatRow{.name = "RoundedToFloat", .text = "1.185185185", .value = 1.185185194f, .typed = 1.185185194f, .number = true},
    FloatRow{.name = "CommaTypedAsPoint", .text = "442,5", .value = 442.0f, .typed = 442.5f, .number = true},
    FloatRow{.name = "CommaAfterPoint", .text = "1.5,5", .value = 1.5f, .typed = 1.5f, .number = true},
    FloatRow{.name = "NoHexadecimal", .text = "0x10", .value = 0.0f, .typed = 0.0f, .number = true},
    FloatRow{.name = "NegativeZero", .text = "-0X1p3", .value = -0.0f, .typed = -0.0f, .number = true},
    FloatRow{.name = "Word", .text = "abc", .value = 0.0f, .typed = 0.0f, .number = false},
    FloatRow{.name = "Empty", .text = "", .value = 0.0f, .typed = 0.0f, .number = false},
    FloatRow{.name = "Overflow", .text = "1e39", .value = kInf, .typed = kInf, .number = true}), kRowName);

struct LoadRow {
    const char *name;
    std::string text;
    Names names;
    Names logs = {}; // a part of each log line, in order
};
class TemperamentLoadTest : public ::testing::TestWithParam<LoadRow> {};

TEST_P(TemperamentLoadTest, LoadsValidEntriesInCaseInsensitiveOrderAndLogsTheOthers)
{
    Names logs;
    const TemperamentTable table = loadTemperaments(GetParam().text, [&](std::string_view l) { logs.emplace_back(l); });
    EXPECT_EQ(table.names(), GetParam().names) << GetParam().text;
    EXPECT_EQ(table.temperamentCount(), GetParam().names.size());
    ASSERT_EQ(logs.size(), GetParam().logs.size()) << (logs.empty() ? "" : logs.front());
    for (std::size_t i = 0; i < logs.size(); ++i)
        EXPECT_NE(logs[i].find(GetParam().logs[i]), std::string::npos) << logs[i];
}

// One name with a character outside the BMP, as UTF-16 and as UTF-8.
const std::u16string kGreeting = u"// \u266F\n{ \"Gr\u00FC\u00DFe \U0001D11E\" = (" + std::u16string(kZeros.begin(), kZeros.end()) + u"); }";
const std::string kGreetingUtf8 = "// \xE2\x99\xAF\n{ \"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E\" = (" + kZeros + "); }";
const Names kGreetingName{"Gr\xC3\xBC\xC3\x9F" "e \xF0\x9D\x84\x9E"};

std::string entries(const Names& names, const std::string& values = kZeros)
{
    std::string text = "{\n";
    for (const auto& name : names)
        text += "\"" + name + "\" = (" + values + ");\n";
    return text + "}";
}

INSTANTIATE_TEST_SUITE_P(Entries, TemperamentLoadTest, ::testing::Values(
    LoadRow{.name = "EmptyDictionary", .text = "{}", .names = {}},
    LoadRow{.name = "CaseInsensitiveOrder", .text = entries({"Beta", "alpha", "bz", "B", "a"}), .names = {"a", "alpha", "B", "Beta", "bz"}},
    // Folded: Latin-1, Latin Extended-A (pairs from a range's first, odd-even pairs, each range's edges), Greek
    // with final sigma and its last capital, Cyrillic to its last capital. Ÿ takes the earlier suffix: it must
    // fold onto ÿ itself, not next to it.
    LoadRow{.name = "FoldedBeyondAscii",
            .text = entries({"\xC3\x80" "b", "\xC3\xA0" "a", "\xD0\x90" "b", "\xD0\xB0" "a", "\xC4\x80" "b", "\xC4\x81" "a",
                             "\xC5\x81" "b", "\xC5\x82" "a", "\xCE\xA3" "b", "\xCF\x82" "a", "\xD0\xAF" "b", "\xD1\x8F" "a",
                             "\xD0\x81" "b", "\xD1\x91" "a", "\xC5\xB8" "a", "\xC3\xBF" "b", "\xC5\x8A" "b", "\xC5\x8B" "a",
                             "\xC4\xB9" "b", "\xC4\xBA" "a", "\xC5\xB9" "b", "\xC5\xBA" "a", "\xCE\xAB" "b", "\xCF\x8B" "a"}),
            .names = {"\xC3\xA0" "a", "\xC3\x80" "b", "\xC5\xB8" "a", "\xC3\xBF" "b", "\xC4\x81" "a", "\xC4\x80" "b",
                      "\xC4\xBA" "a", "\xC4\xB9" "b", "\xC5\x82" "a", "\xC5\x81" "b", "\xC5\x8B" "a", "\xC5\x8A" "b",
                      "\xC5\xBA" "a", "\xC5\xB9" "b", "\xCF\x82" "a", "\xCE\xA3" "b", "\xCF\x8B" "a", "\xCE\xAB" "b",
                      "\xD0\xB0" "a", "\xD0\x90" "b", "\xD1\x8F" "a", "\xD0\xAF" "b", "\xD1\x91" "a", "\xD0\x81" "b"}},
    LoadRow{.name = "ShortRowLeftOut", .text = "{ c = (" + kZeros + "); b = (1, 2); a = (" + kZeros + "); }",
            .names = {"a", "c"}, .logs = {"*** Invalid Temperament Pitch Table. ***"}},
    LoadRow{.name = "WrongTypesLeftOut", .text = "{\nword = (" + kZeros + ");\ntext = hello;\ndict = { a = b; };\n}", .names = {"word"},
            .logs = {"line 4: the temperament \"dict\" is a dictionary", "line 3: the temperament \"text\" is a string"}},
    LoadRow{.name = "WordAmongValues", .text = "{\nbad = (1.0, 2.0,\n sharp, 4, 5, 6, 7, 8, 9, 10, 11, 12);\nok = (" + kZeros + ");\n}",
            .names = {"ok"}, .logs = {"line 3: value 3 of the temperament \"bad\" is not a number"}},
    LoadRow{.name = "ExtraValueAndSuffixRead",
            .text = "{ long = (" + kZeros + ", x); suffix = (1.0, 1.5abc, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); }",
            .names = {"long", "suffix"}},
    LoadRow{.name = "LastOfTwinNamesCounts", .text = "{ b = (" + kZeros + "); a = (" + kZeros + "); b = (1, 2); }",
            .names = {"a"}, .logs = {"Invalid"}},
    // UTF-16 either way with a mark or without, UTF-8 with or without one: the same name.
    LoadRow{.name = "Utf16LittleMarked", .text = bytesOf(kGreeting, true, true), .names = kGreetingName},
    LoadRow{.name = "Utf16BigMarked", .text = bytesOf(kGreeting, false, true), .names = kGreetingName},
    LoadRow{.name = "Utf16Little", .text = bytesOf(kGreeting, true, false), .names = kGreetingName},
    LoadRow{.name = "Utf16Big", .text = bytesOf(kGreeting, false, false), .names = kGreetingName},
    LoadRow{.name = "Utf8", .text = kGreetingUtf8, .names = kGreetingName},
    LoadRow{.name = "Utf8Marked", .text = "\xEF\xBB\xBF" + kGreetingUtf8, .names = kGreetingName},
    // Unusable resources: one line, and the built-in default.
    LoadRow{.name = "EmptyText", .text = "", .names = {"Pythagorean"}, .logs = {"the text is empty"}},
    LoadRow{.name = "ArrayRoot", .text = bytesOf(u"\n(1, 2, 3)", true, true), .names = {"Pythagorean"},
            .logs = {"line 2: the root is an array"}},
    LoadRow{.name = "StringRoot", .text = bytesOf(u"hello", false, false), .names = {"Pythagorean"}, .logs = {"the root is a string"}},
    LoadRow{.name = "OddByteCount", .text = std::string("\xFF\xFE{\0}", 5), .names = {"Pythagorean"}, .logs = {"odd number of bytes"}},
    LoadRow{.name = "OneNulMeansUtf16", .text = std::string("{\0", 2), .names = {"Pythagorean"}, .logs = {"dictionary opened here is never closed"}},
    LoadRow{.name = "Latin1", .text = "{ \"R\xE9\" = (1); }", .names = {"Pythagorean"},
            .logs = {"neither UTF-16 nor UTF-8 (invalid byte at offset 4)"}},
    LoadRow{.name = "Utf8CutShort", .text = "{ a = b\xC3", .names = {"Pythagorean"}, .logs = {"offset 7"}},
    LoadRow{.name = "Utf8BehindUtf16Mark", .text = "\xFF\xFE{ a = (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); }",
            .names = {"Pythagorean"}, .logs = {"the root is a string"}}),
    kRowName);

TEST(TemperamentToolTips, ListCentsFromEqualTemperamentWithAAsZeroInEitherForm)
{
    EXPECT_EQ(loadTemperaments("{ t = (260.7407407, 278.4375001, 293.3333333, 309.0260631, 330, 347.6543209, 371.25, "
                               "391.1111111, 417.6562501, 440, 463.5390947, 495); }").toolTip(0), kPythagoreanTip);
    EXPECT_EQ(loadTemperaments("{ t = (0, 10, -20, 0, 0, 0, 0, 0, 0, 5, 0, 0); }").toolTip(0),
              "cents = (-5.000, 5.000, -25.000, -5.000, -5.000, -5.000, -5.000, -5.000, -5.000, 0.000, -5.000, -5.000)");
}

// The first row of these temperaments (the built-in Pythagorean one by default).
NoteResolver tuned(std::int64_t tonic = 0, std::string_view temperaments = kBuiltInTemperaments)
{
    NoteResolver resolver(loadTemperaments(temperaments));
    resolver.setTuning(1);
    resolver.setTonic(tonic);
    return resolver;
}

struct ResolveRow {
    const char *name;
    float hz, reference = 440;
    int transpose = 0, n = 0;
    float deviation = 0;
    std::string_view note = {}; // as written; empty: no result
};
class ResolveTest : public ::testing::TestWithParam<ResolveRow> {};

TEST_P(ResolveTest, FindsNearestNoteDeviationAndWrittenName)
{
    const ResolveRow &row = GetParam();
    NoteResolver resolver;
    resolver.setReferencePitch(row.reference);
    resolver.setTranspose(row.transpose);
    const auto note = resolver.resolve(row.hz);
    ASSERT_EQ(note.has_value(), !row.note.empty()) << row.hz << " Hz at " << row.reference;
    if (note) {
        EXPECT_EQ(note->n, row.n) << row.hz;
        EXPECT_NEAR(note->deviation, row.deviation, 5e-4) << row.hz;
        EXPECT_EQ(noteName(*note), row.note) << row.hz << " Hz, transposition " << row.transpose;
    }
}

INSTANTIATE_TEST_SUITE_P(EqualTemperament, ResolveTest, ::testing::Values(
    ResolveRow{.name = "A4", .hz = 446, .n = 57, .deviation = 0.2344f, .note = "A4"},
    ResolveRow{.name = "A0", .hz = 27, .n = 9, .deviation = -0.3177f, .note = "A0"},
    ResolveRow{.name = "C8", .hz = 4300, .n = 96, .deviation = 0.4651f, .note = "C8"},
    ResolveRow{.name = "Reference442", .hz = 440, .reference = 442, .n = 57, .deviation = -0.0785f, .note = "A4"},
    ResolveRow{.name = "Flat", .hz = 466.16f, .n = 58, .note = "B\u266D4"},
    ResolveRow{.name = "Sharp", .hz = 369.99f, .n = 54, .note = "F\u266F4"},
    ResolveRow{.name = "TransposedDown2", .hz = 233.08f, .transpose = -2, .n = 46, .note = "C4"},
    ResolveRow{.name = "TransposedUp3", .hz = 261.63f, .transpose = 3, .n = 48, .note = "A3"},
    ResolveRow{.name = "TransposedDown11", .hz = 130.81f, .transpose = -11, .n = 36, .note = "B3"},
    ResolveRow{.name = "TransposedUp11", .hz = 4186, .transpose = 11, .n = 96, .note = "C\u266F7"},
    // x is exactly 50.0: the cents refer to D4, so the name must be D4 too.
    ResolveRow{.name = "HalfwayNamesTheNoteOfTheCents", .hz = 285.3046875f, .n = 50, .deviation = -0.5f, .note = "D4"},
    ResolveRow{.name = "HalfwayTransposed", .hz = 285.3046875f, .transpose = 2, .n = 50, .deviation = -0.5f, .note = "C4"},
    // Written below C0: the right semitone, and an octave of −1 shown as "-".
    ResolveRow{.name = "WrittenBelowC0", .hz = 27.5f, .transpose = 11, .n = 9, .note = "B\u266D-"},
    ResolveRow{.name = "WrittenC0", .hz = 29.1352f, .transpose = 10, .n = 10, .note = "C0"},
    ResolveRow{.name = "BelowA0", .hz = 26.7f},
    ResolveRow{.name = "AboveC8", .hz = 4310},
    ResolveRow{.name = "NaN", .hz = kNan},
    ResolveRow{.name = "Infinite", .hz = kInf},
    ResolveRow{.name = "NaNReference", .hz = 440, .reference = kNan}), kRowName);

TEST(TemperamentResolveTest, DeviationIsFromTheTemperedPitchAndUnusableRowsGiveNoResult)
{
    const auto note = tuned(0, "{ r = (0, 0, 0, 0, 80, 0, 0, 0, 0, 0, 0, 0); }").resolve(329.6276f);
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->n == 52 && std::fabs(note->deviation + 0.8f) < 2e-4f) << "named after the nearest equal note";
    EXPECT_FALSE(tuned(0, "{ r = (1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1); }").resolve(277.0f)) << "zero ratio";
    EXPECT_FALSE(tuned(0, "{ r = (nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11); }").resolve(440.0f));
    // Laid on D: E is a Pythagorean tone above D, C below D falls in the octave under it; laid on B
    // (440 Hz / (16/9) = 247.5), C4 is an apotome above B3.
    for (const auto &[tonic, hz, ideal] : {std::tuple{2, 330.0f, 330.0f}, {2, 260.74f, 260.7407f}, {11, 264.3f, 264.2981f}})
        EXPECT_NEAR(tuned(tonic).resolve(hz)->ideal, ideal, 0.01f) << hz << " Hz, tonic " << tonic;
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
    for (const auto &[v, text] : {std::pair<std::int32_t, std::string_view>{1, "+1"}, {0, "\u00B10"}, {-23, "-23"},
                                  {std::numeric_limits<std::int32_t>::min(), "-2147483648"}})
        EXPECT_EQ(plusMinusValueString(v), text) << v;
    for (const auto &[v, text] : {std::pair<float, std::string_view>{-0.04f, "\u00B10.0Hz"}, {0.0499f, "\u00B10.0Hz"},
                                  {0.06f, "+0.1Hz"}, {-0.06f, "-0.1Hz"}})
        EXPECT_EQ(plusMinusFloatString(v), text) << v;
    for (const auto &[deviation, cents] : {std::pair<float, std::int32_t>{-0.035f, -3}, {0.9999f, 99}, {kNan, 0},
                                           {-kInf, std::numeric_limits<std::int32_t>::min()}, {3e7f, 2147483647}})
        EXPECT_EQ(wholeCents(deviation), cents) << deviation;
}

// One pitch class in the three conventions (English, German, solfège): the readout's names,
// then the tonic menu's.
struct NamingRow {
    std::string_view label;
    float hz; // in octave 3 or 4 at A4 = 440
    std::string_view names;
};
class NoteNamingTest : public ::testing::TestWithParam<NamingRow> {};

TEST_P(NoteNamingTest, EveryConventionNamesTheNoteAndItsTonicMenuItem)
{
    const NamingRow &row = GetParam();
    std::istringstream words{std::string(row.names)};
    const std::vector<std::string> names{std::istream_iterator<std::string>(words), {}};
    ASSERT_EQ(names.size(), 6u) << row.names;
    for (const NoteNaming naming : {NoteNaming::English, NoteNaming::German, NoteNaming::Solfege}) {
        NoteResolver resolver;
        resolver.setNoteNaming(naming);
        const auto note = resolver.resolve(row.hz);
        ASSERT_TRUE(note) << row.hz;
        const auto i = static_cast<std::size_t>(naming);
        EXPECT_EQ(noteName(*note, naming), names[i]) << noteNamingKey(naming);
        const std::string title = resolver.tonicMenuTitle(note->semitone);
        EXPECT_EQ(title.substr(0, title.find(' ')), names[3 + i]) << noteNamingKey(naming);
    }
}

INSTANTIATE_TEST_SUITE_P(PitchClasses, NoteNamingTest, ::testing::Values(
    NamingRow{"C4", 261.63f, "C4 C4 Do4 C C Do"},
    NamingRow{"CSharp4", 277.18f, "C\u266F4 C\u266F4 Do\u266F4 C#/Db C#/Db Do#/Reb"},
    NamingRow{"EFlat4", 311.13f, "E\u266D4 E\u266D4 Mi\u266D4 D#/Eb D#/Eb Re#/Mib"},
    NamingRow{"F4", 349.23f, "F4 F4 Fa4 F F Fa"},
    NamingRow{"FSharp4", 369.99f, "F\u266F4 F\u266F4 Fa\u266F4 F#/Gb F#/Gb Fa#/Solb"},
    NamingRow{"A4", 440.0f, "A4 A4 La4 A A La"},
    NamingRow{"BFlat4", 466.16f, "B\u266D4 B4 Si\u266D4 A#/Bb A#/B La#/Sib"},
    NamingRow{"B4", 493.88f, "B4 H4 Si4 B H Si"},
    // The octave turns at C, not at A nor at H: B3 and C4 lie a semitone apart.
    NamingRow{"B3", 246.94f, "B3 H3 Si3 B H Si"},
    NamingRow{"BFlat3", 233.08f, "B\u266D3 B3 Si\u266D3 A#/Bb A#/B La#/Sib"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(NoteNaming, TranspositionTextsAndStoredWordsFollowTheConvention)
{
    const struct { std::int64_t t; NoteNaming naming; std::string_view text; } rows[] = {
        {-2, NoteNaming::English, "C = A#/Bb (-2)"}, {-2, NoteNaming::German, "C = A#/B (-2)"},
        {-2, NoteNaming::Solfege, "Do = La#/Sib (-2)"}, {11, NoteNaming::German, "C = H (+11)"},
        {3, NoteNaming::Solfege, "Do = Re#/Mib (+3)"}, {0, NoteNaming::Solfege, ""}};
    for (const auto &row : rows)
        EXPECT_EQ(transposeText(row.t, row.naming), row.text) << row.t << " " << noteNamingKey(row.naming);
    // The transposition menu spells an upward semitone D♭ and shows both spellings of the tritone.
    EXPECT_EQ(flatSpelling(1, NoteNaming::Solfege), "Re\u266D");
    EXPECT_EQ(flatSpelling(10, NoteNaming::German), "B");
    EXPECT_EQ(enharmonicText(6, NoteNaming::Solfege), "Fa\u266F/Sol\u266D");
    EXPECT_EQ(enharmonicText(10, NoteNaming::German), "A\u266F/B");
    for (const NoteNaming naming : {NoteNaming::English, NoteNaming::German, NoteNaming::Solfege})
        EXPECT_EQ(noteNamingFromKey(noteNamingKey(naming)), naming);
    for (const std::string_view unknown : {"", "English", "latin", "solfège", "german "})
        EXPECT_FALSE(noteNamingFromKey(unknown)) << unknown;
}

TEST(Readouts, ATypedReferencePitchIsClampedWithABeep)
{
    const struct { float typed, current, value; bool changed, beep; } rows[] = {{440, 440, 440, false, false},
        {500, 440, 499.9f, true, true}, {499.9f, 440, 499.9f, true, false}, {349, 440, 349, true, false},
        {348.99f, 440, 349, true, true}, {300, 349, 349, true, true}, {kNan, 440, 349, true, true}};
    for (const auto &row : rows) {
        const ReferencePitchEdit edit = clampReferencePitch(row.typed, row.current);
        EXPECT_TRUE(edit.value == row.value && edit.changed == row.changed && edit.beep == row.beep) << row.typed;
    }
}

} // namespace
} // namespace quaverly
