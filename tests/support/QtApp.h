// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quaverly::test {

// Names a parameterised row after its own `name`.
constexpr auto kRowName = [](const auto &info) { return std::string(info.param.name); };

// One QApplication for the whole test program, never destroyed.
inline void ensureQtApp()
{
    static int argc = 1;
    static char name[] = "quaverly-test", *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QApplication(argc, argv);
}

// Serves the event loop until done() or the time-out (generous, so a loaded
// machine fails on behaviour, not speed); returns done().
inline bool serveUntil(const std::function<bool()> &done, int timeoutMs = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A shown window holding one widget of the given frame; the colours it draws along a row, in
// logical pixels of its frame.
template <class View>
struct Shown {
    bool appReady = (ensureQtApp(), true);
    QWidget window;
    View *view = new View(&window);
    Shown(QSize windowSize, QRect frame)
    {
        window.resize(windowSize);
        view->setGeometry(frame);
        window.show();
        EXPECT_TRUE(serveUntil([&] { return window.windowHandle()->isExposed(); }));
    }
    std::vector<QColor> row(qreal y)
    {
        const QImage image = view->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        std::vector<QColor> colours;
        for (int x = 0; x < view->width(); ++x)
            colours.push_back(image.pixelColor(int((x + 0.5) * ratio), int(y * ratio)));
        return colours;
    }
};

} // namespace quaverly::test
