// SPDX-License-Identifier: GPL-3.0-or-later
// The audio input against a private PulseAudio and a private PipeWire: what a
// user's desktop does to a running tuner.
#include "audio/PulseAudioHardware.h"

#include "analysis/BlockLength.h"
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "audio/AUInputUnit.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"

#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quaverly {
namespace {

using test::PulseServer;
using test::serveUntil;

// The application's controller in small: adopts the rate as it does, and
// keeps the blocks and the availability it is told.
class ServerTest : public ::testing::TestWithParam<PulseServer::Kind> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.error();
        hw = std::make_shared<PulseAudioHardware>();
        unit = std::make_unique<AUInputUnit>(hw);
        unit->setIOProc(&CaptureBuffer::ioProc, &buffer);
        unit->setListenerProc(&ServerTest::listener, this);
        slider.setRange(0, 100);
        unit->setupVolumeSlider(&slider, &text);
        QObject::connect(unit.get(), &AUInputUnit::inputAvailableChanged, unit.get(),
            [this](bool available) { availability.push_back(available); });
        const auto &sources = unit->audioInputSources();
        for (std::size_t i = 0; i < sources.size(); ++i)
            if (hw->sourceName(sources[i].deviceID) == "tone.monitor")
                unit->setInputDeviceAtIndex(qint64(i));
        ASSERT_EQ(hw->sourceName(unit->inputDevice()), "tone.monitor");
        buffer.setSampleRate(float(unit->sampleRate()));
    }

    void TearDown() override
    {
        if (unit)
            unit->stop();
    }

    static OSStatus listener(AudioDeviceID, std::uint32_t, bool, AudioPropertySelector, void *self)
    {
        auto *t = static_cast<ServerTest *>(self);
        t->buffer.setSampleRate(float(t->unit->sampleRate()));
        return 0;
    }

    // Plays the tone and waits for a block, cut for the unit's rate, whose
    // reading is the tone's frequency.
    bool hears(double hz)
    {
        server.playTone(hz, 6.0);
        return serveUntil([&] {
            std::lock_guard lock(mutex);
            const auto rate = float(unit->sampleRate());
            for (; seen < blocks.size(); ++seen) {
                PitchDetector detector;
                if (blocks[seen]->size() == blockLength(rate)
                    && detector.detectPitch(*blocks[seen], rate, blockLength(rate))
                    && std::abs(detector.mRawFrequency - hz) < hz * 0.005)
                    return true;
            }
            return false;
        });
    }

    std::size_t blockCount()
    {
        std::lock_guard lock(mutex);
        return blocks.size();
    }

    bool mAppReady = (test::ensureQtApp(), true);
    PulseServer server{{.kind = GetParam()}};
    std::mutex mutex;
    std::vector<CaptureBlock> blocks;
    std::size_t seen = 0;
    CaptureBuffer buffer{[this](CaptureBlock block) {
        std::lock_guard lock(mutex);
        blocks.push_back(std::move(block));
    }};
    QSlider slider;
    QLineEdit text;
    std::vector<bool> availability;
    std::shared_ptr<PulseAudioHardware> hw;
    std::unique_ptr<AUInputUnit> unit;
};

TEST_P(ServerTest, CapturesAToneWithoutShorteningTheServersLatency)
{
    EXPECT_TRUE(hears(440.0)) << "440 Hz was not heard at " << unit->sampleRate() << " Hz";
    std::string outputs;
    server.run({"pactl", "list", "source-outputs"}, &outputs);
    const auto ours = outputs.find("application.name = \"Quaverly\"");
    ASSERT_NE(ours, std::string::npos) << outputs;
    if (GetParam() == PulseServer::Kind::PipeWire) {
        const auto at = outputs.rfind("node.latency = \"", ours);
        ASSERT_NE(at, std::string::npos) << outputs;
        unsigned frames = 0, rate = 1;
        std::sscanf(outputs.c_str() + at, "node.latency = \"%u/%u\"", &frames, &rate);
        EXPECT_GE(double(frames) / rate, 1024.0 / 48000.0) << "the stream pulls the graph below 1024/48000";
    }
}

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

// Unplugged and plugged again at another rate (also a rate change), or the
// whole server restarted. Nothing may be captured from elsewhere meanwhile.
TEST_P(ServerTest, LossIsReportedAndCaptureResumesOnItsOwnWhenTheSourceIsBack)
{
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=other"}), 0);
    for (const bool replug : {true, false}) {
        ASSERT_TRUE(serveUntil([&] { return blockCount() > 2; })) << "no capture";
        availability.clear();
        replug ? void(server.unloadSink()) : server.stop();
        ASSERT_TRUE(serveUntil([&] { return !availability.empty(); })) << "the loss was not reported";
        const std::size_t whileGone = blockCount();
        serveUntil([] { return false; }, 300);
        EXPECT_EQ(blockCount(), whileGone) << "capture was moved to another source";
        server.setRateHz(replug ? 44100 : 48000);
        ASSERT_TRUE(replug ? server.loadSink() : server.start()) << server.error();
        ASSERT_TRUE(serveUntil([&] { return availability.size() == 2; })) << "the return was not reported";
        EXPECT_EQ(availability, (std::vector<bool>{false, true}));
        EXPECT_EQ(unit->sampleRate(), replug ? 44100.0 : 48000.0) << "the new rate was not adopted";
        EXPECT_TRUE(hears(replug ? 415.0 : 466.16)) << "capture did not resume, replug " << replug;
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerTest,
    ::testing::Values(PulseServer::Kind::PulseAudio, PulseServer::Kind::PipeWire),
    [](const auto &info) { return std::string(PulseServer::kindName(info.param)); });

// A socket that accepts but never answers: no devices, and no hang.
TEST(NoServerTest, SilentServerGivesAnEmptyCatalogueInTime)
{
    const std::string path = "/tmp/quaverly-silent-" + std::to_string(getpid());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{.sun_family = AF_UNIX, .sun_path = {}};
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(fd, 4), 0);
    setenv("PULSE_SERVER", ("unix:" + path).c_str(), 1);
    {
        AUInputUnit unit(std::make_shared<PulseAudioHardware>("Quaverly", std::chrono::milliseconds(500)));
        EXPECT_TRUE(unit.audioInputSources().empty());
        unit.start();
        unit.stop();
    }
    close(fd);
    unlink(path.c_str());
}

} // namespace
} // namespace quaverly
