// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/NoteResolver.h"
#include "music/TemperamentTable.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
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

TEST(ShippedTemperamentsTest, IsUtf16WithAByteOrderMarkAndLoadsEveryEntry)
{
    std::ifstream file(kResource, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(shipped().names(), (std::vector<std::string>{"1/4-comma meantone", "1/6-comma meantone",
        "Just intonation", "Kirnberger III", "Pythagorean", "Vallotti", "Werckmeister III", "Young II"}));
}

// Cents above C as published (Barbour, Tuning and Temperament, 1951).
using PublishedRow = std::pair<std::string_view, std::array<double, 12>>;

class PublishedCentsTest : public ::testing::TestWithParam<PublishedRow> {};

TEST_P(PublishedCentsTest, MatchesThePublishedTable)
{
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

// The character of each temperament: which of its fifths (C-G round to F-C) are pure.
TEST(ShippedTemperamentsTest, FifthsHaveEachTemperamentsCharacter)
{
    const std::pair<std::string_view, std::string_view> patterns[] = {
        {"Pythagorean", "PPPPPPPPWPPP"}, {"1/4-comma meantone", "TTTTTTTTWTTT"}, {"Werckmeister III", "TTTPPTPPPPPP"},
        {"Kirnberger III", "TTTTPPTPPPPP"}, {"Vallotti", "TTTTTPPPPPPT"}, {"Young II", "TTTTTTPPPPPP"}};
    for (const auto& [name, pattern] : patterns) {
        const auto row = shipped().row(*shipped().rowOf(name));
        for (std::size_t i = 0, degree = 0; i < 12; ++i, degree = (degree + 7) % 12) {
            const std::size_t upper = (degree + 7) % 12;
            const double fifth = 1200 * std::log2((upper < degree ? 2.0 : 1.0) * row[upper] / row[degree]);
            const double off = std::fabs(fifth - 701.955);
            const char kind = off < 0.01 ? 'P' : off < 15 ? 'T' : 'W'; // pure, tempered, wolf
            EXPECT_EQ(kind, pattern[i]) << name << " fifth " << i << ": " << fifth;
        }
    }
}

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
