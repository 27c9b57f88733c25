// SPDX-License-Identifier: GPL-3.0-or-later
// Everyday desktop faults replayed against the whole application on a
// private PulseAudio and PipeWire: the captured device re-plugged, the sound
// server restarted. Once the input is gone the window must not claim a
// reading; once it is back it follows the sound by itself, on the choice it
// started with.
#include "app/Controller.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QComboBox>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quaverly::test {
namespace {

enum class Fault { Replug, ServerRestart };

class ControllerFault : public ::testing::TestWithParam<std::tuple<PulseServer::Kind, Fault>> {
protected:
    void TearDown() override
    {
        if (mController)
            mController->applicationWillTerminate();
    }

    QString text(const char *name) const
    {
        return mController->window()->findChild<QWidget *>(QLatin1String(name))->property("text").toString();
    }
    std::string reading() const // "G♯4 +0"
    {
        return (text("mNoteText") + text("mAccidentalText") + text("mOctaveText") + ' ' + text("mCentText")).toStdString();
    }

    bool mAppReady = (ensureQtApp(), true);
    QTemporaryDir mDir;
    PulseServer mServer{{.kind = std::get<0>(GetParam())}};
    std::unique_ptr<Controller> mController;
};

TEST_P(ControllerFault, WindowShowsNoInputWhileGoneAndFollowsTheSoundWhenBack)
{
    const bool replug = std::get<1>(GetParam()) == Fault::Replug;
    ASSERT_TRUE(mServer.start()) << mServer.error();
    mController = std::make_unique<Controller>(std::make_shared<PulseAudioHardware>(),
        std::make_unique<QSettings>(mDir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
    mController->setQuitHandler([] {});
    mController->awakeFromNib();
    auto *input = mController->window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"));
    const QString chosen = input->currentText();
    mServer.playTone(446.0, 3.0);
    ASSERT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << reading();

    if (replug)
        ASSERT_TRUE(mServer.unloadSink());
    else
        mServer.stop();
    EXPECT_TRUE(serveUntil([&] { return text("mCentText") == "no input" && text("mNoteText") == "–"; }))
        << "a reading is still claimed: " << reading();

    ASSERT_TRUE(replug ? mServer.loadSink() : mServer.start()) << mServer.error();
    mServer.playTone(415.0, 4.0);
    EXPECT_TRUE(serveUntil([&] { return reading().starts_with("G♯4"); })) << "after the return: " << reading();
    EXPECT_EQ(input->currentText(), chosen) << "the choice was moved";
}

INSTANTIATE_TEST_SUITE_P(Desktops, ControllerFault,
    ::testing::Combine(::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire),
        ::testing::Values(Fault::Replug, Fault::ServerRestart)),
    [](const auto &info) {
        return std::string(kindName(std::get<0>(info.param)))
            + (std::get<1>(info.param) == Fault::Replug ? "Replug" : "ServerRestart");
    });

} // namespace
} // namespace quaverly::test
