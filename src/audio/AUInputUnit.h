// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AudioTypes.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QComboBox;
class QSlider;
class QWidget;

namespace quaverly {

class AudioHardware;

// The application's one link to the audio hardware layer: the catalogue of
// input sources, the open input device with the client's IO procedure and
// property listener registered on it, cached stream format and
// configuration, and the input volume state shown in a slider and a text.
//
// Threads: construction, the set-up calls, start/stop, device selection and
// setVolume run on the main thread. listenerProc (and so setStreamFormat,
// setStreamConfiguration, setVolumeState) also runs on the hardware's
// notification thread; the caches it writes are atomic or guarded by a
// mutex that is never held across a hardware call. Controls are touched
// only by updateVolumeState, always queued onto the main thread. No code of
// the unit runs on the IO thread.
//
// The device going away and coming back is told as inputAvailableChanged,
// always emitted on the main thread; capture itself resumes in the hardware.
//
// Owns its catalogue and caches and shares ownership of the hardware, so
// the hardware outlives it. The pop-up, slider and text are borrowed (Qt
// parents own them) and watched with QPointer.
class AUInputUnit : public QObject {
    Q_OBJECT

public:
    // One entry of the catalogue: a device, or one data source of a device.
    struct InputSource {
        QString name;
        AudioDeviceID deviceID = kAudioDeviceUnknown;
        std::optional<std::uint32_t> dataSource;
    };

    // Builds the catalogue from the devices known now and keeps it current
    // (updateAudioSources); opens no device.
    explicit AUInputUnit(std::shared_ptr<AudioHardware> hardware, QObject *parent = nullptr);
    ~AUInputUnit() override;

    AUInputUnit(const AUInputUnit &) = delete;
    AUInputUnit &operator=(const AUInputUnit &) = delete;

    // Both take effect at the next start; set them before the first selection.
    void setIOProc(AudioDeviceIOProc proc, void *refCon);
    void setListenerProc(AudioDevicePropertyListenerProc proc, void *refCon);

    // Capture on the open device, and on any device opened later, until
    // stop(); a unit starts out started.
    void start();
    void stop();
    void setStreamFormat();
    void setStreamConfiguration();
    // 0.0 until a device has been opened.
    [[nodiscard]] double sampleRate() const;

    // Refreshes what the property affects, then forwards to the client's
    // listener and returns its status.
    OSStatus listenerProc(const AudioDeviceListenerParams *params);
    // The unit's listener function; client data is the unit.
    static OSStatus listener(AudioDeviceID inDevice, std::uint32_t inChannel, bool isInput,
        AudioPropertySelector inPropertyID, void *inClientData);

    // Catalogue and device selection.
    void setupAudioSource(std::vector<InputSource> &sources, bool isInput);
    void setupPopUpButton(QComboBox *popUp);
    // A null QString stands for "no saved title". Before any device is
    // known the name is kept and chosen once the devices are listed.
    void setInputDeviceWithName(const QString &name);
    // The entry already open is opened again (a way out for the user when
    // a device misbehaves); another data source of the open device is only
    // selected.
    void setInputDeviceAtIndex(qint64 index);

    // Input volume. volumeText is a QLineEdit or a QLabel (or a subclass).
    void setupVolumeSlider(QSlider *slider, QWidget *volumeText);
    void setVolumeState();
    void updateVolumeState();
    void setVolume(int percentage);

    [[nodiscard]] const std::vector<InputSource> &audioInputSources() const { return mAudioInputSourceArray; }
    [[nodiscard]] AudioDeviceID inputDevice() const { return mInputDevice.load(std::memory_order_acquire); }
    [[nodiscard]] bool isInputAvailable() const { return mInputAvailable; }

signals:
    void inputAvailableChanged(bool available);
    // After updateAudioSources; main thread.
    void inputSourcesChanged();

private:
    // Main thread.
    void setInputAvailable(bool available);
    // Main thread, posted when the hardware's device list changed: adds new
    // entries to the catalogue and the pop-up, and opens the wanted entry if
    // none is open yet.
    void updateAudioSources();

    std::shared_ptr<AudioHardware> mHardware;
    // Written on the main thread only (device selection); read by listeners.
    std::atomic<AudioDeviceID> mInputDevice{kAudioDeviceUnknown};
    QPointer<QComboBox> mDevicePopUpButton;
    QPointer<QSlider> mVolumeSlider;
    QPointer<QWidget> mVolumeText;
    // Main thread: the entry opened last, -1 before the first.
    qint64 mOpenIndex = -1;
    QString mWantedName;
    bool mRunning = true;
    bool mInputAvailable = false;
    AudioDeviceIOProc mIOProc = nullptr;
    void *mIORefCon = nullptr;
    AudioDevicePropertyListenerProc mListenerProc = nullptr;
    void *mListenerRefCon = nullptr;
    std::vector<InputSource> mAudioInputSourceArray;

    // Format and configuration: written by the main thread (selection) and
    // the notification thread (listener); read by both.
    mutable std::mutex mCacheMutex;
    AudioStreamBasicDescription mInputStreamDescription;
    std::atomic<std::uint32_t> mChannels{0};
    // Written by setVolumeState (either thread) and setVolume (main).
    std::atomic<bool> mIsVolumeWritable{false};
    std::atomic<float> mInputVolume{0.0f};
};

} // namespace quaverly
