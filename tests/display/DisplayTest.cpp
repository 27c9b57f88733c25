// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"

#include "support/QtApp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

namespace quaverly {
namespace {

constexpr float kRate = 44100.0f;
constexpr std::size_t kBlock = 3207; // two periods of A0 at 44.1 kHz

using test::Shown, test::kRowName;

CaptureBlock sine(double hz, std::size_t block)
{
    auto samples = std::make_shared<std::vector<float>>(kBlock);
    for (std::size_t i = 0; i < kBlock; ++i)
        (*samples)[i] = float(std::sin(2.0 * std::numbers::pi * hz * double(block * kBlock + i) / kRate));
    return samples;
}

struct DriftRow {
    const char *name;
    double toneHz; // 0: a block of NaN samples, which shows no bars
    int minShift, maxShift; // per redraw, in columns
};
class StrobeTest : public ::testing::TestWithParam<DriftRow> {};

TEST_P(StrobeTest, BarsStandStillInTuneAndCreepTowardsTheSideOfTheError)
{
    Shown<StrobeView> strip({420, 80}, {10, 10, 400, 40});
    strip.view->setSampleRate(kRate);
    strip.view->setFrequency(440.0f);
    const auto bars = [&](std::size_t block) { // which of the 400 columns show a bar
        strip.view->setData(GetParam().toneHz > 0 ? sine(GetParam().toneHz, block)
            : std::make_shared<std::vector<float>>(kBlock, std::numeric_limits<float>::quiet_NaN()));
        std::vector<bool> lit;
        for (const QColor &c : strip.row(20))
            lit.push_back(c.red() > 150 && c.green() > 100);
        return lit;
    };
    std::vector<bool> before = bars(0);
    for (std::size_t block = 1; block < 5; ++block) {
        const std::vector<bool> after = bars(block);
        int best = 0, bestMatches = -1; // the shift that best lines up two redraws
        for (int shift = -60; shift <= 60; ++shift) {
            int matches = 0;
            for (int x = 80; x < 320; ++x)
                matches += before[x] == after[x + shift];
            if (matches > bestMatches)
                bestMatches = matches, best = shift;
        }
        EXPECT_EQ(std::count(after.begin(), after.end(), true) > 0, GetParam().toneHz > 0) << GetParam().name;
        EXPECT_TRUE(best >= GetParam().minShift && best <= GetParam().maxShift) << block << ": " << best;
        before = after;
    }
}

// One redraw spans 32 reference periods; 1 Hz off at 440 Hz moves the phase by 32 / 440 of a
// period, about 14.5 of the 200 columns a period takes.
INSTANTIATE_TEST_SUITE_P(Tones, StrobeTest, ::testing::Values(
    DriftRow{.name = "InTune", .toneHz = 440.0, .minShift = -2, .maxShift = 2},
    DriftRow{.name = "Sharp", .toneHz = 441.0, .minShift = 12, .maxShift = 17},
    DriftRow{.name = "Flat", .toneHz = 439.0, .minShift = -17, .maxShift = -12},
    DriftRow{.name = "NotANumber", .toneHz = 0.0, .minShift = -60, .maxShift = 60}), kRowName);

struct NeedleRow {
    const char *name;
    float cent;
    Needle needle;
    float centre; // on the 404-point face, zero at 202
};
class NeedleTest : public ::testing::TestWithParam<std::tuple<NeedleRow, double>> {};

// The needle drawn, read at a row below the printed scale: its kind by colour and its centre in
// points of the initial layout, at the initial size and zoomed with the window.
TEST_P(NeedleTest, ChoiceAndCentreDrawnAtEveryWindowScale)
{
    const auto &[row, zoom] = GetParam();
    Shown<TuningMeterView> meter({424, 120}, {10, 10, 404, 100});
    meter.view->setCent(row.cent);
    meter.window.resize(int(424 * zoom), int(120 * zoom));
    meter.view->resizeWithOldSuperviewSize(QSizeF(424, 120));
    double sum = 0;
    int count = 0, green = 0, amber = 0, x = 0;
    for (const QColor &c : meter.row(75 * zoom)) {
        if (std::max(c.red(), c.green()) >= 200) { // not face or glow
            sum += (x + 0.5) / zoom, ++count;
            green += c.green() > 200 && c.red() < 120;
            amber += c.red() > 200 && c.green() > 120;
        }
        ++x;
    }
    const Needle seen = count == 0 ? Needle::None : green > count / 2 ? Needle::InTune
                      : amber > count / 2 ? Needle::Normal : Needle::OutOfTune;
    EXPECT_EQ(seen, row.needle);
    EXPECT_TRUE(count == 0 || std::fabs(sum / count - row.centre) < 0.75) << sum / count;
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Cents, NeedleTest, ::testing::Combine(::testing::Values(
    NeedleRow{.name = "Zero", .cent = 0.0f, .needle = Needle::InTune, .centre = 202.0f},
    NeedleRow{.name = "InTuneEdge", .cent = 2.9f, .needle = Needle::InTune, .centre = 213.6f},
    NeedleRow{.name = "FlatBeyondInTune", .cent = -3.0f, .needle = Needle::Normal, .centre = 190.0f},
    NeedleRow{.name = "SharpEdge", .cent = 48.9f, .needle = Needle::Normal, .centre = 397.6f},
    NeedleRow{.name = "SharpPinned", .cent = 49.0f, .needle = Needle::OutOfTune, .centre = 398.0f},
    NeedleRow{.name = "FlatPinned", .cent = -75.0f, .needle = Needle::OutOfTune, .centre = 6.0f},
    NeedleRow{.name = "Infinite", .cent = kInf, .needle = Needle::OutOfTune, .centre = 398.0f},
    NeedleRow{.name = "NaN", .cent = std::numeric_limits<float>::quiet_NaN(), .needle = Needle::None, .centre = 0.0f}),
    ::testing::Values(1.0, 1.5)), [](const auto &info) {
        return std::get<0>(info.param).name + std::string(std::get<1>(info.param) == 1.0 ? "" : "Zoomed");
    });

} // namespace
} // namespace quaverly
