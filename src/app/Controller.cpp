// SPDX-License-Identifier: GPL-3.0-or-later
#include "Controller.h"

#include "analysis/Acceptance.h"
#include "app/NotificationCenter.h"
#include "app/Settings.h"
#include "app/ThreadHandOff.h"
#include "audio/AUInputUnit.h"
#include "audio/AudioHardware.h"
#include "audio/MicrophoneAccess.h"
#include "audio/SoundPreferences.h"
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"
#include "music/FloatValue.h"
#include "music/Readouts.h"
#include "music/TemperamentTable.h"
#include "widgets/AutoResizeImageView.h"
#include "widgets/AutoResizePopUpButton.h"
#include "widgets/AutoResizeSlider.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/AutoResizeTextField.h"
#include "widgets/DisclosureButton.h"
#include "widgets/HelpPanel.h"
#include "widgets/ImageLibrary.h"
#include "widgets/ResizeWindow.h"

#include "ui_MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>
#include <QPropertyAnimation>
#include <QSettings>
#include <QSignalBlocker>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace quaverly {
namespace {

constexpr char kPauseNotification[] = "quillfen.PauseNotification";
constexpr char kResumeNotification[] = "quillfen.ResumeNotification";
constexpr char kTemperamentsResource[] = ":/Temperaments.txt";

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void setTextIfChanged(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

// The colours of the instrument face: light readouts on a dark panel above,
// plain text on the window below. Palettes, not style sheets, so that the
// controls keep the scaled styles they zoom with.
void dressWindow(Ui::MainWindow &ui)
{
    const QColor face(0x15, 0x18, 0x1c);
    QPalette panel = ui.mDisplayPanel->palette();
    panel.setColor(QPalette::Window, face);
    ui.mDisplayPanel->setPalette(panel);
    ui.mDisplayPanel->setAutoFillBackground(true);

    const auto dress = [](QLineEdit *field, const QColor &text) {
        QPalette p = field->palette();
        p.setColor(QPalette::Base, Qt::transparent);
        p.setColor(QPalette::Text, text);
        field->setPalette(p);
    };
    const QColor bright(0xf2, 0xf0, 0xea);
    const QColor soft(0xb8, 0xbc, 0xc2);
    for (QLineEdit *field : {ui.mNoteText, ui.mAccidentalText, ui.mOctaveText})
        dress(field, bright);
    dress(ui.mCentText, soft);

    const QColor ink = ui.mContentView->palette().color(QPalette::WindowText);
    const QColor muted = ui.mContentView->palette().color(QPalette::PlaceholderText);
    for (QLineEdit *field : ui.mContentView->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly)) {
        if (!field->isReadOnly() || field->parentWidget() != ui.mContentView)
            continue;
        if (field == ui.mNoteText || field == ui.mAccidentalText || field == ui.mOctaveText || field == ui.mCentText)
            continue;
        dress(field, field->objectName().endsWith(QLatin1String("Caption")) ? muted : ink);
    }
}

QString pitchText(float hz)
{
    return QString::asprintf("%.1f", static_cast<double>(hz));
}

} // namespace

