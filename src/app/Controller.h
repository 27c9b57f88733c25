// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/CaptureBlock.h"
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "app/LevelMeter.h"
#include "analysis/AudioTypes.h"
#include "music/NoteResolver.h"
#include "widgets/ImageLibrary.h"

#include <QObject>
#include <QSettings>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;
class QSlider;
class QWidget;

namespace Ui {
class MainWindow;
}

namespace quaverly {

class AUInputUnit;
class AudioHardware;
class AutoResizeBox;
class AutoResizeImageView;
class AutoResizeLabel;
class AutoResizePopUpButton;
class AutoResizeSlider;
class AutoResizeStepper;
class AutoResizeTextField;
class DisclosureButton;
class MicrophoneAccess;
class ResizeWindow;
class SpokenReading;
class StrobeView;
class TuningMeterView;

// The application's central object: builds the main window, runs the
// start-up sequence, owns the input unit, the capture path and the musical
// model, answers the controls and refreshes every readout once per capture
// block. Lives for the whole run.
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

    // Per-block refresh, main thread. `rateHz` is the rate the block was
    // captured at.
    void updateUI(CaptureBlock block, float rateHz);
    void updateTunerUI();
    void setTuningMeter(float deviation);
    void updateCentText(std::int32_t cents);
    void setLevelMeter();
    void updateTonicMenu();
    void updateTransposeText();
    void disclose();

    // The Controller's listener function and its method (notification thread).
    static OSStatus listener(AudioDeviceID inDevice, std::uint32_t inChannel, bool isInput,
                             AudioPropertySelector inPropertyID, void *inClientData);
    OSStatus listenerProc(const AudioDeviceListenerParams *params);

    // Seconds on the wall clock; replaceable so that tests can step time.
    void setClock(std::function<double()> clock);
    // What ends the event loop after termination; tests replace it.
    void setQuitHandler(std::function<void()> quit);
    // The platform's permission service; set before launching finishes.
    void setMicrophoneAccess(std::unique_ptr<MicrophoneAccess> access);

    [[nodiscard]] ResizeWindow *window() const { return mWindow; }
    [[nodiscard]] AUInputUnit *inputUnit() const { return mAUInputUnit.get(); }
    [[nodiscard]] float referencePitch() const { return mReferencePitch; }
    [[nodiscard]] std::int64_t tuning() const { return mTuning; }
    [[nodiscard]] std::int64_t tonic() const { return mTonic; }
    [[nodiscard]] std::int64_t transpose() const { return mTranspose; }
    [[nodiscard]] float frequency() const { return mFrequency; }
    [[nodiscard]] float sampleRate() const { return mCapture.sampleRate(); }
    [[nodiscard]] bool isPaused() const { return pause; }
    [[nodiscard]] bool isDisclosed() const { return disclosed; }
    [[nodiscard]] bool isCapturing() const { return mIsCapturing; }
    [[nodiscard]] int beepCount() const { return mBeepCount; }
    [[nodiscard]] int tonicMenuRebuilds() const { return mTonicMenuRebuilds; }
    // Capture blocks processed so far.
    [[nodiscard]] std::uint64_t blockCount() const { return mBlockCount; }
    [[nodiscard]] std::int32_t levelPeakHold() const { return mPeakHold; }

public slots:
    void referencePitchChanged();
    void referencePitchUpDown();
    void tuningPopupChanged();
    void tonicPopupChanged();
    void transposePopupChanged();
    void inputDevicePopupChanged();
    void inputVolumeSliderChanged();
    void disclosureButton();
    void showHelp();
    void openSoundPreferences();
    void openMakerPage();

signals:
    // After applicationWillTerminate has saved the settings.
    void terminated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadTemperaments();
    void restoreSettings();
    void adoptSampleRate();
    void setSettingsAreaFocusable(bool focusable);
    void beep();
    void syncResolver();
    [[nodiscard]] double now() const;

