// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControllerFixture.h"

#include "app/NotificationCenter.h"
#include "app/Settings.h"
#include "display/StrobeView.h"
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

// Test names from a row's text: letters and digits kept, the rest '_'.
std::string rowName(std::string text)
{
    for (char &ch : text)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return text;
}

class Readouts : public ControllerFixture {
protected:
    void startWithMicrophone()
    {
        addMicrophone();
        start();
    }
    // Note, cent text and the in-tune, flat and sharp dots: g green, b blue, r red, . gray.
    std::string readout() const
    {
        std::string s = (text("mNoteText") + text("mAccidentalText") + text("mOctaveText") + ' ' +
                         text("mCentText") + ' ').toStdString();
        for (const char *dot : {"mInTuneDot", "mFlatDot", "mSharpDot"}) {
            const QString name = imageName(dot);
            s += name.isEmpty() ? '?' : name.startsWith(QLatin1String("gray")) ? '.' : name.at(0).toLatin1();
        }
        return s;
    }
    // The texts of the secondary readouts, joined by '|'.
    QString texts() const
    {
        QStringList all;
        for (const char *name : {"mFrequencyText", "mIdealFrequencyText", "mFrequencyDiffText", "mLevelText"})
            all << text(name);
        return all.join(QLatin1Char('|'));
    }
    void choose(const char *popUpName, int index)
    {
        QComboBox *box = popUp(popUpName);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void typeReference(const QString &typed)
    {
        QLineEdit *f = field("mReferencePitchText");
        f->setText(typed);
        f->setModified(true);
        emit f->editingFinished();
    }
    void showSettings(bool shown)
    {
        mController->window()->findChild<DisclosureButton *>(QStringLiteral("mDisclosureButton"))->setState(shown);
        mController->disclosureButton();
    }
};

struct ToneCase {
    double hz;
    const char *readout;
};
class ToneReadout : public Readouts, public ::testing::WithParamInterface<ToneCase> {};

TEST_P(ToneReadout, ShowsNoteCentsAndDots)
{
    startWithMicrophone();
    feedTone(GetParam().hz, 1.0);
    EXPECT_EQ(readout(), GetParam().readout);
    EXPECT_NEAR(mController->frequency(), GetParam().hz, GetParam().hz * 0.003) << "smoothed frequency";
    EXPECT_EQ(text("mFrequencyText"), QString::asprintf("%.1fHz", double(mController->frequency())));
}

INSTANTIATE_TEST_SUITE_P(Tones, ToneReadout, ::testing::Values(
    ToneCase{440.0, "A4 ±0 g.."}, ToneCase{446.0, "A4 +23 b.r"}, ToneCase{466.16, "B♭4 ±0 g.."},
    ToneCase{427.0, "G♯4 +48 b.r"}, ToneCase{261.63, "C4 ±0 g.."}, ToneCase{110.0, "A2 ±0 g.."},
    ToneCase{82.41, "E2 ±0 g.."}),
    [](const auto &info) { return std::to_string(int(info.param.hz * 100)) + "cHz"; });

TEST_F(Readouts, StartShowsTheReferenceNoteAndAnEmptyMeter)
{
    startWithMicrophone();
    EXPECT_EQ(readout(), "A4 ±0 g..");
    EXPECT_EQ(texts(), QString::fromUtf8("440.0Hz|440.0Hz|±0.0Hz|-96dB"));
    EXPECT_EQ(levelPicture(), "........");
    EXPECT_FALSE(popUp("mTonicPopUpButton")->isEnabled());
}

struct DeviationCase {
    float deviation;
    const char *readout;
};
class Deviation : public Readouts, public ::testing::WithParamInterface<DeviationCase> {};

TEST_P(Deviation, SetsDotsAndCentText)
{
    startWithMicrophone();
    mController->setTuningMeter(GetParam().deviation);
    EXPECT_EQ(readout(), GetParam().readout);
}

INSTANTIATE_TEST_SUITE_P(Cents, Deviation, ::testing::Values(
    DeviationCase{-0.035f, "A4 -3 gr."}, DeviationCase{0.045f, "A4 +4 b.r"},
    DeviationCase{-0.009f, "A4 ±0 g.."}, DeviationCase{0.5f, "A4 +50 b.r"}),
    [](const auto &info) { return rowName(std::to_string(int(info.param.deviation * 1000)) + "_millis"); });

// Silence: the in-tune dot turns gray at once, the note stays, the level's hold mark stays up
// for a second and then falls to the level.
TEST_F(Readouts, SilenceGraysTheDotKeepsTheNoteAndDropsTheLevelAfterItsHold)
{
    startWithMicrophone();
    feedTone(440.0, 0.5, 1.0);
    EXPECT_EQ(readout(), "A4 ±0 g..");
    EXPECT_EQ(levelPicture().substr(0, 7), "ggggggg") << levelPicture();
    const QString loud = text("mLevelText");
    EXPECT_NE(loud, QLatin1String("-96dB"));
    feedSilence(0.5);
    EXPECT_EQ(readout(), "A4 ±0 ...");
    EXPECT_EQ(text("mLevelText"), loud);
    EXPECT_EQ(levelPicture().substr(0, 7), ".......") << levelPicture();
    feedSilence(1.0);
    EXPECT_EQ(text("mLevelText"), QLatin1String("-96dB"));
    EXPECT_EQ(levelPicture(), "........");
}

TEST_F(Readouts, HiddenSettingsAreaFreezesItsTextsAndTakesNoFocus)
{
    startWithMicrophone();
    showSettings(false);
    feedTone(446.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+23"));
    EXPECT_EQ(texts(), QString::fromUtf8("440.0Hz|440.0Hz|±0.0Hz|-96dB"));
    EXPECT_EQ(field("mReferencePitchText")->focusPolicy(), Qt::NoFocus) << "Tab must not reach a covered field";
    showSettings(true); // fills them at once
    EXPECT_NE(text("mLevelText"), QLatin1String("-96dB"));
    EXPECT_NE(text("mFrequencyText"), QLatin1String("440.0Hz"));
    EXPECT_NE(field("mReferencePitchText")->focusPolicy(), Qt::NoFocus);
}

TEST_F(Readouts, PauseFreezesNoteAndStrobeWhileLevelGoesOn)
{
    startWithMicrophone();
    feedTone(440.0, 0.5, 0.1);
    const QString quiet = text("mLevelText");
    NotificationCenter::defaultCenter().post(QStringLiteral("quillfen.PauseNotification"));
    ASSERT_TRUE(mController->isPaused());
    feedTone(523.25, 0.5, 0.9);
    EXPECT_EQ(strobe()->data(), nullptr) << "the strobe gets no samples while paused";
    EXPECT_EQ(readout().substr(0, 2), "A4");
    EXPECT_NE(text("mLevelText"), quiet) << "the level meter must go on while paused";
    EXPECT_NEAR(mController->frequency(), 523.25, 2.0) << "detection goes on while paused";

    NotificationCenter::defaultCenter().post(QStringLiteral("quillfen.ResumeNotification"));
    feedTone(523.25, 0.3, 0.9);
    EXPECT_NE(strobe()->data(), nullptr);
    EXPECT_NEAR(strobe()->frequency(), 523.2511f, 0.01f) << "the strobe follows the new note";
    EXPECT_EQ(readout().substr(0, 2), "C5");
}

TEST_F(Readouts, BlocksFromTheIOThreadArriveInOrder)
{
    startWithMicrophone();
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
    EXPECT_EQ(readout().substr(0, 2), "C5") << "the last block posted is the last one shown";
}

struct TypedPitchCase {
    const char *typed;
    const char *shown;
    int beeps;
    bool rebuilt;
};
class TypedReference : public Readouts, public ::testing::WithParamInterface<TypedPitchCase> {};

TEST_P(TypedReference, ClampsBeepsAndRebuilds)
{
    const TypedPitchCase &c = GetParam();
    startWithMicrophone();
    const int rebuilds = mController->tonicMenuRebuilds();
    typeReference(QString::fromUtf8(c.typed));
    EXPECT_EQ(text("mReferencePitchText"), QLatin1String(c.shown));
    EXPECT_EQ(mController->beepCount(), c.beeps);
    EXPECT_EQ(mController->tonicMenuRebuilds() != rebuilds, c.rebuilt);
}

INSTANTIATE_TEST_SUITE_P(Typing, TypedReference, ::testing::Values(
    TypedPitchCase{"440", "440", 0, false}, TypedPitchCase{"300", "349.0", 1, true},
    TypedPitchCase{"500", "499.9", 1, true}, TypedPitchCase{"499.9", "499.9", 0, true},
    TypedPitchCase{"442 Hz", "442.0", 0, true}, TypedPitchCase{"abc", "349.0", 1, true},
    TypedPitchCase{"nan", "349.0", 1, true}, TypedPitchCase{"1e30", "499.9", 1, true}),
    [](const auto &info) { return rowName(std::string("typed_") + info.param.typed); });

TEST_F(Readouts, ReferenceChangeMovesTheReadout)
{
    startWithMicrophone();
    feedTone(442.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+7"));
    typeReference(QStringLiteral("442"));
    EXPECT_EQ(text("mCentText"), QString::fromUtf8("±0"));
    EXPECT_EQ(text("mIdealFrequencyText"), QLatin1String("442.0Hz"));
}

struct TonicMenuCase {
    const char *name;
    const char *reference;
    const char *temperament; // empty: equal temperament
    int tonic;
    const char *titles; // all twelve, '|' between; empty ones are not checked
};
class TonicMenu : public Readouts, public ::testing::WithParamInterface<TonicMenuCase> {};

TEST_P(TonicMenu, TitlesShowEachNotesFrequency)
{
    const TonicMenuCase &c = GetParam();
    startWithMicrophone();
    typeReference(QLatin1String(c.reference));
    if (*c.temperament) {
        const int i = popUp("mTuningPopUpButton")->findText(QLatin1String(c.temperament));
        ASSERT_GE(i, 2) << c.temperament;
        choose("mTuningPopUpButton", i);
        ASSERT_TRUE(popUp("mTonicPopUpButton")->isEnabled());
    }
    choose("mTonicPopUpButton", c.tonic);
    const std::vector<QString> titles = itemTexts("mTonicPopUpButton");
    const QStringList expected = QString::fromUtf8(c.titles).split(QLatin1Char('|'));
    ASSERT_EQ(titles.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        if (!expected[i].isEmpty()) {
            EXPECT_EQ(titles[i], expected[i]) << "item " << i;
        }
    }
    EXPECT_EQ(popUp("mTonicPopUpButton")->currentIndex(), c.tonic);
}

// The arithmetic of every title is the resolver's; these rows catch a menu built from the
// wrong reference, temperament or tonic.
INSTANTIATE_TEST_SUITE_P(Titles, TonicMenu, ::testing::Values(
    TonicMenuCase{"equal 440", "440", "", 0, "C (261.6Hz)|C#/Db (277.2Hz)|||||||||A#/Bb (466.2Hz)|B (493.9Hz)"},
    TonicMenuCase{"equal 442", "442", "", 0, "C (262.8Hz)|||||||||A (442.0Hz)||B (496.1Hz)"},
    TonicMenuCase{"pythagorean C", "440", "Pythagorean", 0, "C (260.7Hz)|C#/Db (278.4Hz)|||||||||A#/Bb (463.5Hz)|"},
    TonicMenuCase{"pythagorean D", "440", "Pythagorean", 2, "|||D#/Eb (313.2Hz)||||||A (440.0Hz)|A#/Bb (469.9Hz)|"},
    TonicMenuCase{"pythagorean A#", "440", "Pythagorean", 10, "|C#/Db (274.7Hz)|||||||G#/Ab (412.0Hz)|A (440.0Hz)||"}),
    [](const auto &info) { return rowName(info.param.name); });

TEST_F(Readouts, SeparatorAndEqualTemperamentKeepTheTonic)
{
    startWithMicrophone();
    choose("mTuningPopUpButton", 2);
    choose("mTonicPopUpButton", 2);
    EXPECT_EQ(mController->tuning(), 1);
    popUp("mTuningPopUpButton")->setCurrentIndex(1);
    mController->tuningPopupChanged();
    EXPECT_EQ(mController->tuning(), 0) << "the separator means equal temperament";
    EXPECT_FALSE(popUp("mTonicPopUpButton")->isEnabled());
    EXPECT_EQ(mController->tonic(), 2);
    choose("mTuningPopUpButton", 2);
    EXPECT_TRUE(popUp("mTonicPopUpButton")->isEnabled());
    EXPECT_EQ(popUp("mTonicPopUpButton")->currentIndex(), 2) << "the kept tonic is used again";
}

struct TransposeCase {
    int transpose;
    const char *text;
    const char *note; // a concert A4 as the player of that instrument reads it
};
class Transposition : public Readouts, public ::testing::WithParamInterface<TransposeCase> {};

TEST_P(Transposition, SpellsTheWrittenNote)
{
    const TransposeCase &c = GetParam();
    startWithMicrophone();
    feedTone(440.0, 0.5);
    ASSERT_EQ(popUp("mTransposePopUpButton")->count(), 23);
    choose("mTransposePopUpButton", c.transpose + 11);
    EXPECT_EQ(mController->transpose(), c.transpose);
    EXPECT_EQ(text("mTransposeText"), QString::fromUtf8(c.text));
    EXPECT_EQ(readout().substr(0, readout().find(' ')), c.note);
}

INSTANTIATE_TEST_SUITE_P(Texts, Transposition, ::testing::Values(
    TransposeCase{-2, "C = A#/Bb (-2)", "B4"}, TransposeCase{3, "C = D#/Eb (+3)", "F♯4"},
    TransposeCase{-11, "C = C#/Db (-11)", "G♯5"}, TransposeCase{11, "C = B (+11)", "B♭3"},
    TransposeCase{-9, "C = D#/Eb (-9)", "F♯5"}, TransposeCase{0, "", "A4"}),
    [](const auto &info) {
        return (info.param.transpose < 0 ? "minus" : "plus") + std::to_string(std::abs(info.param.transpose));
    });

TEST_F(Readouts, SettingsSurviveARestart)
{
    addMicrophone("First");
    addMicrophone("Second");
    start();
    typeReference(QStringLiteral("442"));
    choose("mTuningPopUpButton", 3);
    choose("mTonicPopUpButton", 2);
    choose("mTransposePopUpButton", 9);
    choose("mInputDevicePopUpButton", 1);
    const QString device = popUp("mInputDevicePopUpButton")->currentText();
    showSettings(false);
    const int hiddenHeight = mController->window()->height();

    mController->window()->close();
    EXPECT_EQ(mQuitCount, 1) << "closing the window quits";
    QStringList stored;
    for (const char *key : {settings_keys::kReferencePitch, settings_keys::kTuning, settings_keys::kTonic,
                            settings_keys::kTranspose, settings_keys::kDisclosed, settings_keys::kInputDevice})
        stored << storedSettings()->value(QLatin1String(key)).toString();
    EXPECT_EQ(stored.join(QLatin1Char('|')), QStringLiteral("442|2|2|-2|false|") + device);
    finish();
    start();
    EXPECT_EQ(text("mReferencePitchText"), QLatin1String("442.0"));
    EXPECT_EQ(popUp("mTuningPopUpButton")->currentIndex(), 3);
    EXPECT_EQ(popUp("mTonicPopUpButton")->currentIndex(), 2);
    EXPECT_TRUE(popUp("mTonicPopUpButton")->isEnabled());
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
    startWithMicrophone();
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
    choose("mInputDevicePopUpButton", 1);
    EXPECT_EQ(mController->sampleRate(), 48000.0f);
    mDevice = high;
    feedTone(446.0, 1.0);
    EXPECT_EQ(text("mCentText"), QLatin1String("+23")) << "blocks must be cut and read at 48 kHz";

    mHardware->update(high, [](FakeAudioHardware::Device &d) { d.sampleRate = 96000.0; });
    mHardware->notify(high, 0, kAudioDevicePropertyStreamFormat);
    EXPECT_EQ(mController->sampleRate(), 96000.0f);
    feedTone(523.25, 1.0);
    EXPECT_EQ(readout(), "C5 ±0 g..");
}

TEST_F(Readouts, VolumeSliderSetsTheDeviceOnlyOnAChange)
{
    startWithMicrophone();
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
    slider->setValue(38); // the same percentage again writes nothing
    slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCoreApplication::processEvents();
    EXPECT_EQ(mHardware->log("setVolume").size(), 1u);
}

} // namespace
} // namespace quaverly::test
