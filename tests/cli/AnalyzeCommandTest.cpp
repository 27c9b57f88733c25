// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalyzerProcess.h"

#include <algorithm>
#include <limits>

namespace quaverly::test {
namespace {

constexpr const char *kHeader = "block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz";
constexpr int kPcm16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
// 48000 / 183 Hz has a whole-sample period, so its reading is exact: 4.43
// cents above equal-tempered C4 and 10.29 above Pythagorean C4.
constexpr double kExactC4 = 48000.0 / 183.0;

std::vector<std::string> lastFields(const AnalyzerRun &run)
{
    return split(split(run.out).back(), ',');
}

TEST(AnalyzeCommand, A440SineAt44100ShowsA4WithZeroCentsOnEveryBlock)
{
    TempDir dir;
    writeSound(dir.file("a.wav"), sine(440.0, 44100, 1.0), 44100, kPcm16);
    const AnalyzerRun run = runAnalyzer({dir.file("a.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> out = split(run.out);
    ASSERT_EQ(out.size(), 1u + 44100 / 3207) << run.out;
    EXPECT_EQ(out[0], kHeader);
    for (std::size_t i = 1; i < out.size(); ++i) {
        const std::vector<std::string> f = split(out[i], ',');
        ASSERT_EQ(f.size(), 8u) << out[i];
        EXPECT_EQ(f[0], std::to_string(i - 1));
        EXPECT_NEAR(1200.0 * std::log2(std::stod(f[1]) / 440.0), 0.0, 0.5) << out[i];
        EXPECT_EQ(f[3] + ' ' + f[5] + ' ' + f[6] + ' ' + f[7], "89 A4 0 440") << out[i];
    }
}

// What the window would show after the first and the last block.
struct ShownRow {
    const char *name;
    std::vector<std::pair<double, double>> tones; // hz (0: silence), seconds
    int rate;
    std::vector<std::string> options;
    std::string firstNote, lastNote;
    int lastCents;
    double lastIdealHz, lastFrequencyHz = 0.0; // frequency checked to 1 % unless 0
};

class AnalyzeShown : public ::testing::TestWithParam<ShownRow> {};

TEST_P(AnalyzeShown, MatchesTheWindow)
{
    const ShownRow &p = GetParam();
    TempDir dir;
    std::vector<float> samples;
    for (const auto &[hz, seconds] : p.tones)
        samples = sine(hz, p.rate, seconds, 0.5, samples);
    writeSound(dir.file("t.wav"), samples, p.rate, kFloat);
    std::vector<std::string> arguments = p.options;
    arguments.push_back(dir.file("t.wav"));
    const AnalyzerRun run = runAnalyzer(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(split(split(run.out).at(1), ',').at(5), p.firstNote);
    const std::vector<std::string> last = lastFields(run);
    EXPECT_EQ(last.at(5) + ' ' + last.at(6), p.lastNote + ' ' + std::to_string(p.lastCents));
    EXPECT_NEAR(std::stod(last[7]), p.lastIdealHz, 0.001);
    if (p.lastFrequencyHz != 0.0) {
        EXPECT_NEAR(std::stod(last[4]), p.lastFrequencyHz, p.lastFrequencyHz * 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, AnalyzeShown, ::testing::Values(
    ShownRow{"Sharp446", {{446.0, 1.0}}, 48000, {}, "A4", "A4", 23, 440.0},
    ShownRow{"Reference442", {{442.0, 1.0}}, 48000, {"--reference", "442"}, "A4", "A4", 0, 442.0},
    ShownRow{"BFlatInstrument", {{233.08, 1.0}}, 44100, {"--transpose", "-2"}, "C4", "C4", 0, 233.081879},
    ShownRow{"EFlatInstrumentUp", {{261.6256, 1.0}}, 44100, {"--transpose=3"}, "A3", "A3", 0, 261.625580},
    ShownRow{"EqualC4", {{kExactC4, 1.0}}, 48000, {}, "C4", "C4", 4, 261.625580, kExactC4},
    ShownRow{"PythagoreanC4", {{kExactC4, 1.0}}, 48000, {"--temperament", "Pythagorean"}, "C4", "C4", 10, 260.740741},
    ShownRow{"PythagoreanA4", {{440.0, 1.0}}, 48000, {"--temperament", "pythagorean", "--tonic", "2"}, "A4", "A4",
        0, 440.0},
    ShownRow{"EqualByName", {{446.0, 1.0}}, 48000, {"--temperament", "equal"}, "A4", "A4", 23, 440.0},
    // Before any accepted reading the window shows the reference pitch's note.
    ShownRow{"SilenceTransposed", {{0.0, 0.5}}, 44100, {"--transpose", "-2"}, "B4", "B4", 0, 440.0},
    ShownRow{"SilenceOtherReference", {{0.0, 0.5}}, 44100, {"--reference", "415.3"}, "A4", "A4", 0, 415.299988},
    ShownRow{"LeadInThenTone", {{0.0, 0.3}, {196.0, 1.0}}, 44100, {}, "A4", "G3", 0, 195.997726},
    // A reading above 4311.76 Hz is refused: the last note stays.
    ShownRow{"TooHighKeepsLastNote", {{329.6276, 0.5}, {4800.0, 0.5}}, 48000, {}, "E4", "E4", 0, 329.627563,
        329.6276},
    // Accepted but below A0: nothing resolves, the last note stays.
    ShownRow{"BelowA0KeepsLastNote", {{344.612, 0.5}, {27.0, 1.5}}, 44100, {"--reference", "460"}, "E4", "E4", 0,
        344.610626, 27.0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AnalyzeCommand, CallbackSizeDoesNotChangeTheTable)
{
    const std::string file = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/cello_G2_+5c_48k.flac";
    const AnalyzerRun reference = runAnalyzer({file});
    ASSERT_EQ(reference.exitCode, 0) << reference.err;
    ASSERT_GT(split(reference.out).size(), 20u);
    for (const char *frames : {"1", "100", "3490", "8000", "1048576"})
        EXPECT_EQ(runAnalyzer({"--callback-frames", frames, file}).out, reference.out) << frames << " frames";
}

TEST(AnalyzeCommand, SummaryGivesOneLinePerFile)
{
    TempDir dir;
    writeSound(dir.file("a,440.wav"), sine(440.0, 44100, 1.0), 44100, kPcm16);
    writeSound(dir.file("sharp.wav"), sine(446.0, 48000, 1.0, 0.5, sine(0, 48000, 0.5)), 48000, kPcm16);
    writeSound(dir.file("quiet.wav"), sine(440.0, 44100, 0.5, 0.001), 44100, kPcm16);
    const AnalyzerRun run = runAnalyzer({"--summary", dir.file("a,440.wav"), dir.file("sharp.wav"), dir.file("quiet.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> out = split(run.out);
    ASSERT_EQ(out.size(), 4u) << run.out;
    EXPECT_EQ(out[0], "file,blocks,readings,note,note_readings,median_cents,median_hz");
    EXPECT_EQ(out[1].rfind("\"" + dir.file("a,440.wav") + "\",13,13,A4,13,0,", 0), 0u) << out[1];
    const std::vector<std::string> sharp = split(out[2], ',');
    ASSERT_EQ(sharp.size(), 7u);
    EXPECT_EQ(sharp[1] + ' ' + sharp[3] + ' ' + sharp[5], "20 A4 23");
    EXPECT_LT(std::stoi(sharp[2]), 20) << "silent blocks counted as readings";
    EXPECT_NEAR(std::stod(sharp[6]), 446.0, 0.1);
    EXPECT_EQ(out[3], dir.file("quiet.wav") + ",6,0,,0,,");
}

// Bad input: a clear message, exit status 2, no crash, no table for the bad
// file, and the good files still analysed.
struct BadRow {
    const char *name;
    std::vector<std::string> arguments; // "@good", "@bad": files made by the test
    std::string message;
    std::size_t tables = 0;          // printed for the good files
    std::vector<float> samples = {}; // of "@bad"; none: the file is `bytes`
    std::string bytes = {};
    int rate = 44100;
};

class AnalyzeBadInput : public ::testing::TestWithParam<BadRow> {};

TEST_P(AnalyzeBadInput, ExitsTwoWithAMessage)
{
    const BadRow &row = GetParam();
    TempDir dir;
    const std::string good = dir.file("good.wav"), bad = dir.file("bad.wav");
    writeSound(good, sine(440.0, 44100, 0.5), 44100, kPcm16);
    if (row.name == std::string("Folder"))
        std::filesystem::create_directory(bad);
    else if (!row.samples.empty() || row.name == std::string("NoSamples"))
        writeSound(bad, row.samples, row.rate, kFloat);
    else
        std::ofstream(bad, std::ios::binary) << row.bytes;
    std::vector<std::string> arguments;
    for (const std::string &a : row.arguments)
        arguments.push_back(a == "@good" ? good : a == "@bad" ? bad : a);
    const AnalyzerRun run = runAnalyzer(arguments);
    EXPECT_EQ(run.signal, 0) << "crashed";
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.rfind("quaverly-analyze: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find(bad), std::string::npos) << "output for the bad file: " << run.out;
    const std::vector<std::string> out = split(run.out);
    EXPECT_EQ(std::size_t(std::count(out.begin(), out.end(), kHeader)), row.tables) << run.out;
}

std::vector<float> damaged(std::size_t at, float value)
{
    std::vector<float> samples = sine(440.0, 44100, 0.5);
    samples[at] = value;
    return samples;
}

INSTANTIATE_TEST_SUITE_P(Inputs, AnalyzeBadInput, ::testing::Values(
    BadRow{"MissingFile", {"/nonexistent/quaverly.wav"}, "cannot read it as sound"},
    BadRow{"NotAudio", {"@bad"}, "cannot read it as sound", 0, {}, "not sound\n"},
    BadRow{"EmptyFile", {"@bad"}, "cannot read it as sound"},
    BadRow{"TruncatedHeader", {"@bad"}, "cannot read", 0, {}, std::string("RIFF\x24\0\0\0WAVEfmt ", 16)},
    BadRow{"Folder", {"@bad"}, "bad.wav"},
    BadRow{"NoSamples", {"@bad"}, "holds no samples"},
    BadRow{"NaNSample", {"@bad"}, "frame 5000 (0.113 s) is not a finite number", 0,
        damaged(5000, std::numeric_limits<float>::quiet_NaN())},
    BadRow{"InfiniteSample", {"@bad"}, "frame 100 (0.002 s) is not a finite number", 0,
        damaged(100, -std::numeric_limits<float>::infinity())},
    BadRow{"RateTooLow", {"@bad"}, "10 Hz is too low", 0, sine(1.0, 10, 5.0), {}, 10},
    BadRow{"BadAmongGood", {"@good", "@bad", "@good"}, "bad.wav: cannot read it as sound", 2},
    BadRow{"MissingAmongGood", {"@good", "/nonexistent.wav", "@good"}, "/nonexistent.wav: cannot read it as sound", 2},
    BadRow{"NoFile", {"--summary"}, "no sound file given"},
    BadRow{"UnknownOption", {"--frobnicate", "@good"}, "unknown option --frobnicate"},
    BadRow{"MissingValue", {"@good", "--reference"}, "--reference needs a value"},
    BadRow{"FlagWithValue", {"--summary=yes", "@good"}, "--summary takes no value"},
    BadRow{"AmbiguousPrefix", {"--temp", "Pythagorean", "@good"}, "unknown option --temp"},
    BadRow{"ShortOption", {"-s", "@good"}, "unknown option -s"},
    BadRow{"EmptyFileName", {"@good", "--", ""}, "an empty file name was given"},
    BadRow{"ReferenceTooHigh", {"--reference", "500", "@good"}, "--reference must be"},
    BadRow{"ReferenceNotANumber", {"--reference=440Hz", "@good"}, "--reference must be"},
    BadRow{"TonicTooHigh", {"--tonic", "12", "@good"}, "--tonic must be"},
    BadRow{"TransposeFraction", {"--transpose", "-1.5", "@good"}, "--transpose must be"},
    BadRow{"NoCallbackFrames", {"--callback-frames", "0", "@good"}, "--callback-frames must be"},
    BadRow{"HugeCallbackFrames", {"--callback-frames", "99999999999999999999", "@good"}, "--callback-frames must"},
    BadRow{"UnknownTemperament", {"--temperament", "Nonesuch", "@good"},
        "no temperament named \"Nonesuch\"; known: equal, \"1/4-comma meantone\""},
    BadRow{"MissingTemperamentFile", {"--temperaments", "/nonexistent/t.txt", "@good"}, "cannot open the temperament"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AnalyzeCommand, TemperamentFileOfTheUser)
{
    TempDir dir;
    writeSound(dir.file("c4.wav"), sine(kExactC4, 48000, 1.0), 48000, kFloat);
    // Cent form, A 10 cents low against C: C sits 10 cents above equal C4,
    // the tone 4.43 cents above it. The short entry is dropped with a log line.
    std::ofstream(dir.file("mine.txt")) << "{ \"Ñandú \\\"B\\\"\" = (0,0,0,0,0,0,0,0,0,-10,0,0); broken = (1, 2, x); }";
    const AnalyzerRun mine = runAnalyzer({"--temperaments", dir.file("mine.txt"), "--temperament", "Ñandú \"B\"", dir.file("c4.wav")});
    ASSERT_EQ(mine.exitCode, 0) << mine.err;
    EXPECT_EQ(lastFields(mine)[6], "-5") << mine.out;
    EXPECT_NE(mine.err.find("*** Invalid Temperament Pitch Table. ***"), std::string::npos) << mine.err;
    // Not a property list: a log line, then the built-in default.
    std::ofstream(dir.file("junk.txt")) << "this is ( not a property list";
    const AnalyzerRun junk = runAnalyzer({"--temperaments", dir.file("junk.txt"), dir.file("c4.wav")});
    ASSERT_EQ(junk.exitCode, 0) << junk.err;
    EXPECT_NE(junk.err.find("error:"), std::string::npos) << junk.err;
    EXPECT_EQ(lastFields(junk)[5], "C4");
}

} // namespace
} // namespace quaverly::test
