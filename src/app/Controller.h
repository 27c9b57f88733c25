// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/AudioTypes.h"
#include "analysis/CaptureBlock.h"
#include "analysis/CaptureBuffer.h"
#include "app/ImportedTemperaments.h"
#include "app/InputPresence.h"
#include "app/ReadoutPanel.h"
#include "audio/MicrophoneAccess.h"
#include "tuner/Tuner.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QTimer>

#include <atomic>
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
class ToneGenerator;

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
    void pauseNotification();
    void resumeNotification();
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
    // The note index (C0 = 0) the reference tone plays, while it plays.
    [[nodiscard]] std::optional<int> toneNote() const;
    [[nodiscard]] float toneFrequency() const;

    // Adds a Scala file's scale as a temperament and chooses it; an empty
    // text on success, else the message the user is shown.
    QString importTemperamentFile(const QString &path);
    // Removes an imported temperament; a choice of it falls back to equal
    // temperament, any other choice is kept. False when it cannot be removed.
    bool removeImportedTemperament(const QString &name);
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
    // The steady note being played reads 0 cents afterwards; clamped and
    // beeped like a typed value.
    void referencePitchFromNote();
    void referenceToneToggled(bool on);
    // Moves a playing tone by whole semitones within A0 … C8.
    void referenceToneStep(int semitones);
    // The file dialog, then importTemperamentFile.
    void importTemperament();
    // A list of the imported rows, then removeImportedTemperament.
    void removeTemperament();
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
    // The shipped rows and the imported ones into the resolver and the pop-up.
    void fillTemperaments();
    void selectTuning(std::int64_t tuning);
    void restoreSettings();
    void adoptSampleRate();
    void stopCapture();
    void updateTonicMenu();
    void updateTransposeText();
    void setSettingsAreaFocusable(bool focusable);
    void settingsChanged();
    void setReferencePitch(float typed);
    void updateReferenceActions();
    void startTone(int note);
    // Fades the tone out and stops its stream a moment later; at once when
    // `fade` is false.
    void stopTone(bool fade);
    void retuneTone();
    // The output's AudioOutputEndedProc (notification thread).
    static void toneEnded(void *clientData);

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
    TemperamentTable mBuiltInTemperaments;
    ImportedTemperaments mImported;
    // The imported temperament chosen last time that is gone now.
    std::optional<QString> mMissingTemperament;
    bool mIsCapturing = false;
    bool mIsStarted = false;
    bool mIsTerminated = false;
    std::uint64_t mBlockCount = 0;

    // The playing tone and one fading out until mToneStop stops its stream;
    // the output's IO thread reads them until stopOutput returns.
    std::unique_ptr<ToneGenerator> mTone;
    std::unique_ptr<ToneGenerator> mFadingTone;
    QTimer mToneStop;
    int mToneNote = 0;
    // Counts starts, so an ended report of an earlier stream is ignored;
    // written by the main thread.
    std::atomic<std::uint64_t> mToneGeneration{0};
};

} // namespace quaverly
