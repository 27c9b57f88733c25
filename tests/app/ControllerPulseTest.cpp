// SPDX-License-Identifier: GPL-3.0-or-later
// The application on a private server: as a process, and as the real
// Controller through an unplugged device and a restarted server.
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

using namespace std::chrono_literals;
using pulse_server::waitFor;

TEST(PulseController, TerminationSignalSavesTheSettingsAndExitsCleanly)
{
    PulseServer server{{}};
    ASSERT_TRUE(server.start()) << server.error();
    const pid_t app = server.spawn({QUAVERLY_APP_PATH});
    ASSERT_TRUE(waitFor([&] {
        std::string outputs;
        server.run({"pactl", "list", "source-outputs"}, &outputs);
        return outputs.find("application.name = \"Quaverly\"") != std::string::npos;
    }, 10s)) << "the application never started capture";
    ASSERT_EQ(::kill(app, SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(waitFor([&] { return ::waitpid(app, &status, WNOHANG) == app; }, 10s)) << "no end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    QSettings stored(QString::fromStdString(server.directory() + "/home/.config/quillfen/Quaverly.conf"),
        QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("quillfen.InputDeviceKey")).toString(), "Monitor : Monitor of Null Output");
}

// While the input is gone no reading is claimed; once it is back the window
// follows the sound by itself, on the choice it started with.
class ControllerFault : public ::testing::TestWithParam<std::tuple<PulseServer::Kind, bool>> {};

TEST_P(ControllerFault, NoInputWhileGoneThenFollowsTheSoundOnTheSameChoice)
{
    const auto [kind, replug] = GetParam();
    ensureQtApp();
    PulseServer server{{.kind = kind}};
    ASSERT_TRUE(server.start()) << server.error();
    QTemporaryDir dir;
    Controller controller(std::make_shared<PulseAudioHardware>(),
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
    controller.awakeFromNib();
    const auto text = [&](const char *name) {
        return controller.window()->findChild<QWidget *>(QLatin1String(name))->property("text").toString();
    };
    const auto reading = [&] {
        return (text("mNoteText") + text("mAccidentalText") + text("mOctaveText") + ' ' + text("mCentText")).toStdString();
    };
    auto *input = controller.window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"));
    const QString chosen = input->currentText();
    server.playTone(446.0, 3.0);
    ASSERT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << reading();

    if (replug)
        ASSERT_TRUE(server.unloadSink());
    else
        server.stop();
    EXPECT_TRUE(serveUntil([&] { return text("mCentText") == "no input" && text("mNoteText") == "–"; }))
        << "a reading is still claimed: " << reading();

    ASSERT_TRUE(replug ? server.loadSink() : server.start()) << server.error();
    server.playTone(415.0, 4.0);
    EXPECT_TRUE(serveUntil([&] { return reading().starts_with("G♯4"); })) << "after the return: " << reading();
    EXPECT_EQ(input->currentText(), chosen) << "the choice was moved";
}

INSTANTIATE_TEST_SUITE_P(Desktops, ControllerFault,
    ::testing::Combine(::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire), ::testing::Bool()),
    [](const auto &info) {
        return PulseServer::kindName(std::get<0>(info.param)) + std::string(std::get<1>(info.param) ? "Replug" : "Restart");
    });

} // namespace
} // namespace quaverly::test
