// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalyzerProcess.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>

namespace quaverly::test {
namespace {

constexpr const char *kHeader = "block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz";
constexpr int kFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
// A whole-sample period reads exactly: 10.29 cents above Pythagorean C4.
constexpr double kExactC4 = 48000.0 / 183.0;

// What the window shows before and after the tones: the first row's note, then the last row's
// note, cents and ideal Hz; with --summary, the file's line (the file name as given).
struct ShownRow {
    const char *name;
    std::vector<std::pair<double, double>> tones; // hz (0: silence), seconds
    std::vector<std::string> args; // the last one names the sound file
    const char *shown;
};
class AnalyzeShown : public ::testing::TestWithParam<ShownRow> {};

TEST_P(AnalyzeShown, PrintsWhatTheWindowShows)
{
    TempDir dir;
    std::vector<float> samples;
    for (const auto &[hz, seconds] : GetParam().tones)
        samples = sine(hz, 48000, seconds, 0.5, samples);
    std::vector<std::string> arguments = GetParam().args;
    writeSound(arguments.back() = dir.file(arguments.back()), samples, 48000, kFloat);
    const AnalyzerRun run = runAnalyzer(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> rows = split(run.out), last = split(rows.back(), ',');
    const std::string folder = dir.path().toStdString() + '/';
    if (arguments.front() == "--summary")
        EXPECT_EQ(rows.back().replace(rows.back().find(folder), folder.size(), ""), GetParam().shown);
    else
        EXPECT_EQ(split(rows.at(1), ',').at(5) + " | " + last.at(5) + ' ' + last.at(6) + ' ' + last.at(7), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Readings, AnalyzeShown, ::testing::Values(
    ShownRow{.name = "HighestReference", .tones = {{499.9, 1.0}}, .args = {"--reference", "499.9", "t.wav"}, .shown = "A4 | A4 0 499.899994"},
    ShownRow{.name = "BFlatInstrument", .tones = {{233.08, 1.0}}, .args = {"--transpose", "-2", "t.wav"},
             .shown = "C4 | C4 0 233.081879"},
    ShownRow{.name = "TemperamentInAnyCase", .tones = {{kExactC4, 1.0}}, .args = {"--temperament", "pYTHAGOREAN", "t.wav"},
             .shown = "C4 | C4 10 260.740753"},
    // Accepted but below A0: the last note stays.
    ShownRow{.name = "BelowA0KeepsLastNote", .tones = {{344.612, 0.5}, {27.0, 1.5}}, .args = {"--reference", "460", "t.wav"},
             .shown = "E4 | E4 0 344.610626"},
    ShownRow{.name = "SummaryQuotesTheFileName", .tones = {{442.0, 1.0}}, .args = {"--summary", "--reference", "442", "a,\"b\".wav"},
             .shown = "\"a,\"\"b\"\".wav\",13,13,A4,13,0,442.020935"}),
    [](const auto &info) { return std::string(info.param.name); });

// A recorded B flat in each naming: German calls it B, solfège Si♭; nothing but the note
// column changes, and naming nothing is English.
TEST(AnalyzeNames, NameOnlyTheNoteColumnInTheChosenConvention)
{
    const std::string file = QUAVERLY_SOURCE_DIR "/resources/samples/trumpet_Bb4.wav", flat = "B\u266D4";
    const std::string english = runAnalyzer({"--summary", file}).out;
    ASSERT_NE(english.find(',' + flat + ','), std::string::npos) << english;
    for (const auto &[naming, name] : {std::pair{"german", "B4"}, {"solfege", "Si\u266D4"}, {"english", "B\u266D4"}}) {
        std::string expected = english;
        EXPECT_EQ(runAnalyzer({"--summary", "--names", naming, file}).out,
                  expected.replace(expected.find(',' + flat + ',') + 1, flat.size(), name)) << naming;
    }
}

// Bad input: a message, exit status 2, no table for the bad file, the good ones still analysed.
struct BadRow {
    const char *name;
    std::vector<std::string> args; // "@good", "@bad": files made by the test
    std::string says; // a part of the message
    long tables = 0;                 // printed for the good files
    std::vector<float> samples = {}; // of "@bad"; none: the file holds "not sound"
    int rate = 44100;
};
class AnalyzeBadInput : public ::testing::TestWithParam<BadRow> {};

TEST_P(AnalyzeBadInput, ExitsTwoWithAMessage)
{
    const BadRow &row = GetParam();
    TempDir dir;
    const std::string good = dir.file("good.wav"), bad = dir.file("bad.wav");
    writeSound(good, sine(440.0, 44100, 0.5), 44100, kFloat);
    if (row.samples.empty())
        std::ofstream(bad) << "not sound\n";
    else
        writeSound(bad, row.samples, row.rate, kFloat);
    std::vector<std::string> arguments;
    for (const std::string &a : row.args)
        arguments.push_back(a == "@good" ? good : a == "@bad" ? bad : a);
    const AnalyzerRun run = runAnalyzer(arguments);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("quaverly-analyze: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
    const std::vector<std::string> out = split(run.out);
    EXPECT_EQ(std::count(out.begin(), out.end(), kHeader), row.tables) << run.out;
}

std::vector<float> damaged(std::size_t at, float value)
{
    std::vector<float> samples = sine(440.0, 44100, 0.5);
    samples[at] = value;
    return samples;
}

INSTANTIATE_TEST_SUITE_P(Inputs, AnalyzeBadInput, ::testing::Values(
    BadRow{.name = "NotSoundAmongGood", .args = {"@good", "@bad", "@good"}, .says = "bad.wav: cannot read it as sound", .tables = 2},
    BadRow{.name = "NaNSample", .args = {"@bad"}, .says = "frame 5000 (0.113 s) is not a finite number",
           .samples = damaged(5000, std::nanf(""))},
    BadRow{.name = "InfiniteSample", .args = {"@bad"}, .says = "frame 100 (0.002 s) is not",
           .samples = damaged(100, -std::numeric_limits<float>::infinity())},
    BadRow{.name = "RateTooLow", .args = {"@bad"}, .says = "10 Hz is too low", .samples = sine(1.0, 10, 5.0), .rate = 10},
    BadRow{.name = "UnknownOption", .args = {"--frobnicate", "@good"}, .says = "unknown option --frobnicate"},
    BadRow{.name = "MissingValue", .args = {"@good", "--reference"}, .says = "--reference needs a value"},
    BadRow{.name = "ReferenceTooHigh", .args = {"--reference", "500", "@good"}, .says = "--reference must be"},
    BadRow{.name = "NoCallbackFrames", .args = {"--callback-frames", "0", "@good"}, .says = "--callback-frames must be"},
    BadRow{.name = "TransposeTooLow", .args = {"--transpose", "-12", "@good"}, .says = "from -11 to 11, not \"-12\""},
    BadRow{.name = "UnknownTemperament", .args = {"--temperament", "Nonesuch", "@good"}, .says = "no temperament named \"Nonesuch\""},
    BadRow{.name = "UnknownNames", .args = {"--names", "latin", "@good"}, .says = "--names must be english, german or solfege, not \"latin\""},
    BadRow{.name = "UnknownDetector", .args = {"--detector", "yin", "@good"}, .says = "--detector must be classic or precise, not \"yin\""},
    BadRow{.name = "ScalaFileRefused", .args = {"--scala", "@bad", "@good"},
           .says = "bad.wav: line 2: the line with the number of notes is missing"},
    BadRow{.name = "ScalaWithTemperament", .args = {"--scala", "@bad", "--temperament", "Pythagorean", "@good"},
           .says = "--scala and --temperament cannot be used together"}),
    [](const auto &info) { return std::string(info.param.name); });

// Accuracy over recorded instruments: on the sustained part of a note the
// window must mostly show the labelled note, and the smoothed frequency sit
// near the period the recording really has (a period detector reads stiff
// strings sharp). The bars sit just below what the detector reached when they
// were set; a drop means the analysis changed, not that a bar needs easing.
const std::string kFolder = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/";

struct Bar {
    const char *instrument;
    double minShare;      // every file: share of sustained blocks showing the labelled note
    double meanShare;     // the instrument's files on average
    double maxErrorCents; // every file: |median of frequency_hz against the periodicity|
    const char *detector = "classic";
};

class Accuracy : public ::testing::TestWithParam<Bar> {};

TEST_P(Accuracy, ShowsTheLabelledNoteOnTheSustainedPart)
{
    const Bar &bar = GetParam();
    static const char *const kNames[] = {"C", "C♯", "D", "E♭", "E", "F", "F♯", "G", "G♯", "A", "B♭", "B"};
    const std::vector<std::string> lines = split(slurp(kFolder + "labels.csv"));
    ASSERT_FALSE(lines.empty()) << "missing test data: " << kFolder << "labels.csv";
    const std::vector<std::string> header = split(lines[0], ',');
    double shareSum = 0.0;
    int files = 0;
    for (std::size_t l = 1; l < lines.size(); ++l) {
        std::map<std::string, std::string> label;
        const std::vector<std::string> f = split(lines[l], ',');
        for (std::size_t i = 0; i < header.size() && i < f.size(); ++i)
            label[header[i]] = f[i];
        if (label["instrument"] != bar.instrument)
            continue;
        const AnalyzerRun run = runAnalyzer({"--detector", bar.detector, kFolder + label["file"]});
        ASSERT_EQ(run.exitCode, 0) << label["file"] << ": " << run.err;
        const int midi = std::stoi(label["midi_note"]), rate = std::stoi(label["sample_rate"]);
        const std::string wanted = kNames[midi % 12] + std::to_string(midi / 12 - 1);
        const double blockS = std::floor(2.0 * (rate / 27.5)) / rate;
        const double from = std::stod(label["onset_s"]) + 0.15, to = std::stod(label["sustain_end_s"]);
        std::size_t blocks = 0;
        std::vector<double> errors;
        for (const std::string &row : split(run.out)) {
            const std::vector<std::string> c = split(row, ',');
            if (c[0] == "block" || std::stoi(c[0]) * blockS < from || (std::stoi(c[0]) + 1) * blockS > to)
                continue;
            ++blocks;
            if (c[5] == wanted)
                errors.push_back(1200.0 * std::log2(std::stod(c[4]) / std::stod(label["periodicity_frequency_hz"])));
        }
        ASSERT_GT(blocks, 0u) << label["file"] << ": no block in the sustained part";
        const double share = double(errors.size()) / double(blocks);
        EXPECT_GE(share, bar.minShare) << label["file"] << ": " << wanted << " on " << errors.size() << " of " << blocks;
        if (!errors.empty()) {
            std::nth_element(errors.begin(), errors.begin() + errors.size() / 2, errors.end());
            EXPECT_LE(std::abs(errors[errors.size() / 2]), bar.maxErrorCents) << label["file"];
        }
        shareSum += share;
        ++files;
    }
    ASSERT_GT(files, 0) << "no recordings of " << bar.instrument;
    EXPECT_GE(shareSum / files, bar.meanShare);
}

constexpr Bar kBars[] = {
    {.instrument = "acoustic_grand_piano", .minShare = 0.15, .meanShare = 0.85, .maxErrorCents = 6.0},
    {.instrument = "alto_sax", .minShare = 0.95, .meanShare = 0.95, .maxErrorCents = 6.5},
    {.instrument = "cello", .minShare = 0.65, .meanShare = 0.90, .maxErrorCents = 7.0},
    {.instrument = "clarinet", .minShare = 0.95, .meanShare = 0.95, .maxErrorCents = 1.5},
    {.instrument = "electric_bass_finger", .minShare = 0.65, .meanShare = 0.85, .maxErrorCents = 14.5},
    {.instrument = "flute", .minShare = 0.95, .meanShare = 0.95, .maxErrorCents = 2.0},
    {.instrument = "french_horn", .minShare = 0.85, .meanShare = 0.95, .maxErrorCents = 2.0},
    {.instrument = "harpsichord", .minShare = 0.25, .meanShare = 0.80, .maxErrorCents = 5.0},
    {.instrument = "nylon_guitar", .minShare = 0.90, .meanShare = 0.95, .maxErrorCents = 2.0},
    {.instrument = "oboe", .minShare = 0.90, .meanShare = 0.90, .maxErrorCents = 7.0},
    {.instrument = "steel_guitar", .minShare = 0.80, .meanShare = 0.95, .maxErrorCents = 7.0},
    {.instrument = "trumpet", .minShare = 0.95, .meanShare = 0.95, .maxErrorCents = 1.0},
    {.instrument = "violin", .minShare = 0.65, .meanShare = 0.85, .maxErrorCents = 10.0},
};

// The precise detector reads the fundamental where the classic one takes a harmonic.
constexpr Bar kPreciseBars[] = {
    {.instrument = "acoustic_grand_piano", .minShare = 0.95, .meanShare = 0.98, .maxErrorCents = 12.0, .detector = "precise"},
    {.instrument = "alto_sax", .minShare = 0.90, .meanShare = 0.97, .maxErrorCents = 6.5, .detector = "precise"},
    {.instrument = "cello", .minShare = 0.65, .meanShare = 0.92, .maxErrorCents = 1.5, .detector = "precise"},
    {.instrument = "clarinet", .minShare = 0.98, .meanShare = 0.98, .maxErrorCents = 0.5, .detector = "precise"},
    {.instrument = "electric_bass_finger", .minShare = 0.90, .meanShare = 0.97, .maxErrorCents = 1.5, .detector = "precise"},
    {.instrument = "flute", .minShare = 0.98, .meanShare = 0.98, .maxErrorCents = 2.5, .detector = "precise"},
    {.instrument = "french_horn", .minShare = 0.95, .meanShare = 0.98, .maxErrorCents = 0.5, .detector = "precise"},
    {.instrument = "harpsichord", .minShare = 0.95, .meanShare = 0.98, .maxErrorCents = 3.5, .detector = "precise"},
    {.instrument = "nylon_guitar", .minShare = 0.98, .meanShare = 0.98, .maxErrorCents = 1.5, .detector = "precise"},
    {.instrument = "oboe", .minShare = 0.98, .meanShare = 0.98, .maxErrorCents = 1.0, .detector = "precise"},
    {.instrument = "steel_guitar", .minShare = 0.95, .meanShare = 0.98, .maxErrorCents = 1.0, .detector = "precise"},
    {.instrument = "trumpet", .minShare = 0.98, .meanShare = 0.98, .maxErrorCents = 1.5, .detector = "precise"},
    {.instrument = "violin", .minShare = 0.90, .meanShare = 0.97, .maxErrorCents = 5.5, .detector = "precise"},
};

INSTANTIATE_TEST_SUITE_P(Instruments, Accuracy, ::testing::ValuesIn(kBars),
    [](const auto &info) { return std::string(info.param.instrument); });
INSTANTIATE_TEST_SUITE_P(PreciseInstruments, Accuracy, ::testing::ValuesIn(kPreciseBars),
    [](const auto &info) { return std::string(info.param.instrument); });

} // namespace
} // namespace quaverly::test
