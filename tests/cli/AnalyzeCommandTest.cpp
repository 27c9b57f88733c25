// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalyzerProcess.h"

#include <algorithm>
#include <limits>

namespace quaverly::test {
namespace {

constexpr const char *kHeader = "block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz";
constexpr int kFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
// A whole-sample period reads exactly: 10.29 cents above Pythagorean C4.
constexpr double kExactC4 = 48000.0 / 183.0;

// The first and last rows: what the window shows before and after the tones.
struct ShownRow {
    const char *name;
    std::vector<std::pair<double, double>> tones; // hz (0: silence), seconds
    std::vector<std::string> options;
    const char *first, *last; // note; note, cents, ideal Hz
};
class AnalyzeShown : public ::testing::TestWithParam<ShownRow> {};

TEST_P(AnalyzeShown, PrintsWhatTheWindowShows)
{
    TempDir dir;
    std::vector<float> samples;
    for (const auto &[hz, seconds] : GetParam().tones)
        samples = sine(hz, 48000, seconds, 0.5, samples);
    writeSound(dir.file("t.wav"), samples, 48000, kFloat);
    std::vector<std::string> arguments = GetParam().options;
    arguments.push_back(dir.file("t.wav"));
    const AnalyzerRun run = runAnalyzer(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> rows = split(run.out), last = split(rows.back(), ',');
    EXPECT_EQ(split(rows.at(1), ',').at(5), GetParam().first);
    EXPECT_EQ(last.at(5) + ' ' + last.at(6) + ' ' + last.at(7), GetParam().last);
}

INSTANTIATE_TEST_SUITE_P(Readings, AnalyzeShown, ::testing::Values(
    ShownRow{"Reference442", {{442.0, 1.0}}, {"--reference", "442"}, "A4", "A4 0 442"},
    ShownRow{"BFlatInstrument", {{233.08, 1.0}}, {"--transpose", "-2"}, "C4", "C4 0 233.081879"},
    ShownRow{"PythagoreanC4", {{kExactC4, 1.0}}, {"--temperament", "Pythagorean"}, "C4", "C4 10 260.740753"},
    // Accepted but below A0: the last note stays.
    ShownRow{"BelowA0KeepsLastNote", {{344.612, 0.5}, {27.0, 1.5}}, {"--reference", "460"}, "E4", "E4 0 344.610626"}),
    [](const auto &info) { return std::string(info.param.name); });

// Bad input: a message, exit status 2, no table for the bad file, the good ones still analysed.
struct BadRow {
    const char *name;
    std::vector<std::string> arguments; // "@good", "@bad": files made by the test
    std::string message;
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
    for (const std::string &a : row.arguments)
        arguments.push_back(a == "@good" ? good : a == "@bad" ? bad : a);
    const AnalyzerRun run = runAnalyzer(arguments);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("quaverly-analyze: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
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
    BadRow{"MissingAmongGood", {"@good", "/nonexistent.wav", "@good"}, "/nonexistent.wav: cannot read it as sound", 2},
    BadRow{"NotAudio", {"@bad"}, "bad.wav: cannot read it as sound"},
    BadRow{"NaNSample", {"@bad"}, "frame 5000 (0.113 s) is not a finite number", 0, damaged(5000, std::nanf(""))},
    BadRow{"InfiniteSample", {"@bad"}, "frame 100 (0.002 s) is not", 0, damaged(100, -std::numeric_limits<float>::infinity())},
    BadRow{"RateTooLow", {"@bad"}, "10 Hz is too low", 0, sine(1.0, 10, 5.0), 10},
    BadRow{"UnknownOption", {"--frobnicate", "@good"}, "unknown option --frobnicate"},
    BadRow{"MissingValue", {"@good", "--reference"}, "--reference needs a value"},
    BadRow{"ReferenceTooHigh", {"--reference", "500", "@good"}, "--reference must be"},
    BadRow{"UnknownTemperament", {"--temperament", "Nonesuch", "@good"}, "no temperament named \"Nonesuch\""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly::test
