// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <functional>

namespace quaverly::test {

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

} // namespace quaverly::test
