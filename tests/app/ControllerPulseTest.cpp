// SPDX-License-Identifier: GPL-3.0-or-later
// The application on a private server: as a process, and as the real
// Controller capturing through an unplugged device and a restarted server.
#include "app/Controller.h"
#include "app/Settings.h"
#include "support/AudioBackends.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"
#include "widgets/ResizeWindow.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QWindow>
#include <QSettings>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

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

// Started before the server, the window shows no input at once and keeps the
// saved choice, which it opens when the server answers. While the input is
// gone no reading is claimed and nothing is captured from elsewhere; once it
// is back (re-plugged at another rate) the window follows the sound by
// itself, on the choice it started with.
class ControllerFault : public ::testing::TestWithParam<std::tuple<AudioBackend, PulseServer::Kind, bool>> {};

TEST_P(ControllerFault, NoInputWhileGoneThenFollowsTheSoundOnTheSameChoice)
{
    const auto [backend, kind, replug] = GetParam();
    ensureQtApp();
    PulseServer server{{.kind = kind, .microphone = backend == AudioBackend::Qt}};
    QTemporaryDir dir;
    const auto settings = [&] {
        return std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat);
    };
    const QString chosen = backend == AudioBackend::Qt ? QStringLiteral("System : Microphone")
        : kind == PulseServer::Kind::PipeWire            ? QStringLiteral("Monitor : Monitor of tone Audio/Sink sink")
                                                         : QStringLiteral("Monitor : Monitor of Null Output");
    settings()->setValue(QLatin1String(settings_keys::kInputDevice), chosen);
    // Qt looks for the server once per process: the Qt rows start with it.
    const bool late = backend == AudioBackend::Pulse;
    ASSERT_TRUE(late || server.start()) << server.error();
    Controller controller(makeHardware(backend), settings());
    controller.awakeFromNib();
    const auto text = [&](const char *name) {
        return controller.window()->findChild<QWidget *>(QLatin1String(name))->property("text").toString();
    };
    const auto reading = [&] {
        return (text("mNoteText") + text("mAccidentalText") + text("mOctaveText") + ' ' + text("mCentText")).toStdString();
    };
    auto *input = controller.window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"));
    EXPECT_TRUE(controller.window()->isVisible() && (!late || text("mCentText") == "no input")) << reading();
    controller.saveSettings();
    EXPECT_EQ(settings()->value(QLatin1String(settings_keys::kInputDevice)).toString(), chosen) << "the choice was lost";
    ASSERT_TRUE(server.start()) << server.error();
    ASSERT_TRUE(serveUntil([&] { return input->currentText() == chosen; })) << input->currentText().toStdString();
    server.playTone(446.0, 3.0);
    ASSERT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << reading();
    // The stream must not pull the graph below 1024/48000 (Qt's names itself).
    if (kind == PulseServer::Kind::PipeWire) {
        std::string outputs;
        server.run({"pactl", "list", "source-outputs"}, &outputs);
        const auto ours = outputs.find(backend == AudioBackend::Qt ? "application.name = \"QtPulseAudio:"
                                                                   : "application.name = \"Quaverly\"");
        const auto at = outputs.rfind("node.latency = \"", ours);
        ASSERT_TRUE(ours != std::string::npos && at != std::string::npos) << outputs;
        unsigned frames = 0, rate = 1;
        std::sscanf(outputs.c_str() + at, "node.latency = \"%u/%u\"", &frames, &rate);
        EXPECT_GE(double(frames) / rate, 1024.0 / 48000.0) << outputs.substr(at, 40);
    }
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=other"}), 0);

    if (replug)
        ASSERT_TRUE(server.unloadSink());
    else
        server.stop();
    EXPECT_TRUE(serveUntil([&] { return text("mCentText") == "no input" && text("mNoteText") == "–"; }))
        << "a reading is still claimed: " << reading();
    serveUntil([] { return false; }, 500);
    EXPECT_EQ(text("mCentText"), "no input") << "capture was moved to another source";

    server.setRateHz(44100);
    ASSERT_TRUE(replug ? server.loadSink() : server.start()) << server.error();
    server.playTone(415.0, 8.0);
    EXPECT_TRUE(serveUntil([&] { return reading().starts_with("G♯4"); })) << "after the return: " << reading();
    EXPECT_EQ(input->currentText(), chosen) << "the choice was moved";
    // The server ends while the window is open, not as the process exits:
    // Qt 6.4's engine aborts when its server dies during the exit (README).
    server.stop();
    EXPECT_TRUE(serveUntil([&] { return text("mCentText") == "no input"; })) << "after the server ended: " << reading();
}

// Qt's backend only re-plugged: a server restart is Qt's own to survive,
// which it does only some of the time (README).
INSTANTIATE_TEST_SUITE_P(Desktops, ControllerFault,
    ::testing::Values(std::tuple(AudioBackend::Pulse, PulseServer::Kind::PulseAudio, true),
        std::tuple(AudioBackend::Pulse, PulseServer::Kind::PulseAudio, false),
        std::tuple(AudioBackend::Pulse, PulseServer::Kind::PipeWire, true),
        std::tuple(AudioBackend::Pulse, PulseServer::Kind::PipeWire, false),
        std::tuple(AudioBackend::Qt, PulseServer::Kind::PulseAudio, true),
        std::tuple(AudioBackend::Qt, PulseServer::Kind::PipeWire, true)),
    [](const auto &info) {
        return backendName(std::get<0>(info.param)) + std::string(PulseServer::kindName(std::get<1>(info.param)))
            + (std::get<2>(info.param) ? "Replug" : "Restart");
    });