    // Outlets, filled from the window description.
    std::unique_ptr<Ui::MainWindow> mUi;
    ResizeWindow *mWindow = nullptr;
    AutoResizeLabel *mFrequencyText = nullptr;
    AutoResizeLabel *mNoteText = nullptr;
    AutoResizeLabel *mLevelText = nullptr;
    DisclosureButton *mDisclosureButton = nullptr;
    AutoResizeTextField *mReferencePitchText = nullptr;
    AutoResizeLabel *mTransposeText = nullptr;
    AutoResizeLabel *mAccidentalText = nullptr;
    AutoResizeLabel *mOctaveText = nullptr;
    AutoResizeLabel *mCentText = nullptr;
    AutoResizeLabel *mFrequencyDiffText = nullptr;
    AutoResizeLabel *mIdealFrequencyText = nullptr;
    AutoResizeStepper *mReferencePitchStepper = nullptr;
    AutoResizePopUpButton *mTuningPopUpButton = nullptr;
    AutoResizePopUpButton *mTonicPopUpButton = nullptr;
    AutoResizePopUpButton *mTransposePopUpButton = nullptr;
    std::array<AutoResizeImageView *, kLevelSegments> mLevel{};
    AutoResizeImageView *mFlatDot = nullptr;
    AutoResizeImageView *mInTuneDot = nullptr;
    AutoResizeImageView *mSharpDot = nullptr;
    StrobeView *mStrobeView = nullptr;
    TuningMeterView *mTuningMeterView = nullptr;
    SpokenReading *mSpokenReading = nullptr;
    AutoResizePopUpButton *mInputDevicePopUpButton = nullptr;
    AutoResizeSlider *mInputVolumeSlider = nullptr;
    AutoResizeLabel *mInputVolumeText = nullptr;
    QWidget *mUndisclosedSizeBox = nullptr;

    std::shared_ptr<AudioHardware> mHardware;
    std::unique_ptr<AUInputUnit> mAUInputUnit;
    float mReferencePitch = 0.0f;
    bool disclosed = false;
    PitchDetector mDetector; // mRawFrequency, mRawPeak, mPeak
    float mFrequency = 0.0f;
    float mDisplayFrequency = 0.0f;
    double mNextTunerUpdateTime = 0.0;
    std::int32_t mDisplayPeak = 0;
    std::int32_t mPeakHold = 0;
    std::int32_t mDisplayPeakHold = 0;
    double mNextPeakHoldTime = 0.0;
    std::int32_t mInputVolume = 0;
    // mSampleRate, mBuffer, mBufferSize, mBufferOffset, mBufferFrames,
    // mIsBufferInvalid; its sink runs on the IO thread.
    CaptureBuffer mCapture;
    Image mGreen16x16, mRed16x16, mGray16x16, mYellow16x16;
    Image mGreen28x28, mBlue28x28, mGray28x28, mGray24x24, mRed24x24;
    std::int64_t mTonic = 0;
    std::int64_t mTuning = 0;
    std::int64_t mTranspose = 0;
    NoteResolver mResolver; // mTemperaments, mTemperamentTables, mTemperamentCount
    bool pause = false;
    std::int32_t mDisplayCent = 0;

    // The keyboard controls of the settings area with their own focus
    // policies; a covered area takes no focus.
    std::vector<std::pair<QWidget *, Qt::FocusPolicy>> mSettingsAreaControls;
    std::unique_ptr<QSettings> mSettings;
    std::unique_ptr<MicrophoneAccess> mMicrophoneAccess;
    std::function<double()> mClock;
    std::function<void()> mQuit;
    std::optional<QString> mSavedInputDevice;
    std::optional<bool> mSavedDisclosed;
    bool mIsCapturing = false;
    bool mIsHidden = false;
    bool mIsStarted = false;
    bool mIsTerminated = false;
    int mBeepCount = 0;
    int mTonicMenuRebuilds = 0;
    std::uint64_t mBlockCount = 0;
};

} // namespace quaverly
