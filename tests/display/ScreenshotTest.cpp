// SPDX-License-Identifier: GPL-3.0-or-later
// Writes pictures of the displays for a reviewer to look at, at the screen's pixel ratio
// (this program also runs at QT_SCALE_FACTOR=2): build/screenshots/*@1x.png and *@2x.png.
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/DisclosureButton.h"
#include "widgets/ImageLibrary.h"

#include "support/QtApp.h"
#include "widgets/Pixels.h"

#include <QDir>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace quaverly {
namespace {

QString shotPath(const QString &name, qreal ratio)
{
    const QString dir = QStringLiteral(QUAVERLY_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    return QStringLiteral("%1/%2@%3x.png").arg(dir, name).arg(qRound(ratio));
}

// Renders the window's contents on the dark panel colour of the tuner.
QImage shoot(QWidget &window)
{
    const qreal ratio = window.devicePixelRatioF();
    QImage image((QSizeF(window.size()) * ratio).toSize(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(0x1d, 0x20, 0x24));
    window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

CaptureBlock sine(double hz, float rate, std::size_t count, double phase)
{
    auto samples = std::make_shared<std::vector<float>>(count);
    for (std::size_t i = 0; i < count; ++i)
        (*samples)[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * double(i) / rate + phase));
    return samples;
}

TEST(Screenshots, MeterStrobeDotsAndTriangles)
{
    test::ensureQtApp();
    auto window = std::make_unique<QWidget>();
    window->resize(444, 640);
    const float cents[] = {0.0f, 2.0f, -14.0f, 31.0f, -75.0f};
    std::vector<TuningMeterView *> meters;
    int y = 10;
    for (float cent : cents) {
        auto *meter = new TuningMeterView(window.get());
        meter->setGeometry(20, y, 404, 100);
        meter->setCent(cent);
        meters.push_back(meter);
        y += 104;
    }
    auto *strobe = new StrobeView(window.get());
    strobe->setGeometry(20, y + 4, 404, 40);
    strobe->setSampleRate(44100.0f);
    strobe->setFrequency(220.0f);
    strobe->setData(sine(220.0, 44100.0f, 3207, 0.7));
    y += 56;

    int x = 20;
    for (const char *name : {"gray28x28", "green28x28", "blue28x28"}) {
        auto *dot = new AutoResizeImageView(window.get());
        dot->setGeometry(x, y, 28, 28);
        dot->setImage(ImageLibrary::image(QString::fromLatin1(name)));
        x += 36;
    }
    for (const char *name : {"gray24x24", "red24x24"}) {
        auto *dot = new AutoResizeImageView(window.get());
        dot->setGeometry(x, y + 2, 24, 24);
        dot->setImage(ImageLibrary::image(QString::fromLatin1(name)));
        x += 32;
    }
    x += 8;
    for (const char *name : {"green16x16", "green16x16", "green16x16", "green16x16", "green16x16",
                             "yellow16x16", "gray16x16", "red16x16"}) {
        auto *segment = new AutoResizeImageView(window.get());
        segment->setGeometry(x, y + 6, 16, 16);
        segment->setImage(ImageLibrary::image(QString::fromLatin1(name)));
        x += 18;
    }
    y += 40;
    std::vector<DisclosureButton *> triangles;
    for (int i = 0; i < 4; ++i) {
        auto *triangle = new DisclosureButton(window.get());
        triangle->setGeometry(20 + i * 40, y, 16, 16);
        triangle->setState(i == 0 ? 1 : 0);
        triangles.push_back(triangle);
    }
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::mousePress(triangles[2], Qt::LeftButton, {}, QPoint(8, 8)); // held: "middle"
    triangles[3]->setFocus();
    QCoreApplication::processEvents();

    const QImage sheet = shoot(*window);
    const qreal ratio = window->devicePixelRatioF();
    ASSERT_TRUE(sheet.save(shotPath(QStringLiteral("displays"), ratio)));
    ASSERT_TRUE(test::rendered(*meters[0]).save(shotPath(QStringLiteral("meter-in-tune"), ratio)));
    ASSERT_TRUE(test::rendered(*meters[2]).save(shotPath(QStringLiteral("meter-flat"), ratio)));
    ASSERT_TRUE(test::rendered(*strobe).save(shotPath(QStringLiteral("strobe"), ratio)));
    QTest::mouseRelease(triangles[2], Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(sheet.width(), qRound(444 * ratio));
}

} // namespace
} // namespace quaverly
