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

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quaverly {
namespace {

using namespace std::chrono_literals;

// Plays the application's controller in small: takes the capture buffer's
// blocks, records what it hears and adopts a changed rate as it does.
class PulseServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureQtApp();
        QUAVERLY_START_PULSE_SERVER(server);
    }

    static OSStatus listener(AudioDeviceID, std::uint32_t, bool isInput, AudioPropertySelector property, void *self)
    {
        auto *t = static_cast<PulseServerTest *>(self);
        std::lock_guard lock(t->mMutex);
        t->mHeard.push_back(property);
        if (isInput && t->unit) {
            t->mLastRate = t->unit->sampleRate();
            if (t->mLastRate != double(t->mBuffer.sampleRate()))
                t->mBuffer.setSampleRate(float(t->mLastRate));
        }
        t->mChanged.notify_all();
        return 0;
    }

    void open(std::ptrdiff_t index = 0, QSlider *slider = nullptr, QLineEdit *text = nullptr)
    {
        hw = std::make_shared<PulseAudioHardware>();
        unit = std::make_unique<AUInputUnit>(hw);
        unit->setIOProc(&CaptureBuffer::ioProc, &mBuffer);
        unit->setListenerProc(&PulseServerTest::listener, this);
        if (slider)
            unit->setupVolumeSlider(slider, text);
        if (index < 0)
            return;
        unit->setInputDeviceAtIndex(index);
        mBuffer.setSampleRate(float(unit->sampleRate()));
    }

    // Waits (bounded) for `count` more blocks; returns all that came.
    std::vector<CaptureBlock> nextBlocks(std::size_t count, std::chrono::seconds timeout = 20s)
    {
        std::unique_lock lock(mMutex);
        const std::size_t start = mBlocks.size();
        mChanged.wait_for(lock, timeout, [&] { return mBlocks.size() >= start + count; });
        return {mBlocks.begin() + std::ptrdiff_t(start), mBlocks.end()};
    }

    bool waitHeard(AudioPropertySelector property)
    {
        std::unique_lock lock(mMutex);
        return mChanged.wait_for(lock, 10s, [&] { return std::ranges::count(mHeard, property) > 0; });
    }

    // Plays 440 Hz and returns `count` blocks captured once it arrived.
    std::vector<CaptureBlock> toneBlocks(std::size_t count)
    {
        server.playTone(440.0, 6.0);
        for (int tries = 0; tries < 60; ++tries) {
            const auto blocks = nextBlocks(1);
            if (!blocks.empty() && std::ranges::any_of(*blocks.front(), [](float s) { return std::abs(s) > 0.4f; }))
                break;
        }
        auto blocks = nextBlocks(count);
        unit->stop();
        return blocks;
    }

    // The 440 Hz readings of the blocks; every block must be cut for the rate.
    // One block's reading may be up to about 1 Hz off (whole-sample peak
    // intervals), so single readings only have to show that samples and rate
    // agree: a wrong rate is off by several percent.
    static std::vector<float> toneReadings(const std::vector<CaptureBlock> &blocks, float rate, std::size_t length)
    {
        PitchDetector detector;
        std::vector<float> readings;
        for (const auto &block : blocks) {
            EXPECT_EQ(block->size(), length) << "blocks are not cut for " << rate << " Hz";
            if (block->size() == length && detector.detectPitch(*block, rate, std::uint32_t(length))) {
                readings.push_back(detector.mRawFrequency);
                EXPECT_NEAR(detector.mRawFrequency, 440.0f, 2.0f) << "samples and reported rate disagree";
            }
        }
        return readings;
    }

    test::PulseServer server;
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<CaptureBlock> mBlocks;
    std::vector<AudioPropertySelector> mHeard;
    double mLastRate = 0.0;
    CaptureBuffer mBuffer{[this](CaptureBlock block) {
        std::lock_guard lock(mMutex);
        mBlocks.push_back(std::move(block));
        mChanged.notify_all();
    }};
    std::shared_ptr<PulseAudioHardware> hw;
    std::unique_ptr<AUInputUnit> unit;
};

