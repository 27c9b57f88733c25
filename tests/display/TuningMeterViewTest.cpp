// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/TuningMeterView.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace quaverly {
namespace {

constexpr double kNeedleWidth = 20.0; // of the needle artwork

struct NeedleRow {
    float cent;
    Needle needle;
    float centre;
};

void PrintTo(const NeedleRow &row, std::ostream *out) { *out << row.cent; }

class PlaceNeedleTest : public ::testing::TestWithParam<NeedleRow> {};

TEST_P(PlaceNeedleTest, NeedleAndCentreForTheDefaultThreshold)
{
    const NeedleRow &row = GetParam();
    const NeedlePlacement placed = placeNeedle(row.cent, 3, kNeedleWidth);
    EXPECT_EQ(placed.needle, row.needle) << row.cent << " cents";
    if (row.needle != Needle::None) {
        EXPECT_FLOAT_EQ(placed.x + 0.5f * float(kNeedleWidth), row.centre) << row.cent << " cents";
    }
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Cents, PlaceNeedleTest, ::testing::Values(
    NeedleRow{0.0f, Needle::InTune, 202.0f}, NeedleRow{2.0f, Needle::InTune, 210.0f},
    NeedleRow{-2.0f, Needle::InTune, 194.0f}, NeedleRow{2.9f, Needle::InTune, 213.6f},
    NeedleRow{-2.9f, Needle::InTune, 190.4f}, NeedleRow{3.0f, Needle::Normal, 214.0f},
    NeedleRow{-3.0f, Needle::Normal, 190.0f}, NeedleRow{48.0f, Needle::Normal, 394.0f},
    NeedleRow{48.9f, Needle::Normal, 397.6f}, NeedleRow{49.0f, Needle::OutOfTune, 398.0f},
    NeedleRow{50.0f, Needle::OutOfTune, 398.0f}, NeedleRow{120.0f, Needle::OutOfTune, 398.0f},
    NeedleRow{-49.0f, Needle::OutOfTune, 6.0f}, NeedleRow{-75.0f, Needle::OutOfTune, 6.0f},
    NeedleRow{kInf, Needle::OutOfTune, 398.0f}, NeedleRow{-kInf, Needle::OutOfTune, 6.0f},
    NeedleRow{std::numeric_limits<float>::quiet_NaN(), Needle::None, 0.0f}));

class CountingMeter : public TuningMeterView {
public:
    using TuningMeterView::TuningMeterView;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        TuningMeterView::paintEvent(event);
    }
};

struct Meter {
    bool appReady = (test::ensureQtApp(), true);
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CountingMeter *view = new CountingMeter(window.get());

    Meter()
    {
        window->resize(424, 120);
        view->setGeometry(10, 10, 404, 100);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
    }

    // The needle as drawn: its kind by colour and its centre, from a row well inside the
    // needle below the printed scale.
    std::pair<Needle, double> needle()
    {
        const QImage image = test::rendered(*view);
        const qreal ratio = image.devicePixelRatio();
        const int y = static_cast<int>(75 * ratio);
        double sum = 0;
        int count = 0;
        int green = 0, amber = 0, red = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::max({c.red(), c.green()}) < 200)
                continue; // face, glow
            sum += (x + 0.5) / ratio;
            ++count;
            if (c.green() > 200 && c.red() < 120)
                ++green;
            else if (c.red() > 200 && c.green() > 120)
                ++amber;
            else if (c.red() > 200)
                ++red;
        }
        if (count == 0)
            return {Needle::None, 0.0};
        const Needle kind = green > amber && green > red ? Needle::InTune
                            : amber > red               ? Needle::Normal
                                                        : Needle::OutOfTune;
        return {kind, sum / count};
    }
};

class DrawnNeedleTest : public ::testing::TestWithParam<NeedleRow> {};

TEST_P(DrawnNeedleTest, TheNeedleIsDrawnWhereAndAsPlaced)
{
    const NeedleRow &row = GetParam();
    Meter meter;
    meter.view->setCent(row.cent);
    const auto [needle, centre] = meter.needle();
    EXPECT_EQ(needle, row.needle) << row.cent << " cents";
    EXPECT_NEAR(centre, row.centre, 0.75) << row.cent << " cents";
}

INSTANTIATE_TEST_SUITE_P(Cents, DrawnNeedleTest, ::testing::Values(
    NeedleRow{0.0f, Needle::InTune, 202.0f}, NeedleRow{-2.9f, Needle::InTune, 190.4f},
    NeedleRow{3.0f, Needle::Normal, 214.0f}, NeedleRow{48.0f, Needle::Normal, 394.0f},
    NeedleRow{120.0f, Needle::OutOfTune, 398.0f}, NeedleRow{-75.0f, Needle::OutOfTune, 6.0f}));

TEST(TuningMeterView, RepaintsOnlyWhenAValueChanges)
{
    Meter meter;
    meter.view->setCent(12.0f);
    QCoreApplication::processEvents();
    const int paints = meter.view->paints;
    meter.view->setCent(12.0f);
    meter.view->setThreshold(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(meter.view->paints, paints);
    meter.view->setThreshold(20);
    QCoreApplication::processEvents();
    EXPECT_EQ(meter.view->paints, paints + 1);
    EXPECT_EQ(meter.needle().first, Needle::InTune) << "a wider threshold shows in tune";
}

TEST(TuningMeterView, TheMeterScalesWithTheWindowAsAPicture)
{
    Meter meter;
    meter.view->setCent(-20.0f);
    const double centre1 = meter.needle().second;
    meter.window->resize(636, 180);
    meter.view->resizeWithOldSuperviewSize(QSizeF(424, 120));
    ASSERT_EQ(meter.view->geometry(), QRect(15, 15, 606, 150));
    const QImage image = test::rendered(*meter.view);
    const qreal ratio = image.devicePixelRatio();
    double sum = 0;
    int count = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, static_cast<int>(112 * ratio));
        if (c.red() > 200 && c.green() > 120) {
            sum += (x + 0.5) / ratio;
            ++count;
        }
    }
    ASSERT_GT(count, 0);
    EXPECT_NEAR(sum / count, centre1 * 1.5, 1.0);
}

} // namespace
} // namespace quaverly
