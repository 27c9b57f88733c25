// SPDX-License-Identifier: GPL-3.0-or-later
#include "Controller.h"

#include "app/NotificationCenter.h"
#include "app/Settings.h"
#include "app/ThreadHandOff.h"
#include "audio/AUInputUnit.h"
#include "audio/AudioHardware.h"
#include "audio/ToneGenerator.h"
#include "display/StrobeView.h"
#include "music/FloatValue.h"
#include "music/Readouts.h"
#include "music/TemperamentTable.h"
#include "app/AccessibleInterfaces.h"
#include "widgets/AutoResizeStepper.h"
#include "widgets/DisclosureButton.h"
#include "widgets/HelpPanel.h"
#include "widgets/ResizeWindow.h"

#include "ui_MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quaverly {
namespace {

constexpr char kPauseNotification[] = "quillfen.PauseNotification";
constexpr char kResumeNotification[] = "quillfen.ResumeNotification";
constexpr char kTemperamentsResource[] = ":/Temperaments.txt";

QString pitchText(float hz)
{
    return QString::asprintf("%.1f", static_cast<double>(hz));
}

} // namespace

Controller::Controller(std::shared_ptr<AudioHardware> hardware, std::unique_ptr<QSettings> settings,
                       QObject *parent)
    : QObject(parent)
    , mUi(std::make_unique<Ui::MainWindow>())
    , mHardware(std::move(hardware))
    , mCapture([this](CaptureBlock block) {
        // IO thread: hand the private copy over and return at once.
        const float rate = mCapture.sampleRate();
        const handoff::Sending post(this);
        QMetaObject::invokeMethod(
            this,
            [this, block = std::move(block), rate]() mutable {
                handoff::receive(this);
                updateUI(std::move(block), rate);
            },
            Qt::QueuedConnection);
    })
    , mReadouts(*mUi)
    , mSettings(std::move(settings))
{
    if (!mSettings)
        mSettings = std::make_unique<QSettings>(QStringLiteral("quillfen"), QStringLiteral("Quaverly"));
    mQuit = [] {
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };

    installAccessibleInterfaces();
    mWindow = new ResizeWindow;
    mUi->setupUi(mWindow);
    mReadouts.prepare();
    // The controls scale from the layout the content has when first shown,
    // so the window starts at its designed size.
    const QSizeF designed = mUi->mContentView->property("designedSize").toSizeF();
    mWindow->setContentMinSize(designed);
    mWindow->setContentSize(designed);

    for (QWidget *w : std::initializer_list<QWidget *>{
             mUi->mReferencePitchText, mUi->mReferencePitchStepper, mUi->mTuningPopUpButton,
             mUi->mTonicPopUpButton, mUi->mTransposePopUpButton, mUi->mInputDevicePopUpButton,
             mUi->mInputVolumeSlider})
        mSettingsAreaControls.emplace_back(w, w->focusPolicy());

    // Actions. Programmatic changes of these controls do not count as the
    // user's: pop-ups answer `activated`, text fields a finished edit.
    connect(mUi->mReferencePitchText, &QLineEdit::editingFinished, this, [this] {
        if (mUi->mReferencePitchText->isModified()) {
            mUi->mReferencePitchText->setModified(false);
            referencePitchChanged();
        }
    });
    connect(mUi->mReferencePitchStepper, &AutoResizeStepper::stepped, this, &Controller::referencePitchUpDown);
    connect(mUi->mTuningPopUpButton, &QComboBox::activated, this, &Controller::tuningPopupChanged);
    connect(mUi->mTonicPopUpButton, &QComboBox::activated, this, &Controller::tonicPopupChanged);
    connect(mUi->mTransposePopUpButton, &QComboBox::activated, this, &Controller::transposePopupChanged);
    connect(mUi->mInputDevicePopUpButton, &QComboBox::activated, this, &Controller::inputDevicePopupChanged);
    // A user's move of the slider (drag, click, key) is answered once its
    // value has settled; refreshes from the device are not actions.
    connect(mUi->mInputVolumeSlider, &QAbstractSlider::actionTriggered, this, [this] {
        QMetaObject::invokeMethod(this, &Controller::inputVolumeSliderChanged, Qt::QueuedConnection);
    });
    connect(mUi->mDisclosureButton, &DisclosureButton::clicked, this, &Controller::disclosureButton);
    connect(mUi->actionDisclose, &QAction::triggered, this, [this] {
        mUi->mDisclosureButton->toggle();
        disclosureButton();
    });
    connect(mUi->mDetectionGroup, &QActionGroup::triggered, this, &Controller::detectionMenuChanged);
    connect(mUi->actionQuit, &QAction::triggered, this, &Controller::terminate);
    connect(mUi->actionHelp, &QAction::triggered, this, &HelpPanel::showHelpPanel);
    connect(mUi->actionWebPage, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QStringLiteral("https://quillfen.example.org/quaverly/"))); });
    connect(mUi->actionSoundSettings, &QAction::triggered, this, [] { quaverly::openSoundPreferences(); });
    connect(mUi->actionReferenceFromNote, &QAction::triggered, this, &Controller::referencePitchFromNote);
    connect(mUi->actionReferenceTone, &QAction::toggled, this, &Controller::referenceToneToggled);
    connect(mUi->actionToneUp, &QAction::triggered, this, [this] { referenceToneStep(1); });
    connect(mUi->actionToneDown, &QAction::triggered, this, [this] { referenceToneStep(-1); });
    connect(mUi->actionImportTemperament, &QAction::triggered, this, &Controller::importTemperament);
    connect(mUi->actionRemoveTemperament, &QAction::triggered, this, &Controller::removeTemperament);
    // Long enough for the fade and the server's buffer to play out.
    mToneStop.setSingleShot(true);
    mToneStop.setInterval(200);
    connect(&mToneStop, &QTimer::timeout, this, [this] {
        mHardware->stopOutput();
        mFadingTone.reset();
    });

    connect(&mPresence, &InputPresence::availableChanged, this, [this](bool available) {
        mTuner.setInputAvailable(available);
        show();
        updateReferenceActions();
    });

    mWindow->installEventFilter(this);
    if (qApp) {
        connect(qApp, &QCoreApplication::aboutToQuit, this, &Controller::applicationWillTerminate);
        connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { saveSettings(); });
    }
}

