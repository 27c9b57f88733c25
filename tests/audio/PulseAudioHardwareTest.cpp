// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/PulseAudioHardware.h"

#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "audio/AUInputUnit.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quaverly {
namespace {

using namespace std::chrono_literals;
using test::PulseServer;

// What the application's controller does with the unit's callbacks, in
// small: blocks from the capture buffer and the notifications it hears.
class Client {
public:
    Client()
        : mBuffer([this](CaptureBlock block) {
            std::lock_guard lock(mMutex);
            mBlocks.push_back(std::move(block));
            mChanged.notify_all();
        })
    {
    }

    static OSStatus listener(AudioDeviceID, std::uint32_t, bool isInput, AudioPropertySelector property, void *self)
    {
        auto *client = static_cast<Client *>(self);
        std::lock_guard lock(client->mMutex);
        client->mHeard.push_back(property);
        // Adopt a changed rate, as the application does.
        if (isInput && client->mUnit) {
            const double rate = client->mUnit->sampleRate();
            client->mRates.push_back(rate);
            if (rate != double(client->mBuffer.sampleRate()))
                client->mBuffer.setSampleRate(float(rate));
        }
        client->mChanged.notify_all();
        return 0;
    }

    void attach(AUInputUnit &unit)
    {
        mUnit = &unit;
        unit.setIOProc(&CaptureBuffer::ioProc, &mBuffer);
        unit.setListenerProc(&Client::listener, this);
    }

    void adoptRate(double rate) { mBuffer.setSampleRate(float(rate)); }

    // Waits (bounded) until `count` more blocks arrived; returns them.
    std::vector<CaptureBlock> nextBlocks(std::size_t count, std::chrono::seconds timeout = 20s)
    {
        std::unique_lock lock(mMutex);
        const std::size_t start = mBlocks.size();
        mChanged.wait_for(lock, timeout, [&] { return mBlocks.size() >= start + count; });
        return {mBlocks.begin() + std::ptrdiff_t(start), mBlocks.end()};
    }

    bool waitHeard(AudioPropertySelector property, std::chrono::seconds timeout = 10s)
    {
        std::unique_lock lock(mMutex);
        return mChanged.wait_for(lock, timeout, [&] { return std::ranges::count(mHeard, property) > 0; });
    }

    std::vector<double> rates()
    {
        std::lock_guard lock(mMutex);
        return mRates;
    }

private:
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<CaptureBlock> mBlocks;
    std::vector<AudioPropertySelector> mHeard;
    std::vector<double> mRates;
    AUInputUnit *mUnit = nullptr;
    CaptureBuffer mBuffer;
};

float loudestPeak(const CaptureBlock &block)
{
    float peak = 0.0f;
    for (float s : *block)
        peak = std::max(peak, std::abs(s));
    return peak;
}

class PulseServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureQtApp();
        QUAVERLY_START_PULSE_SERVER(server);
    }

    PulseServer server;
};

TEST_F(PulseServerTest, CatalogueListsTheMonitorAndPutsTheDefaultCaptureSourceFirst)
{
    // A capture source with a vendor, which the server makes its default.
    ASSERT_EQ(server.run({"pactl", "load-module", "module-remap-source", "master=tone.monitor", "source_name=mic",
                  "source_properties=device.vendor.name=Quillfen"}),
        0);
    auto hw = std::make_shared<PulseAudioHardware>();
    ASSERT_TRUE(hw->isConnected());
    AUInputUnit unit(hw);
    const auto &sources = unit.audioInputSources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(hw->sourceName(sources[0].deviceID), "mic");
    EXPECT_EQ(sources[0].name, "Quillfen : Remapped Monitor of Null Output");
    EXPECT_EQ(hw->sourceName(sources[1].deviceID), "tone.monitor");
    EXPECT_EQ(sources[1].name, "Monitor : Monitor of Null Output");
    for (const auto &s : sources)
        EXPECT_FALSE(s.dataSource.has_value()) << "a source without ports offered a data source";

    unit.setInputDeviceAtIndex(1);
    const auto format = unit.streamDescription();
    EXPECT_EQ(format.mSampleRate, 48000.0);
    EXPECT_EQ(format.mFormatFlags & kAudioFormatFlagIsFloat, kAudioFormatFlagIsFloat);
    EXPECT_EQ(unit.channels(), format.mChannelsPerFrame);
    EXPECT_TRUE(unit.isNativeEndian());
    unit.stop();
}

