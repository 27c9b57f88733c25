// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real Controller on the real PulseAudio backend against a private
// server, with its settings in a temporary file.

#include "app/Controller.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace quaverly::test {

class PulseControllerFixture : public ::testing::Test {
protected:
    QString settingsPath() const { return mDir.filePath(QStringLiteral("Quaverly.conf")); }

    void startController()
    {
        ensureQtApp();
        mController = std::make_unique<Controller>(std::make_shared<PulseAudioHardware>(),
            std::make_unique<QSettings>(settingsPath(), QSettings::IniFormat));
        mController->setQuitHandler([] {});
        mController->awakeFromNib();
    }

    QString text(const char *name) const
    {
        return mController->window()->findChild<QWidget *>(QLatin1String(name))->property("text").toString();
    }

    // Serves the event loop until `done` or the time-out (generous, so a loaded machine fails
    // on behaviour, not speed).
    bool serveUntil(const std::function<bool()> &done, int timeoutMs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    void serveFor(int ms)
    {
        serveUntil([] { return false; }, ms);
    }

    void TearDown() override
    {
        if (mController)
            mController->applicationWillTerminate();
        mController.reset();
        QCoreApplication::processEvents();
    }

    QTemporaryDir mDir;
    PulseServer mServer;
    std::unique_ptr<Controller> mController;
};

} // namespace quaverly::test
