// SPDX-License-Identifier: GPL-3.0-or-later
// The whole application under device faults from a real private PulseAudio
// server: the server going away and coming back, the captured source
// vanishing, and input that is NaN, infinite or past full scale. The program
// keeps running, its readouts stay readable, and the choices it stores at
// the end are the ones it started with.
#include "PulseControllerFixture.h"

#include "app/Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace quaverly::test {
namespace {

constexpr unsigned kRateHz = 48000;

class ControllerFault : public PulseControllerFixture {
protected:
    void SetUp() override
    {
        ensureQtApp();
        QUAVERLY_START_PULSE_SERVER(mServer);
        // A float32 sink passes NaN and infinities to its monitor unchanged;
        // as the default source it is what the application opens.
        ASSERT_EQ(mServer.run({"pactl", "load-module", "module-null-sink", "sink_name=raw", "format=float32le",
                      "rate=" + std::to_string(kRateHz), "channels=1", "sink_properties=device.description=Raw"}),
            0);
        ASSERT_EQ(mServer.run({"pactl", "set-default-source", "raw.monitor"}), 0);
        storeChoices(false);
    }

    // The choices the run starts with, none of them a default but the
    // disclosure when asked.
    void storeChoices(bool disclosed)
    {
        mDisclosed = disclosed;
        SettingsValues stored;
        stored.referencePitch = 442.0f;
        stored.tuning = 2;
        stored.tonic = 2;
        stored.transpose = -2;
        stored.disclosed = disclosed;
        QSettings store(settingsPath(), QSettings::IniFormat);
        ASSERT_TRUE(writeSettings(store, stored));
    }

    bool blocksFlow()
    {
        const std::uint64_t before = mController->blockCount();
        return serveUntil([&] { return mController->blockCount() > before + 3; });
    }

    // Every readout holds text a musician can read: no "nan", no "inf".
    void expectReadableReadouts(const char *when)
    {
        for (const char *name : {"mNoteText", "mAccidentalText", "mOctaveText", "mCentText", "mFrequencyText",
                 "mIdealFrequencyText", "mFrequencyDiffText", "mLevelText"}) {
            const QString shown = text(name).toLower();
            EXPECT_FALSE(shown.contains(QLatin1String("nan")) || shown.contains(QLatin1String("inf")))
                << when << ": " << name << " shows " << shown.toStdString();
        }
    }

    void play(const std::function<float(std::size_t)> &sample, double seconds)
    {
        mServer.playSamples("raw", kRateHz, sample, seconds);
    }

    // The choices stored at termination are the ones the run started with.
    void expectChoicesKept(const QString &device)
    {
        mController->applicationWillTerminate();
        QSettings store(settingsPath(), QSettings::IniFormat);
        const SettingsValues kept = readSettings(store, 100);
        EXPECT_EQ(kept.referencePitch, 442.0f);
        EXPECT_EQ(kept.tuning, 2);
        EXPECT_EQ(kept.tonic, 2);
        EXPECT_EQ(kept.transpose, -2);
        EXPECT_EQ(kept.disclosed, std::optional<bool>(mDisclosed));
        EXPECT_EQ(kept.inputDevice, std::optional<QString>(device));
    }

    QString selectedInput() const
    {
        return mController->window()->findChild<QComboBox *>(QStringLiteral("mInputDevicePopUpButton"))->currentText();
    }

    bool mDisclosed = false;
};

TEST_F(ControllerFault, ServerGoneAndBackIsSurvivedAndCaptureResumesOnUnhide)
{
    startController();
    ASSERT_TRUE(blocksFlow()) << "no capture at the start";
    const QString device = selectedInput();
    ASSERT_FALSE(device.isEmpty());

    mServer.stop();
    serveFor(1500);
    expectReadableReadouts("server gone");
    ASSERT_TRUE(mServer.start()) << mServer.error();
    ASSERT_EQ(mServer.run({"pactl", "load-module", "module-null-sink", "sink_name=raw", "format=float32le",
                  "rate=" + std::to_string(kRateHz), "channels=1", "sink_properties=device.description=Raw"}),
        0);
    ASSERT_EQ(mServer.run({"pactl", "set-default-source", "raw.monitor"}), 0);
    // What a user does when the sound stops: hide and show the tuner.
    mController->applicationDidHide();
    mController->applicationDidUnhide();
    EXPECT_TRUE(blocksFlow()) << "capture did not resume on a server that is back";
    expectChoicesKept(device);
}

TEST_F(ControllerFault, CapturedSourceVanishingLeavesTheWindowWorking)
{
    startController();
    ASSERT_TRUE(blocksFlow());
    const QString device = selectedInput();
    ASSERT_EQ(mServer.run({"pactl", "unload-module", "module-null-sink"}), 0);
    serveFor(1500);
    expectReadableReadouts("source gone");
    // The window still answers the user.
    auto *reference = mController->window()->findChild<QLineEdit *>(QStringLiteral("mReferencePitchText"));
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->text(), QLatin1String("442.0"));
    expectChoicesKept(device);
}

float square(std::size_t i, double hz, float amplitude)
{
    return std::fmod(double(i) * hz / kRateHz, 1.0) < 0.5 ? amplitude : -amplitude;
}

TEST_F(ControllerFault, NaNInfinitiesAndOverdriveShowSaneReadoutsAndThenTheFrequency)
{
    storeChoices(true); // every readout is shown
    startController();
    ASSERT_TRUE(blocksFlow());
    const QString device = selectedInput();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Phase {
        const char *name;
        std::function<float(std::size_t)> sample;
    };
    const Phase phases[] = {
        {"NaN", [nan](std::size_t) { return nan; }},
        {"plus infinity", [inf](std::size_t) { return inf; }},
        {"minus infinity", [inf](std::size_t) { return -inf; }},
        {"NaN every tenth sample of a tone", [nan](std::size_t i) { return i % 10 == 0 ? nan : square(i, 440.0, 0.5f); }},
        {"DC", [](std::size_t) { return 0.3f; }},
    };
    for (const Phase &phase : phases) {
        const std::uint64_t before = mController->blockCount();
        play(phase.sample, 1.5);
        serveUntil([&] { return mController->blockCount() > before + 25; }, 8000);
        expectReadableReadouts(phase.name);
    }
    // A square wave four times past full scale, clamped, still reads as its
    // frequency.
    play([](std::size_t i) { return square(i, 221.0, 4.0f); }, 3.0);
    EXPECT_TRUE(serveUntil([&] { return std::fabs(mController->frequency() - 221.0f) < 1.0f; }))
        << "frequency shown: " << mController->frequency();
    expectReadableReadouts("overdriven square");
    expectChoicesKept(device);
}

} // namespace
} // namespace quaverly::test