// The reference tone through a real server: the window's own capture of the
// sink's monitor hears it at the ideal frequency of its note, then nothing
// once it is toggled off; it ends (and is not moved) when its sink goes.
class ReferenceTone : public ::testing::TestWithParam<std::tuple<PulseServer::Kind, bool>> {};

TEST_P(ReferenceTone, IsHeardOnTheMonitorAndStopsWhenToggledOffOrItsOutputGoes)
{
    const auto [kind, serverGoes] = GetParam();
    ensureQtApp();
    PulseServer server{{.kind = kind}};
    ASSERT_TRUE(server.start()) << server.error();
    QTemporaryDir dir;
    Controller controller(std::make_shared<PulseAudioHardware>(),
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
    controller.awakeFromNib();
    const auto text = [&](const char *name) {
        return controller.window()->findChild<QWidget *>(QLatin1String(name))->property("text").toString().toStdString();
    };
    const auto action = [&](const char *name) { return controller.window()->findChild<QAction *>(QLatin1String(name)); };
    // Within 3 cents of the tone's frequency, on its note.
    const auto hears = [&](const std::string &note) {
        const double hz = QString::fromStdString(text("mFrequencyText")).remove(QStringLiteral("Hz")).toDouble();
        return text("mNoteText") + text("mAccidentalText") + text("mOctaveText") == note
            && std::abs(1200.0 * std::log2(hz / controller.toneFrequency())) < 3.0;
    };
    auto *input = controller.window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"));
    ASSERT_TRUE(serveUntil([&] { return input->currentIndex() >= 0; })) << "the monitor was never opened";

    action("actionReferenceTone")->trigger();
    ASSERT_TRUE(action("actionReferenceTone")->isChecked()) << "the tone did not start";
    EXPECT_TRUE(serveUntil([&] { return hears("A4"); }, 10000)) << text("mNoteText") << ' ' << text("mFrequencyText");
    action("actionToneDown")->trigger();
    action("actionToneDown")->trigger();
    EXPECT_TRUE(serveUntil([&] { return hears("G4"); }, 5000)) << text("mNoteText") << ' ' << text("mFrequencyText");

    action("actionReferenceTone")->trigger();
    EXPECT_TRUE(serveUntil([&] { return text("mLevelText") == "-96dB"; }, 5000)) << "still heard: " << text("mLevelText");

    action("actionReferenceTone")->trigger();
    ASSERT_TRUE(serveUntil([&] { return hears("G4"); }, 5000)) << "the tone did not start on the note on screen";
    if (serverGoes) {
        server.stop();
        EXPECT_TRUE(serveUntil([&] { return !action("actionReferenceTone")->isChecked(); }, 5000))
            << "the check mark stayed after the server went";
        return;
    }
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=other"}), 0);
    ASSERT_TRUE(server.unloadSink());
    EXPECT_TRUE(serveUntil([&] { return !action("actionReferenceTone")->isChecked(); }, 5000))
        << "the check mark stayed after the output went";
    std::string inputs;
    server.run({"pactl", "list", "sink-inputs"}, &inputs);
    EXPECT_EQ(inputs.find("Reference tone"), std::string::npos) << "the tone was moved: " << inputs;
}

INSTANTIATE_TEST_SUITE_P(Desktops, ReferenceTone,
    ::testing::Combine(::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire), ::testing::Bool()),
    [](const auto &info) {
        return PulseServer::kindName(std::get<0>(info.param)) + std::string(std::get<1>(info.param) ? "ServerGoes" : "SinkGoes");
    });

// Under a Wayland compositor (with-weston.sh) the whole window shows the
// tuner reading a tone at its designed size and once it maximised itself.
TEST(WaylandWindow, ReadsAToneAtItsDesignedSizeAndMaximised)
{
    ensureQtApp();
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        GTEST_SKIP() << "runs under weston (tests/app/with-weston.sh)";
    PulseServer server{{}};
    ASSERT_TRUE(server.start()) << server.error();
    QTemporaryDir dir;
    Controller controller(makeHardware(AudioBackend::Pulse),
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat));
    controller.awakeFromNib();
    ResizeWindow *window = controller.window();
    const auto child = [&](const char *name) { return window->findChild<QWidget *>(QLatin1String(name)); };
    const auto reading = [&] {
        std::string shown;
        for (const char *name : {"mNoteText", "mAccidentalText", "mOctaveText", "mCentText"})
            shown += child(name)->property("text").toString().toStdString() + (name[1] == 'O' ? " " : "");
        return shown;
    };
    ASSERT_TRUE(serveUntil([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }));
    QWidget *content = child("mContentView");
    const QSizeF designed = content->property("designedSize").toSizeF();
    EXPECT_NEAR(content->width(), designed.width(), 1) << "not at its designed size";
    EXPECT_NEAR(content->height(), designed.height(), 1) << "not at its designed size";
    server.playTone(446.0, 30.0);
    EXPECT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << reading();

    window->showMaximized();
    EXPECT_TRUE(serveUntil([&] { return window->isMaximized() && content->width() > 1.5 * designed.width(); }))
        << content->width() << " x " << content->height();
    const double scale = std::min(content->width() / designed.width(), content->height() / designed.height());
    EXPECT_NEAR(child("mDisplayPanel")->width(), 480 * scale, 2) << "not scaled by the limiting dimension";
    EXPECT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << "maximised: " << reading();
}

} // namespace
} // namespace quaverly::test
