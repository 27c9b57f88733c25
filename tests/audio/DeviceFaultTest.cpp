// SPDX-License-Identifier: GPL-3.0-or-later
// What a broken or hostile input does to the capture chain, on a real private
// PulseAudio server: a float32 null sink passes NaN, infinities and values
// past full scale to its monitor unchanged, so they reach the IO callback as
// a faulty device would deliver them.
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "audio/AUInputUnit.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"
#include "support/QtApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace quaverly {
namespace {

using namespace std::chrono_literals;
using test::PulseServer;

constexpr unsigned kRateHz = 48000;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Collects the blocks of the capture buffer and the properties the unit
// reports, as the application does, from the IO and notification threads.
class Recorder {
public:
    Recorder()
        : mBuffer([this](CaptureBlock block) {
            std::lock_guard lock(mMutex);
            mBlocks.push_back(std::move(block));
            mChanged.notify_all();
        })
    {
    }

    static OSStatus listener(AudioDeviceID, std::uint32_t, bool, AudioPropertySelector property, void *self)
    {
        auto *recorder = static_cast<Recorder *>(self);
        std::lock_guard lock(recorder->mMutex);
        recorder->mHeard.push_back(property);
        recorder->mChanged.notify_all();
        return 0;
    }

    void attach(AUInputUnit &unit)
    {
        unit.setIOProc(&CaptureBuffer::ioProc, &mBuffer);
        unit.setListenerProc(&Recorder::listener, this);
    }

    void adoptRate(double rateHz) { mBuffer.setSampleRate(static_cast<float>(rateHz)); }

    // The first block after `from` that satisfies `wanted`, waiting (bounded)
    // for more; null when none came in time.
    CaptureBlock waitFor(const std::function<bool(const std::vector<float> &)> &wanted, std::size_t &from,
        std::chrono::seconds timeout = 15s)
    {
        std::unique_lock lock(mMutex);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            for (; from < mBlocks.size(); ++from) {
                if (wanted(*mBlocks[from]))
                    return mBlocks[from++];
            }
            if (mChanged.wait_until(lock, deadline) == std::cv_status::timeout && from == mBlocks.size())
                return nullptr;
        }
    }

    bool heard(AudioPropertySelector property, std::chrono::seconds timeout = 10s)
    {
        std::unique_lock lock(mMutex);
        return mChanged.wait_for(lock, timeout, [&] { return std::ranges::count(mHeard, property) > 0; });
    }

    std::size_t blockCount()
    {
        std::lock_guard lock(mMutex);
        return mBlocks.size();
    }

private:
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<CaptureBlock> mBlocks;
    std::vector<AudioPropertySelector> mHeard;
    CaptureBuffer mBuffer;
};

bool hasSignal(const std::vector<float> &block)
{
    return std::ranges::any_of(block, [](float s) { return s != 0.0f; }); // NaN counts
}

bool allSignal(const std::vector<float> &block)
{
    return std::ranges::none_of(block, [](float s) { return s == 0.0f; });
}

class DeviceFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureQtApp();
        QUAVERLY_START_PULSE_SERVER(mServer);
        ASSERT_EQ(mServer.run({"pactl", "load-module", "module-null-sink", "sink_name=raw", "format=float32le",
                      "rate=" + std::to_string(kRateHz), "channels=1", "sink_properties=device.description=Raw"}),
            0);
        mHardware = std::make_shared<PulseAudioHardware>();
        mUnit = std::make_unique<AUInputUnit>(mHardware);
        mRecorder.attach(*mUnit);
        const auto &sources = mUnit->audioInputSources();
        const auto raw = std::ranges::find_if(
            sources, [](const AUInputUnit::InputSource &s) { return s.name.contains(QLatin1String("Raw")); });
        ASSERT_NE(raw, sources.end()) << "the float32 sink's monitor is not in the catalogue";
        mUnit->setInputDeviceAtIndex(raw - sources.begin());
        ASSERT_EQ(mUnit->sampleRate(), double(kRateHz));
        mRecorder.adoptRate(mUnit->sampleRate());
        std::size_t from = 0;
        ASSERT_NE(mRecorder.waitFor([](const auto &) { return true; }, from), nullptr) << "no capture at all";
    }

    void TearDown() override
    {
        if (mUnit)
            mUnit->stop();
    }

    // Plays `seconds` of the generator's samples into the float32 sink.
    void play(const std::function<float(std::size_t)> &sample, double seconds)
    {
        mServer.playSamples("raw", kRateHz, sample, seconds);
    }

    // Three blocks from well inside a sound that has just been started.
    std::vector<CaptureBlock> blocksInside()
    {
        std::size_t from = mSeen;
        std::vector<CaptureBlock> inside;
        if (!mRecorder.waitFor(hasSignal, from))
            return inside;
        while (inside.size() < 3) {
            CaptureBlock block = mRecorder.waitFor(allSignal, from, 5s);
            if (!block)
                break;
            inside.push_back(std::move(block));
        }
        mSeen = from;
        return inside;
    }

    PulseServer mServer;
    std::shared_ptr<PulseAudioHardware> mHardware;
    std::unique_ptr<AUInputUnit> mUnit;
    Recorder mRecorder;
    std::size_t mSeen = 0;
};

struct HostileInput {
    const char *name;
    std::function<float(std::size_t)> sample;
    float expectedPeak;     // of every clamped sample's magnitude; NaN: all samples NaN
    float expectedPitchHz;  // 0: no pitch may be reported
};

