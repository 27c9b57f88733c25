// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one redraw of the strobe strip and of the needle meter, as the readout refresh
// asks for them about 13.75 times a second. Run with QT_QPA_PLATFORM=offscreen, and with
// QT_SCALE_FACTOR=2 for a HiDPI screen.
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

using namespace quaverly;

// repaint() draws nothing until the platform has exposed the window.
void showExposed(QWidget &window)
{
    window.show();
    for (int i = 0; i < 1000 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void strobeRedraw(benchmark::State &state)
{
    QWidget window;
    auto *view = new StrobeView(&window);
    view->setGeometry(0, 0, static_cast<int>(state.range(0)), 40);
    view->setSampleRate(44100.0f);
    view->setFrequency(440.0f);
    showExposed(window);
    CaptureBlock blocks[2];
    for (int b = 0; b < 2; ++b) {
        auto samples = std::make_shared<std::vector<float>>(3207);
        for (int i = 0; i < 3207; ++i)
            (*samples)[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * 440.0 * (b * 3207 + i) / 44100.0));
        blocks[b] = samples;
    }
    int n = 0;
    for (auto _ : state) {
        view->setData(blocks[++n % 2]);
        view->repaint();
    }
}
BENCHMARK(strobeRedraw)->Arg(404)->Arg(606)->Unit(benchmark::kMicrosecond);

void meterRedraw(benchmark::State &state)
{
    QWidget window;
    auto *view = new TuningMeterView(&window);
    view->setGeometry(0, 0, 404, 100);
    showExposed(window);
    int n = 0;
    for (auto _ : state) {
        view->setCent(static_cast<float>(++n % 100 - 50));
        view->repaint();
    }
}
BENCHMARK(meterRedraw)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
