// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"
#include "app/WindowFixture.h"
#include "widgets/SpokenReading.h"

#include <QAccessible>
#include <QLocale>
#include <QTest>

#include <cstdlib>

namespace quaverly::test {
namespace {

// ---- The spoken reading: what a screen reader resting on it is told, and when.

struct Step {
    double t;
    const char *note;
    int cents;
    bool input;
};

struct SpeechCase {
    const char *name;
    std::vector<Step> steps;
    const char *spoken;
    int changes = 0; // of the name after the first reading
};

class SpokenReadingTest : public ::testing::TestWithParam<SpeechCase> {};

TEST_P(SpokenReadingTest, SettlesBeforeSpeakingAndSpeaksAtMostOnceASecond)
{
    ensureQtApp();
    installTranslations(QLocale::system()); // as the controller does at start-up: English plurals
    SpokenReading reading;
    double now = 0.0;
    reading.setClock([&now] { return now; });
    // What a screen reader resting on it is told: each change of its name (Qt sends
    // NameChanged from setAccessibleName; offscreen there is no bridge to observe it).
    QString heard;
    int changes = -1; // the first reading is not a change
    for (const Step &s : GetParam().steps) {
        // Blocks come 14 times a second; each step holds its reading until the next one.
        for (; now <= s.t; now += 1.0 / 14.0) {
            reading.setReading(QString::fromUtf8(s.note), s.cents, std::abs(s.cents) <= 3, s.input);
            changes += reading.accessibleName() != heard;
            heard = reading.accessibleName();
        }
    }
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&reading);
    EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(GetParam().spoken));
    EXPECT_EQ(changes, GetParam().changes);
}

INSTANTIATE_TEST_SUITE_P(Rows, SpokenReadingTest, ::testing::Values(
    SpeechCase{.name = "SilenceReadsAsNoInput", .steps = {{0.0, "A4", 0, false}}, .spoken = "no input"},
    SpeechCase{.name = "InTuneToldWithoutCents", .steps = {{3.0, "E2", -2, true}}, .spoken = "E2, in tune"},
    // Accidentals as words.
    SpeechCase{.name = "FirstToneToldOnceSettled", .steps = {{0.0, "A4", 0, false}, {3.0, "B♭3", -12, true}},
               .spoken = "B flat 3, 12 cents flat", .changes = 1},
    SpeechCase{.name = "NoteHeldTooShortNotTold",
               .steps = {{2.0, "A4", 0, true}, {2.3, "A♯4", 30, true}, {4.0, "A4", 0, true}}, .spoken = "A4, in tune"},
    SpeechCase{.name = "FlappingNeverSettles",
               .steps = {{2.0, "A4", 0, true}, {2.05, "A♯4", 30, true}, {2.1, "A4", 20, true}, {2.15, "A♯4", 30, true},
                         {2.2, "A4", 20, true}, {2.25, "A♯4", 30, true}, {2.3, "A4", 0, true}}, .spoken = "A4, in tune"},
    SpeechCase{.name = "CentsJitterNotRetold",
               .steps = {{2.0, "A4", 23, true}, {3.0, "A4", 24, true}, {4.0, "A4", 22, true}}, .spoken = "A4, 23 cents sharp"},
    SpeechCase{.name = "CentsMovedWhileTuningTold", .steps = {{2.0, "A4", 23, true}, {4.0, "A4", 12, true}},
               .spoken = "A4, 12 cents sharp", .changes = 1},
    SpeechCase{.name = "ShortDropOutNotTold",
               .steps = {{2.0, "A4", 0, true}, {2.2, "A4", 0, false}, {4.0, "A4", 0, true}}, .spoken = "A4, in tune"},
    SpeechCase{.name = "SecondChangeInASecondWaits",
               .steps = {{1.0, "A4", 0, true}, {1.8, "A4", 20, true}, {2.4, "A4", -20, true}}, .spoken = "A4, 20 cents sharp",
               .changes = 1},
    SpeechCase{.name = "WaitingChangeToldAfterASecond",
               .steps = {{1.0, "A4", 0, true}, {1.8, "A4", 20, true}, {3.5, "A4", -20, true}}, .spoken = "A4, 20 cents flat",
               .changes = 2}), kRowName);

// ---- The real window, offscreen, after a 446 Hz tone: names, roles and values (the captions of
// controls without a value and the reading are the real screen reader's, screen_reader.sh).

