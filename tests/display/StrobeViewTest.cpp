// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/StrobeView.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace quaverly {
namespace {

constexpr float kRate = 44100.0f;
constexpr std::size_t kBlock = 3207; // two periods of A0 at 44.1 kHz

// A view that counts its repaints, as the user's screen would see them.
class CountingStrobeView : public StrobeView {
public:
    using StrobeView::StrobeView;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        StrobeView::paintEvent(event);
    }
};

struct Strip {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CountingStrobeView *view = new CountingStrobeView(window.get());

    explicit Strip(int width = 400)
    {
        window->resize(width + 20, 80);
        view->setGeometry(10, 10, width, 40);
        view->setSampleRate(kRate);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
    }

    // Which strip columns show a bar, read from the middle row of the drawn strip. Bars sit
    // 2 columns right of the column they stand for.
    std::vector<bool> bars()
    {
        const QImage image = test::rendered(*view);
        const qreal ratio = image.devicePixelRatio();
        const int y = static_cast<int>(20 * ratio);
        std::vector<bool> lit;
        for (int x = 0; x < view->width(); ++x) {
            const QColor c = image.pixelColor(static_cast<int>((x + 0.5) * ratio), y);
            lit.push_back(c.red() > 150 && c.green() > 100);
        }
        return lit;
    }
};

CaptureBlock sine(double frequencyHz, std::size_t first, std::size_t count = kBlock)
{
    auto samples = std::make_shared<std::vector<float>>(count);
    for (std::size_t i = 0; i < count; ++i)
        (*samples)[i] = static_cast<float>(
            std::sin(2.0 * std::numbers::pi * frequencyHz * double(first + i) / kRate));
    return samples;
}

CaptureBlock constant(float value, std::size_t count = kBlock)
{
    return std::make_shared<const std::vector<float>>(count, value);
}

std::vector<std::pair<int, int>> runs(const std::vector<bool> &lit)
{
    std::vector<std::pair<int, int>> found;
    for (int x = 0; x < int(lit.size()); ++x) {
        if (lit[x] && (x == 0 || !lit[x - 1]))
            found.emplace_back(x, 0);
        if (lit[x])
            ++found.back().second;
    }
    return found;
}

TEST(StrobeView, ASineShowsItsPositiveHalfWavesAsBars)
{
    Strip strip;
    strip.view->setFrequency(441.0f); // a period of exactly 100 samples: window 200
    strip.view->setData(sine(441.0, 0));
    const auto found = runs(strip.bars());
    // Two full half-waves of 100 columns; the first starts 2 columns in (the bars' offset).
    ASSERT_EQ(found.size(), 2u) << "bars: " << found.size();
    for (const auto &[start, length] : found)
        EXPECT_NEAR(length, 100, 2) << "bar at " << start;
    EXPECT_NEAR(found[1].first - found[0].first, 200, 2);
}

struct ConstantRow {
    const char *what;
    float value;
    int litColumns; // of the 400
};

void PrintTo(const ConstantRow &row, std::ostream *out) { *out << row.what; }

class ConstantBlockTest : public ::testing::TestWithParam<ConstantRow> {};

TEST_P(ConstantBlockTest, SignsDecideTheBars)
{
    const ConstantRow &row = GetParam();
    Strip strip;
    strip.view->setFrequency(440.0f);
    strip.view->setData(constant(row.value));
    const auto lit = strip.bars();
    EXPECT_EQ(std::count(lit.begin(), lit.end(), true), row.litColumns) << row.what;
}

INSTANTIATE_TEST_SUITE_P(Blocks, ConstantBlockTest, ::testing::Values(
    // One bar over every column, drawn after the loop; shifted 2 right, so 398 remain.
    ConstantRow{"all positive", 0.5f, 398},
    ConstantRow{"all zero counts as positive", 0.0f, 398},
    ConstantRow{"all negative", -0.5f, 0},
    ConstantRow{"not a number is no bar", std::numeric_limits<float>::quiet_NaN(), 0}));

// Where the pattern moved between two redraws: the shift that best lines up the bars.
int drift(const std::vector<bool> &before, const std::vector<bool> &after)
{
    int best = 0;
    int bestMatches = -1;
    for (int shift = -60; shift <= 60; ++shift) {
        int matches = 0;
        for (int x = 80; x < 320; ++x)
            matches += before[x] == after[x + shift];
        if (matches > bestMatches) {
            bestMatches = matches;
            best = shift;
        }
    }
    return best;
}

struct DriftRow {
    const char *what;
    double toneHz;
    int minShift; // per redraw, in columns
    int maxShift;
};

void PrintTo(const DriftRow &row, std::ostream *out) { *out << row.what; }

class DriftTest : public ::testing::TestWithParam<DriftRow> {};

