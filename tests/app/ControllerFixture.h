// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Controller.h"
#include "support/FakeAudioHardware.h"

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class QLineEdit;
class QComboBox;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace quaverly {
class StrobeView;
}

namespace quaverly::test {

// A Controller on a temporary settings file and a scriptable fake device, with a clock the
// test steps and a quit that is only recorded.
class ControllerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { finish(); }

    // The first one added is the default: mono, settable volume.
    AudioDeviceID addMicrophone(const std::string &name = "Microphone", double rateHz = 44100.0);
    // Builds the controller and runs its start-up sequence.
    void start();
    // Destroys the controller (after an orderly termination if none ran yet).
    void finish();
    // Feeds a sine through the IO path of mDevice in chunks, stepping the clock and
    // delivering the posted blocks after each chunk.
    void feedTone(double hz, double seconds, double amplitude = 0.5, std::uint32_t chunk = 512)
    {
        pushTone(hz, seconds, amplitude, chunk, true);
    }
    void feedSilence(double seconds) { feedTone(0.0, seconds, 0.0); }
    // Only the IO cycles unless told to deliver, so another thread may run it.
    void pushTone(double hz, double seconds, double amplitude = 0.5, std::uint32_t chunk = 512,
                  bool deliverEachChunk = false);
    void deliverPostedBlocks() { QCoreApplication::processEvents(); }

    [[nodiscard]] QString text(const char *name) const;
    [[nodiscard]] StrobeView *strobe() const;
    [[nodiscard]] QString imageName(const char *name) const;
    [[nodiscard]] QLineEdit *field(const char *name) const;
    [[nodiscard]] QComboBox *popUp(const char *name) const;
    [[nodiscard]] std::vector<QString> itemTexts(const char *name) const;
    // Level meter, lowest segment first: . gray, g green, y yellow, r red.
    [[nodiscard]] std::string levelPicture() const;
    [[nodiscard]] std::unique_ptr<QSettings> storedSettings() const
    {
        return std::make_unique<QSettings>(mDir.filePath(QStringLiteral("Quaverly.conf")), QSettings::IniFormat);
    }

    QTemporaryDir mDir;
    std::shared_ptr<FakeAudioHardware> mHardware = std::make_shared<FakeAudioHardware>();
    std::unique_ptr<Controller> mController;
    AudioDeviceID mDevice = kAudioDeviceUnknown;
    double mNow = 1000.0;
    double mSampleTime = 1.0;
    double mPhase = 0.0;
    int mQuitCount = 0;
};

} // namespace quaverly::test
