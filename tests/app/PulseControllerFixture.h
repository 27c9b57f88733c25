// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real Controller on the real backend against a private PulseAudio or
// PipeWire, with its settings in a temporary file.

#include "app/Controller.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quaverly::test {

class PulseControllerFixture : public ::testing::Test {
protected:
    void startController(PulseServer::Kind kind)
    {
        mServer = std::make_unique<PulseServer>(PulseServer::Options{.kind = kind});
        ASSERT_TRUE(mServer->start()) << mServer->error();
        mController = std::make_unique<Controller>(std::make_shared<PulseAudioHardware>(),
            std::make_unique<QSettings>(mDir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
        mController->setQuitHandler([] {});
        mController->awakeFromNib();
    }

    QString text(const char *name) const
    {
        return mController->window()->findChild<QLineEdit *>(QLatin1String(name))->text();
    }
    // Note, accidental and octave, then the cents: "G♯4 +0".
    std::string reading() const
    {
        return (text("mNoteText") + text("mAccidentalText") + text("mOctaveText") + ' ' + text("mCentText")).toStdString();
    }

    void TearDown() override
    {
        if (mController)
            mController->applicationWillTerminate();
        mController.reset();
        QCoreApplication::processEvents();
    }

    bool mAppReady = (ensureQtApp(), true);
    QTemporaryDir mDir;
    std::unique_ptr<PulseServer> mServer;
    std::unique_ptr<Controller> mController;
};

} // namespace quaverly::test
