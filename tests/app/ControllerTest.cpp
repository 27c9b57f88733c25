// SPDX-License-Identifier: GPL-3.0-or-later
// Tests read what the user sees: start-up, choices kept between runs, the look
// without input, after every block the reading the analyzer prints, and the settings file.
#include "app/WindowFixture.h"
#include "app/Settings.h"
#include "cli/AnalyzerProcess.h"
#include "display/StrobeView.h"
#include "display/TuningMeterView.h"
#include "widgets/DisclosureButton.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <thread>

namespace quaverly::test {
namespace {

// Choices made on the first run, each control at its edges: after a restart every pop-up, the
// disclosure and the window's height are as they were, and the texts read as `shown`.
struct ChoiceRow {
    const char *name;
    const char *reference;     // typed
    std::vector<int> tunings;  // pop-up items chosen in turn; -1: the last
    int tonic, transpose, input; // pop-up items
    bool disclosed;
    const char *shown; // reference and transposition
};
class Restart : public Window, public ::testing::WithParamInterface<ChoiceRow> {};

TEST_P(Restart, FirstRunShowsTheReferenceNoteAndChoicesSurvive)
{
    const ChoiceRow &row = GetParam();
    addMicrophone("First");
    addMicrophone("Second");
    start();
    EXPECT_EQ(note() + text("mFrequencyText") + text("mIdealFrequencyText") + text("mFrequencyDiffText") +
              text("mLevelText"), u("A4 ±0440.0Hz440.0Hz±0.0Hz-96dB"));
    EXPECT_EQ(dotsAndLamps(), u("g.........."));
    EXPECT_FALSE(widget("mTonicPopUpButton")->isEnabled());
    auto *reference = widget<QLineEdit>("mReferencePitchText");
    reference->setText(u(row.reference));
    reference->setModified(true);
    emit reference->editingFinished();
    for (int item : row.tunings)
        choose("mTuningPopUpButton", item < 0 ? widget<QComboBox>("mTuningPopUpButton")->count() - 1 : item);
    choose("mTonicPopUpButton", row.tonic);
    choose("mTransposePopUpButton", row.transpose);
    choose("mInputDevicePopUpButton", row.input);
    widget<DisclosureButton>("mDisclosureButton")->setState(row.disclosed ? 1 : 0);
    mController->disclosureButton();
    EXPECT_EQ(widget("mTonicPopUpButton")->isEnabled(), widget<QComboBox>("mTuningPopUpButton")->currentIndex() != 0)
        << "a tonic is chosen for a historical temperament only";
    const auto chosen = [&] {
        QString s = widget("mTonicPopUpButton")->isEnabled() ? u("tonic") : u("fixed");
        for (const char *popUp : {"mTuningPopUpButton", "mTonicPopUpButton", "mTransposePopUpButton", "mInputDevicePopUpButton"})
            s += ' ' + QString::number(widget<QComboBox>(popUp)->currentIndex());
        return s + ' ' + QString::number(mController->window()->height());
    };
    const QString before = chosen();
    const std::size_t stops = mHardware->log("stop").size();
    mController->window()->hide();
    mController->window()->close();
    EXPECT_EQ(mQuitCount, 1) << "closing the window does not quit";
    EXPECT_EQ(mHardware->log("stop").size(), stops + 1) << "capture not stopped once on hiding";
    finish();
    start();
    EXPECT_EQ(text("mReferencePitchText") + ' ' + text("mTransposeText"), u(row.shown));
    EXPECT_EQ(chosen(), before);
    EXPECT_EQ(mHardware->log("start").back(), "start " + std::to_string(row.input + 1));
}

INSTANTIATE_TEST_SUITE_P(Choices, Restart, ::testing::Values(
    ChoiceRow{.name = "Middle", .reference = "442", .tunings = {3}, .tonic = 2, .transpose = 9, .input = 1, .disclosed = false,
              .shown = "442.0 C = A#/Bb (-2)"},
    ChoiceRow{.name = "Lowest", .reference = "349", .tunings = {3, 0}, .tonic = 0, .transpose = 0, .input = 0, .disclosed = false,
              .shown = "349.0 C = C#/Db (-11)"},
    ChoiceRow{.name = "Highest", .reference = "499.9", .tunings = {-1}, .tonic = 11, .transpose = 22, .input = 1, .disclosed = true,
              .shown = "499.9 C = B (+11)"}), kRowName);

// The Tuner menu's note names reach every text that names a note, and are kept.
TEST_F(Window, NoteNamesReachEveryTextThatNamesANoteAndSurviveARestart)
{
    addMicrophone();
    start();
    const auto name = [&](const char *action) { mController->window()->findChild<QAction *>(QLatin1String(action))->trigger(); };
    const auto shown = [&] { return text("mNoteText") + text("mAccidentalText") + text("mOctaveText"); };
    const auto spoken = [&] { return widget("mSpokenReading")->accessibleName(); };
    name("actionNamesSolfege");
    feedTone(392.0, 2.0);
    EXPECT_EQ(shown() + ' ' + spoken().section(u',', 0, 0), u("Sol4 Sol4"));
    feedTone(466.16, 2.0);
    EXPECT_EQ(shown() + ' ' + spoken(), u("Si\u266D4 Si flat 4, in tune"));
    EXPECT_EQ(widget<QComboBox>("mTonicPopUpButton")->itemText(10).section(u' ', 0, 0), u("La#/Sib"));
    EXPECT_EQ(widget<QComboBox>("mTransposePopUpButton")->itemText(9), u("\u22122 (Si\u266D: clarinet, trumpet, soprano sax)"));
    EXPECT_EQ(text("mReferenceCaption"), u("La4 reference"));
    EXPECT_TRUE(widget<QComboBox>("mTuningPopUpButton")->itemData(2, Qt::ToolTipRole).toString().contains(u("Si\u266D ")));
    name("actionNamesGerman");
    choose("mTransposePopUpButton", 9);
    EXPECT_EQ(shown() + ' ' + text("mTransposeText"), u("C5 C = A#/B (-2)")) << "a sounding B\u266D is a written C";
    choose("mTransposePopUpButton", 10);
    EXPECT_EQ(shown(), u("H4")) << "B natural is H";
    finish();
    start();
    EXPECT_TRUE(mController->window()->findChild<QAction *>(QStringLiteral("actionNamesGerman"))->isChecked());
    const auto item = [&](int i) { return widget<QComboBox>("mTransposePopUpButton")->itemText(i); };
    // A tritone either way is named both ways.
    EXPECT_EQ(text("mTransposeText") + ' ' + item(0) + ' ' + item(5) + ' ' + item(17),
              u("C = H (-1) \u221211 (C\u266F) \u22126 (F\u266F/G\u266D) +6 (F\u266F/G\u266D)"));
}

TEST_F(Window, NoInputDeviceAlertsThenTerminatesAndForgetsTheDevice)
{
    settings()->setValue(QLatin1String(settings_keys::kInputDevice), QStringLiteral("Gone : Mic"));
    QString alert;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no alert is shown";
        alert = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    start();
    EXPECT_EQ(alert, u("Sorry, Quaverly cannot run without an audio input device."));
    EXPECT_EQ(mQuitCount, 1);
    EXPECT_FALSE(settings()->contains(QLatin1String(settings_keys::kInputDevice)));
}

// No input: nothing on the face claims a reading (the return on real servers is
// the pulse test's).
TEST_F(Window, NoInputLooksCalmWhenTheDeviceGoesOrBlocksStop)
{
    addMicrophone();
    start();
    const auto expectNoInput = [&] {
        EXPECT_EQ(note() + text("mFrequencyText") + text("mFrequencyDiffText") + text("mIdealFrequencyText") +
                  text("mLevelText"), u("– no input––––dB"));
        EXPECT_EQ(dotsAndLamps(), u("..........."));
        EXPECT_TRUE(std::isnan(widget<TuningMeterView>("mTuningMeterView")->cent())) << "the needle is drawn";
        EXPECT_EQ(widget<StrobeView>("mStrobeView")->data(), nullptr) << "the strobe shows bars";
    };
    feedTone(446.0, 0.5, 0.9);
    EXPECT_EQ(note() + ' ' + dotsAndLamps(), u("A4 +23 b.rgggggggy"));
    // Nobody says the source is gone, but blocks stop coming.
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("mCentText") == u("no input"); }, 5000))
        << "a capture without blocks kept its last reading";
    expectNoInput();
    feedTone(446.0, 0.3);
    EXPECT_EQ(note(), u("A4 +23"));
    // Unplugged, told from the device's own thread as a device does.
    std::thread([&] {
        mHardware->update(mDevice, [&](FakeAudioHardware::Device &d) { d.alive = false; });
        mHardware->notify(mDevice, 0, kAudioDevicePropertyDeviceIsAlive);
    }).join();
    EXPECT_EQ(note(), u("A4 +23")) << "the window was changed off the main thread";
    QCoreApplication::processEvents();
    expectNoInput();
}