Controller::~Controller()
{
    // No callback may reach this object once it starts going away.
    stopTone(false);
    stopCapture();
    NotificationCenter::defaultCenter().removeObserver(this);
    mAUInputUnit.reset();
    if (mWindow) {
        mWindow->removeEventFilter(this);
        delete mWindow;
    }
}

void Controller::awakeFromNib()
{
    loadTemperaments();
    restoreSettings();

    // Every readout is filled once, the settings area's included.
    disclosed = true;
    mTuner.restart();
    updateTransposeText();
    updateTonicMenu();
    mUi->mTonicPopUpButton->setEnabled(mTuner.resolver().tuning() != 0);
    show();

    disclosed = mSavedDisclosed.value_or(true);
    mUi->mDisclosureButton->setState(disclosed ? 1 : 0);
    setSettingsAreaFocusable(disclosed);
    // The window is not shown yet: its content has the designed size.
    QSizeF content = mWindow->contentMinSize();
    if (!disclosed) {
        const QWidget *box = mUi->mUndisclosedSizeBox;
        const float k = static_cast<float>(content.width()) / static_cast<float>(box->width());
        content = QSizeF(std::ceil(k * static_cast<float>(box->width())),
                         std::ceil(k * static_cast<float>(box->height())));
        mWindow->setContentSize(content);
    }
    mWindow->setContentAspectRatio(content);

    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(this, QLatin1String(kPauseNotification), [this] { pauseNotification(); });
    center.addObserver(this, QLatin1String(kResumeNotification), [this] { resumeNotification(); });

    mWindow->show();
    mWindow->raise();
    mWindow->activateWindow();
    if (mMissingTemperament) {
        const QString text = tr("The temperament \u201C%1\u201D chosen last time is no longer imported; "
                                "Equal Temperament is used.").arg(*mMissingTemperament);
        std::fprintf(stderr, "Quaverly: %s\n", qPrintable(text));
        auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quaverly"), text, QMessageBox::Ok, mWindow);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    }

    mUi->mInputVolumeSlider->setValue(0);
    mUi->mInputVolumeText->setText(QStringLiteral("0"));

    mAUInputUnit = std::make_unique<AUInputUnit>(mHardware);
    mAUInputUnit->setIOProc(&CaptureBuffer::ioProc, &mCapture);
    mAUInputUnit->setListenerProc(&Controller::listener, this);
    connect(mAUInputUnit.get(), &AUInputUnit::inputAvailableChanged, this, &Controller::setInputAvailable);
    connect(mAUInputUnit.get(), &AUInputUnit::inputSourcesChanged, this, &Controller::checkInputSources);
    mAUInputUnit->setupPopUpButton(mUi->mInputDevicePopUpButton);
    if (!checkInputSources())
        return;

    mAUInputUnit->setupVolumeSlider(mUi->mInputVolumeSlider, mUi->mInputVolumeText);
    // Until the sound server has listed its sources nothing is open.
    mAUInputUnit->setInputDeviceWithName(mSavedInputDevice.value_or(QString()));
    setInputAvailable(mAUInputUnit->isInputAvailable());
    mIsStarted = true;
    mIsCapturing = true;
    mPresence.setCapturing(true);
    adoptSampleRate();
}

void Controller::pauseNotification()
{
    mTuner.setPaused(true);
    updateReferenceActions();
}

void Controller::resumeNotification()
{
    mTuner.setPaused(false);
}

bool Controller::checkInputSources()
{
    if (mIsTerminated)
        return false;
    if (mUi->mInputDevicePopUpButton->count() > 0 || !mHardware->isDeviceListKnown()) {
        adoptSampleRate();
        return true;
    }
    // Nothing to remember either.
    mSavedInputDevice.reset();
    QMessageBox::warning(mWindow, QStringLiteral("Quaverly"),
                         QStringLiteral("Sorry, Quaverly cannot run without an audio input device."));
    terminate();
    return false;
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

    mBuiltInTemperaments = std::move(table);
    mImported.load(mBuiltInTemperaments);
    fillTemperaments();
}

void Controller::fillTemperaments()
{
    TemperamentTable table = mImported.table(mBuiltInTemperaments);
    QComboBox *popUp = mUi->mTuningPopUpButton;
    const QSignalBlocker blocker(popUp);
    while (popUp->count() > 1)
        popUp->removeItem(popUp->count() - 1);
    popUp->insertSeparator(1);
    for (std::size_t r = 0; r < table.temperamentCount(); ++r) {
        popUp->addItem(qs(table.name(r)));
        popUp->setItemData(popUp->count() - 1, qs(table.toolTip(r)), Qt::ToolTipRole);
    }
    const std::int64_t tuning = mTuner.resolver().tuning();
    popUp->setCurrentIndex(tuning == 0 ? 0 : static_cast<int>(tuning) + 1);
    mTuner.resolver().setTemperaments(std::move(table));
    mUi->actionRemoveTemperament->setEnabled(!mImported.entries().empty());
}

void Controller::selectTuning(std::int64_t tuning)
{
    const QSignalBlocker blocker(mUi->mTuningPopUpButton);
    mUi->mTuningPopUpButton->setCurrentIndex(tuning == 0 ? 0 : static_cast<int>(tuning) + 1);
    mTuner.resolver().setTuning(tuning);
    mUi->mTonicPopUpButton->setEnabled(tuning != 0);
    settingsChanged();
}

QString Controller::importTemperamentFile(const QString &path)
{
    const QString error = mImported.import(path, mBuiltInTemperaments);
    if (!error.isEmpty())
        return error;
    fillTemperaments();
    selectTuning(static_cast<std::int64_t>(mBuiltInTemperaments.temperamentCount() + mImported.entries().size()));
    return {};
}

bool Controller::removeImportedTemperament(const QString &name)
{
    const std::int64_t tuning = mTuner.resolver().tuning();
    const QString chosen = tuning == 0 ? QString() : mUi->mTuningPopUpButton->itemText(static_cast<int>(tuning) + 1);
    if (!mImported.remove(name))
        return false;
    mTuner.resolver().setTuning(0);
    fillTemperaments();
    // The other choices stay, found again by name.
    const int item = chosen.isEmpty() ? -1 : mUi->mTuningPopUpButton->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    selectTuning(item >= 2 ? item - 1 : 0);
    return true;
}

void Controller::importTemperament()
{
    const QString path = QFileDialog::getOpenFileName(mWindow, tr("Import Temperament"), QString(),
                                                      tr("Scala scales (*.scl);;All files (*)"));
    if (path.isEmpty())
        return;
    const QString error = importTemperamentFile(path);
    if (!error.isEmpty())
        QMessageBox::warning(mWindow, tr("Import Temperament"), error);
}

void Controller::removeTemperament()
{
    bool ok = false;
    const QString name = QInputDialog::getItem(mWindow, tr("Remove Temperament"), tr("Imported temperament to remove:"),
                                               mImported.names(), 0, false, &ok);
    if (ok && !name.isEmpty() && !removeImportedTemperament(name))
        QMessageBox::warning(mWindow, tr("Remove Temperament"), tr("\u201C%1\u201D cannot be removed.").arg(name));
}

void Controller::restoreSettings()
{
    const auto temperamentCount = static_cast<std::uint64_t>(std::max(0, mUi->mTuningPopUpButton->count() - 2));
    SettingsValues values = readSettings(*mSettings, temperamentCount);
    // An imported row is chosen by its name; an index alone never points
    // past the shipped rows, so it cannot land on another import.
    const auto builtInCount = static_cast<std::int64_t>(mBuiltInTemperaments.temperamentCount());
    if (values.tuningName) {
        const qsizetype imported = mImported.names().indexOf(*values.tuningName);
        values.tuning = imported >= 0 ? builtInCount + imported + 1 : 0;
        if (imported < 0)
            mMissingTemperament = values.tuningName;
    } else if (values.tuning > builtInCount) {
        values.tuning = 0;
    }
    NoteResolver &music = mTuner.resolver();
    music.setReferencePitch(values.referencePitch);
    music.setTuning(values.tuning);
    music.setTonic(values.tonic);
    music.setTranspose(values.transpose);
    mSavedDisclosed = values.disclosed;
    mSavedInputDevice = values.inputDevice;
    mTuner.setDetection(values.detection);
    (values.detection == Detection::Precise ? mUi->actionPreciseDetection : mUi->actionClassicDetection)
        ->setChecked(true);

    const QSignalBlocker tuningBlocker(mUi->mTuningPopUpButton);
    mUi->mTuningPopUpButton->setCurrentIndex(values.tuning == 0 ? 0 : static_cast<int>(values.tuning) + 1);
    const QSignalBlocker tonicBlocker(mUi->mTonicPopUpButton);
    mUi->mTonicPopUpButton->setCurrentIndex(static_cast<int>(values.tonic));
    const QSignalBlocker transposeBlocker(mUi->mTransposePopUpButton);
    mUi->mTransposePopUpButton->setCurrentIndex(static_cast<int>(values.transpose) + 11);

    mUi->mReferencePitchText->setText(pitchText(values.referencePitch));
    mUi->mReferencePitchStepper->setValue(values.referencePitch);
}

void Controller::saveSettings()
{
    const NoteResolver &music = mTuner.resolver();
    SettingsValues values;
    values.referencePitch = music.referencePitch();
    values.disclosed = mUi->mDisclosureButton->state() != 0;
    values.tuning = music.tuning();
    const auto builtInCount = static_cast<std::int64_t>(mBuiltInTemperaments.temperamentCount());
    if (values.tuning > builtInCount && values.tuning - builtInCount <= std::int64_t(mImported.entries().size()))
        values.tuningName = mImported.entries()[std::size_t(values.tuning - builtInCount - 1)].name;
    values.tonic = music.tonic();
    values.transpose = music.transpose();
    values.detection = mTuner.detection();
    // The saved choice outlives a run in which the server never answered.
    if (mUi->mInputDevicePopUpButton->currentIndex() >= 0)
        values.inputDevice = mUi->mInputDevicePopUpButton->currentText();
    else
        values.inputDevice = mSavedInputDevice;
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
    if (mIsStarted && !mIsTerminated)
        stopCapture();
}

void Controller::applicationDidUnhide()
{
    if (!mIsStarted || mIsTerminated || mIsCapturing)
        return;
    mAUInputUnit->start();
    mIsCapturing = true;
    mPresence.setCapturing(true);
}

void Controller::stopCapture()
{
    mPresence.setCapturing(false);
    if (!mAUInputUnit || !mIsCapturing)
        return;
    mAUInputUnit->stop();
    mIsCapturing = false;
}

void Controller::applicationWillTerminate()
{
    if (mIsTerminated)
        return;
    mIsTerminated = true;
    stopTone(false);
    stopCapture();
    saveSettings();
}

void Controller::terminate()
{
    applicationWillTerminate();
    if (mQuit)
        mQuit();
}

bool Controller::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != mWindow)
        return QObject::eventFilter(watched, event);
    if (type == QEvent::Close) {
        terminate();
    } else if (type == QEvent::Hide || (type == QEvent::WindowStateChange && mWindow->isMinimized())) {
        applicationDidHide();
    } else if ((type == QEvent::Show || type == QEvent::WindowStateChange) && mWindow->isVisible()
               && !mWindow->isMinimized()) {
        applicationDidUnhide();
    }
    return QObject::eventFilter(watched, event);
}