float square(std::size_t i, double hz, float amplitude)
{
    return std::fmod(double(i) * hz / kRateHz, 1.0) < 0.5 ? amplitude : -amplitude;
}

const HostileInput kHostileInputs[] = {
    {"NaN", [](std::size_t) { return kNaN; }, kNaN, 0.0f},
    {"PlusInfinity", [](std::size_t) { return kInf; }, 1.0f, 0.0f},
    {"MinusInfinity", [](std::size_t) { return -kInf; }, 1.0f, 0.0f},
    {"DcOffset", [](std::size_t) { return 0.25f; }, 0.25f, 0.0f},
    {"FullScaleSquare", [](std::size_t i) { return square(i, 220.0, 1.0f); }, 1.0f, 220.0f},
    {"SquareFourTimesFullScale", [](std::size_t i) { return square(i, 110.0, 4.0f); }, 1.0f, 110.0f},
    {"SquareOfInfinities", [](std::size_t i) { return square(i, 330.0, kInf); }, 1.0f, 330.0f},
};

class HostileInputTest : public DeviceFault, public ::testing::WithParamInterface<HostileInput> {};

TEST_P(HostileInputTest, ReachesDetectionClampedAndGivesADefinedReading)
{
    const HostileInput &input = GetParam();
    play(input.sample, 3.0);
    const auto blocks = blocksInside();
    ASSERT_EQ(blocks.size(), 3u) << "the sound never filled a block";
    for (const auto &block : blocks) {
        ASSERT_EQ(block->size(), 3490u);
        for (float s : *block) {
            if (std::isnan(input.expectedPeak))
                ASSERT_TRUE(std::isnan(s)) << "the NaN input was not delivered as NaN";
            else
                ASSERT_EQ(std::fabs(s), input.expectedPeak) << "not clamped to full scale";
        }
        PitchDetector detector;
        const bool pitched = detector.detectPitch(*block, float(kRateHz), 3490);
        if (input.expectedPitchHz == 0.0f) {
            EXPECT_FALSE(pitched) << "a pitch of " << detector.mRawFrequency << " Hz from a pitchless input";
        } else {
            ASSERT_TRUE(pitched);
            EXPECT_NEAR(detector.mRawFrequency, input.expectedPitchHz, input.expectedPitchHz * 0.005f);
            EXPECT_EQ(detector.mPeak, 96) << "full scale is 96 dB above the floor";
        }
        EXPECT_GE(detector.mPeak, 0);
        EXPECT_LE(detector.mPeak, 96);
    }
}

INSTANTIATE_TEST_SUITE_P(DeviceFault, HostileInputTest, ::testing::ValuesIn(kHostileInputs),
    [](const ::testing::TestParamInfo<HostileInput> &info) { return std::string(info.param.name); });

TEST_F(DeviceFault, VolumeTurnedDownElsewhereScalesTheSamplesAndIsReported)
{
    play([](std::size_t) { return 0.8f; }, 8.0);
    std::size_t from = 0;
    ASSERT_TRUE(mRecorder.waitFor(
        [](const auto &b) { return std::ranges::all_of(b, [](float s) { return s == 0.8f; }); }, from));

    ASSERT_EQ(mServer.run({"pactl", "set-source-volume", "raw.monitor", "0.5"}), 0);
    EXPECT_TRUE(mRecorder.heard(kAudioDevicePropertyVolumeScalar));
    const CaptureBlock quieter = mRecorder.waitFor(
        [](const auto &b) { return std::ranges::all_of(b, [](float s) { return std::fabs(s - 0.4f) < 1e-3f; }); },
        from);
    EXPECT_NE(quieter, nullptr) << "the new volume never reached the samples";
    // The scalar is the server's volume over its norm, which is cubic in
    // the linear factor.
    EXPECT_NEAR(mUnit->inputVolume(), std::cbrt(0.5f), 0.01f);
}

TEST_F(DeviceFault, SourceThatVanishesAndComesBackIsCapturedAgainOnceReselected)
{
    ASSERT_EQ(mServer.run({"pactl", "unload-module", "module-null-sink"}), 0); // both sinks
    EXPECT_TRUE(mRecorder.heard(kAudioDevicePropertyDeviceIsAlive));
    ASSERT_EQ(mServer.run({"pactl", "load-module", "module-null-sink", "sink_name=raw", "format=float32le",
                  "rate=" + std::to_string(kRateHz), "channels=1", "sink_properties=device.description=Raw"}),
        0);
    // A fresh catalogue, once the server has told the hardware layer about
    // the new source.
    std::unique_ptr<AUInputUnit> again;
    std::ptrdiff_t raw = -1;
    for (int tries = 0; tries < 100 && raw < 0; ++tries) {
        again = std::make_unique<AUInputUnit>(mHardware);
        const auto &sources = again->audioInputSources();
        const auto found = std::ranges::find_if(
            sources, [](const AUInputUnit::InputSource &s) { return s.name.contains(QLatin1String("Raw")); });
        if (found != sources.end())
            raw = found - sources.begin();
        else
            std::this_thread::sleep_for(50ms);
    }
    ASSERT_GE(raw, 0) << "the source that came back is not in the catalogue";
    Recorder recorder;
    recorder.attach(*again);
    again->setInputDeviceAtIndex(raw);
    recorder.adoptRate(again->sampleRate());
    play([](std::size_t i) { return square(i, 440.0, 0.5f); }, 4.0);
    std::size_t from = 0;
    EXPECT_NE(recorder.waitFor(allSignal, from), nullptr) << "nothing captured from the source once it was back";
    again->stop();
}

} // namespace
} // namespace quaverly