// One recording through the window and through quaverly-analyze: after every
// block the window shows what the analyzer prints for it, with the detection
// chosen in the Tuner menu (and, after a restart, the one kept).
enum class Chosen { Classic, Precise, PreciseKept };
struct RecordingRow {
    const char *name, *file;
    Chosen chosen;
};
class WindowAndAnalyzer : public Window, public ::testing::WithParamInterface<RecordingRow> {};

TEST_P(WindowAndAnalyzer, ShowTheSameReadingAfterEveryBlock)
{
    const Chosen chosen = GetParam().chosen;
    const std::string path = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/" + GetParam().file;
    SF_INFO info{};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << "missing test data: " << path;
    ASSERT_EQ(info.channels, 1);
    std::vector<float> samples(static_cast<std::size_t>(info.frames));
    EXPECT_EQ(sf_readf_float(file, samples.data(), info.frames), info.frames);
    sf_close(file);

    const AnalyzerRun run = runAnalyzer({path, "--detector", chosen == Chosen::Classic ? "classic" : "precise"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> rows = split(run.out);
    rows.erase(rows.begin()); // the heading

    addMicrophone("Microphone", info.samplerate);
    start();
    if (chosen != Chosen::Classic)
        widget<QAction>("actionPreciseDetection")->trigger();
    if (chosen == Chosen::PreciseKept) {
        mController->window()->close();
        finish();
        start();
    }
    ASSERT_EQ(widget<QAction>("actionPreciseDetection")->isChecked(), chosen != Chosen::Classic)
        << "the check mark is not on the method in use";
    const auto hzText = [](const std::string &hz) { return QString::asprintf("%.1fHz", QString::fromStdString(hz).toDouble()); };
    const auto centText = [](const std::string &c) { return c == "0" ? u("±0") : QString::asprintf("%+d", std::stoi(c)); };
    std::size_t block = 0;
    feed(samples, 512, [&] {
        ASSERT_LT(block, rows.size()) << "the window cut more blocks than the analyzer";
        const std::vector<std::string> f = split(rows[block], ',');
        // block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz
        EXPECT_EQ(note() + ' ' + text("mIdealFrequencyText") + ' ' + text("mFrequencyText"),
                  QString::fromStdString(f[5]) + ' ' + centText(f[6]) + ' ' + hzText(f[7]) + ' ' + hzText(f[4]))
            << "block " << block;
        ++block;
    });
    EXPECT_EQ(block, rows.size()) << "blocks shown by the window";
}

INSTANTIATE_TEST_SUITE_P(Recordings, WindowAndAnalyzer, ::testing::Values(
    RecordingRow{"PianoClassic", "acoustic_grand_piano_C4_+5c_48k.flac", Chosen::Classic},
    RecordingRow{"CelloClassic", "cello_E2_+0c_44k.flac", Chosen::Classic},
    RecordingRow{"PianoPrecise", "acoustic_grand_piano_C4_+5c_48k.flac", Chosen::Precise},
    RecordingRow{"CelloPreciseKeptAfterRestart", "cello_E2_+0c_44k.flac", Chosen::PreciseKept}), kRowName);

// ---- The settings file: one bad value under one key falls back alone; a failed save is reported.

// Reference|tuning|tonic|transpose|disclosed|device|names|detection, "-" for nothing usable stored.
std::string describe(const SettingsValues &v)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
        .arg(double(v.referencePitch), 0, 'g', 6).arg(v.tuning).arg(v.tonic).arg(v.transpose)
        .arg(QLatin1String(v.disclosed ? (*v.disclosed ? "true" : "false") : "-"), v.inputDevice.value_or("-"),
             QLatin1String(noteNamingKey(v.noteNaming).data()),
             QLatin1String(v.detection == Detection::Precise ? "precise" : "classic"))
        .toStdString();
}

// One bad value under one key beside good ones: that key falls back, the others are read.
// No text: the key is absent, as in files from before it existed.
struct StoredValueCase {
    const char *key, *text;
    std::uint64_t temperamentCount;
    const char *expected;
};
class StoredValue : public ::testing::TestWithParam<StoredValueCase> {};
using namespace settings_keys;

TEST_P(StoredValue, FallsBackForThatKeyOnly)
{
    const StoredValueCase &c = GetParam();
    QByteArray text = "[General]\n";
    for (const auto &[key, value] : {std::pair{kReferencePitch, "441"}, {kTuning, "1"}, {kTonic, "4"}, {kTranspose, "3"},
                                     {kDisclosed, "false"}, {kInputDevice, "Dev : Mic"}, {kNoteNames, "german"},
                                     {kDetection, "precise"}})
        if (std::string(key) != c.key || c.text)
            text += QByteArray(key) + '=' + (std::string(key) == c.key ? c.text : value) + '\n';
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Quaverly.conf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    QSettings store(file.fileName(), QSettings::IniFormat);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(describe(readSettings(store, c.temperamentCount)), c.expected) << c.key << " = " << (c.text ? c.text : "(absent)");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "a file that parses was reported as damaged";
}

INSTANTIATE_TEST_SUITE_P(Garbage, StoredValue, ::testing::Values(
    StoredValueCase{kReferencePitch, "abc", 8, "440|1|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kReferencePitch, "inf", 8, "440|1|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kReferencePitch, "0", 8, "440|1|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kReferencePitch, "440, 442", 8, "440|1|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kReferencePitch, "415.3", 8, "415.3|1|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kTuning, "3", 3, "441|3|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kTuning, "4", 3, "441|0|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kTuning, "1.5", 8, "441|0|4|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kTonic, "12", 8, "441|1|11|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kTonic, "1e1", 8, "441|1|0|3|false|Dev : Mic|german|precise"},
    StoredValueCase{kTranspose, "-40", 8, "441|1|4|-11|false|Dev : Mic|german|precise"},
    StoredValueCase{kTranspose, "1, 2", 8, "441|1|4|0|false|Dev : Mic|german|precise"},
    StoredValueCase{kDisclosed, "maybe", 8, "441|1|4|3|-|Dev : Mic|german|precise"},
    StoredValueCase{kInputDevice, "a, b", 8, "441|1|4|3|false|-|german|precise"},
    StoredValueCase{kNoteNames, "latin", 8, "441|1|4|3|false|Dev : Mic|english|precise"},
    StoredValueCase{kNoteNames, " Solfege", 8, "441|1|4|3|false|Dev : Mic|solfege|precise"},
    StoredValueCase{kNoteNames, nullptr, 8, "441|1|4|3|false|Dev : Mic|english|precise"},
    StoredValueCase{kDetection, "oboe", 8, "441|1|4|3|false|Dev : Mic|german|classic"},
    StoredValueCase{kDetection, nullptr, 8, "441|1|4|3|false|Dev : Mic|german|classic"}),
    [](const auto &info) { // the key's name and the stored text, letters and digits only
        QString name = QString::fromLatin1(info.param.key).section(u'.', 1).chopped(3) + u'_';
        for (const QChar c : QString::fromLatin1(info.param.text ? info.param.text : "absent"))
            name += c.isLetterOrNumber() ? c : u'_';
        return name.toStdString();
    });

TEST(SettingsStore, UnwritableStoreIsReportedNotClaimedSaved)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    QSettings store(blocker.fileName() + QStringLiteral("/Quaverly.conf"), QSettings::IniFormat);
    EXPECT_FALSE(writeSettings(store, SettingsValues{}));
}

} // namespace
} // namespace quaverly::test