void Controller::adoptSampleRate()
{
    if (!mAUInputUnit || mAUInputUnit->inputDevice() == kAudioDeviceUnknown)
        return;
    const auto rate = static_cast<float>(mAUInputUnit->sampleRate());
    mCapture.setSampleRate(rate);
    mUi->mStrobeView->setSampleRate(rate);
}

OSStatus Controller::listener(AudioDeviceID inDevice, std::uint32_t inChannel, bool isInput,
                              AudioPropertySelector inPropertyID, void *inClientData)
{
    const AudioDeviceListenerParams params{inDevice, inChannel, isInput, inPropertyID};
    return static_cast<Controller *>(inClientData)->listenerProc(&params);
}

OSStatus Controller::listenerProc(const AudioDeviceListenerParams *params)
{
    if (params->isInput && mAUInputUnit->sampleRate() != static_cast<double>(mCapture.sampleRate()))
        adoptSampleRate();
    return 0;
}

void Controller::referencePitchChanged()
{
    // Like a number formatter: the leading number counts, text reads as 0.
    const QByteArray typed = mUi->mReferencePitchText->text().trimmed().toUtf8();
    setReferencePitch(typedFloatValue(std::string_view(typed.constData(), std::size_t(typed.size()))));
}

void Controller::referencePitchFromNote()
{
    if (!mUi->actionReferenceFromNote->isEnabled())
        return;
    const std::optional<float> played = mTuner.steadyFrequency();
    const std::optional<float> reference = played ? mTuner.resolver().referenceFor(*played) : std::nullopt;
    if (reference)
        setReferencePitch(*reference);
}

