// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AudioTypes.h"
#include "analysis/CaptureBlock.h"
#include "analysis/CaptureBuffer.h"
#include "app/InputPresence.h"
#include "app/ReadoutPanel.h"
#include "audio/MicrophoneAccess.h"
#include "tuner/Tuner.h"

#include <QObject>
#include <QSettings>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace Ui {
class MainWindow;
}

namespace quaverly {

class AUInputUnit;
class AudioHardware;
class ResizeWindow;

// The application's central object: builds the main window from its form,
// runs the start-up sequence, owns the input unit, the capture buffer and the
// tuner core, answers the controls, and after every capture block shows the
// tuner's reading. Lives for the whole run.
//
// Threads: everything runs on the main thread except the capture path
// (mCapture, on the audio IO thread, which only posts finished blocks to
// updateUI with a queued invokeMethod) and listenerProc (on the audio
// notification thread, which only adopts a changed sample rate through the
// atomic fields of mCapture and the strobe view's thread-safe setter).
class Controller : public QObject {
    Q_OBJECT
public:
    // `hardware` is the audio layer (PulseAudio in the application, a fake in
    // tests); `settings` the store, by default QSettings("quillfen",
    // "Quaverly").
    explicit Controller(std::shared_ptr<AudioHardware> hardware,
                        std::unique_ptr<QSettings> settings = {}, QObject *parent = nullptr);
    ~Controller() override;

    // The start-up sequence, once, after construction.
    void awakeFromNib();
    void applicationDidFinishLaunching();
    void applicationDidHide();
    void applicationDidUnhide();
    void pauseNotification() { mTuner.setPaused(true); }
    void resumeNotification() { mTuner.setPaused(false); }
    // Stops capture, then saves and flushes the settings; runs once.
    void applicationWillTerminate();
    // Saves the settings without stopping capture (session end).
    void saveSettings();
    // applicationWillTerminate, then ends the event loop.
    void terminate();

    // The Controller's listener function and its method (notification thread).
    static OSStatus listener(AudioDeviceID inDevice, std::uint32_t inChannel, bool isInput,
                             AudioPropertySelector inPropertyID, void *inClientData);
    OSStatus listenerProc(const AudioDeviceListenerParams *params);

    // Monotonic seconds for the tuner's time-outs; tests step it.
    void setClock(Tuner::Clock clock);
    // What ends the event loop after termination; tests replace it.
    void setQuitHandler(std::function<void()> quit) { mQuit = std::move(quit); }

    [[nodiscard]] ResizeWindow *window() const { return mWindow; }
    // Capture blocks processed so far.
    [[nodiscard]] std::uint64_t blockCount() const { return mBlockCount; }

public slots:
    void referencePitchChanged();
    void referencePitchUpDown();
    void tuningPopupChanged();
    void tonicPopupChanged();
    void transposePopupChanged();
    void inputDevicePopupChanged();
    void inputVolumeSliderChanged();
    void disclosureButton();
    // The Tuner menu's Detection choice: applies the checked method at once.
    void detectionMenuChanged();
    // Whether the captured source exists (the input unit says so when it
    // vanishes or returns, or the server goes or comes back). Main thread.
    void setInputAvailable(bool available) { mPresence.setAnnounced(available); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateUI(CaptureBlock block, float rateHz);
    void show() { mReadouts.show(mTuner.reading(), disclosed); }
    // After the input unit's catalogue changed: alerts and terminates (and
    // returns false) when the device list is known to be empty.
    bool checkInputSources();
    void loadTemperaments();
    void restoreSettings();
    void adoptSampleRate();
    void stopCapture();
    void updateTonicMenu();
    void updateTransposeText();
    void setSettingsAreaFocusable(bool focusable);
    void settingsChanged();

    std::unique_ptr<Ui::MainWindow> mUi;
    ResizeWindow *mWindow = nullptr;
    std::shared_ptr<AudioHardware> mHardware;
    std::unique_ptr<AUInputUnit> mAUInputUnit;
    // Its sink runs on the IO thread.
    CaptureBuffer mCapture;
    Tuner mTuner;
    ReadoutPanel mReadouts;
    bool disclosed = false;
    std::int32_t mInputVolume = 0;
    InputPresence mPresence;

    // The keyboard controls of the settings area with their own focus
    // policies; a covered area takes no focus.
    std::vector<std::pair<QWidget *, Qt::FocusPolicy>> mSettingsAreaControls;
    std::unique_ptr<QSettings> mSettings;
    std::unique_ptr<MicrophoneAccess> mMicrophoneAccess;
    std::function<void()> mQuit;
    std::optional<QString> mSavedInputDevice;
    std::optional<bool> mSavedDisclosed;
    bool mIsCapturing = false;
    bool mIsStarted = false;
    bool mIsTerminated = false;
    std::uint64_t mBlockCount = 0;
};

} // namespace quaverly
