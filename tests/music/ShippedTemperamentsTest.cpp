// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/NoteResolver.h"
#include "music/TemperamentTable.h"

#include "music/MusicTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quaverly {
namespace {

const std::string kResource = std::string(QUAVERLY_SOURCE_DIR) + "/resources/Temperaments.txt";

const TemperamentTable& shipped()
{
    static const TemperamentTable table = loadTemperamentsFile(kResource, [](std::string_view line) {
        ADD_FAILURE() << "the shipped temperaments log: " << line;
    });
    return table;
}

double cents(double ratio)
{
    return 1200.0 * std::log2(ratio);
}

TEST(ShippedTemperamentsTest, IsUtf16WithAByteOrderMarkAndLoadsEveryEntry)
{
    std::ifstream file(kResource, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_TRUE(bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0);
    EXPECT_EQ(shipped().names(),
              (std::vector<std::string>{"1/4-comma meantone", "1/6-comma meantone", "Just intonation", "Kirnberger III",
                                        "Pythagorean", "Vallotti", "Werckmeister III", "Young II"}));
}

// Published cents above C (Barbour, Tuning and Temperament, 1951).
struct PublishedRow {
    std::string_view name;
    std::array<double, 12> centsAboveC;
};

void PrintTo(const PublishedRow& row, std::ostream* os)
{
    *os << row.name;
}

class PublishedCentsTest : public ::testing::TestWithParam<PublishedRow> {};

TEST_P(PublishedCentsTest, MatchesThePublishedTable)
{
    const auto r = shipped().rowOf(GetParam().name);
    ASSERT_TRUE(r) << GetParam().name;
    const auto row = shipped().row(*r);
    for (std::size_t k = 0; k < 12; ++k)
        EXPECT_NEAR(cents(row[k]), GetParam().centsAboveC[k], 0.01) << GetParam().name << " degree " << k;
}

INSTANTIATE_TEST_SUITE_P(Temperaments, PublishedCentsTest, ::testing::Values(
    PublishedRow{"Pythagorean", {0, 113.685, 203.910, 294.135, 407.820, 498.045, 611.730, 701.955, 815.640, 905.865,
                                 996.090, 1109.775}},
    PublishedRow{"1/4-comma meantone", {0, 76.049, 193.157, 310.265, 386.314, 503.422, 579.471, 696.578, 772.627,
                                        889.735, 1006.843, 1082.892}},
    PublishedRow{"1/6-comma meantone", {0, 88.594, 196.741, 304.888, 393.482, 501.629, 590.224, 698.371, 786.965,
                                        895.112, 1003.259, 1091.853}},
    PublishedRow{"Werckmeister III", {0, 90.225, 192.180, 294.135, 390.225, 498.045, 588.270, 696.090, 792.180,
                                      888.270, 996.090, 1092.180}},
    PublishedRow{"Kirnberger III", {0, 90.225, 193.157, 294.135, 386.314, 498.045, 590.224, 696.578, 792.180,
                                    889.735, 996.090, 1088.269}},
    PublishedRow{"Vallotti", {0, 94.135, 196.090, 298.045, 392.180, 501.955, 592.180, 698.045, 796.090, 894.135,
                              1000.000, 1090.225}},
    PublishedRow{"Young II", {0, 90.225, 196.090, 294.135, 392.180, 498.045, 588.270, 698.045, 792.180, 894.135,
                              996.090, 1090.225}},
    PublishedRow{"Just intonation", {0, 111.731, 203.910, 315.641, 386.314, 498.045, 590.224, 701.955, 813.686,
                                     884.359, 1017.596, 1088.269}}),
    [](const auto& info) {
        std::string name;
        for (const char c : info.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// The character of each temperament: the size of its twelve fifths, from
// C-G round the circle to F-C.
constexpr double kPure = 701.955;
constexpr double kPcQuarter = 701.955 - 23.460 / 4;  // Pythagorean comma
constexpr double kPcSixth = 701.955 - 23.460 / 6;
constexpr double kScQuarter = 701.955 - 21.506 / 4;  // syntonic comma
constexpr double kScSixth = 701.955 - 21.506 / 6;
constexpr double kSchisma = 701.955 - 1.954;

struct FifthsRow {
    std::string_view name;
    std::array<double, 12> fifths; // C-G, G-D, D-A, A-E, E-B, B-F#, F#-C#, C#-G#, G#-Eb, Eb-Bb, Bb-F, F-C
};

void PrintTo(const FifthsRow& row, std::ostream* os)
{
    *os << row.name;
}

class FifthsTest : public ::testing::TestWithParam<FifthsRow> {};

TEST_P(FifthsTest, FifthsHaveTheTemperamentsCharacter)
{
    const auto r = shipped().rowOf(GetParam().name);
    ASSERT_TRUE(r);
    const auto row = shipped().row(*r);
    std::size_t degree = 0;
    for (std::size_t i = 0; i < 12; ++i) {
        const std::size_t upper = (degree + 7) % 12;
        const double octave = degree + 7 >= 12 ? 2.0 : 1.0;
        EXPECT_NEAR(cents(octave * row[upper] / row[degree]), GetParam().fifths[i], 0.01)
            << GetParam().name << " fifth " << i;
        degree = upper;
    }
}

constexpr double kWolfPyth = 8400.0 - 11 * kPure;

INSTANTIATE_TEST_SUITE_P(Temperaments, FifthsTest, ::testing::Values(
    FifthsRow{"Pythagorean", {kPure, kPure, kPure, kPure, kPure, kPure, kPure, kPure, kWolfPyth, kPure, kPure, kPure}},
    FifthsRow{"1/4-comma meantone", {kScQuarter, kScQuarter, kScQuarter, kScQuarter, kScQuarter, kScQuarter,
                                     kScQuarter, kScQuarter, 8400 - 11 * kScQuarter, kScQuarter, kScQuarter,
                                     kScQuarter}},
    FifthsRow{"1/6-comma meantone", {kScSixth, kScSixth, kScSixth, kScSixth, kScSixth, kScSixth, kScSixth, kScSixth,
                                     8400 - 11 * kScSixth, kScSixth, kScSixth, kScSixth}},
    FifthsRow{"Werckmeister III", {kPcQuarter, kPcQuarter, kPcQuarter, kPure, kPure, kPcQuarter, kPure, kPure, kPure,
                                   kPure, kPure, kPure}},
    FifthsRow{"Kirnberger III", {kScQuarter, kScQuarter, kScQuarter, kScQuarter, kPure, kPure, kSchisma, kPure, kPure,
                                 kPure, kPure, kPure}},
    FifthsRow{"Vallotti", {kPcSixth, kPcSixth, kPcSixth, kPcSixth, kPcSixth, kPure, kPure, kPure, kPure, kPure,
                           kPure, kPcSixth}},
    FifthsRow{"Young II", {kPcSixth, kPcSixth, kPcSixth, kPcSixth, kPcSixth, kPcSixth, kPure, kPure, kPure, kPure,
                           kPure, kPure}}),
    [](const auto& info) {
        std::string name;
        for (const char c : info.param.name)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(ShippedTemperamentsTest, JustIntonationHasPureTriadsOnCFAndG)
{
    const auto row = shipped().row(*shipped().rowOf("Just intonation"));
    for (const std::size_t root : {0u, 5u, 7u}) {
        const auto ratio = [&](std::size_t up) {
            const std::size_t k = root + up;
            return k >= 12 ? 2.0 * row[k - 12] / row[root] : static_cast<double>(row[k]) / row[root];
        };
        EXPECT_NEAR(ratio(4), 1.25, 1e-6) << "major third on " << root;
        EXPECT_NEAR(ratio(7), 1.5, 1e-6) << "fifth on " << root;
    }
}

TEST(ShippedTemperamentsTest, ToolTipsAreSmallDeviationsWithAAtZero)
{
    for (std::size_t r = 0; r < shipped().temperamentCount(); ++r) {
        std::array<double, 12> c{};
        const int read = std::sscanf(shipped().toolTip(r).c_str(),
                                     "cents = (%lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf)", &c[0],
                                     &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7], &c[8], &c[9], &c[10], &c[11]);
        ASSERT_EQ(read, 12) << shipped().toolTip(r);
        EXPECT_EQ(c[9], 0.0) << shipped().name(r);
        for (const double value : c)
            EXPECT_LT(std::fabs(value), 40.0) << shipped().name(r) << ": " << shipped().toolTip(r);
    }
}

TEST(ShippedTemperamentsTest, EveryRowResolvesEveryNoteNearItsIdealPitch)
{
    NoteResolver resolver(loadTemperamentsFile(kResource));
    for (std::int64_t tuning = 1; tuning <= static_cast<std::int64_t>(resolver.temperaments().temperamentCount());
         ++tuning) {
        resolver.setTuning(tuning);
        for (std::int64_t tonic = 0; tonic < 12; ++tonic) {
            resolver.setTonic(tonic);
            for (int n = kLowestNote; n <= kHighestNote; ++n) {
                const float ideal = resolver.idealFrequency(n % 12, n / 12);
                const auto note = resolver.resolve(ideal);
                ASSERT_TRUE(note) << "tuning " << tuning << " tonic " << tonic << " note " << n;
                EXPECT_EQ(note->n, n) << "tuning " << tuning << " tonic " << tonic;
                EXPECT_NEAR(note->deviation, 0.0f, 1e-5f);
            }
        }
    }
}

} // namespace
} // namespace quaverly
