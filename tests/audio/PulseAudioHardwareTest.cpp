// SPDX-License-Identifier: GPL-3.0-or-later
// The audio input against a private PulseAudio and a private PipeWire, below
// the window (capture and loss are the application's pulse test).
#include "audio/PulseAudioHardware.h"

#include "audio/AUInputUnit.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"

#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

namespace quaverly {
namespace {

using test::PulseServer;
using test::serveUntil;

// The unit on "tone.monitor", its volume controls shown.
class ServerTest : public ::testing::TestWithParam<PulseServer::Kind> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.error();
        unit = std::make_unique<AUInputUnit>(std::make_shared<PulseAudioHardware>());
        unit->setIOProc([](auto...) -> OSStatus { return 0; }, nullptr);
        slider.setRange(0, 100);
        unit->setupVolumeSlider(&slider, &text);
        // tone.monitor, the only source, opened once the server has answered.
        unit->setInputDeviceWithName(QString());
        ASSERT_TRUE(serveUntil([&] { return unit->inputDevice() != kAudioDeviceUnknown; })) << "no source listed";
    }

    bool mAppReady = (test::ensureQtApp(), true);
    PulseServer server{{.kind = GetParam()}};
    QSlider slider;
    QLineEdit text;
    std::unique_ptr<AUInputUnit> unit;
};

TEST_P(ServerTest, VolumeShowsWhatTheMixerShowsAtEveryPositionBothWays)
{
    const auto shows = [&](int percent) { return slider.value() == percent && text.text() == QString::number(percent); };
    for (int p = 0; p <= 100; p += 1) {
        ASSERT_EQ(server.run({"pactl", "set-source-volume", "tone.monitor", std::to_string(p) + "%"}), 0);
        const int mixer = server.shownVolume();
        ASSERT_TRUE(serveUntil([&] { return shows(mixer); }, 3000))
            << "set to " << p << "% elsewhere, the mixer shows " << mixer << ", the tuner " << text.text().toStdString();
    }
    for (int p = 100; p >= 0; --p) {
        unit->setVolume(p);
        ASSERT_TRUE(serveUntil([&] { return server.shownVolume() == p; }, 3000)) << "slider at " << p;
        ASSERT_TRUE(serveUntil([&] { return shows(p); }, 3000))
            << "slider moved to " << p << " comes back as " << text.text().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerTest,
    ::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire),
    [](const auto &info) { return std::string(PulseServer::kindName(info.param)); });

} // namespace
} // namespace quaverly