struct Control {
    const char *name;
    const char *accessibleName;
    QAccessible::Role role;
    const char *value; // nullptr: not checked
};

class WindowAccessibilityTest : public Window {
protected:
    void SetUp() override
    {
        addMicrophone("Microphone");
        start();
        feedTone(446.0, 3.0);
    }
    QAccessibleInterface *iface(const char *name) const
    {
        auto *w = mController->window()->findChild<QWidget *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    }
};

TEST_F(WindowAccessibilityTest, ControlsAreNamedByTheirCaptionsAndCarryTheirValues)
{
    const Control controls[] = {
        {"mReferencePitchText", "A4 reference", QAccessible::EditableText, "440.0"},
        {"mReferencePitchStepper", "A4 reference stepper", QAccessible::SpinBox, "440.0 Hz"},
        {"mTuningPopUpButton", "Temperament", QAccessible::ComboBox, "Equal Temperament"},
        {"mTonicPopUpButton", "Tonic", QAccessible::ComboBox, "C (261.6Hz)"},
        {"mTransposePopUpButton", "Transposition", QAccessible::ComboBox, "0 (C: concert pitch)"},
        {"mInputVolumeSlider", "Input volume", QAccessible::Slider, "50"},
        {"mTuningMeterView", "Tuning meter", QAccessible::Slider, "+23 cents"},
        {"mInTuneDot", "In tune, off", QAccessible::Graphic, nullptr},
        {"mSharpDot", "Sharp, on", QAccessible::Graphic, nullptr},
        {"mStrobeView", "Strobe, showing a tone", QAccessible::Animation, nullptr},
    };
    for (const Control &c : controls) {
        QAccessibleInterface *i = iface(c.name);
        ASSERT_NE(i, nullptr) << c.name;
        EXPECT_EQ(i->text(QAccessible::Name), QString::fromUtf8(c.accessibleName)) << c.name;
        EXPECT_EQ(i->role(), c.role) << c.name;
        if (c.value) {
            EXPECT_EQ(i->text(QAccessible::Value), QString::fromUtf8(c.value)) << c.name;
        }
    }
    EXPECT_DOUBLE_EQ(iface("mTuningMeterView")->valueInterface()->currentValue().toDouble(), 23.0);
    EXPECT_DOUBLE_EQ(iface("mReferencePitchStepper")->valueInterface()->currentValue().toDouble(), 440.0);
}

TEST_F(WindowAccessibilityTest, ActionsActAsTheUserWould)
{
    QAccessibleInterface *triangle = iface("mDisclosureButton");
    const QImage open = widget("mDisclosureButton")->grab().toImage();
    EXPECT_TRUE(triangle->state().expanded);
    triangle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(widget("mReferencePitchText")->focusPolicy(), Qt::NoFocus) << "the press must reach the controller";
    EXPECT_TRUE(triangle->state().collapsed);
    EXPECT_NE(widget("mDisclosureButton")->grab().toImage(), open) << "the triangle did not turn";
}

TEST_F(WindowAccessibilityTest, TabReachesEveryEnabledControlInOrderAndShowsTheFocus)
{
    QApplication::setActiveWindow(mController->window());
    auto *reading = mController->window()->findChild<QWidget *>(QStringLiteral("mSpokenReading"));
    reading->setFocus(Qt::TabFocusReason);
    QStringList visited;
    std::vector<std::pair<QWidget *, QImage>> focused;
    for (QWidget *w = reading; w && visited.size() < 12; w = QApplication::focusWidget()) {
        visited << w->objectName();
        if (visited.size() > 1 && w == reading)
            break;
        focused.emplace_back(w, w->grab().toImage());
        QTest::keyClick(w, Qt::Key_Tab);
    }
    // The tonic pop-up is disabled in equal temperament.
    EXPECT_EQ(visited.join(QLatin1Char(' ')).toStdString(),
              "mSpokenReading mDisclosureButton mReferencePitchText mReferencePitchStepper mTuningPopUpButton "
              "mTransposePopUpButton mInputDevicePopUpButton mInputVolumeSlider mSpokenReading");
    reading->clearFocus();
    for (const auto &[w, image] : focused)
        EXPECT_NE(w->grab().toImage(), image) << w->objectName().toStdString() << " shows no focus";
    const QImage unfocused = reading->grab().toImage();
    reading->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(reading->grab().toImage(), unfocused) << "a click shows the keyboard's focus frame";
}

} // namespace
} // namespace quaverly::test