Controller::Controller(std::shared_ptr<AudioHardware> hardware, std::unique_ptr<QSettings> settings,
                       QObject *parent)
    : QObject(parent)
    , mHardware(std::move(hardware))
    , mCapture([this](CaptureBlock block) {
        // IO thread: hand the private copy over and return at once.
        const float rate = mCapture.sampleRate();
        handoff::publish(this);
        const handoff::Unwatched post;
        QMetaObject::invokeMethod(
            this,
            [this, block = std::move(block), rate]() mutable {
                handoff::receive(this);
                updateUI(std::move(block), rate);
            },
            Qt::QueuedConnection);
    })
    , mSettings(std::move(settings))
{
    if (!mSettings)
        mSettings = std::make_unique<QSettings>(QStringLiteral("quillfen"), QStringLiteral("Quaverly"));
    mClock = [] { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0; };
    mQuit = [] {
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };

    mUi = std::make_unique<Ui::MainWindow>();
    mWindow = new ResizeWindow;
    mUi->setupUi(mWindow);
    dressWindow(*mUi);
    // The controls scale from the layout the content has when first shown,
    // so the window starts at its designed size.
    const QSizeF designed = mUi->mContentView->property("designedSize").toSizeF();
    mWindow->setContentMinSize(designed);
    mWindow->setContentSize(designed);

    mFrequencyText = mUi->mFrequencyText;
    mNoteText = mUi->mNoteText;
    mLevelText = mUi->mLevelText;
    mDisclosureButton = mUi->mDisclosureButton;
    mReferencePitchText = mUi->mReferencePitchText;
    mTransposeText = mUi->mTransposeText;
    mAccidentalText = mUi->mAccidentalText;
    mOctaveText = mUi->mOctaveText;
    mCentText = mUi->mCentText;
    mFrequencyDiffText = mUi->mFrequencyDiffText;
    mIdealFrequencyText = mUi->mIdealFrequencyText;
    mReferencePitchStepper = mUi->mReferencePitchStepper;
    mTuningPopUpButton = mUi->mTuningPopUpButton;
    mTonicPopUpButton = mUi->mTonicPopUpButton;
    mTransposePopUpButton = mUi->mTransposePopUpButton;
    mLevel = {mUi->mLevel0, mUi->mLevel1, mUi->mLevel2, mUi->mLevel3,
              mUi->mLevel4, mUi->mLevel5, mUi->mLevel6, mUi->mLevel7};
    mFlatDot = mUi->mFlatDot;
    mInTuneDot = mUi->mInTuneDot;
    mSharpDot = mUi->mSharpDot;
    mStrobeView = mUi->mStrobeView;
    mTuningMeterView = mUi->mTuningMeterView;
    mInputDevicePopUpButton = mUi->mInputDevicePopUpButton;
    mInputVolumeSlider = mUi->mInputVolumeSlider;
    mInputVolumeText = mUi->mInputVolumeText;
    mUndisclosedSizeBox = mUi->mUndisclosedSizeBox;

    for (QWidget *w : std::initializer_list<QWidget *>{
             mReferencePitchText, mReferencePitchStepper, mTuningPopUpButton, mTonicPopUpButton,
             mTransposePopUpButton, mInputDevicePopUpButton, mInputVolumeSlider})
        mSettingsAreaControls.emplace_back(w, w->focusPolicy());

    // Actions. Programmatic changes of these controls do not count as the
    // user's: pop-ups answer `activated`, text fields a finished edit.
    connect(mReferencePitchText, &QLineEdit::editingFinished, this, [this] {
        if (mReferencePitchText->isModified()) {
            mReferencePitchText->setModified(false);
            referencePitchChanged();
        }
    });
    connect(mReferencePitchStepper, &AutoResizeStepper::stepped, this, &Controller::referencePitchUpDown);
    connect(mTuningPopUpButton, &QComboBox::activated, this, &Controller::tuningPopupChanged);
    connect(mTonicPopUpButton, &QComboBox::activated, this, &Controller::tonicPopupChanged);
    connect(mTransposePopUpButton, &QComboBox::activated, this, &Controller::transposePopupChanged);
    connect(mInputDevicePopUpButton, &QComboBox::activated, this, &Controller::inputDevicePopupChanged);
    // A user's move of the slider (drag, click, key) is answered once its
    // value has settled; refreshes from the device are not actions.
    connect(mInputVolumeSlider, &QAbstractSlider::actionTriggered, this, [this] {
        QMetaObject::invokeMethod(this, &Controller::inputVolumeSliderChanged, Qt::QueuedConnection);
    });
    connect(mDisclosureButton, &DisclosureButton::clicked, this, &Controller::disclosureButton);
    connect(mUi->actionDisclose, &QAction::triggered, this, [this] {
        mDisclosureButton->toggle();
        disclosureButton();
    });
    connect(mUi->actionQuit, &QAction::triggered, this, &Controller::terminate);
    connect(mUi->actionHelp, &QAction::triggered, this, &Controller::showHelp);
    connect(mUi->actionWebPage, &QAction::triggered, this, &Controller::openMakerPage);
    connect(mUi->actionSoundSettings, &QAction::triggered, this, &Controller::openSoundPreferences);

    mWindow->installEventFilter(this);
    if (qApp) {
        connect(qApp, &QCoreApplication::aboutToQuit, this, &Controller::applicationWillTerminate);
        connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { saveSettings(); });
    }
}