void Controller::setReferencePitch(float typed)
{
    const ReferencePitchEdit edit = clampReferencePitch(typed, mTuner.resolver().referencePitch());
    if (!edit.changed)
        return;
    if (edit.beep)
        QApplication::beep();
    mTuner.resolver().setReferencePitch(edit.value);
    mUi->mReferencePitchText->setText(pitchText(edit.value));
    mUi->mReferencePitchStepper->setValue(edit.value);
    settingsChanged();
}

void Controller::referencePitchUpDown()
{
    const auto pitch = static_cast<float>(mUi->mReferencePitchStepper->value());
    mTuner.resolver().setReferencePitch(pitch);
    mUi->mReferencePitchText->setText(pitchText(pitch));
    settingsChanged();
}

void Controller::tuningPopupChanged()
{
    const int i = mUi->mTuningPopUpButton->currentIndex();
    const std::int64_t t = i >= 1 ? i - 1 : 0;
    if (t == mTuner.resolver().tuning())
        return;
    mTuner.resolver().setTuning(t);
    mUi->mTonicPopUpButton->setEnabled(t != 0);
    settingsChanged();
}

void Controller::tonicPopupChanged()
{
    const int i = mUi->mTonicPopUpButton->currentIndex();
    if (i < 0 || i == mTuner.resolver().tonic())
        return;
    mTuner.resolver().setTonic(i);
    settingsChanged();
}

