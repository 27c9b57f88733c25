// SPDX-License-Identifier: GPL-3.0-or-later
#include "AUInputUnit.h"

#include "audio/AudioHardware.h"

#include <QComboBox>
#include <QSlider>

#include <algorithm>
#include <array>
#include <cmath>

namespace quaverly {

namespace {

struct ListenerRegistration {
    std::uint32_t channel;
    AudioPropertySelector property;
};

// The seven properties the unit listens to while a device runs, in the
// order they are registered and removed.
constexpr std::array<ListenerRegistration, 7> kListeners{{
    {0, kAudioDevicePropertyDeviceIsAlive},
    {0, kAudioDevicePropertyStreamConfiguration},
    {0, kAudioDevicePropertyStreamFormat},
    {0, kAudioDevicePropertyDataSource},
    {0, kAudioDevicePropertyDeviceHasChanged},
    {kAudioPropertyWildcardChannel, kAudioDevicePropertyVolumeScalar},
    {kAudioPropertyWildcardChannel, kAudioDevicePropertyVolumeRangeDecibels},
}};

} // namespace

AUInputUnit::AUInputUnit(std::shared_ptr<AudioHardware> hardware, QObject *parent)
    : QObject(parent)
    , mHardware(std::move(hardware))
{
    // Listening first, so a list completed meanwhile is not missed.
    mHardware->addPropertyListener(
        kAudioDeviceUnknown, 0, true, kAudioHardwarePropertyDevices, &AUInputUnit::listener, this);
    setupAudioSource(mAudioInputSourceArray, true);
}

AUInputUnit::~AUInputUnit()
{
    // The hardware may outlive the unit: leave no callback pointing at it.
    mHardware->removePropertyListener(kAudioDeviceUnknown, 0, true, kAudioHardwarePropertyDevices, &AUInputUnit::listener);
    stop();
}

void AUInputUnit::setIOProc(AudioDeviceIOProc proc, void *refCon)
{
    mIOProc = proc;
    mIORefCon = refCon;
}

void AUInputUnit::setListenerProc(AudioDevicePropertyListenerProc proc, void *refCon)
{
    mListenerProc = proc;
    mListenerRefCon = refCon;
}

void AUInputUnit::start()
{
    mRunning = true;
    const AudioDeviceID device = inputDevice();
    if (device == kAudioDeviceUnknown)
        return;
    mHardware->addIOProc(device, mIOProc, mIORefCon);
    for (const auto &[channel, property] : kListeners)
        mHardware->addPropertyListener(device, channel, true, property, &AUInputUnit::listener, this);
    mHardware->start(device, mIOProc);
}

void AUInputUnit::stop()
{
    mRunning = false;
    const AudioDeviceID device = inputDevice();
    if (device == kAudioDeviceUnknown)
        return;
    mHardware->stop(device, mIOProc);
    for (const auto &[channel, property] : kListeners)
        mHardware->removePropertyListener(device, channel, true, property, &AUInputUnit::listener);
    mHardware->removeIOProc(device, mIOProc);
}

void AUInputUnit::setStreamFormat()
{
    // A failed read leaves the previous format in place.
    AudioStreamBasicDescription format;
    if (mHardware->streamFormat(inputDevice(), true, format) != kAudioNoError)
        return;
    std::lock_guard lock(mCacheMutex);
    mInputStreamDescription = format;
}

void AUInputUnit::setStreamConfiguration()
{
    AudioBufferListPtr list = mHardware->streamConfiguration(inputDevice(), true);
    if (!list)
        return;
    std::uint32_t channels = 0;
    for (const AudioBuffer &b : buffers(*list))
        channels += b.mNumberChannels;
    mChannels.store(channels, std::memory_order_release);
}

double AUInputUnit::sampleRate() const
{
    std::lock_guard lock(mCacheMutex);
    return mInputStreamDescription.mSampleRate;
}

OSStatus AUInputUnit::listenerProc(const AudioDeviceListenerParams *params)
{
    switch (params->inPropertyID) {
    case kAudioHardwarePropertyDevices:
        QMetaObject::invokeMethod(this, &AUInputUnit::updateAudioSources, Qt::QueuedConnection);
        return kAudioNoError;
    case kAudioDevicePropertyStreamConfiguration:
        setStreamConfiguration();
        break;
    case kAudioDevicePropertyStreamFormat:
        setStreamFormat();
        break;
    case kAudioDevicePropertyDataSource:
    case kAudioDevicePropertyVolumeScalar:
    case kAudioDevicePropertyDeviceHasChanged:
        setVolumeState();
        break;
    case kAudioDevicePropertyDeviceIsAlive: {
        // Posted as read, so every loss and return is shown in order; news
        // of a device left meanwhile is dropped.
        const AudioDeviceID device = inputDevice();
        const bool alive = mHardware->isDeviceAlive(device);
        QMetaObject::invokeMethod(
            this, [this, device, alive] {
                if (device == inputDevice())
                    setInputAvailable(alive);
            },
            Qt::QueuedConnection);
        break;
    }
    default:
        break;
    }
    if (!mListenerProc)
        return kAudioNoError;
    return mListenerProc(params->inDevice, params->inChannel, params->isInput, params->inPropertyID,
        mListenerRefCon);
}

OSStatus AUInputUnit::listener(AudioDeviceID inDevice, std::uint32_t inChannel, bool isInput,
    AudioPropertySelector inPropertyID, void *inClientData)
{
    const AudioDeviceListenerParams params{inDevice, inChannel, isInput, inPropertyID};
    return static_cast<AUInputUnit *>(inClientData)->listenerProc(&params);
}

void AUInputUnit::setupAudioSource(std::vector<InputSource> &sources, bool isInput)
{
    for (const AudioDeviceID device : mHardware->devices()) {
        AudioStreamBasicDescription probe;
        if (mHardware->streamFormat(device, isInput, probe) != kAudioNoError)
            continue;
        const QString name = QString::fromStdString(mHardware->deviceName(device, isInput));
        const QString manufacturer = QString::fromStdString(mHardware->deviceManufacturer(device, isInput));

        std::vector<std::uint32_t> dataSources;
        if (mHardware->isDataSourceSettable(device, isInput))
            dataSources = mHardware->dataSources(device, isInput);

        if (dataSources.empty()) {
            sources.push_back({QStringLiteral("%1 : %2").arg(manufacturer, name), device, std::nullopt});
            continue;
        }
        for (const std::uint32_t source : dataSources) {
            // A source without a name keeps an empty second part rather
            // than borrowing the device's name.
            const auto sourceName = mHardware->dataSourceName(device, isInput, source);
            const QString title = QStringLiteral("%1 : %2").arg(
                manufacturer, QString::fromStdString(sourceName.value_or(std::string())));
            sources.push_back({title, device, source});
        }
    }
}

void AUInputUnit::updateAudioSources()
{
    std::vector<InputSource> fresh;
    setupAudioSource(fresh, true);
    // Entries are only added: indexes stay, and the open entry stays chosen
    // while its device is away.
    for (const InputSource &source : fresh) {
        if (std::ranges::any_of(mAudioInputSourceArray, [&](const InputSource &s) {
                return s.deviceID == source.deviceID && s.dataSource == source.dataSource;
            }))
            continue;
        mAudioInputSourceArray.push_back(source);
        if (mDevicePopUpButton)
            mDevicePopUpButton->addItem(source.name);
    }
    if (mOpenIndex < 0)
        setInputDeviceWithName(mWantedName);
    emit inputSourcesChanged();
}

void AUInputUnit::setupPopUpButton(QComboBox *popUp)
{
    if (popUp == mDevicePopUpButton)
        return;
    mDevicePopUpButton = popUp;
    if (!popUp)
        return;
    popUp->clear();
    for (const InputSource &source : mAudioInputSourceArray)
        popUp->addItem(source.name);
}

void AUInputUnit::setInputDeviceWithName(const QString &name)
{
    mWantedName = name;
    int index = -1;
    if (!name.isNull() && mDevicePopUpButton)
        index = mDevicePopUpButton->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        index = 0; // the hardware lists the server's default source first
    if (mDevicePopUpButton)
        mDevicePopUpButton->setCurrentIndex(index);
    setInputDeviceAtIndex(index);
}

void AUInputUnit::setInputDeviceAtIndex(qint64 index)
{
    // Guards what the caller's index cannot promise: a pop-up filled from
    // another list, or an out-of-range index.
    if (index < 0 || std::uint64_t(index) >= mAudioInputSourceArray.size())
        return;
    const InputSource &entry = mAudioInputSourceArray[std::size_t(index)];
    const bool reopen = index == mOpenIndex;
    mOpenIndex = index;
    if (entry.deviceID != inputDevice() || reopen) {
        const bool running = mRunning;
        stop();
        mInputDevice.store(entry.deviceID, std::memory_order_release);
        setStreamFormat();
        setStreamConfiguration();
        setVolumeState();
        if (running)
            start();
        setInputAvailable(mHardware->isDeviceAlive(entry.deviceID));
    }
    if (entry.dataSource)
        mHardware->setDataSource(inputDevice(), true, *entry.dataSource);
}

void AUInputUnit::setInputAvailable(bool available)
{
    if (available == mInputAvailable)
        return;
    mInputAvailable = available;
    emit inputAvailableChanged(available);
}

void AUInputUnit::setupVolumeSlider(QSlider *slider, QWidget *volumeText)
{
    mVolumeSlider = slider;
    mVolumeText = volumeText;
}

void AUInputUnit::setVolumeState()
{
    const AudioDeviceID device = inputDevice();
    const std::uint32_t channels = mChannels.load(std::memory_order_acquire);
    bool writable = false;
    for (std::uint32_t ch = 1; ch <= channels; ++ch) {
        writable = mHardware->isVolumeSettable(device, ch, true);
        if (!writable)
            break;
    }
    mIsVolumeWritable.store(writable, std::memory_order_release);
    float volume = mInputVolume.load(std::memory_order_acquire);
    if (mHardware->volumeScalar(device, 1, true, volume) == kAudioNoError)
        mInputVolume.store(volume, std::memory_order_release);
    QMetaObject::invokeMethod(this, [this] { updateVolumeState(); }, Qt::QueuedConnection);
}

void AUInputUnit::updateVolumeState()
{
    const bool writable = mIsVolumeWritable.load(std::memory_order_acquire);
    if (mVolumeSlider)
        mVolumeSlider->setEnabled(writable);
    const float volume = mInputVolume.load(std::memory_order_acquire);
    // Rounded, as the system's mixers show it: truncating showed a volume
    // set to 37 % as 36, and a server that stores volumes in its own
    // encoding hands a written value back a unit off.
    const int percentage = std::isnan(volume) ? 0 : int(std::lround(std::clamp(double(volume), 0.0, 1.0) * 100.0));
    if (mVolumeSlider)
        mVolumeSlider->setValue(writable ? percentage : 100);
    // QLineEdit and QLabel alike.
    if (mVolumeText)
        mVolumeText->setProperty("text", writable ? QString::number(percentage) : tr("n/a", "volume not adjustable"));
}

void AUInputUnit::setVolume(int percentage)
{
    const auto scalar = float(double(percentage) / 100.0);
    if (!mIsVolumeWritable.load(std::memory_order_acquire))
        return;
    if (scalar == mInputVolume.load(std::memory_order_acquire))
        return;
    mInputVolume.store(scalar, std::memory_order_release);
    const AudioDeviceID device = inputDevice();
    const std::uint32_t channels = mChannels.load(std::memory_order_acquire);
    for (std::uint32_t ch = 1; ch <= channels; ++ch)
        mHardware->setVolumeScalar(device, ch, true, scalar);
}

} // namespace quaverly
