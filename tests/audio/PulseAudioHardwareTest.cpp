// SPDX-License-Identifier: GPL-3.0-or-later
// The audio input against a private PulseAudio and a private PipeWire, below
// the window (capture and loss are the application's pulse test).
#include "audio/AUInputUnit.h"
#include "support/AudioBackends.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <atomic>
#include <cmath>
#include <fstream>
#include <numbers>

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
        unit = std::make_unique<AUInputUnit>(test::makeHardware(test::AudioBackend::Pulse));
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

// Each backend lists the input under its title and shows the volume it can
// set, or "n/a" where the layer has none.
class BackendTest : public ::testing::TestWithParam<std::tuple<test::AudioBackend, PulseServer::Kind>> {
protected:
    bool mAppReady = (test::ensureQtApp(), true);
    PulseServer server{{.kind = std::get<1>(GetParam()), .microphone = true}};
    std::shared_ptr<AudioHardware> hardware;
    // The server ends while the hardware is still here, and Qt is given a
    // moment to handle it: Qt 6.4's engine can abort when its server dies
    // during the process's exit (README). Qt keeps listing the ended
    // server's devices, so there is nothing to wait for but time.
    void TearDown() override
    {
        server.stop();
        if (std::get<0>(GetParam()) == test::AudioBackend::Qt)
            serveUntil([] { return false; }, 1000);
    }
};

TEST_P(BackendTest, ListsTheInputAndShowsWhetherItsVolumeCanBeSet)
{
    ASSERT_TRUE(server.start()) << server.error();
    hardware = test::makeHardware(std::get<0>(GetParam()));
    AUInputUnit unit(hardware);
    QComboBox popUp;
    QSlider slider;
    QLineEdit text;
    unit.setupPopUpButton(&popUp);
    unit.setupVolumeSlider(&slider, &text);
    unit.setInputDeviceWithName(QString());
    const QString title = std::get<0>(GetParam()) == test::AudioBackend::Qt ? "System : Microphone" : "Sound server : Microphone";
    ASSERT_TRUE(serveUntil([&] { return popUp.findText(title) >= 0; })) << "no " << title.toStdString();
    unit.setInputDeviceWithName(title);
    const bool settable = std::get<0>(GetParam()) == test::AudioBackend::Pulse;
    EXPECT_TRUE(serveUntil([&] { return slider.isEnabled() == settable && (text.text() == "n/a") != settable; }))
        << "the volume reads " << text.text().toStdString();
}

// The reference tone reaches the default output and ends, once, when that
// device goes away rather than moving to another one.
// (The pulse backend's tone: ReferenceTone in app_pulse_test.)
class ToneTest : public BackendTest {};

TEST_P(ToneTest, ReachesTheOutputAndEndsWithItsDevice)
{
    ASSERT_TRUE(server.start()) << server.error();
    hardware = test::makeHardware(std::get<0>(GetParam()));
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=other"}), 0);
    struct Tone {
        double phase = 0.0;
        std::atomic<int> ended = 0;
    } tone;
    const auto render = [](float *samples, std::uint32_t frames, float rateHz, void *data) {
        auto &t = *static_cast<Tone *>(data);
        for (std::uint32_t i = 0; i < frames; ++i, t.phase += 2.0 * std::numbers::pi * 440.0 / rateHz)
            samples[i] = float(0.5 * std::sin(t.phase));
    };
    const auto ended = [](void *data) { ++static_cast<Tone *>(data)->ended; };
    ASSERT_TRUE(serveUntil([&] { return hardware->startOutput(render, ended, &tone) == kAudioNoError; }));
    // The server's own recorder of "tone" hears it.
    const auto loudest = [&] {
        std::ifstream in(server.directory() + "/keeper.raw", std::ios::binary | std::ios::ate);
        const auto size = std::streamoff(in.tellg());
        in.seekg(std::max<std::streamoff>(0, size - 4800));
        int peak = 0;
        for (char c; in.get(c);)
            peak = std::max(peak, std::abs(int(std::uint8_t(c)) - 128));
        return peak;
    };
    EXPECT_TRUE(serveUntil([&] { return loudest() > 32; })) << "peak " << loudest();
    ASSERT_TRUE(server.unloadSink());
    EXPECT_TRUE(serveUntil([&] { return tone.ended > 0; })) << "the tone did not end with its device";
    std::string inputs;
    server.run({"pactl", "list", "short", "sink-inputs"}, &inputs);
    EXPECT_EQ(tone.ended, 1);
    EXPECT_EQ(inputs.find("protocol-native"), std::string::npos) << "moved on: " << inputs;
    EXPECT_EQ(hardware->stopOutput(), kAudioNoError);
}

const auto kBackendRowName = [](const auto &info) {
    return test::backendName(std::get<0>(info.param)) + std::string(PulseServer::kindName(std::get<1>(info.param)));
};
INSTANTIATE_TEST_SUITE_P(Backends, BackendTest,
    ::testing::Combine(::testing::Values(test::AudioBackend::Pulse, test::AudioBackend::Qt),
        ::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire)),
    kBackendRowName);
INSTANTIATE_TEST_SUITE_P(Backends, ToneTest,
    ::testing::Combine(::testing::Values(test::AudioBackend::Qt),
        ::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire)),
    kBackendRowName);

} // namespace
} // namespace quaverly
