// SPDX-License-Identifier: GPL-3.0-or-later
// The real Controller on a private PulseAudio and PipeWire: a tone played
// into the null sink is captured from its monitor.
#include "PulseControllerFixture.h"

#include <csignal>
#include <sys/wait.h>
#include <thread>

namespace quaverly::test {
namespace {

class PulseController : public PulseControllerFixture, public ::testing::WithParamInterface<PulseServer::Kind> {};

TEST_P(PulseController, ToneShowsItsNote)
{
    startController(GetParam());
    ASSERT_EQ(mController->sampleRate(), 48000.0f);
    ASSERT_TRUE(serveUntil([&] { return mController->blockCount() > 3; })) << "no capture blocks";
    mServer->playTone(446.0, 4.0);
    EXPECT_TRUE(serveUntil([&] { return reading() == "A4 +23"; })) << reading();
}

TEST_P(PulseController, TerminationSignalSavesTheSettingsAndExitsCleanly)
{
    PulseServer server({.kind = GetParam()});
    ASSERT_TRUE(server.start()) << server.error();
    const pid_t app = server.spawn({QUAVERLY_APP_PATH});
    const auto poll = [](const std::function<bool()> &done) {
        for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            if (done())
                return true;
        return false;
    };
    ASSERT_TRUE(poll([&] {
        std::string outputs;
        server.run({"pactl", "list", "source-outputs"}, &outputs);
        return outputs.find("application.name = \"Quaverly\"") != std::string::npos;
    })) << "the application never started capture";
    ASSERT_EQ(::kill(app, SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(poll([&] { return ::waitpid(app, &status, WNOHANG) == app; })) << "no end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    QSettings stored(QString::fromStdString(server.directory() + "/home/.config/quillfen/Quaverly.conf"),
        QSettings::IniFormat);
    EXPECT_TRUE(stored.value(QStringLiteral("quillfen.InputDeviceKey")).toString().startsWith("Monitor : Monitor of"));
}

INSTANTIATE_TEST_SUITE_P(Servers, PulseController,
    ::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire),
    [](const auto &info) { return std::string(kindName(info.param)); });

} // namespace
} // namespace quaverly::test
