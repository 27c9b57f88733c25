// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControllerFixture.h"

#include "display/StrobeView.h"
#include "support/QtApp.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/ResizeWindow.h"

#include <QComboBox>
#include <QLineEdit>

#include <cmath>
#include <numbers>

namespace quaverly::test {

void ControllerFixture::SetUp()
{
    ensureQtApp();
    ASSERT_TRUE(mDir.isValid());
}

AudioDeviceID ControllerFixture::addMicrophone(const std::string &name, double rateHz)
{
    FakeAudioHardware::Device device;
    device.name = name;
    device.manufacturer = "Acme";
    device.sampleRate = rateHz;
    device.streamChannels = {1};
    device.volumeSettable = {true};
    device.volumes = {0.5f};
    const AudioDeviceID id = mHardware->addDevice(device);
    if (mDevice == kAudioDeviceUnknown)
        mDevice = id;
    return id;
}

void ControllerFixture::start()
{
    mController = std::make_unique<Controller>(mHardware, storedSettings());
    mController->setClock([this] { return mNow; });
    mController->setQuitHandler([this] { ++mQuitCount; });
    mController->window()->setAnimationDuration(0);
    mController->awakeFromNib();
    QCoreApplication::processEvents();
}

void ControllerFixture::finish()
{
    if (!mController)
        return;
    mController->applicationWillTerminate();
    mController.reset();
    QCoreApplication::processEvents(); // blocks posted to it are dropped with it
}

void ControllerFixture::pushTone(double hz, double seconds, double amplitude, std::uint32_t chunk,
                                 bool deliverEachChunk)
{
    const double rate = mHardware->device(mDevice).sampleRate;
    auto frames = static_cast<std::uint64_t>(seconds * rate);
    std::vector<float> samples(chunk);
    auto list = makeAudioBufferList(1);
    while (frames > 0) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk, frames));
        for (std::uint32_t i = 0; i < n; ++i, mPhase += 2.0 * std::numbers::pi * hz / rate)
            samples[i] = static_cast<float>(amplitude * std::sin(mPhase));
        mPhase = std::fmod(mPhase, 2.0 * std::numbers::pi);
        list->mBuffers[0] = AudioBuffer{1, n * 4, samples.data()};
        mHardware->runIOCycle(mDevice, *list, mSampleTime);
        mSampleTime += n;
        frames -= n;
        if (deliverEachChunk) {
            mNow += n / rate;
            deliverPostedBlocks();
        }
    }
}

QString ControllerFixture::text(const char *name) const
{
    // Readouts are labels, the reference an edit field: both have a text property.
    auto *w = mController->window()->findChild<QWidget *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w ? w->property("text").toString() : QString();
}

StrobeView *ControllerFixture::strobe() const
{
    return mController->window()->findChild<StrobeView *>(QStringLiteral("mStrobeView"));
}

QLineEdit *ControllerFixture::field(const char *name) const
{
    auto *w = mController->window()->findChild<QLineEdit *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QComboBox *ControllerFixture::popUp(const char *name) const
{
    auto *w = mController->window()->findChild<QComboBox *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::vector<QString> ControllerFixture::itemTexts(const char *name) const
{
    std::vector<QString> texts(std::size_t(popUp(name)->count()));
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = popUp(name)->itemText(int(i));
    return texts;
}

QString ControllerFixture::imageName(const char *name) const
{
    auto *view = mController->window()->findChild<AutoResizeImageView *>(QLatin1String(name));
    EXPECT_NE(view, nullptr) << name;
    return view ? view->image().name() : QString();
}

std::string ControllerFixture::levelPicture() const
{
    std::string s;
    for (int i = 0; i < 8; ++i) {
        const QString n = imageName(QStringLiteral("mLevel%1").arg(i).toLatin1().constData());
        s += n.startsWith(QLatin1String("gray")) ? '.' : n.isEmpty() ? '?' : n.at(0).toLatin1();
    }
    return s;
}

} // namespace quaverly::test