void Controller::transposePopupChanged()
{
    const int i = mUi->mTransposePopUpButton->currentIndex();
    if (i < 0 || i - 11 == mTuner.resolver().transpose())
        return;
    mTuner.resolver().setTranspose(i - 11);
    updateTransposeText();
    settingsChanged();
}

void Controller::settingsChanged()
{
    updateTonicMenu();
    mTuner.updateTunerUI();
    show();
    retuneTone();
}

void Controller::updateReferenceActions()
{
    // A tone on would be heard through the microphone: it would calibrate to itself.
    mUi->actionReferenceFromNote->setEnabled(!mTone && mTuner.steadyFrequency().has_value());
    mUi->actionToneUp->setEnabled(mTone && mToneNote < kHighestNote);
    mUi->actionToneDown->setEnabled(mTone && mToneNote > kLowestNote);
}

void Controller::referenceToneToggled(bool on)
{
    if (on == (mTone != nullptr))
        return;
    if (!on) {
        stopTone(true);
        return;
    }
    // The note on screen; A4 when nothing is read.
    const TunerReading &reading = mTuner.reading();
    startTone(reading.inputAvailable ? reading.note.n : kReferenceNote);
}

void Controller::referenceToneStep(int semitones)
{
    if (!mTone)
        return;
    mToneNote = std::clamp(mToneNote + semitones, kLowestNote, kHighestNote);
    retuneTone();
    updateReferenceActions();
}

