// SPDX-License-Identifier: GPL-3.0-or-later
// Writes pictures of the displays for a reviewer to look at, at the screen's pixel ratio
// (this program also runs at QT_SCALE_FACTOR=2): build/screenshots/*@1x.png and *@2x.png.
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
#include <memory>
#include <numbers>

namespace quaverly {
namespace {

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
    auto samples = std::make_shared<std::vector<float>>(3207);
    for (std::size_t i = 0; i < samples->size(); ++i)
        (*samples)[i] = float(std::sin(2.0 * std::numbers::pi * 220.0 * double(i) / 44100.0 + 0.7));
    strobe->setData(samples);

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
