// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControllerFixture.h"

#include "app/NotificationCenter.h"
#include "display/StrobeView.h"
#include "app/Settings.h"
#include "audio/AUInputUnit.h"
#include "widgets/DisclosureButton.h"
#include "widgets/ResizeWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

namespace quaverly::test {
namespace {

using Readouts = ControllerFixture;

// Test names from a row's text: letters and digits kept, the rest '_'.
std::string rowName(std::string text)
{
    for (char &ch : text)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return text;
}

// ---- What a sustained tone shows

struct ToneCase {
    double hz;
    const char *letter;
    const char *accidental;
    const char *octave;
    const char *cents;
    const char *inTuneDot;
    const char *flatDot;
    const char *sharpDot;
};

class ToneReadout : public ControllerFixture, public ::testing::WithParamInterface<ToneCase> {};

TEST_P(ToneReadout, ShowsNoteCentsAndDots)
{
    const ToneCase &c = GetParam();
    addMicrophone();
    start();
    feedTone(c.hz, 1.0);
    EXPECT_EQ(text("mNoteText"), QString::fromUtf8(c.letter)) << c.hz;
    EXPECT_EQ(text("mAccidentalText"), QString::fromUtf8(c.accidental)) << c.hz;
    EXPECT_EQ(text("mOctaveText"), QString::fromUtf8(c.octave)) << c.hz;
    EXPECT_EQ(text("mCentText"), QString::fromUtf8(c.cents)) << c.hz;
    EXPECT_EQ(imageName("mInTuneDot"), QLatin1String(c.inTuneDot)) << c.hz;
    EXPECT_EQ(imageName("mFlatDot"), QLatin1String(c.flatDot)) << c.hz;
    EXPECT_EQ(imageName("mSharpDot"), QLatin1String(c.sharpDot)) << c.hz;
    // The measured text is the smoothed frequency, the ideal one the note's.
    EXPECT_EQ(text("mFrequencyText"), QString::asprintf("%.1fHz", static_cast<double>(mController->frequency())));
    EXPECT_NEAR(mController->frequency(), c.hz, c.hz * 0.003) << "smoothed frequency";
}

INSTANTIATE_TEST_SUITE_P(
    Tones, ToneReadout,
    ::testing::Values(ToneCase{440.0, "A", "", "4", "±0", "green28x28", "gray24x24", "gray24x24"},
                      ToneCase{446.0, "A", "", "4", "+23", "blue28x28", "gray24x24", "red24x24"},
                      ToneCase{466.16, "B", "♭", "4", "±0", "green28x28", "gray24x24", "gray24x24"},
                      ToneCase{427.0, "G", "♯", "4", "+48", "blue28x28", "gray24x24", "red24x24"},
                      ToneCase{261.63, "C", "", "4", "±0", "green28x28", "gray24x24", "gray24x24"},
                      ToneCase{110.0, "A", "", "2", "±0", "green28x28", "gray24x24", "gray24x24"},
                      ToneCase{82.41, "E", "", "2", "±0", "green28x28", "gray24x24", "gray24x24"}),
    [](const auto &info) { return rowName(std::to_string(static_cast<int>(info.param.hz * 100)) + "cHz"); });

TEST_F(Readouts, StartShowsTheReferenceNoteAndAnEmptyMeter)
{
    addMicrophone();
    start();
    EXPECT_EQ(text("mNoteText"), QLatin1String("A"));
    EXPECT_EQ(text("mAccidentalText"), QString());
    EXPECT_EQ(text("mOctaveText"), QLatin1String("4"));
    EXPECT_EQ(text("mCentText"), QString::fromUtf8("±0"));
    EXPECT_EQ(imageName("mInTuneDot"), QLatin1String("green28x28"));
    EXPECT_EQ(text("mFrequencyText"), QLatin1String("440.0Hz"));
    EXPECT_EQ(text("mIdealFrequencyText"), QLatin1String("440.0Hz"));
    EXPECT_EQ(text("mFrequencyDiffText"), QString::fromUtf8("±0.0Hz"));
    EXPECT_EQ(text("mLevelText"), QLatin1String("-96dB"));
    EXPECT_EQ(levelPicture(), "........");
    EXPECT_EQ(text("mTransposeText"), QString());
    EXPECT_FALSE(popUp("mTonicPopUpButton")->isEnabled());
    EXPECT_EQ(popUp("mTransposePopUpButton")->currentIndex(), 11);
}

struct DeviationCase {
    float deviation;
    const char *cents;
    const char *inTuneDot;
    const char *flatDot;
    const char *sharpDot;
};

class Deviation : public ControllerFixture, public ::testing::WithParamInterface<DeviationCase> {};

TEST_P(Deviation, SetsDotsAndCentText)
{
    const DeviationCase &c = GetParam();
    addMicrophone();
    start();
    mController->setTuningMeter(c.deviation);
    EXPECT_EQ(text("mCentText"), QString::fromUtf8(c.cents)) << c.deviation;
    EXPECT_EQ(imageName("mInTuneDot"), QLatin1String(c.inTuneDot)) << c.deviation;
    EXPECT_EQ(imageName("mFlatDot"), QLatin1String(c.flatDot)) << c.deviation;
    EXPECT_EQ(imageName("mSharpDot"), QLatin1String(c.sharpDot)) << c.deviation;
}

INSTANTIATE_TEST_SUITE_P(
    Cents, Deviation,
    ::testing::Values(DeviationCase{-0.035f, "-3", "green28x28", "red24x24", "gray24x24"},
                      DeviationCase{0.045f, "+4", "blue28x28", "gray24x24", "red24x24"},
                      DeviationCase{-0.009f, "±0", "green28x28", "gray24x24", "gray24x24"},
                      DeviationCase{0.5f, "+50", "blue28x28", "gray24x24", "red24x24"}),
    [](const auto &info) { return rowName(std::string("cents") + info.param.cents); });

TEST_F(Readouts, InTuneDotTurnsGrayWhenReadingsStop)
{
    addMicrophone();
    start();
    feedTone(440.0, 0.5);
    EXPECT_EQ(imageName("mInTuneDot"), QLatin1String("green28x28"));
    feedSilence(0.5);
    EXPECT_EQ(imageName("mInTuneDot"), QLatin1String("gray28x28"));
    // The note stays on the last reading.
    EXPECT_EQ(text("mNoteText"), QLatin1String("A"));
    EXPECT_EQ(text("mCentText"), QString::fromUtf8("±0"));
}

TEST_F(Readouts, LevelMeterHoldsThePeakAndStepsDown)
{
    addMicrophone();
    start();
    feedTone(440.0, 0.5, 1.0);
    const std::string loud = levelPicture();
    EXPECT_EQ(loud.substr(0, 7), "ggggggg") << loud;
    const QString loudText = text("mLevelText");
    EXPECT_NE(loudText, QLatin1String("-96dB"));

    // Silence: the hold stays up for a second, then falls to the level.
    feedSilence(0.5);
    EXPECT_EQ(text("mLevelText"), loudText);
    EXPECT_EQ(levelPicture().substr(0, 7), ".......") << levelPicture();
    feedSilence(1.0);
    EXPECT_EQ(text("mLevelText"), QLatin1String("-96dB"));
    EXPECT_EQ(levelPicture(), "........");
}

TEST_F(Readouts, HiddenSettingsAreaFreezesLevelAndFrequencyTexts)
{
    addMicrophone();
    start();
    auto *button = mController->window()->findChild<DisclosureButton *>(QStringLiteral("mDisclosureButton"));
    ASSERT_NE(button, nullptr);
    button->setState(0);
    mController->disclosureButton();
    feedTone(446.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+23"));
    EXPECT_EQ(text("mLevelText"), QLatin1String("-96dB"));
    EXPECT_EQ(text("mFrequencyText"), QLatin1String("440.0Hz"));

    EXPECT_EQ(field("mReferencePitchText")->focusPolicy(), Qt::NoFocus) << "Tab must not reach a covered field";

    // Showing the area again fills them at once.
    button->setState(1);
    mController->disclosureButton();
    EXPECT_NE(text("mLevelText"), QLatin1String("-96dB"));
    EXPECT_EQ(text("mIdealFrequencyText"), QLatin1String("440.0Hz"));
    EXPECT_NE(text("mFrequencyText"), QLatin1String("440.0Hz"));
    EXPECT_NE(field("mReferencePitchText")->focusPolicy(), Qt::NoFocus);
}

TEST_F(Readouts, PauseFreezesNoteWhileLevelGoesOn)
{
    addMicrophone();
    start();
    feedTone(440.0, 0.5, 0.1);
    const QString quiet = text("mLevelText");
    NotificationCenter::defaultCenter().post(QStringLiteral("quillfen.PauseNotification"));
    ASSERT_TRUE(mController->isPaused());
    feedTone(523.25, 0.5, 0.9);
    EXPECT_EQ(strobe()->data(), nullptr) << "the strobe gets no samples while paused";
    EXPECT_EQ(text("mNoteText"), QLatin1String("A"));
    EXPECT_EQ(text("mOctaveText"), QLatin1String("4"));
    EXPECT_NE(text("mLevelText"), quiet) << "the level meter must go on while paused";
    EXPECT_NEAR(mController->frequency(), 523.25, 2.0) << "detection goes on while paused";

    NotificationCenter::defaultCenter().post(QStringLiteral("quillfen.ResumeNotification"));
    feedTone(523.25, 0.3, 0.9);
    EXPECT_NE(strobe()->data(), nullptr);
    EXPECT_NEAR(strobe()->frequency(), 523.2511f, 0.01f) << "the strobe follows the new note";
    EXPECT_EQ(text("mNoteText"), QLatin1String("C"));
    EXPECT_EQ(text("mOctaveText"), QLatin1String("5"));
}

TEST_F(Readouts, BlocksFromTheIOThreadArriveInOrder)
{
    addMicrophone();
    start();
    // The IO cycles run on their own thread while this one serves the posts.
    std::atomic<bool> done{false};
    std::thread io([&] {
        pushTone(446.0, 0.6);
        pushTone(523.25, 0.6);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    io.join();
    QCoreApplication::processEvents();
    // The last block posted is the last one shown.
    EXPECT_EQ(text("mNoteText"), QLatin1String("C"));
    EXPECT_EQ(text("mOctaveText"), QLatin1String("5"));
}

// ---- Pitch reference controls

struct TypedPitchCase {
    const char *typed;
    const char *shown;
    int beeps;
    bool rebuilt;
};

class TypedReference : public ControllerFixture, public ::testing::WithParamInterface<TypedPitchCase> {};

TEST_P(TypedReference, ClampsBeepsAndRebuilds)
{
    const TypedPitchCase &c = GetParam();
    addMicrophone();
    start();
    const int rebuilds = mController->tonicMenuRebuilds();
    QLineEdit *f = field("mReferencePitchText");
    f->setText(QString::fromUtf8(c.typed));
    f->setModified(true);
    emit f->editingFinished();
    EXPECT_EQ(f->text(), QLatin1String(c.shown)) << c.typed;
    EXPECT_EQ(mController->beepCount(), c.beeps) << c.typed;
    EXPECT_EQ(mController->tonicMenuRebuilds() != rebuilds, c.rebuilt) << c.typed;
}

INSTANTIATE_TEST_SUITE_P(Typing, TypedReference,
                         ::testing::Values(TypedPitchCase{"440", "440", 0, false},
                                           TypedPitchCase{"300", "349.0", 1, true},
                                           TypedPitchCase{"500", "499.9", 1, true},
                                           TypedPitchCase{"499.9", "499.9", 0, true},
                                           TypedPitchCase{"442 Hz", "442.0", 0, true},
                                           TypedPitchCase{"abc", "349.0", 1, true},
                                           TypedPitchCase{"nan", "349.0", 1, true},
                                           TypedPitchCase{"1e30", "499.9", 1, true}),
                         [](const auto &info) { return rowName(std::string("typed_") + info.param.typed); });

TEST_F(Readouts, ReferenceChangeMovesTheReadout)
{
    addMicrophone();
    start();
    feedTone(442.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+7"));
    QLineEdit *f = field("mReferencePitchText");
    f->setText(QStringLiteral("442"));
    f->setModified(true);
    emit f->editingFinished();
    EXPECT_EQ(text("mCentText"), QString::fromUtf8("±0"));
    EXPECT_EQ(text("mIdealFrequencyText"), QLatin1String("442.0Hz"));
}

struct TonicMenuCase {
    const char *name;
    float reference;
    const char *temperament; // empty: equal temperament
    int tonic;
    std::vector<const char *> titles;
};

class TonicMenu : public ControllerFixture, public ::testing::WithParamInterface<TonicMenuCase> {};

TEST_P(TonicMenu, TitlesShowEachNotesFrequency)
{
    const TonicMenuCase &c = GetParam();
    addMicrophone();
    start();
    QLineEdit *f = field("mReferencePitchText");
    f->setText(QString::number(static_cast<double>(c.reference)));
    f->setModified(true);
    emit f->editingFinished();
    if (*c.temperament) {
        QComboBox *tuning = popUp("mTuningPopUpButton");
        const int i = tuning->findText(QLatin1String(c.temperament));
        ASSERT_GE(i, 2) << c.temperament;
        tuning->setCurrentIndex(i);
        emit tuning->activated(i);
        ASSERT_TRUE(popUp("mTonicPopUpButton")->isEnabled());
    }
    QComboBox *tonic = popUp("mTonicPopUpButton");
    tonic->setCurrentIndex(c.tonic);
    emit tonic->activated(c.tonic);
    const std::vector<QString> titles = itemTexts("mTonicPopUpButton");
    ASSERT_EQ(titles.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        if (c.titles[i]) {
            EXPECT_EQ(titles[i], QString::fromUtf8(c.titles[i])) << c.name << " item " << i;
        }
    }
    EXPECT_EQ(tonic->currentIndex(), c.tonic);
}

const std::vector<const char *> kEqual440 = {"C (261.6Hz)", "C#/Db (277.2Hz)", "D (293.7Hz)", "D#/Eb (311.1Hz)",
                                             "E (329.6Hz)", "F (349.2Hz)", "F#/Gb (370.0Hz)", "G (392.0Hz)",
                                             "G#/Ab (415.3Hz)", "A (440.0Hz)", "A#/Bb (466.2Hz)", "B (493.9Hz)"};
const std::vector<const char *> kPythagoreanC = {
    "C (260.7Hz)", "C#/Db (278.4Hz)", "D (293.3Hz)", "D#/Eb (309.0Hz)", "E (330.0Hz)", "F (347.7Hz)",
    "F#/Gb (371.2Hz)", "G (391.1Hz)", "G#/Ab (417.7Hz)", "A (440.0Hz)", "A#/Bb (463.5Hz)", "B (495.0Hz)"};

INSTANTIATE_TEST_SUITE_P(
    Titles, TonicMenu,
    ::testing::Values(
        TonicMenuCase{"equal 440", 440.0f, "", 0, kEqual440},
        TonicMenuCase{"equal 442", 442.0f, "", 0,
                      {"C (262.8Hz)", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       "A (442.0Hz)", nullptr, "B (496.1Hz)"}},
        TonicMenuCase{"pythagorean C", 440.0f, "Pythagorean", 0, kPythagoreanC},
        TonicMenuCase{"pythagorean D", 440.0f, "Pythagorean", 2,
                      {nullptr, nullptr, nullptr, "D#/Eb (313.2Hz)", nullptr, nullptr, nullptr, nullptr, nullptr,
                       "A (440.0Hz)", "A#/Bb (469.9Hz)", nullptr}},
        TonicMenuCase{"pythagorean A#", 440.0f, "Pythagorean", 10,
                      {nullptr, "C#/Db (274.7Hz)", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       "G#/Ab (412.0Hz)", "A (440.0Hz)", nullptr, nullptr}}),
    [](const auto &info) { return rowName(info.param.name); });

TEST_F(Readouts, SeparatorAndEqualTemperamentKeepTheTonic)
{
    addMicrophone();
    start();
    QComboBox *tuning = popUp("mTuningPopUpButton");
    QComboBox *tonic = popUp("mTonicPopUpButton");
    tuning->setCurrentIndex(2);
    emit tuning->activated(2);
    tonic->setCurrentIndex(2);
    emit tonic->activated(2);
    EXPECT_EQ(mController->tuning(), 1);

    tuning->setCurrentIndex(1);
    mController->tuningPopupChanged();
    EXPECT_EQ(mController->tuning(), 0) << "the separator means equal temperament";
    EXPECT_FALSE(tonic->isEnabled());
    EXPECT_EQ(mController->tonic(), 2);

    tuning->setCurrentIndex(2);
    emit tuning->activated(2);
    EXPECT_TRUE(tonic->isEnabled());
    EXPECT_EQ(tonic->currentIndex(), 2) << "the kept tonic is used again";
}

struct TransposeCase {
    int transpose;
    const char *text;
    const char *letter;
    const char *accidental;
    const char *octave;
};

class Transposition : public ControllerFixture, public ::testing::WithParamInterface<TransposeCase> {};

TEST_P(Transposition, SpellsTheWrittenNote)
{
    const TransposeCase &c = GetParam();
    addMicrophone();
    start();
    feedTone(440.0, 0.5);
    QComboBox *box = popUp("mTransposePopUpButton");
    ASSERT_EQ(box->count(), 23);
    box->setCurrentIndex(c.transpose + 11);
    emit box->activated(c.transpose + 11);
    EXPECT_EQ(mController->transpose(), c.transpose);
    EXPECT_EQ(text("mTransposeText"), QString::fromUtf8(c.text));
    // A concert A4 as the player of that instrument reads it.
    EXPECT_EQ(text("mNoteText"), QLatin1String(c.letter)) << c.transpose;
    EXPECT_EQ(text("mAccidentalText"), QString::fromUtf8(c.accidental)) << c.transpose;
    EXPECT_EQ(text("mOctaveText"), QLatin1String(c.octave)) << c.transpose;
}

INSTANTIATE_TEST_SUITE_P(Texts, Transposition,
                         ::testing::Values(TransposeCase{-2, "C = A#/Bb (-2)", "B", "", "4"},
                                           TransposeCase{3, "C = D#/Eb (+3)", "F", "♯", "4"},
                                           TransposeCase{-11, "C = C#/Db (-11)", "G", "♯", "5"},
                                           TransposeCase{11, "C = B (+11)", "B", "♭", "3"},
                                           TransposeCase{-9, "C = D#/Eb (-9)", "F", "♯", "5"},
                                           TransposeCase{0, "", "A", "", "4"}),
                         [](const auto &info) {
                             const int t = info.param.transpose;
                             return (t < 0 ? "minus" : "plus") + std::to_string(std::abs(t));
                         });

// ---- Lifecycle, settings and audio input

TEST_F(Readouts, SettingsSurviveARestart)
{
    addMicrophone("First");
    addMicrophone("Second");
    start();
    QLineEdit *f = field("mReferencePitchText");
    f->setText(QStringLiteral("442"));
    f->setModified(true);
    emit f->editingFinished();
    QComboBox *tuning = popUp("mTuningPopUpButton");
    tuning->setCurrentIndex(3);
    emit tuning->activated(3);
    QComboBox *tonic = popUp("mTonicPopUpButton");
    tonic->setCurrentIndex(2);
    emit tonic->activated(2);
    QComboBox *transpose = popUp("mTransposePopUpButton");
    transpose->setCurrentIndex(9);
    emit transpose->activated(9);
    QComboBox *input = popUp("mInputDevicePopUpButton");
    input->setCurrentIndex(1);
    emit input->activated(1);
    const QString device = input->currentText();
    auto *button = mController->window()->findChild<DisclosureButton *>(QStringLiteral("mDisclosureButton"));
    button->setState(0);
    mController->disclosureButton();
    const int hiddenHeight = mController->window()->height();

    mController->window()->close();
    EXPECT_EQ(mQuitCount, 1) << "closing the window quits";
    {
        auto stored = storedSettings();
        EXPECT_EQ(stored->value(QLatin1String(settings_keys::kReferencePitch)).toDouble(), 442.0);
        EXPECT_EQ(stored->value(QLatin1String(settings_keys::kTuning)).toInt(), 2);
        EXPECT_EQ(stored->value(QLatin1String(settings_keys::kTonic)).toInt(), 2);
        EXPECT_EQ(stored->value(QLatin1String(settings_keys::kTranspose)).toInt(), -2);
        EXPECT_EQ(stored->value(QLatin1String(settings_keys::kDisclosed)).toString(), QLatin1String("false"));
        EXPECT_EQ(stored->value(QLatin1String(settings_keys::kInputDevice)).toString(), device);
    }
    finish();

    start();
    EXPECT_EQ(text("mReferencePitchText"), QLatin1String("442.0"));
    EXPECT_EQ(popUp("mTuningPopUpButton")->currentIndex(), 3);
    EXPECT_EQ(popUp("mTonicPopUpButton")->currentIndex(), 2);
    EXPECT_TRUE(popUp("mTonicPopUpButton")->isEnabled());
    EXPECT_EQ(popUp("mTransposePopUpButton")->currentIndex(), 9);
    EXPECT_EQ(text("mTransposeText"), QLatin1String("C = A#/Bb (-2)"));
    EXPECT_EQ(popUp("mInputDevicePopUpButton")->currentText(), device);
    EXPECT_FALSE(mController->isDisclosed());
    EXPECT_EQ(mController->window()->height(), hiddenHeight);
    EXPECT_EQ(mHardware->log("start").back(), "start 2");
}

TEST_F(Readouts, NoInputDeviceAlertsThenTerminatesAndForgetsTheDevice)
{
    {
        auto stored = storedSettings();
        stored->setValue(QLatin1String(settings_keys::kInputDevice), QStringLiteral("Gone : Mic"));
        stored->setValue(QLatin1String(settings_keys::kTonic), 5);
    }
    bool windowShown = false;
    QString alertText;
    QTimer::singleShot(0, [&] {
        windowShown = mController && mController->window()->isVisible();
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no alert is shown";
        alertText = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    start();
    EXPECT_TRUE(windowShown);
    EXPECT_EQ(alertText, QLatin1String("Sorry, Quaverly cannot run without an audio input device."));
    EXPECT_EQ(mQuitCount, 1);
    auto stored = storedSettings();
    EXPECT_FALSE(stored->contains(QLatin1String(settings_keys::kInputDevice)));
    EXPECT_EQ(stored->value(QLatin1String(settings_keys::kTonic)).toInt(), 5);
    EXPECT_TRUE(stored->contains(QLatin1String(settings_keys::kReferencePitch)));
}

TEST_F(Readouts, HidingStopsCaptureAndShowingResumesIt)
{
    addMicrophone();
    start();
    ASSERT_TRUE(mHardware->isRunning(mDevice));
    mController->window()->showMinimized();
    QCoreApplication::processEvents();
    mController->window()->hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(mHardware->isRunning(mDevice));
    EXPECT_EQ(mHardware->log("stop").size(), 1u) << "one stop per hide";

    mController->window()->showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(mHardware->isRunning(mDevice));
    feedTone(446.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+23"));
}

TEST_F(Readouts, InputChoiceAndDeviceRateChangeAreAdopted)
{
    addMicrophone("Low", 44100.0);
    const AudioDeviceID high = addMicrophone("High", 48000.0);
    start();
    EXPECT_EQ(mController->sampleRate(), 44100.0f);
    QComboBox *input = popUp("mInputDevicePopUpButton");
    input->setCurrentIndex(1);
    emit input->activated(1);
    EXPECT_EQ(mController->sampleRate(), 48000.0f);

    mDevice = high;
    feedTone(446.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+23")) << "blocks must be cut and read at 48 kHz";

    mHardware->update(high, [](FakeAudioHardware::Device &d) { d.sampleRate = 96000.0; });
    mHardware->notify(high, 0, kAudioDevicePropertyStreamFormat);
    EXPECT_EQ(mController->sampleRate(), 96000.0f);
    feedTone(523.25, 1.0);
    EXPECT_EQ(text("mNoteText"), QLatin1String("C"));
    EXPECT_EQ(text("mCentText"), QString::fromUtf8("±0"));
}

TEST_F(Readouts, VolumeSliderSetsTheDeviceOnlyOnAChange)
{
    addMicrophone();
    start();
    QCoreApplication::processEvents();
    auto *slider = mController->window()->findChild<QSlider *>(QStringLiteral("mInputVolumeSlider"));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), 50);
    mHardware->clearLog();
    slider->setValue(36);
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCoreApplication::processEvents();
    EXPECT_EQ(text("mInputVolumeText"), QLatin1String("37"));
    const std::vector<std::string> writes = mHardware->log("setVolume");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].rfind("setVolume 1 ch1 0.37", 0), 0u) << writes[0];

    // The same percentage again writes nothing.
    slider->setValue(38);
    slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCoreApplication::processEvents();
    EXPECT_EQ(mHardware->log("setVolume").size(), 1u);
}

} // namespace
} // namespace quaverly::test