void Controller::startTone(int note)
{
    mToneNote = std::clamp(note, kLowestNote, kHighestNote);
    auto tone = std::make_unique<ToneGenerator>(0.0f, &Controller::toneEnded, this);
    mToneGeneration.fetch_add(1, std::memory_order_release);
    mToneStop.stop();
    ToneGenerator *const generator = tone.get();
    mTone = std::move(tone);
    retuneTone();
    // Replaces a stream still fading out; after this its generator is unused.
    const OSStatus status = mHardware->startOutput(&ToneGenerator::render, &ToneGenerator::ended, generator);
    mFadingTone.reset();
    if (status != kAudioNoError) {
        std::fprintf(stderr, "Quaverly: the reference tone cannot play (no sound output)\n");
        mTone.reset();
        mWindow->setAccessibleDescription(QString());
        QApplication::beep();
    }
    const QSignalBlocker blocker(mUi->actionReferenceTone);
    mUi->actionReferenceTone->setChecked(mTone != nullptr);
    updateReferenceActions();
}

void Controller::stopTone(bool fade)
{
    if (mTone && fade) {
        mTone->fadeOut();
        mFadingTone = std::move(mTone);
        mToneStop.start();
    } else if (mTone || mFadingTone) {
        mToneStop.stop();
        mHardware->stopOutput();
        mTone.reset();
        mFadingTone.reset();
    }
    const QSignalBlocker blocker(mUi->actionReferenceTone);
    mUi->actionReferenceTone->setChecked(false);
    mWindow->setAccessibleDescription(QString());
    updateReferenceActions();
}

