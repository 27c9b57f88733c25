// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/DisclosureButton.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace quaverly {
namespace {

constexpr float kRate = 44100.0f;
constexpr std::size_t kBlock = 3207; // two periods of A0 at 44.1 kHz
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A display in a shown window that counts its repaints, as the user's screen would see them.
template <class View>
struct Shown {
    struct Counting : View {
        using View::View;
        int paints = 0;
        void paintEvent(QPaintEvent *event) override { ++paints, View::paintEvent(event); }
    };
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    Counting *view = new Counting(window.get());

    Shown(QSize windowSize, QRect frame)
    {
        window->resize(windowSize);
        view->setGeometry(frame);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
    }
    int paints()
    {
        QCoreApplication::processEvents();
        return view->paints;
    }
};

struct Strip : Shown<StrobeView> {
    explicit Strip(float frequency = 440.0f) : Shown({420, 80}, {10, 10, 400, 40})
    {
        view->setSampleRate(kRate);
        view->setFrequency(frequency);
    }
    // Which strip columns show a bar, read from the middle row of the drawn strip.
    std::vector<bool> bars()
    {
        const QImage image = test::rendered(*view);
        const qreal ratio = image.devicePixelRatio();
        std::vector<bool> lit;
        for (int x = 0; x < view->width(); ++x) {
            const QColor c = image.pixelColor(int((x + 0.5) * ratio), int(20 * ratio));
            lit.push_back(c.red() > 150 && c.green() > 100);
        }
        return lit;
    }
    long litColumns()
    {
        const auto lit = bars();
        return std::count(lit.begin(), lit.end(), true);
    }
};

CaptureBlock sine(double hz, std::size_t first)
{
    auto samples = std::make_shared<std::vector<float>>(kBlock);
    for (std::size_t i = 0; i < kBlock; ++i)
        (*samples)[i] = float(std::sin(2.0 * std::numbers::pi * hz * double(first + i) / kRate));
    return samples;
}

TEST(StrobeView, ASineShowsItsPositiveHalfWavesAsBars)
{
    Strip strip(441.0f); // a period of exactly 100 samples: window 200
    strip.view->setData(sine(441.0, 0));
    std::vector<std::pair<int, int>> runs; // start, length
    const auto lit = strip.bars();
    for (int x = 0; x < int(lit.size()); ++x) {
        if (lit[x] && (x == 0 || !lit[x - 1]))
            runs.emplace_back(x, 0);
        if (lit[x])
            ++runs.back().second;
    }
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(runs[0].second, 100, 2);
    EXPECT_NEAR(runs[1].second, 100, 2);
    EXPECT_NEAR(runs[1].first - runs[0].first, 200, 2);
}

struct ConstantRow {
    const char *what;
    float value;
    float frequency;
    long litColumns; // of the 400: one bar over all, shifted 2 right
};
void PrintTo(const ConstantRow &row, std::ostream *out) { *out << row.what; }
class ConstantBlockTest : public ::testing::TestWithParam<ConstantRow> {};

TEST_P(ConstantBlockTest, SignsDecideTheBars)
{
    const ConstantRow &row = GetParam();
    Strip strip(row.frequency);
    strip.view->setData(std::make_shared<const std::vector<float>>(kBlock, row.value));
    EXPECT_EQ(strip.litColumns(), row.litColumns);
    if (row.frequency == 0.0f) {
        EXPECT_EQ(strip.view->frameIndex(), 0.0) << "index moved without a reference";
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, ConstantBlockTest, ::testing::Values(
    ConstantRow{"all positive", 0.5f, 440.0f, 398}, ConstantRow{"all zero counts as positive", 0.0f, 440.0f, 398},
    ConstantRow{"all negative", -0.5f, 440.0f, 0}, ConstantRow{"not a number is no bar", kNaN, 440.0f, 0},
    ConstantRow{"no reference yet: background only", 0.5f, 0.0f, 0}));

struct DriftRow {
    const char *what;
    double toneHz;
    int minShift, maxShift; // per redraw, in columns
};
void PrintTo(const DriftRow &row, std::ostream *out) { *out << row.what; }
class DriftTest : public ::testing::TestWithParam<DriftRow> {};

TEST_P(DriftTest, BarsStandStillInTuneAndCreepTowardsTheSideOfTheError)
{
    const DriftRow &row = GetParam();
    Strip strip;
    std::vector<bool> before;
    for (std::size_t block = 0; block < 6; ++block) {
        strip.view->setData(sine(row.toneHz, block * kBlock));
        const std::vector<bool> after = strip.bars();
        if (block == 0) {
            before = after;
            continue;
        }
        // The shift that best lines up the bars of two redraws.
        int best = 0, bestMatches = -1;
        for (int shift = -60; shift <= 60; ++shift) {
            int matches = 0;
            for (int x = 80; x < 320; ++x)
                matches += before[x] == after[x + shift];
            if (matches > bestMatches)
                bestMatches = matches, best = shift;
        }
        EXPECT_GE(best, row.minShift) << "redraw " << block;
        EXPECT_LE(best, row.maxShift) << "redraw " << block;
        before = after;
    }
}

// One redraw spans 32 reference periods; 1 Hz off at 440 Hz moves the phase by 32 / 440 of a
// period, about 14.5 of the 200 columns a period takes.
INSTANTIATE_TEST_SUITE_P(Tones, DriftTest, ::testing::Values(
    DriftRow{"in tune", 440.0, -2, 2}, DriftRow{"sharp", 441.0, 12, 17}, DriftRow{"flat", 439.0, -17, -12}));

TEST(StrobeView, RedrawsOnlyForADifferentBlock)
{
    Strip strip;
    const CaptureBlock block = sine(440.0, 0);
    strip.view->setData(block);
    const int first = strip.paints();
    ASSERT_GE(first, 1);
    strip.view->setData(block);
    strip.view->setPeak(0.7f);
    strip.view->setFrequency(440.0f);
    EXPECT_EQ(strip.paints(), first) << "the same block again repainted";
    strip.view->setData(sine(440.0, 0)); // same samples, another block
    EXPECT_EQ(strip.paints(), first + 1);
    strip.view->setData(nullptr);
    EXPECT_EQ(strip.paints(), first + 2);
    const double index = strip.view->frameIndex();
    strip.view->setData(nullptr);
    EXPECT_EQ(strip.paints(), first + 2) << "none twice repainted";
    EXPECT_EQ(strip.litColumns(), 0) << "bars without a block";
    EXPECT_EQ(strip.view->frameIndex(), index) << "a redraw without a block moved the index";
}

TEST(StrobeView, EachRedrawAdvancesByTheRemainderOfTheBlockInPeriods)
{
    Strip strip;
    strip.view->setData(sine(440.0, 0));
    strip.paints();
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

TEST(StrobeView, ARateFromTheListenerThreadIsAppliedOnTheMainThread)
{
    Strip strip;
    strip.view->setData(sine(440.0, 0));
    strip.view->repaint();
    ASSERT_GT(strip.view->frameIndex(), 0.0);
    std::thread([&] { strip.view->setSampleRate(48000.0f); }).join();
    EXPECT_EQ(strip.view->sampleRate(), kRate) << "applied off the main thread";
    EXPECT_GT(strip.view->frameIndex(), 0.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip.view->sampleRate(), 48000.0f);
    EXPECT_EQ(strip.view->frameIndex(), 0.0);
}

struct Meter : Shown<TuningMeterView> {
    Meter() : Shown({424, 120}, {10, 10, 404, 100}) {}
    // The needle as drawn: its kind by colour and its centre, from a row well inside the
    // needle below the printed scale, in points of the initial layout.
    std::pair<Needle, double> needle(double zoom = 1.0)
    {
        const QImage image = test::rendered(*view);
        const qreal ratio = image.devicePixelRatio();
        double sum = 0;
        int count = 0, green = 0, amber = 0, red = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, int(75 * zoom * ratio));
            if (std::max(c.red(), c.green()) < 200)
                continue; // face, glow
            sum += (x + 0.5) / ratio / zoom;
            ++count;
            green += c.green() > 200 && c.red() < 120;
            amber += c.red() > 200 && c.green() > 120;
            red += c.red() > 200 && c.green() <= 120;
        }
        if (count == 0)
            return {Needle::None, 0.0};
        return {green > amber && green > red ? Needle::InTune : amber > red ? Needle::Normal : Needle::OutOfTune,
                sum / count};
    }
};

struct NeedleRow {
    float cent;
    Needle needle;
    float centre; // on the 404-point face, zero at 202
};
void PrintTo(const NeedleRow &row, std::ostream *out) { *out << row.cent << " cents"; }
class NeedleTest : public ::testing::TestWithParam<std::tuple<NeedleRow, double>> {};

// Placed for the default threshold, then drawn there at the window's initial size and zoomed.
TEST_P(NeedleTest, ChoiceAndCentrePlacedAndDrawnAtEveryWindowScale)
{
    const auto &[row, zoom] = GetParam();
    const NeedlePlacement placed = placeNeedle(row.cent, 3, 20.0); // needle artwork 20 wide
    EXPECT_EQ(placed.needle, row.needle);
    if (row.needle != Needle::None) {
        EXPECT_FLOAT_EQ(placed.x + 10.0f, row.centre);
    }
    Meter meter;
    meter.view->setCent(row.cent);
    if (zoom != 1.0) {
        meter.window->resize(int(424 * zoom), int(120 * zoom));
        meter.view->resizeWithOldSuperviewSize(QSizeF(424, 120));
        ASSERT_EQ(meter.view->geometry(), QRect(15, 15, 606, 150));
    }
    const auto [needle, centre] = meter.needle(zoom);
    EXPECT_EQ(needle, row.needle);
    EXPECT_NEAR(centre, row.centre, 0.75);
}

INSTANTIATE_TEST_SUITE_P(Cents, NeedleTest, ::testing::Combine(::testing::Values(
    NeedleRow{0.0f, Needle::InTune, 202.0f}, NeedleRow{2.0f, Needle::InTune, 210.0f},
    NeedleRow{-2.0f, Needle::InTune, 194.0f}, NeedleRow{2.9f, Needle::InTune, 213.6f},
    NeedleRow{-2.9f, Needle::InTune, 190.4f}, NeedleRow{3.0f, Needle::Normal, 214.0f},
    NeedleRow{-3.0f, Needle::Normal, 190.0f}, NeedleRow{-20.0f, Needle::Normal, 122.0f},
    NeedleRow{48.0f, Needle::Normal, 394.0f}, NeedleRow{48.9f, Needle::Normal, 397.6f},
    NeedleRow{49.0f, Needle::OutOfTune, 398.0f}, NeedleRow{120.0f, Needle::OutOfTune, 398.0f},
    NeedleRow{-49.0f, Needle::OutOfTune, 6.0f}, NeedleRow{-75.0f, Needle::OutOfTune, 6.0f},
    NeedleRow{kInf, Needle::OutOfTune, 398.0f}, NeedleRow{-kInf, Needle::OutOfTune, 6.0f},
    NeedleRow{kNaN, Needle::None, 0.0f}), ::testing::Values(1.0, 1.5)));

TEST(TuningMeterView, RepaintsOnlyWhenAValueChanges)
{
    Meter meter;
    meter.view->setCent(12.0f);
    const int paints = meter.paints();
    meter.view->setCent(12.0f);
    meter.view->setThreshold(3);
    EXPECT_EQ(meter.paints(), paints);
    meter.view->setThreshold(20);
    EXPECT_EQ(meter.paints(), paints + 1);
    EXPECT_EQ(meter.needle().first, Needle::InTune) << "a wider threshold shows in tune";
}

// Pictures for a reviewer, at the screen's pixel ratio: build/screenshots/*@1x.png, *@2x.png.
TEST(Screenshots, MeterStrobeDotsAndTriangles)
{
    test::ensureQtApp();
    auto window = std::make_unique<QWidget>();
    window->resize(444, 640);
    std::vector<TuningMeterView *> meters;
    for (float cent : {0.0f, 2.0f, -14.0f, 31.0f, -75.0f}) {
        meters.push_back(new TuningMeterView(window.get()));
        meters.back()->setGeometry(20, 10 + 104 * int(meters.size() - 1), 404, 100);
        meters.back()->setCent(cent);
    }
    auto *strobe = new StrobeView(window.get());
    strobe->setGeometry(20, 534, 404, 40);
    strobe->setSampleRate(44100.0f);
    strobe->setFrequency(220.0f);
    strobe->setData(sine(220.0, 30));

    int x = 20;
    for (const char *name : {"gray28x28", "green28x28", "blue28x28", "gray24x24", "red24x24", "green16x16",
                             "green16x16", "green16x16", "yellow16x16", "gray16x16", "red16x16"}) {
        const int size = QString::fromLatin1(name).section(QLatin1Char('x'), -1).toInt();
        auto *dot = new AutoResizeImageView(window.get());
        dot->setGeometry(x, 570 + (28 - size) / 2, size, size);
        dot->setImage(ImageLibrary::image(QString::fromLatin1(name)));
        x += size + 6;
    }
    std::vector<DisclosureButton *> triangles;
    for (int i = 0; i < 4; ++i) {
        triangles.push_back(new DisclosureButton(window.get()));
        triangles.back()->setGeometry(20 + i * 40, 610, 16, 16);
        triangles.back()->setState(i == 0 ? 1 : 0);
    }
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::mousePress(triangles[2], Qt::LeftButton, {}, QPoint(8, 8)); // held: "middle"
    triangles[3]->setFocus();
    QCoreApplication::processEvents();

    const qreal ratio = window->devicePixelRatioF();
    const QString dir = QStringLiteral(QUAVERLY_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    const auto save = [&](const QImage &image, const char *name) {
        return image.save(QStringLiteral("%1/%2@%3x.png").arg(dir, QLatin1String(name)).arg(qRound(ratio)));
    };
    QImage sheet((QSizeF(window->size()) * ratio).toSize(), QImage::Format_ARGB32);
    sheet.setDevicePixelRatio(ratio);
    sheet.fill(QColor(0x1d, 0x20, 0x24)); // the tuner's dark panel
    window->render(&sheet, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_TRUE(save(sheet, "displays"));
    EXPECT_TRUE(save(test::rendered(*meters[0]), "meter-in-tune"));
    EXPECT_TRUE(save(test::rendered(*meters[2]), "meter-flat"));
    EXPECT_TRUE(save(test::rendered(*strobe), "strobe"));
    QTest::mouseRelease(triangles[2], Qt::LeftButton, {}, QPoint(8, 8));
}

} // namespace
} // namespace quaverly