TEST_P(DriftTest, BarsStandStillInTuneAndCreepTowardsTheSideOfTheError)
{
    const DriftRow &row = GetParam();
    Strip strip;
    strip.view->setFrequency(440.0f);
    std::vector<std::vector<bool>> frames;
    for (std::size_t block = 0; block < 6; ++block) {
        strip.view->setData(sine(row.toneHz, block * kBlock));
        frames.push_back(strip.bars());
    }
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const int shift = drift(frames[i - 1], frames[i]);
        EXPECT_GE(shift, row.minShift) << row.what << ", redraw " << i;
        EXPECT_LE(shift, row.maxShift) << row.what << ", redraw " << i;
    }
}

// One redraw spans 32 reference periods; 1 Hz off at 440 Hz moves the phase by 32 / 440 of a
// period, about 14.5 of the 200 columns a period takes.
INSTANTIATE_TEST_SUITE_P(Tones, DriftTest, ::testing::Values(
    DriftRow{"in tune", 440.0, -2, 2},
    DriftRow{"sharp", 441.0, 12, 17},
    DriftRow{"flat", 439.0, -17, -12}));

TEST(StrobeView, RedrawsOnlyForADifferentBlock)
{
    Strip strip;
    strip.view->setFrequency(440.0f);
    const CaptureBlock block = sine(440.0, 0);
    strip.view->setData(block);
    QCoreApplication::processEvents();
    const int afterFirst = strip.view->paints;
    ASSERT_GE(afterFirst, 1);

    strip.view->setData(block);
    strip.view->setPeak(0.7f);
    strip.view->setFrequency(440.0f);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip.view->paints, afterFirst) << "the same block again repainted";

    strip.view->setData(sine(440.0, 0)); // same samples, another block
    QCoreApplication::processEvents();
    EXPECT_EQ(strip.view->paints, afterFirst + 1);

    strip.view->setData(nullptr);
    QCoreApplication::processEvents();
    const double index = strip.view->frameIndex();
    EXPECT_EQ(strip.view->paints, afterFirst + 2);
    strip.view->setData(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip.view->paints, afterFirst + 2) << "none twice repainted";
    strip.view->repaint();
    EXPECT_EQ(strip.view->frameIndex(), index) << "a redraw without a block moved the index";
    const auto lit = strip.bars();
    EXPECT_EQ(std::count(lit.begin(), lit.end(), true), 0) << "bars without a block";
}

TEST(StrobeView, EachRedrawAdvancesByTheRemainderOfTheBlockInPeriods)
{
    Strip strip;
    strip.view->setFrequency(440.0f);
    strip.view->setData(sine(440.0, 0));
    QCoreApplication::processEvents();
    strip.view->setFrequency(441.0f);
    strip.view->setFrequency(440.0f); // a different value restarts at 0
    ASSERT_EQ(strip.view->frameIndex(), 0.0);
    // period 100.22727 (single precision): 3207 - 31 × period = 99.95457, step 0.2727051.
    const double step = 0.272705078125;
    for (int redraw = 1; redraw <= 4; ++redraw) {
        strip.view->repaint();
        EXPECT_NEAR(strip.view->frameIndex(), step * redraw, 1e-9) << "after redraw " << redraw;
    }
    strip.view->setFrequency(440.0f);
    EXPECT_NEAR(strip.view->frameIndex(), step * 4, 1e-9) << "the same frequency reset the index";
}

TEST(StrobeView, WithoutAReferenceOnlyTheBackgroundShows)
{
    Strip strip; // frequency still 0
    strip.view->setData(constant(0.5f));
    const auto lit = strip.bars();
    EXPECT_EQ(std::count(lit.begin(), lit.end(), true), 0);
    EXPECT_EQ(strip.view->frameIndex(), 0.0);
    strip.view->setFrequency(440.0f);
    strip.view->setData(constant(0.5f));
    const auto litNow = strip.bars();
    EXPECT_EQ(std::count(litNow.begin(), litNow.end(), true), 398) << "a reference restores it";
}

TEST(StrobeView, ARateFromTheListenerThreadIsAppliedOnTheMainThread)
{
    Strip strip;
    strip.view->setFrequency(440.0f);
    strip.view->setData(sine(440.0, 0));
    strip.view->repaint();
    ASSERT_GT(strip.view->frameIndex(), 0.0);

    std::thread listener([&] { strip.view->setSampleRate(48000.0f); });
    listener.join();
    EXPECT_EQ(strip.view->sampleRate(), kRate) << "applied off the main thread";
    EXPECT_GT(strip.view->frameIndex(), 0.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip.view->sampleRate(), 48000.0f);
    EXPECT_EQ(strip.view->frameIndex(), 0.0);
}

} // namespace
} // namespace quaverly