Controller::~Controller()
{
    // No callback may reach this object once it starts going away.
    if (mAUInputUnit && mIsCapturing) {
        mAUInputUnit->stop();
        mIsCapturing = false;
    }
    NotificationCenter::defaultCenter().removeObserver(this);
    mAUInputUnit.reset();
    if (mWindow) {
        mWindow->removeEventFilter(this);
        delete mWindow;
    }
}

void Controller::setClock(std::function<double()> clock)
{
    mClock = std::move(clock);
}

void Controller::setQuitHandler(std::function<void()> quit)
{
    mQuit = std::move(quit);
}

void Controller::setMicrophoneAccess(std::unique_ptr<MicrophoneAccess> access)
{
    mMicrophoneAccess = std::move(access);
}

double Controller::now() const
{
    return mClock();
}

void Controller::awakeFromNib()
{
    loadTemperaments();
    restoreSettings();

    mGray16x16 = ImageLibrary::image(QStringLiteral("gray16x16"));
    mGreen16x16 = ImageLibrary::image(QStringLiteral("green16x16"));
    mRed16x16 = ImageLibrary::image(QStringLiteral("red16x16"));
    mYellow16x16 = ImageLibrary::image(QStringLiteral("yellow16x16"));
    mGreen28x28 = ImageLibrary::image(QStringLiteral("green28x28"));
    mBlue28x28 = ImageLibrary::image(QStringLiteral("blue28x28"));
    mGray28x28 = ImageLibrary::image(QStringLiteral("gray28x28"));
    mGray24x24 = ImageLibrary::image(QStringLiteral("gray24x24"));
    mRed24x24 = ImageLibrary::image(QStringLiteral("red24x24"));

    mDisplayCent = -100;
    disclosed = true;
    mFrequency = mReferencePitch;

    updateTransposeText();
    updateTonicMenu();
    mTonicPopUpButton->setEnabled(mTuning != 0);
    updateTunerUI();
    setLevelMeter();

    disclosed = mSavedDisclosed.value_or(true);
    mDisclosureButton->setState(disclosed ? 1 : 0);
    setSettingsAreaFocusable(disclosed);
    // The window is not shown yet: its content has the designed size.
    QSizeF content = mWindow->contentMinSize();
    if (!disclosed) {
        const float k = static_cast<float>(content.width()) / static_cast<float>(mUndisclosedSizeBox->width());
        content = QSizeF(std::ceil(k * static_cast<float>(mUndisclosedSizeBox->width())),
                         std::ceil(k * static_cast<float>(mUndisclosedSizeBox->height())));
        mWindow->setContentSize(content);
    }
    mWindow->setContentAspectRatio(content);

    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(this, QLatin1String(kPauseNotification), [this] { pauseNotification(); });
    center.addObserver(this, QLatin1String(kResumeNotification), [this] { resumeNotification(); });

    mWindow->show();
    mWindow->raise();
    mWindow->activateWindow();

    {
        const QSignalBlocker blocker(mInputVolumeSlider);
        mInputVolumeSlider->setValue(0);
    }
    mInputVolumeText->setText(QStringLiteral("0"));

    mAUInputUnit = std::make_unique<AUInputUnit>(mHardware);
    mAUInputUnit->setIOProc(&CaptureBuffer::ioProc, &mCapture);
    mAUInputUnit->setListenerProc(&Controller::listener, this);
    mAUInputUnit->setupPopUpButton(mInputDevicePopUpButton);

    if (mInputDevicePopUpButton->count() == 0) {
        QMessageBox alert(mWindow);
        alert.setIcon(QMessageBox::Warning);
        alert.setWindowTitle(QStringLiteral("Quaverly"));
        alert.setText(QStringLiteral("Sorry, Quaverly cannot run without an audio input device."));
        alert.setStandardButtons(QMessageBox::Ok);
        alert.exec();
        terminate();
        return;
    }

    mAUInputUnit->setupVolumeSlider(mInputVolumeSlider, mInputVolumeText);
    mAUInputUnit->setInputDeviceWithName(mSavedInputDevice.value_or(QString()));
    mIsCapturing = true;
    mIsStarted = true;
    adoptSampleRate();
}

