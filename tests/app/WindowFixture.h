// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real Controller and window on a temporary settings file and a scriptable
// fake device, with a clock the test steps and a quit that is only counted.
#include "app/Controller.h"
#include "support/FakeAudioHardware.h"
#include "support/QtApp.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/ResizeWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <span>

namespace quaverly::test {

inline QString u(const char *text) { return QString::fromUtf8(text); }

class Window : public ::testing::Test {
protected:
    void TearDown() override { finish(); }

    AudioDeviceID addMicrophone(const std::string &name = "Microphone", double rateHz = 44100.0)
    {
        const AudioDeviceID id = mHardware->addDevice(
            {.name = name, .manufacturer = {}, .sampleRate = rateHz, .streamChannels = {1}, .dataSources = {},
                .volumeSettable = {true}, .volumes = {0.5f}});
        if (mDevice == kAudioDeviceUnknown)
            mDevice = id;
        return id;
    }
    void start()
    {
        ensureQtApp();
        // Imported temperaments live in the data folder: this test's own.
        qputenv("XDG_DATA_HOME", mDir.filePath(QStringLiteral("data")).toLocal8Bit());
        mController = std::make_unique<Controller>(mHardware, settings());
        mController->setClock([this] { return mNow; });
        mController->setQuitHandler([this] { ++mQuitCount; });
        mController->window()->setAnimationDuration(0);
        mController->awakeFromNib();
        QCoreApplication::processEvents();
    }
    void finish()
    {
        if (mController)
            mController->applicationWillTerminate();
        mController.reset();
        QCoreApplication::processEvents(); // blocks posted to it are dropped with it
    }
    // Mono samples through the device's IO path in callbacks of `chunk` frames,
    // stepping the clock and serving the posted blocks after each; `shown` then
    // sees the window after every block.
    void feed(std::span<const float> samples, std::uint32_t chunk = 512, const std::function<void()> &shown = {})
    {
        const double rate = mHardware->device(mDevice).sampleRate;
        auto list = makeAudioBufferList(1);
        for (std::size_t at = 0; at < samples.size(); at += chunk) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(chunk, samples.size() - at));
            list->mBuffers[0] = AudioBuffer{1, n * 4, const_cast<float *>(samples.data() + at)};
            mHardware->runIOCycle(mDevice, *list, mSampleTime);
            mSampleTime += n;
            mNow += n / rate;
            const std::uint64_t before = mController->blockCount();
            QCoreApplication::processEvents();
            if (shown && mController->blockCount() != before)
                shown();
        }
    }
    void feedTone(double hz, double seconds, double amplitude = 0.5)
    {
        const double rate = mHardware->device(mDevice).sampleRate;
        std::vector<float> samples(static_cast<std::size_t>(seconds * rate));
        for (float &s : samples)
            s = static_cast<float>(amplitude * std::sin(mPhase += 2.0 * std::numbers::pi * hz / rate));
        feed(samples);
    }

    template <typename W = QWidget>
    W *widget(const char *name) const
    {
        return mController->window()->findChild<W *>(QLatin1String(name));
    }
    // Line edit or label alike.
    QString text(const char *name) const { return widget(name)->property("text").toString(); }
    // Note, accidental and octave, then the cent text.
    QString note() const { return text("mNoteText") + text("mAccidentalText") + text("mOctaveText") + ' ' + text("mCentText"); }
    // The in-tune, flat and sharp dots, then the level meter from its lowest lamp, one letter
    // per picture by its colour: . gray, g green, b blue, r red, y yellow.
    QString dotsAndLamps() const
    {
        QString s;
        for (const char *name : {"mInTuneDot", "mFlatDot", "mSharpDot", "mLevel0", "mLevel1", "mLevel2", "mLevel3",
                 "mLevel4", "mLevel5", "mLevel6", "mLevel7"}) {
            const QString image = widget<AutoResizeImageView>(name)->image().name();
            s += image.isEmpty() ? QChar(u'?') : image.startsWith(QLatin1String("gray")) ? QChar(u'.') : image.at(0);
        }
        return s;
    }
    void choose(const char *popUp, int index)
    {
        widget<QComboBox>(popUp)->setCurrentIndex(index);
        emit widget<QComboBox>(popUp)->activated(index);
    }
    std::unique_ptr<QSettings> settings() const
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