TEST_F(PulseServerTest, CatalogueListsTheMonitorAndPutsTheDefaultCaptureSourceFirst)
{
    // A capture source with a vendor, which the server makes its default.
    ASSERT_EQ(server.run({"pactl", "load-module", "module-remap-source", "master=tone.monitor", "source_name=mic",
                  "source_properties=device.vendor.name=Quillfen"}),
        0);
    open(1);
    ASSERT_TRUE(hw->isConnected());
    const auto &sources = unit->audioInputSources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(hw->sourceName(sources[0].deviceID), "mic");
    EXPECT_EQ(sources[0].name, "Quillfen : Remapped Monitor of Null Output");
    EXPECT_EQ(hw->sourceName(sources[1].deviceID), "tone.monitor");
    EXPECT_EQ(sources[1].name, "Monitor : Monitor of Null Output");
    for (const auto &s : sources)
        EXPECT_FALSE(s.dataSource.has_value()) << "a source without ports offered a data source";
    const auto format = unit->streamDescription();
    EXPECT_EQ(format.mSampleRate, 48000.0);
    EXPECT_EQ(format.mFormatFlags & kAudioFormatFlagIsFloat, kAudioFormatFlagIsFloat);
    EXPECT_EQ(unit->channels(), format.mChannelsPerFrame);
    EXPECT_TRUE(unit->isNativeEndian());
    unit->stop();
}

TEST_F(PulseServerTest, ToneIsCapturedAndDetectedAt440Hz)
{
    open();
    ASSERT_EQ(unit->sampleRate(), 48000.0);
    const auto blocks = toneBlocks(8);
    ASSERT_GE(blocks.size(), 8u) << "no capture blocks arrived";
    auto readings = toneReadings(blocks, 48000.0f, 3490);
    ASSERT_GE(readings.size(), 6u) << "the tone was not detected in most blocks";
    std::ranges::nth_element(readings, readings.begin() + 4);
    EXPECT_NEAR(readings[4], 440.0f, 0.5f) << "median reading of the tone";
}