void Controller::loadTemperaments()
{
    const LogSink log = [](std::string_view line) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    };
    QFile file{QString::fromLatin1(kTemperamentsResource)};
    TemperamentTable table;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        table = quaverly::loadTemperaments(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), log);
    } else {
        table = loadBuiltInTemperaments(file.errorString().toStdString(), log);
    }

    const QSignalBlocker blocker(mTuningPopUpButton);
    while (mTuningPopUpButton->count() > 1)
        mTuningPopUpButton->removeItem(mTuningPopUpButton->count() - 1);
    mTuningPopUpButton->insertSeparator(1);
    for (std::size_t r = 0; r < table.temperamentCount(); ++r) {
        mTuningPopUpButton->addItem(qs(table.name(r)));
        mTuningPopUpButton->setItemData(mTuningPopUpButton->count() - 1, qs(table.toolTip(r)),
                                        Qt::ToolTipRole);
    }
    mResolver.setTemperaments(std::move(table));
}

void Controller::restoreSettings()
{
    const auto temperamentCount = static_cast<std::uint64_t>(std::max(0, mTuningPopUpButton->count() - 2));
    const SettingsValues values = readSettings(*mSettings, temperamentCount);

    mReferencePitch = values.referencePitch;
    mTuning = values.tuning;
    mTonic = values.tonic;
    mTranspose = values.transpose;
    mSavedDisclosed = values.disclosed;
    mSavedInputDevice = values.inputDevice;

    const QSignalBlocker tuningBlocker(mTuningPopUpButton);
    mTuningPopUpButton->setCurrentIndex(mTuning == 0 ? 0 : static_cast<int>(mTuning) + 1);
    const QSignalBlocker tonicBlocker(mTonicPopUpButton);
    mTonicPopUpButton->setCurrentIndex(static_cast<int>(mTonic));
    const QSignalBlocker transposeBlocker(mTransposePopUpButton);
    mTransposePopUpButton->setCurrentIndex(static_cast<int>(mTranspose) + 11);

    mReferencePitchText->setText(pitchText(mReferencePitch));
    mReferencePitchStepper->setValue(mReferencePitch);
}

void Controller::saveSettings()
{
    SettingsValues values;
    values.referencePitch = mReferencePitch;
    values.disclosed = mDisclosureButton->state() != 0;
    values.tuning = mTuning;
    values.tonic = mTonic;
    values.transpose = mTranspose;
    if (mInputDevicePopUpButton->currentIndex() >= 0)
        values.inputDevice = mInputDevicePopUpButton->currentText();
    writeSettings(*mSettings, values);
}

void Controller::applicationDidFinishLaunching()
{
    if (!mMicrophoneAccess)
        mMicrophoneAccess = MicrophoneAccess::platform();
    checkMic(*mMicrophoneAccess);
}

void Controller::applicationDidHide()
{
    if (!mIsStarted || !mIsCapturing || mIsTerminated)
        return;
    mAUInputUnit->stop();
    mIsCapturing = false;
}

void Controller::applicationDidUnhide()
{
    if (!mIsStarted || mIsCapturing || mIsTerminated)
        return;
    mAUInputUnit->start();
    mIsCapturing = true;
}

void Controller::pauseNotification()
{
    pause = true;
}

void Controller::resumeNotification()
{
    pause = false;
}

void Controller::applicationWillTerminate()
{
    if (mIsTerminated)
        return;
    mIsTerminated = true;
    if (mAUInputUnit && mIsCapturing) {
        mAUInputUnit->stop();
        mIsCapturing = false;
    }
    saveSettings();
    emit terminated();
}

void Controller::terminate()
{
    applicationWillTerminate();
    if (mQuit)
        mQuit();
}