void Controller::retuneTone()
{
    if (!mTone)
        return;
    const float hz = mTuner.resolver().idealFrequency(mToneNote % 12, mToneNote / 12);
    mTone->setFrequency(hz);
    // Named as the readouts name notes: as written for the instrument.
    const int written = mToneNote - static_cast<int>(mTuner.resolver().transpose());
    NoteResolution named;
    named.transposedSemitone = ((written % 12) + 12) % 12;
    named.transposedOctave = (written - named.transposedSemitone) / 12;
    named.letter = kNoteLetters[std::size_t(named.transposedSemitone)];
    named.accidental = kAccidentals[std::size_t(named.transposedSemitone)];
    mWindow->setAccessibleDescription(tr("Reference tone playing: %1, %2")
                                          .arg(qs(noteName(named)), qs(frequencyText(hz))));
}

void Controller::toneEnded(void *clientData)
{
    auto *self = static_cast<Controller *>(clientData);
    const std::uint64_t generation = self->mToneGeneration.load(std::memory_order_acquire);
    QMetaObject::invokeMethod(self, [self, generation] {
        if (generation == self->mToneGeneration.load(std::memory_order_relaxed) && self->mTone) {
            std::fprintf(stderr, "Quaverly: the reference tone stopped: its sound output went away\n");
            self->mTone.reset();
            self->stopTone(false);
        }
    }, Qt::QueuedConnection);
}

std::optional<int> Controller::toneNote() const
{
    return mTone ? std::optional<int>(mToneNote) : std::nullopt;
}

float Controller::toneFrequency() const
{
    return mTone ? mTone->frequency() : 0.0f;
}

void Controller::updateTonicMenu()
{
    QComboBox *popUp = mUi->mTonicPopUpButton;
    const QSignalBlocker blocker(popUp);
    popUp->clear();
    for (int i = 0; i < 12; ++i)
        popUp->addItem(qs(mTuner.resolver().tonicMenuTitle(i)));
    popUp->setCurrentIndex(static_cast<int>(mTuner.resolver().tonic()));
}

void Controller::updateTransposeText()
{
    const QString text = qs(transposeText(mTuner.resolver().transpose()));
    if (mUi->mTransposeText->text() != text)
        mUi->mTransposeText->setText(text);
}

void Controller::inputDevicePopupChanged()
{
    mAUInputUnit->setInputDeviceAtIndex(mUi->mInputDevicePopUpButton->currentIndex());
    adoptSampleRate();
}

void Controller::inputVolumeSliderChanged()
{
    const int v = mUi->mInputVolumeSlider->value();
    if (v == mInputVolume)
        return;
    mInputVolume = v;
    mUi->mInputVolumeText->setText(QString::number(v));
    if (mAUInputUnit)
        mAUInputUnit->setVolume(v);
}

void Controller::disclosureButton()
{
    disclosed = mUi->mDisclosureButton->state() != 0;
    if (disclosed)
        show();
    setSettingsAreaFocusable(disclosed);
    // Hiding takes the focus to the window, which ends any edit in the area.
    mWindow->disclose(disclosed, *mUi->mUndisclosedSizeBox, [this] {
        if (disclosed)
            mUi->mReferencePitchText->setFocus();
    });
}

void Controller::detectionMenuChanged()
{
    const Detection chosen =
        mUi->actionPreciseDetection->isChecked() ? Detection::Precise : Detection::Classic;
    if (chosen != mTuner.detection())
        mTuner.setDetection(chosen);
}

void Controller::setSettingsAreaFocusable(bool focusable)
{
    for (const auto &[control, policy] : mSettingsAreaControls)
        control->setFocusPolicy(focusable ? policy : Qt::NoFocus);
}

void Controller::setClock(Tuner::Clock clock)
{
    mUi->mSpokenReading->setClock(clock);
    mTuner.setClock(std::move(clock));
}

void Controller::updateUI(CaptureBlock block, float rateHz)
{
    ++mBlockCount;
    const BlockResult result = mTuner.updateUI(block, rateHz);
    block.reset();
    mUi->mStrobeView->setData(result.strobe);
    mPresence.blockArrived();
    show();
    updateReferenceActions();
}

} // namespace quaverly
