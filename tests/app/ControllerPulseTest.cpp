// SPDX-License-Identifier: GPL-3.0-or-later
// The application as a process on a private server.
#include "support/PulseServer.h"

#include <QSettings>

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

} // namespace
} // namespace quaverly::test
