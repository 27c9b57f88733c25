// SPDX-License-Identifier: GPL-3.0-or-later
// The reference tools in the window: A4 from the played note, the reference
// tone's note and stop, temperaments imported from Scala files.
#include "app/WindowFixture.h"
#include "app/Settings.h"
#include "cli/AnalyzerProcess.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTest>

#include <fstream>

namespace quaverly::test {
namespace {

struct FromNoteRow {
    const char *name;
    const char *typed;       // the reference before
    const char *temperament; // "" for equal temperament
    int tonic;
    std::vector<std::pair<double, double>> tones; // hz (0: silence), seconds
    const char *expected;    // the reference after; "" when the command is disabled
};
class ReferenceFromNote : public Window, public ::testing::WithParamInterface<FromNoteRow> {};

TEST_P(ReferenceFromNote, MakesTheSteadyNoteReadZeroOrIsDisabled)
{
    const FromNoteRow &row = GetParam();
    addMicrophone();
    start();
    auto *reference = widget<QLineEdit>("mReferencePitchText");
    reference->setText(QString::fromLatin1(row.typed));
    reference->setModified(true);
    emit reference->editingFinished();
    if (*row.temperament != '\0') {
        const int item = widget<QComboBox>("mTuningPopUpButton")->findText(QString::fromLatin1(row.temperament));
        ASSERT_GE(item, 2) << row.temperament;
        choose("mTuningPopUpButton", item);
        choose("mTonicPopUpButton", row.tonic);
    }
    for (const auto &[hz, seconds] : row.tones)
        feedTone(hz, seconds, hz > 0.0 ? 0.5 : 0.0);
    QAction *command = mController->window()->findChild<QAction *>(QStringLiteral("actionReferenceFromNote"));
    ASSERT_NE(command, nullptr);
    if (*row.expected == '\0') {
        EXPECT_FALSE(command->isEnabled()) << "enabled without a steady reading";
        command->trigger();
        EXPECT_EQ(text("mReferencePitchText"), QString::fromLatin1(row.typed)) << "changed without a steady reading";
        return;
    }
    ASSERT_TRUE(command->isEnabled()) << "disabled on a steady note: " << note().toStdString();
    command->trigger();
    const QString expected = QString::fromLatin1(row.expected);
    EXPECT_EQ(text("mReferencePitchText"), expected);
    EXPECT_TRUE(widget<QComboBox>("mTonicPopUpButton")->itemText(9).contains(expected)) << "the tonic menu did not follow";
    if (expected != QStringLiteral("499.9")) {
        EXPECT_EQ(text("mCentText"), QStringLiteral("±0")) << "the played note is not in tune now";
    }
    finish();
    EXPECT_FLOAT_EQ(settings()->value(QLatin1String(settings_keys::kReferencePitch)).toFloat(), expected.toFloat());
}

INSTANTIATE_TEST_SUITE_P(Readings, ReferenceFromNote, ::testing::Values(
    FromNoteRow{"EqualSharpA", "440", "", 0, {{443.0, 1.0}}, "443.0"},
    FromNoteRow{"EqualFlatE5", "440", "", 0, {{651.72, 1.0}}, "434.9"},
    FromNoteRow{"KirnbergerOnDPlayingF4", "440", "Kirnberger III", 2, {{350.0, 1.0}}, "441.6"},
    FromNoteRow{"ClampedHigh", "499", "", 0, {{510.0, 1.0}}, "499.9"},
    FromNoteRow{"NothingRead", "440", "", 0, {}, ""},
    FromNoteRow{"TooShortToBeSteady", "440", "", 0, {{443.0, 0.3}}, ""},
    FromNoteRow{"NoteChangedRecently", "440", "", 0, {{443.0, 1.0}, {470.0, 0.3}}, ""},
    FromNoteRow{"SilenceAfterTheNote", "440", "", 0, {{443.0, 1.0}, {0.0, 0.5}}, ""}), kRowName);

// Kirnberger III on D: D4 = 440 / 1.4953488 = 294.245 Hz, F4 = D4 x 1.1851852 = 348.735 Hz, so
// F4 played at 350 Hz (a whole period of 126 samples, read exactly) reads 0 cents under
// A4 = 350 x 440 / 348.735 = 441.6 Hz.

// The tone plays the note on screen (A4 before any reading) at its ideal
// frequency, follows a change of reference and steps, and blocks A4-from-note.
TEST_F(Window, ReferenceToneHoldsItsNoteAndFollowsTheReference)
{
    addMicrophone();
    start();
    QAction *tone = mController->window()->findChild<QAction *>(QStringLiteral("actionReferenceTone"));
    // What a screen reader is told: the menu item checked, the window playing.
    const auto announced = [&] {
        QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(widget<QMenu>("mTunerMenu"));
        for (int i = 0; menu && i < menu->childCount(); ++i)
            if (menu->child(i)->text(QAccessible::Name).startsWith(QStringLiteral("Play Reference")))
                return (menu->child(i)->state().checked ? QStringLiteral("checked ") : QString())
                    + QAccessible::queryAccessibleInterface(mController->window())->text(QAccessible::Description);
        return QStringLiteral("no menu item");
    };
    tone->trigger();
    ASSERT_TRUE(tone->isChecked());
    EXPECT_EQ(announced(), QStringLiteral("checked Reference tone playing: A4, 440.0Hz"));
    EXPECT_EQ(mController->toneNote(), 57);
    EXPECT_FLOAT_EQ(mController->toneFrequency(), 440.0f);
    tone->trigger();
    EXPECT_FALSE(tone->isChecked());
    EXPECT_EQ(announced(), QString());
    const std::vector<float> fading = mHardware->renderOutput(4800, 48000.0f);
    ASSERT_EQ(fading.size(), 4800u) << "cut off without a fade";
    EXPECT_EQ(fading.back(), 0.0f) << "not faded out within 0.1 s";
    EXPECT_TRUE(QTest::qWaitFor([&] { return mHardware->renderOutput(1, 48000.0f).empty(); }, 2000))
        << "the stream was never stopped";
    feedTone(329.63, 1.0); // E4
    tone->trigger();
    EXPECT_EQ(mController->toneNote(), 52) << "not the note on screen";
    feedTone(443.0, 1.0);
    EXPECT_EQ(mController->toneNote(), 52) << "the tone followed the reading";
    EXPECT_FALSE(mController->window()->findChild<QAction *>(QStringLiteral("actionReferenceFromNote"))->isEnabled())
        << "A4 from the note is offered while the tone plays";
    mController->window()->findChild<QAction *>(QStringLiteral("actionToneUp"))->trigger();
    choose("mTuningPopUpButton", widget<QComboBox>("mTuningPopUpButton")->findText(QStringLiteral("Pythagorean")));
    EXPECT_NEAR(mController->toneFrequency(), 347.654f, 0.01f) << "F4, Pythagorean on C";
    const std::vector<float> samples = mHardware->renderOutput(4800, 48000.0f);
    ASSERT_EQ(samples.size(), 4800u);
    EXPECT_LE(*std::ranges::max_element(samples), 0.3f) << "too loud";
    EXPECT_LE(std::abs(samples.front()), 0.01f) << "does not fade in";
    finish();
    EXPECT_TRUE(mHardware->renderOutput(64, 48000.0f).empty()) << "the tone outlived the window";
}

// ---- Temperaments imported from Scala files.

const char *const kJustScl = "! just.scl\nPythagorean\n 12\n16/15\n9/8\n6/5\n5/4\n4/3\n45/32\n3/2\n8/5\n5/3\n9/5\n15/8\n2/1\n";

class Imported : public Window {
protected:
    std::string scl(const std::string &name, const std::string &text)
    {
        const std::string path = mDir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path) << text;
        return path;
    }
    QString import(const std::string &path) { return mController->importTemperamentFile(QString::fromStdString(path)); }
    QStringList rows() const
    {
        QStringList titles;
        auto *popUp = widget<QComboBox>("mTuningPopUpButton");
        for (int i = 2; i < popUp->count(); ++i)
            titles << popUp->itemText(i);
        return titles;
    }
    QString chosen() const { return widget<QComboBox>("mTuningPopUpButton")->currentText(); }
};

// Laid on D after a restart, the window's ideal frequency is the analyzer's
// for the same file with --scala, note after note; the shipped name stays apart.
TEST_F(Imported, SurvivesARestartAndGivesTheIdealFrequenciesOfItsRatios)
{
    addMicrophone("Microphone", 48000.0);
    start();
    const std::string file = scl("just.scl", kJustScl);
    ASSERT_EQ(import(file), QString());
    const QStringList before = rows();
    EXPECT_EQ(before.back(), QStringLiteral("Pythagorean (imported)")) << "collides with the shipped row";
    EXPECT_TRUE(before.contains(QStringLiteral("Pythagorean")));
    const QString tip = widget<QComboBox>("mTuningPopUpButton")->itemData(before.size() + 1, Qt::ToolTipRole).toString();
    EXPECT_EQ(tip.section(u'\n', 0, 0),
              QStringLiteral("cents = (15.641, 27.373, 19.551, 31.283, 1.955, 13.686, 5.865, 17.596, 29.328, 0.000, "
                             "33.238, 3.910)"));
    choose("mTonicPopUpButton", 2);
    finish();
    std::remove(file.c_str()); // the copy is what counts
    start();
    ASSERT_EQ(chosen(), QStringLiteral("Pythagorean (imported)")) << "the choice was not kept";
    ASSERT_EQ(widget<QComboBox>("mTonicPopUpButton")->currentIndex(), 2);
    const std::string copy = scl("again.scl", kJustScl);
    // D4 = 440 / (3/2); F4 = D4 x 6/5; A4 = 440; B4 = D4 x 5/3.
    for (const auto &[hz, ideal] : {std::pair{293.0, "293.3Hz"}, {350.0, "352.0Hz"}, {445.0, "440.0Hz"}, {500.0, "488.9Hz"}}) {
        TempDir dir;
        writeSound(dir.file("t.wav"), sine(hz, 48000, 0.6), 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        const AnalyzerRun run = runAnalyzer({"--scala", copy, "--tonic", "2", dir.file("t.wav")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> last = split(split(run.out).back(), ',');
        feedTone(hz, 0.6);
        EXPECT_EQ(text("mIdealFrequencyText"), QString::fromLatin1(ideal)) << hz << " Hz";
        EXPECT_EQ(text("mIdealFrequencyText"), QString::asprintf("%.1fHz", QString::fromStdString(last.at(7)).toDouble())) << hz << " Hz, analyzer";
    }
    ASSERT_TRUE(mController->removeImportedTemperament(chosen()));
    EXPECT_EQ(chosen() + (widget("mTonicPopUpButton")->isEnabled() ? " on a tonic" : ""), QStringLiteral("Equal Temperament"));
}

// Removing one import keeps the choice of another; a chosen import whose copy
// is gone falls back to equal temperament with a message; a refused file and
// a second import under a taken name change nothing.
TEST_F(Imported, ChoiceKeepsItsMeaningAndRefusalsLoseNothing)
{
    addMicrophone();
    start();
    // Named as the first row in other letters: kept apart like the shipped ones.
    ASSERT_EQ(import(scl("a.scl", "equal TEMPERAMENT\n12\n" + std::string(kJustScl).substr(27))), QString());
    ASSERT_EQ(import(scl("b.scl", "Beta\n12\n" + std::string(kJustScl).substr(27))), QString());
    EXPECT_EQ(chosen(), QStringLiteral("Beta")) << "an import is not chosen";
    EXPECT_EQ(import(scl("bad.scl", "Bad\n12\n1/0\n")), QStringLiteral("bad.scl cannot be imported: line 3: the ratio \"1/0\" is not positive"));
    EXPECT_EQ(import(scl("b2.scl", "Beta\n12\n" + std::string(kJustScl).substr(27))),
              QStringLiteral("b2.scl cannot be imported: a temperament named “Beta” is imported already; remove it first."));
    ASSERT_TRUE(mController->removeImportedTemperament(QStringLiteral("equal TEMPERAMENT (imported)")));
    EXPECT_EQ(chosen(), QStringLiteral("Beta")) << "the choice moved to another row";
    finish();
    start();
    EXPECT_EQ(rows().back(), QStringLiteral("Beta"));
    EXPECT_EQ(rows().filter(QStringLiteral("imported")), QStringList()) << "the removed import came back";
    EXPECT_EQ(chosen(), QStringLiteral("Beta"));
    finish();
    const QString copies = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/temperaments");
    ASSERT_TRUE(copies.startsWith(mDir.path())) << copies.toStdString();
    ASSERT_TRUE(QDir(copies).removeRecursively());
    start();
    EXPECT_EQ(widget<QComboBox>("mTuningPopUpButton")->currentIndex(), 0) << "a missing import pointed at another row";
    const auto boxes = mController->window()->findChildren<QMessageBox *>();
    ASSERT_EQ(boxes.size(), 1) << "no message about the missing temperament";
    EXPECT_TRUE(boxes.front()->text().contains(QStringLiteral("“Beta”"))) << boxes.front()->text().toStdString();
}

} // namespace
} // namespace quaverly::test