bool Controller::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mWindow) {
        switch (event->type()) {
        case QEvent::Close:
            terminate();
            break;
        case QEvent::Hide:
            applicationDidHide();
            break;
        case QEvent::Show:
            if (!mWindow->isMinimized())
                applicationDidUnhide();
            break;
        case QEvent::WindowStateChange:
            if (mWindow->isMinimized())
                applicationDidHide();
            else if (mWindow->isVisible())
                applicationDidUnhide();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void Controller::adoptSampleRate()
{
    const auto rate = static_cast<float>(mAUInputUnit->sampleRate());
    mCapture.setSampleRate(rate);
    mStrobeView->setSampleRate(rate);
}

OSStatus Controller::listener(AudioDeviceID inDevice, std::uint32_t inChannel, bool isInput,
                              AudioPropertySelector inPropertyID, void *inClientData)
{
    const AudioDeviceListenerParams params{inDevice, inChannel, isInput, inPropertyID};
    return static_cast<Controller *>(inClientData)->listenerProc(&params);
}

OSStatus Controller::listenerProc(const AudioDeviceListenerParams *params)
{
    if (!params->isInput)
        return 0;
    const double rate = mAUInputUnit->sampleRate();
    if (rate == static_cast<double>(mCapture.sampleRate()))
        return 0;
    const auto rate32 = static_cast<float>(rate);
    mCapture.setSampleRate(rate32);
    mStrobeView->setSampleRate(rate32);
    return 0;
}

void Controller::beep()
{
    ++mBeepCount;
    QApplication::beep();
}

// ---- Pitch reference controls

void Controller::referencePitchChanged()
{
    // Like a number formatter: the leading number counts, text reads as 0.
    const QByteArray typed = mReferencePitchText->text().trimmed().toUtf8();
    const float v = typedFloatValue(std::string_view(typed.constData(), std::size_t(typed.size())));
    const ReferencePitchEdit edit = clampReferencePitch(v, mReferencePitch);
    if (!edit.changed)
        return;
    if (edit.beep)
        beep();
    mReferencePitch = edit.value;
    mReferencePitchText->setText(pitchText(mReferencePitch));
    mReferencePitchStepper->setValue(mReferencePitch);
    updateTonicMenu();
    updateTunerUI();
}

void Controller::referencePitchUpDown()
{
    mReferencePitch = static_cast<float>(mReferencePitchStepper->value());
    mReferencePitchText->setText(pitchText(mReferencePitch));
    updateTonicMenu();
    updateTunerUI();
}

void Controller::tuningPopupChanged()
{
    const int i = mTuningPopUpButton->currentIndex();
    const std::int64_t t = i >= 1 ? i - 1 : 0;
    if (t == mTuning)
        return;
    mTuning = t;
    mTonicPopUpButton->setEnabled(t != 0);
    updateTonicMenu();
    updateTunerUI();
}

void Controller::tonicPopupChanged()
{
    const int i = mTonicPopUpButton->currentIndex();
    if (i < 0 || i == mTonic)
        return;
    mTonic = i;
    updateTonicMenu();
    updateTunerUI();
}

void Controller::transposePopupChanged()
{
    const int i = mTransposePopUpButton->currentIndex();
    if (i < 0)
        return;
    const std::int64_t t = i - 11;
    if (t == mTranspose)
        return;
    mTranspose = t;
    updateTransposeText();
    updateTonicMenu();
    updateTunerUI();
}

void Controller::syncResolver()
{
    mResolver.setReferencePitch(mReferencePitch);
    mResolver.setTuning(mTuning);
    mResolver.setTonic(mTonic);
    mResolver.setTranspose(mTranspose);
}

void Controller::updateTonicMenu()
{
    ++mTonicMenuRebuilds;
    syncResolver();
    const QSignalBlocker blocker(mTonicPopUpButton);
    mTonicPopUpButton->clear();
    for (int i = 0; i < 12; ++i)
        mTonicPopUpButton->addItem(qs(mResolver.tonicMenuTitle(i)));
    mTonicPopUpButton->setCurrentIndex(static_cast<int>(mTonic));
}

void Controller::updateTransposeText()
{
    setTextIfChanged(mTransposeText, qs(transposeText(mTranspose)));
}

// ---- Other actions

void Controller::inputDevicePopupChanged()
{
    mAUInputUnit->setInputDeviceAtIndex(mInputDevicePopUpButton->currentIndex());
    adoptSampleRate();
}

void Controller::inputVolumeSliderChanged()
{
    const int v = mInputVolumeSlider->value();
    if (v == mInputVolume)
        return;
    mInputVolume = v;
    mInputVolumeText->setText(QString::number(v));
    if (mAUInputUnit)
        mAUInputUnit->setVolume(v);
}

void Controller::disclosureButton()
{
    disclose();
}

void Controller::disclose()
{
    disclosed = mDisclosureButton->state() != 0;
    if (disclosed) {
        updateTunerUI();
        setLevelMeter();
    }
    setSettingsAreaFocusable(disclosed);
    // Hiding takes the focus to the window, which ends any edit in the area.
    mWindow->disclose(disclosed, *mUndisclosedSizeBox, [this] {
        if (disclosed)
            mReferencePitchText->setFocus();
    });
}

void Controller::setSettingsAreaFocusable(bool focusable)
{
    for (const auto &[control, policy] : mSettingsAreaControls)
        control->setFocusPolicy(focusable ? policy : Qt::NoFocus);
}

void Controller::showHelp()
{
    HelpPanel::showHelpPanel();
}

void Controller::openSoundPreferences()
{
    quaverly::openSoundPreferences();
}

void Controller::openMakerPage()
{
    QDesktopServices::openUrl(QUrl(tr("https://quillfen.example.org/quaverly/")));
}

// ---- Readout refresh

void Controller::updateUI(CaptureBlock block, float rateHz)
{
    const double t = now();
    ++mBlockCount;
    if (block)
        mDetector.detectPitch(std::span<const float>(*block), rateHz,
                              static_cast<std::uint32_t>(block->size()));

    if (acceptFrequency(mFrequency, mDetector.mRawFrequency))
        mNextTunerUpdateTime = t + 0.2;

    if (!pause && static_cast<double>(mDetector.mRawPeak) > 0.01) {
        mStrobeView->setPeak(mDetector.mRawPeak);
        mStrobeView->setData(block);
    } else {
        mStrobeView->setData(nullptr);
    }
    block.reset();

    if (!(mDisplayFrequency == mFrequency))
        updateTunerUI();

    if (t > mNextTunerUpdateTime) {
        mInTuneDot->setImage(mGray28x28);
        mNextTunerUpdateTime = t + 0.2;
    }

    if (mDetector.mPeak >= mPeakHold) {
        mPeakHold = mDetector.mPeak;
        mNextPeakHoldTime = t + 1.0;
    }
    if (mDisplayPeakHold != mPeakHold || mDisplayPeak != mDetector.mPeak)
        setLevelMeter();
    if (t > mNextPeakHoldTime) {
        mPeakHold = 0;
        mNextPeakHoldTime = t + 1.0;
    }
}

void Controller::updateTunerUI()
{
    if (pause)
        return;
    syncResolver();
    const std::optional<NoteResolution> note = mResolver.resolve(mFrequency);
    if (!note)
        return;

    setTextIfChanged(mNoteText, QString(QChar::fromLatin1(note->letter)));
    setTextIfChanged(mAccidentalText, qs(note->accidental));
    setTextIfChanged(mOctaveText, qs(octaveText(note->transposedOctave)));
    setTuningMeter(note->deviation);
    if (disclosed) {
        setTextIfChanged(mFrequencyText, qs(frequencyText(mFrequency)));
        setTextIfChanged(mFrequencyDiffText, qs(plusMinusFloatString(mFrequency - note->ideal)));
        setTextIfChanged(mIdealFrequencyText, qs(frequencyText(note->ideal)));
    }
    mStrobeView->setFrequency(note->ideal);
    mDisplayFrequency = mFrequency;
}

void Controller::setTuningMeter(float deviation)
{
    const std::int32_t cents = wholeCents(deviation);
    const TuningDots dots = tuningDots(cents);
    // The image views repaint only when given another image.
    mInTuneDot->setImage(dots.inTune ? mGreen28x28 : mBlue28x28);
    mFlatDot->setImage(dots.flatLit ? mRed24x24 : mGray24x24);
    mSharpDot->setImage(dots.sharpLit ? mRed24x24 : mGray24x24);
    updateCentText(cents);
}

void Controller::updateCentText(std::int32_t cents)
{
    if (cents == mDisplayCent)
        return;
    setTextIfChanged(mCentText, qs(plusMinusValueString(cents)));
    mDisplayCent = cents;
    mTuningMeterView->setCent(static_cast<float>(cents));
}

void Controller::setLevelMeter()
{
    mDisplayPeak = mDetector.mPeak;
    mDisplayPeakHold = mPeakHold;
    if (!disclosed)
        return;

    const std::array<Lamp, kLevelSegments> lamps = levelSegments(mDetector.mPeak, mPeakHold);
    for (int i = kLevelSegments - 1; i >= 0; --i) {
        const auto s = static_cast<std::size_t>(i);
        const Image &image = lamps[s] == Lamp::Green    ? mGreen16x16
                               : lamps[s] == Lamp::Yellow ? mYellow16x16
                               : lamps[s] == Lamp::Red    ? mRed16x16
                                                          : mGray16x16;
        mLevel[s]->setImage(image);
    }
    setTextIfChanged(mLevelText, QString::asprintf("%ddB", mPeakHold - 96));
}

} // namespace quaverly
