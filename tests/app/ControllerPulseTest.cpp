// SPDX-License-Identifier: GPL-3.0-or-later
// The application as a process on a private server.
#include "support/PulseServer.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <thread>

namespace quaverly::test {
namespace {

bool poll(const std::function<bool()> &done)
{
    for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (done())
            return true;
    return false;
}

TEST(PulseController, TerminationSignalSavesTheSettingsAndExitsCleanly)
{
    PulseServer server;
    ASSERT_TRUE(server.start()) << server.error();
    const pid_t app = server.spawn({QUAVERLY_APP_PATH});
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
    EXPECT_EQ(stored.value(QStringLiteral("quillfen.InputDeviceKey")).toString(), "Monitor : Monitor of Null Output");
}

} // namespace
} // namespace quaverly::test