TEST_F(PulseServerTest, SourceVolumeSetElsewhereReachesListenerAndControls)
{
    QSlider slider;
    slider.setRange(0, 100);
    QLineEdit text;
    open(0, &slider, &text);
    QCoreApplication::processEvents();
    EXPECT_EQ(text.text(), "100");

    ASSERT_EQ(server.run({"pactl", "set-source-volume", "tone.monitor", "25%"}), 0);
    ASSERT_TRUE(waitHeard(kAudioDevicePropertyVolumeScalar));
    EXPECT_NEAR(unit->inputVolume(), 0.25f, 1.0f / 65536.0f);
    QCoreApplication::processEvents();
    EXPECT_TRUE(slider.isEnabled());
    EXPECT_EQ(slider.value(), 25);
    EXPECT_EQ(text.text(), "25");

    // Above 100 % reads as full scale.
    ASSERT_EQ(server.run({"pactl", "set-source-volume", "tone.monitor", "150%"}), 0);
    for (int i = 0; i < 500 && unit->inputVolume() < 1.0f; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(unit->inputVolume(), 1.0f);

    // And the slider's way back to the server.
    unit->setVolume(60);
    std::string out;
    for (int i = 0; i < 200 && out.find("60%") == std::string::npos; ++i) {
        std::this_thread::sleep_for(10ms);
        server.run({"pactl", "get-source-volume", "tone.monitor"}, &out);
    }
    EXPECT_NE(out.find("60%"), std::string::npos) << out;
    unit->stop();
}

TEST_F(PulseServerTest, UnloadingTheSinkWhileCapturingIsSurvived)
{
    open();
    ASSERT_FALSE(nextBlocks(2).empty());
    ASSERT_EQ(server.run({"pactl", "unload-module", "module-null-sink"}), 0);
    EXPECT_TRUE(waitHeard(kAudioDevicePropertyDeviceIsAlive));
    // Not moved elsewhere: with the source gone, nothing arrives.
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=other"}), 0);
    nextBlocks(1, 1s);
    EXPECT_TRUE(nextBlocks(1, 1s).empty()) << "capture was moved to another source";
    unit->stop();
    unit->start();
    unit->stop();
}

TEST_F(PulseServerTest, CaptureResumesWhenStartedAgainOnAServerThatIsBackAtAnotherRate)
{
    open();
    ASSERT_FALSE(nextBlocks(2).empty());
    server.stop();
    EXPECT_TRUE(waitHeard(kAudioDevicePropertyDeviceIsAlive));
    unit->stop();
    unit->start();
    EXPECT_TRUE(nextBlocks(1, 1s).empty());
    unit->stop();
    server.setRateHz(44100);
    ASSERT_TRUE(server.start()) << server.error();
    unit->start();
    EXPECT_EQ(unit->sampleRate(), 44100.0) << "the new rate was not reported";
    const auto blocks = toneBlocks(4);
    ASSERT_GE(blocks.size(), 4u) << "capture did not resume";
    EXPECT_FALSE(toneReadings(blocks, 44100.0f, 3207).empty()) << "the tone was not detected";
}

TEST_F(PulseServerTest, RateChangeOfAnIdleSourceIsReportedAsANewFormat)
{
    // A null sink without a fixed rate follows the first stream played into it.
    ASSERT_EQ(server.run({"pactl", "load-module", "module-null-sink", "sink_name=flex"}), 0);
    open(-1);
    const auto &sources = unit->audioInputSources();
    const auto flex = std::ranges::find_if(sources, [&](const auto &s) { return hw->sourceName(s.deviceID) == "flex.monitor"; });
    ASSERT_NE(flex, sources.end());
    unit->setInputDeviceAtIndex(flex - sources.begin());
    const double before = unit->sampleRate();
    unit->stop();
    unit->start();
    unit->stop();
    // Listen without capturing, so the sink is idle and may switch.
    hw->addPropertyListener(flex->deviceID, 0, true, kAudioDevicePropertyStreamFormat, &AUInputUnit::listener, unit.get());
    const unsigned other = before == 44100.0 ? 48000 : 44100;
    server.spawn({"pacat", "--playback", "-d", "flex", "--raw", "--format=float32le",
        "--rate=" + std::to_string(other), "--channels=1", "/dev/zero"});
    ASSERT_TRUE(waitHeard(kAudioDevicePropertyStreamFormat)) << "the source's rate did not change";
    EXPECT_EQ(unit->sampleRate(), double(other));
    {
        std::lock_guard lock(mMutex);
        EXPECT_EQ(mLastRate, double(other)) << "the client heard before the unit re-read the format";
    }
    hw->removePropertyListener(flex->deviceID, 0, true, kAudioDevicePropertyStreamFormat, &AUInputUnit::listener);
}

TEST_F(PulseServerTest, StopRightAfterStartLeavesNoRecordingOnTheServer)
{
    open();
    for (int i = 0; i < 5; ++i) {
        unit->stop();
        unit->start();
    }
    unit->stop();
    std::string outputs;
    for (int i = 0; i < 100; ++i) {
        server.run({"pactl", "list", "short", "source-outputs"}, &outputs);
        if (outputs.find("float32") == std::string::npos)
            break;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(outputs.find("float32"), std::string::npos) << "recordings left behind:\n" << outputs;
}

// Absent: nothing at the socket; silent: a socket that accepts but never answers.
class NoServerTest : public ::testing::TestWithParam<bool> {};

TEST_P(NoServerTest, GivesAnEmptyCatalogueInsteadOfHanging)
{
    char dir[] = "/tmp/quaverly-nopulse-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/native";
    const int fd = GetParam() ? socket(AF_UNIX, SOCK_STREAM, 0) : -1;
    if (fd >= 0) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ASSERT_EQ(listen(fd, 4), 0);
    }
    const char *old = std::getenv("PULSE_SERVER");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("PULSE_SERVER", ("unix:" + path).c_str(), 1);
    {
        auto hw = std::make_shared<PulseAudioHardware>("Quaverly", 500ms);
        EXPECT_FALSE(hw->isConnected());
        AUInputUnit unit(hw);
        EXPECT_TRUE(unit.audioInputSources().empty());
        unit.start();
        unit.stop();
    }
    saved ? setenv("PULSE_SERVER", saved->c_str(), 1) : unsetenv("PULSE_SERVER");
    if (fd >= 0)
        close(fd);
    unlink(path.c_str());
    rmdir(dir);
}

INSTANTIATE_TEST_SUITE_P(Servers, NoServerTest, ::testing::Bool(),
    [](const auto &info) { return std::string(info.param ? "silent" : "absent"); });

} // namespace
} // namespace quaverly