TEST_F(PulseServerTest, ToneIsCapturedAndDetectedAt440Hz)
{
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    unit.setInputDeviceAtIndex(0);
    client.adoptRate(unit.sampleRate());
    ASSERT_EQ(unit.sampleRate(), 48000.0);

    server.playTone(440.0, 6.0);
    // Skip what came before the tone reached the sink.
    std::vector<CaptureBlock> blocks;
    for (int tries = 0; tries < 60; ++tries) {
        blocks = client.nextBlocks(4);
        if (blocks.size() >= 4 && loudestPeak(blocks.front()) > 0.4f)
            break;
    }
    blocks = client.nextBlocks(8);
    ASSERT_GE(blocks.size(), 8u) << "no capture blocks arrived";
    unit.stop();

    PitchDetector detector;
    int detected = 0;
    for (const auto &block : blocks) {
        ASSERT_EQ(block->size(), 3490u) << "block length does not match 48 kHz";
        if (!detector.detectPitch(*block, 48000.0f, 3490))
            continue;
        ++detected;
        EXPECT_NEAR(detector.mRawFrequency, 440.0f, 0.5f);
    }
    EXPECT_GE(detected, 6) << "the tone was not detected in most blocks";
}

TEST_F(PulseServerTest, SourceVolumeSetElsewhereReachesListenerAndControls)
{
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    QSlider slider;
    slider.setRange(0, 100);
    QLineEdit text;
    unit.setupVolumeSlider(&slider, &text);
    unit.setInputDeviceAtIndex(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(text.text(), "100");

    ASSERT_EQ(server.run({"pactl", "set-source-volume", "tone.monitor", "25%"}), 0);
    ASSERT_TRUE(client.waitHeard(kAudioDevicePropertyVolumeScalar));
    EXPECT_NEAR(unit.inputVolume(), 0.25f, 1.0f / 65536.0f);
    QCoreApplication::processEvents();
    EXPECT_TRUE(slider.isEnabled());
    EXPECT_EQ(slider.value(), 25);
    EXPECT_EQ(text.text(), "25");

    // Above 100 % reads as full scale.
    ASSERT_EQ(server.run({"pactl", "set-source-volume", "tone.monitor", "150%"}), 0);
    for (int i = 0; i < 500 && unit.inputVolume() < 1.0f; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(unit.inputVolume(), 1.0f);

    // And the slider's way back to the server.
    unit.setVolume(60);
    std::string out;
    for (int i = 0; i < 200; ++i) {
        server.run({"pactl", "get-source-volume", "tone.monitor"}, &out);
        if (out.find("60%") != std::string::npos)
            break;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_NE(out.find("60%"), std::string::npos) << out;
    unit.stop();
}

TEST_F(PulseServerTest, UnloadingTheSinkWhileCapturingIsSurvived)
{
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    unit.setInputDeviceAtIndex(0);
    client.adoptRate(unit.sampleRate());
    ASSERT_FALSE(client.nextBlocks(2).empty());

    ASSERT_EQ(server.run({"pactl", "unload-module", "module-null-sink"}), 0);
    EXPECT_TRUE(client.waitHeard(kAudioDevicePropertyDeviceIsAlive));
    // Not moved elsewhere: with the source gone, nothing arrives.
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=other"}), 0);
    client.nextBlocks(1, 1s);
    EXPECT_TRUE(client.nextBlocks(1, 1s).empty()) << "capture was moved to another source";
    unit.stop();
    unit.start();
    unit.stop();
}

TEST_F(PulseServerTest, CaptureResumesWhenStartedAgainOnAServerThatIsBack)
{
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    unit.setInputDeviceAtIndex(0);
    client.adoptRate(unit.sampleRate());
    ASSERT_FALSE(client.nextBlocks(2).empty());

    server.stop();
    EXPECT_TRUE(client.waitHeard(kAudioDevicePropertyDeviceIsAlive));
    unit.stop();
    unit.start();
    EXPECT_TRUE(client.nextBlocks(1, 1s).empty());
    unit.stop();

    ASSERT_TRUE(server.start()) << server.error();
    unit.start();
    EXPECT_GE(client.nextBlocks(3).size(), 3u) << "capture did not resume";
    unit.stop();
}

TEST_F(PulseServerTest, ServerBackAtAnotherRateDeliversThatRateAndSaysSo)
{
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    unit.setInputDeviceAtIndex(0);
    client.adoptRate(unit.sampleRate());
    ASSERT_FALSE(client.nextBlocks(1).empty());
    unit.stop();
    server.stop();

    server.setRateHz(44100);
    ASSERT_TRUE(server.start()) << server.error();
    unit.start();
    EXPECT_EQ(unit.sampleRate(), 44100.0) << "the new rate was not reported";
    server.playTone(440.0, 6.0);
    std::vector<CaptureBlock> blocks;
    for (int tries = 0; tries < 60; ++tries) {
        blocks = client.nextBlocks(1);
        if (!blocks.empty() && loudestPeak(blocks.front()) > 0.4f)
            break;
    }
    blocks = client.nextBlocks(4);
    unit.stop();
    ASSERT_GE(blocks.size(), 4u);
    PitchDetector detector;
    for (const auto &block : blocks) {
        ASSERT_EQ(block->size(), 3207u) << "blocks are not cut for 44.1 kHz";
        if (detector.detectPitch(*block, 44100.0f, 3207)) {
            EXPECT_NEAR(detector.mRawFrequency, 440.0f, 0.5f) << "samples and reported rate disagree";
        }
    }
}

TEST_F(PulseServerTest, RateChangeOfAnIdleSourceIsReportedAsANewFormat)
{
    // A null sink without a fixed rate follows the first stream played into it.
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=flex"}), 0);
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    const auto &sources = unit.audioInputSources();
    const auto flex = std::ranges::find_if(sources, [&](const auto &s) { return hw->sourceName(s.deviceID) == "flex.monitor"; });
    ASSERT_NE(flex, sources.end());
    unit.setInputDeviceAtIndex(flex - sources.begin());
    const double before = unit.sampleRate();
    unit.stop();
    unit.start();
    unit.stop();
    // Listen without capturing, so the sink is idle and may switch.
    hw->addPropertyListener(flex->deviceID, 0, true, kAudioDevicePropertyStreamFormat, &AUInputUnit::listener, &unit);
    const unsigned other = before == 44100.0 ? 48000 : 44100;
    server.spawn({"pacat", "--playback", "-d", "flex", "--raw", "--format=float32le",
        "--rate=" + std::to_string(other), "--channels=1", "/dev/zero"});
    ASSERT_TRUE(client.waitHeard(kAudioDevicePropertyStreamFormat)) << "the source's rate did not change";
    EXPECT_EQ(unit.sampleRate(), double(other));
    EXPECT_EQ(client.rates().back(), double(other)) << "the client heard before the unit re-read the format";
    hw->removePropertyListener(flex->deviceID, 0, true, kAudioDevicePropertyStreamFormat, &AUInputUnit::listener);
}

TEST_F(PulseServerTest, StopRightAfterStartLeavesNoRecordingOnTheServer)
{
    auto hw = std::make_shared<PulseAudioHardware>();
    AUInputUnit unit(hw);
    Client client;
    client.attach(unit);
    unit.setInputDeviceAtIndex(0);
    for (int i = 0; i < 5; ++i) {
        unit.stop();
        unit.start();
    }
    unit.stop();
    std::string outputs;
    for (int i = 0; i < 100; ++i) {
        server.run({"pactl", "list", "short", "source-outputs"}, &outputs);
        if (outputs.find("float32") == std::string::npos)
            break;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(outputs.find("float32"), std::string::npos) << "recordings left behind:\n" << outputs;
}

struct Unreachable {
    const char *what;
    bool listening; // a socket that accepts but never answers
};

class NoServerTest : public ::testing::TestWithParam<Unreachable> {};

TEST_P(NoServerTest, GivesAnEmptyCatalogueInsteadOfHanging)
{
    char dir[] = "/tmp/quaverly-nopulse-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/native";
    int fd = -1;
    if (GetParam().listening) {
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ASSERT_EQ(listen(fd, 4), 0);
    }
    const char *old = std::getenv("PULSE_SERVER");
    const std::string saved = old ? old : "";
    setenv("PULSE_SERVER", ("unix:" + path).c_str(), 1);
    {
        auto hw = std::make_shared<PulseAudioHardware>("Quaverly", 500ms);
        EXPECT_FALSE(hw->isConnected());
        AUInputUnit unit(hw);
        EXPECT_TRUE(unit.audioInputSources().empty());
        unit.start();
        unit.stop();
    }
    if (old)
        setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
    if (fd >= 0)
        close(fd);
    unlink(path.c_str());
    rmdir(dir);
}

INSTANTIATE_TEST_SUITE_P(Servers, NoServerTest,
    ::testing::Values(Unreachable{"absent", false}, Unreachable{"silent", true}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace
} // namespace quaverly
