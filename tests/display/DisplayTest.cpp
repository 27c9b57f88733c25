// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"

#include "support/QtApp.h"

#include <QTest>

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
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A display in a shown window, rendered as the screen shows it, in device pixels.
template <class View>
struct Shown {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    View *view = new View(window.get());

    Shown(QSize windowSize, QRect frame)
    {
        window->resize(windowSize);
        view->setGeometry(frame);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // The colour at (x, y) in logical pixels, for each of the points asked.
    std::vector<QColor> pixels(const std::vector<QPointF> &points)
    {
        const qreal ratio = view->devicePixelRatioF();
        QImage image((QSizeF(view->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        view->render(&image);
        std::vector<QColor> colours;
        for (const QPointF &p : points)
            colours.push_back(image.pixelColor(int(p.x() * ratio), int(p.y() * ratio)));
        return colours;
    }
};

CaptureBlock sine(double hz, std::size_t first)
{
    auto samples = std::make_shared<std::vector<float>>(kBlock);
    for (std::size_t i = 0; i < kBlock; ++i)
        (*samples)[i] = float(std::sin(2.0 * std::numbers::pi * hz * double(first + i) / kRate));
    return samples;
}


constexpr int kNoBars = 1000;

struct DriftRow {
    const char *what;
    CaptureBlock (*block)(std::size_t index);
    int minShift, maxShift; // per redraw, in columns
};
void PrintTo(const DriftRow &row, std::ostream *out) { *out << row.what; }
class StrobeTest : public ::testing::TestWithParam<DriftRow> {};

TEST_P(StrobeTest, BarsStandStillInTuneAndCreepTowardsTheSideOfTheError)
{
    Shown<StrobeView> strip({420, 80}, {10, 10, 400, 40});
    strip.view->setSampleRate(kRate);
    strip.view->setFrequency(440.0f);
    std::vector<QPointF> row; // the middle of the strip
    for (int x = 0; x < 400; ++x)
        row.emplace_back(x + 0.5, 20);
    const auto bars = [&] { // which of the 400 columns show a bar
        std::vector<bool> lit;
        for (const QColor &c : strip.pixels(row))
            lit.push_back(c.red() > 150 && c.green() > 100);
        return lit;
    };
    strip.view->setData(GetParam().block(0));
    std::vector<bool> before = bars();
    for (std::size_t block = 1; block < 5; ++block) {
        strip.view->setData(GetParam().block(block));
        const std::vector<bool> after = bars();
        int best = 0, bestMatches = -1; // the shift that best lines up two redraws
        for (int shift = -60; shift <= 60; ++shift) {
            int matches = 0;
            for (int x = 80; x < 320; ++x)
                matches += before[x] == after[x + shift];
            if (matches > bestMatches)
                bestMatches = matches, best = shift;
        }
        const bool bars = GetParam().minShift != kNoBars;
        EXPECT_EQ(std::count(after.begin(), after.end(), true) > 0, bars) << GetParam().what;
        EXPECT_TRUE(!bars || (best >= GetParam().minShift && best <= GetParam().maxShift)) << block << ": " << best;
        before = after;
    }
}

// One redraw spans 32 reference periods; 1 Hz off at 440 Hz moves the phase by 32 / 440 of a
// period, about 14.5 of the 200 columns a period takes.
INSTANTIATE_TEST_SUITE_P(Blocks, StrobeTest, ::testing::Values(
    DriftRow{"in tune", [](std::size_t i) { return sine(440.0, i * kBlock); }, -2, 2},
    DriftRow{"sharp", [](std::size_t i) { return sine(441.0, i * kBlock); }, 12, 17},
    DriftRow{"flat", [](std::size_t i) { return sine(439.0, i * kBlock); }, -17, -12},
    DriftRow{"negative samples", [](std::size_t) { return CaptureBlock(std::make_shared<std::vector<float>>(kBlock, -0.5f)); },
             kNoBars, 0},
    DriftRow{"not a number", [](std::size_t) { return CaptureBlock(std::make_shared<std::vector<float>>(kBlock, kNaN)); },
             kNoBars, 0},
    DriftRow{"no block", [](std::size_t) { return CaptureBlock(); }, kNoBars, 0}));

struct NeedleRow {
    float cent;
    Needle needle;
    float centre; // on the 404-point face, zero at 202
};
void PrintTo(const NeedleRow &row, std::ostream *out) { *out << row.cent << " cents"; }
class NeedleTest : public ::testing::TestWithParam<std::tuple<NeedleRow, double>> {};

// The needle drawn, read at a row below the printed scale in points of the initial layout: its
// kind by colour and its centre, at the initial size and zoomed with the window.
TEST_P(NeedleTest, ChoiceAndCentreDrawnAtEveryWindowScale)
{
    const auto &[row, zoom] = GetParam();
    Shown<TuningMeterView> meter({424, 120}, {10, 10, 404, 100});
    meter.view->setCent(row.cent);
    meter.window->resize(int(424 * zoom), int(120 * zoom));
    meter.view->resizeWithOldSuperviewSize(QSizeF(424, 120));
    std::vector<QPointF> line;
    for (double x = 0.5; x < meter.view->width(); x += 1.0)
        line.emplace_back(x, 75 * zoom);
    const std::vector<QColor> colours = meter.pixels(line);
    double sum = 0;
    int count = 0, green = 0, amber = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const QColor c = colours[i];
        if (std::max(c.red(), c.green()) < 200)
            continue; // face, glow
        sum += line[i].x() / zoom, ++count;
        green += c.green() > 200 && c.red() < 120;
        amber += c.red() > 200 && c.green() > 120;
    }
    const Needle seen = count == 0 ? Needle::None : green > count / 2 ? Needle::InTune
                      : amber > count / 2 ? Needle::Normal : Needle::OutOfTune;
    EXPECT_EQ(seen, row.needle);
    EXPECT_TRUE(count == 0 || std::fabs(sum / count - row.centre) < 0.75) << sum / count;
}

INSTANTIATE_TEST_SUITE_P(Cents, NeedleTest, ::testing::Combine(::testing::Values(
    NeedleRow{0.0f, Needle::InTune, 202.0f}, NeedleRow{2.9f, Needle::InTune, 213.6f},
    NeedleRow{-3.0f, Needle::Normal, 190.0f}, NeedleRow{-20.0f, Needle::Normal, 122.0f},
    NeedleRow{48.9f, Needle::Normal, 397.6f}, NeedleRow{49.0f, Needle::OutOfTune, 398.0f},
    NeedleRow{-75.0f, Needle::OutOfTune, 6.0f}, NeedleRow{kInf, Needle::OutOfTune, 398.0f},
    NeedleRow{kNaN, Needle::None, 0.0f}), ::testing::Values(1.0, 1.5)));

} // namespace
} // namespace quaverly
