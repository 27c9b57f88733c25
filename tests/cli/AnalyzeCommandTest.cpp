// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalyzerProcess.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace quaverly::test {
namespace {

constexpr const char *kHeader = "block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz";
constexpr int kPcm16Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

double centsBetween(double a, double b)
{
    return 1200.0 * std::log2(a / b);
}

std::vector<float> concat(std::vector<float> a, const std::vector<float> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Row {
    std::string note;
    int cents = 0;
    double idealHz = 0.0;
    double frequencyHz = 0.0;
    std::string rawHz;
};

Row row(const std::string &line)
{
    const std::vector<std::string> f = fields(line);
    EXPECT_EQ(f.size(), 8u) << line;
    if (f.size() != 8)
        return {};
    return Row{f[5], std::stoi(f[6]), std::stod(f[7]), std::stod(f[4]), f[1]};
}

TEST(AnalyzeCommand, A440SineAt44100ShowsA4WithZeroCentsOnEveryBlock)
{
    TempDir dir;
    const std::string wav = dir.file("a440.wav");
    writeSound(wav, sine(440.0, 44100, 1.0), 1, 44100, kPcm16Wav);
    const AnalyzerRun run = runAnalyzer({wav});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> out = lines(run.out);
    ASSERT_EQ(out.size(), 1u + 44100 / 3207) << run.out;
    EXPECT_EQ(out[0], kHeader);
    for (std::size_t i = 1; i < out.size(); ++i) {
        const Row r = row(out[i]);
        EXPECT_EQ(r.note, "A4") << out[i];
        EXPECT_EQ(r.cents, 0) << out[i];
        EXPECT_EQ(r.idealHz, 440.0) << out[i];
        EXPECT_NEAR(centsBetween(std::stod(r.rawHz), 440.0), 0.0, 0.5) << out[i];
        EXPECT_EQ(fields(out[i])[3], "89") << "level of a half-scale sine";
    }
}

// ---------------------------------------------------------------------------
// What the window would show after the last block, under the options.

struct ShownRow {
    const char *name;
    std::vector<std::pair<double, double>> tones; // hz (0: silence), seconds
    int rate;
    std::vector<std::string> options;
    std::string firstNote; // shown after block 0
    std::string lastNote;
    int lastCents;
    double lastIdealHz;
    double lastFrequencyHz = 0.0; // checked to 1 % unless 0
};

class AnalyzeShown : public ::testing::TestWithParam<ShownRow> {};

TEST_P(AnalyzeShown, MatchesTheWindow)
{
    const ShownRow &p = GetParam();
    TempDir dir;
    std::vector<float> samples;
    for (const auto &[hz, seconds] : p.tones)
        samples = concat(samples, sine(hz, p.rate, seconds, hz == 0.0 ? 0.0 : 0.5));
    const std::string wav = dir.file("tone.wav");
    writeSound(wav, samples, 1, p.rate, kFloatWav);
    std::vector<std::string> arguments = p.options;
    arguments.push_back(wav);
    const AnalyzerRun run = runAnalyzer(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> out = lines(run.out);
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(row(out[1]).note, p.firstNote);
    const Row last = row(out.back());
    EXPECT_EQ(last.note, p.lastNote);
    EXPECT_EQ(last.cents, p.lastCents);
    EXPECT_NEAR(last.idealHz, p.lastIdealHz, 0.001);
    if (p.lastFrequencyHz != 0.0) {
        EXPECT_NEAR(last.frequencyHz, p.lastFrequencyHz, p.lastFrequencyHz * 0.01);
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, AnalyzeShown,
    ::testing::Values(
        ShownRow{"Sharp446", {{446.0, 1.0}}, 48000, {}, "A4", "A4", 23, 440.0},
        ShownRow{"Reference442", {{442.0, 1.0}}, 48000, {"--reference", "442"}, "A4", "A4", 0, 442.0},
        ShownRow{"BFlatInstrument", {{233.08, 1.0}}, 44100, {"--transpose", "-2"}, "C4", "C4", 0, 233.081879},
        ShownRow{"EFlatInstrumentUp", {{261.6256, 1.0}}, 44100, {"--transpose=3"}, "A3", "A3", 0, 261.625580},
        // Tonic C: C4 lies at R / (27/16) and A4 stays at R.
        // 48000 / 183 Hz has a whole-sample period, so the reading is exact:
        // 4.43 cents above equal C4, 10.29 above Pythagorean C4.
        ShownRow{"PythagoreanC4", {{48000.0 / 183.0, 1.0}}, 48000, {"--temperament", "Pythagorean"}, "C4", "C4", 10,
            260.740741, 48000.0 / 183.0},
        ShownRow{"EqualC4", {{48000.0 / 183.0, 1.0}}, 48000, {}, "C4", "C4", 4, 261.625580, 48000.0 / 183.0},
        ShownRow{"PythagoreanA4", {{440.0, 1.0}}, 48000, {"--temperament", "pythagorean", "--tonic", "0"}, "A4",
            "A4", 0, 440.0},
        ShownRow{"EqualByName", {{446.0, 1.0}}, 48000, {"--temperament", "equal"}, "A4", "A4", 23, 440.0},
        // Before any accepted reading the window shows the reference note.
        ShownRow{"SilenceShowsReference", {{0.0, 0.5}}, 44100, {}, "A4", "A4", 0, 440.0},
        ShownRow{"SilenceShowsTransposedReference", {{0.0, 0.5}}, 44100, {"--transpose", "-2"}, "B4", "B4", 0, 440.0},
        ShownRow{"SilenceShowsOtherReference", {{0.0, 0.5}}, 44100, {"--reference", "415.3"}, "A4", "A4", 0,
            415.299988},
        ShownRow{"LeadInThenTone", {{0.0, 0.3}, {196.0, 1.0}}, 44100, {}, "A4", "G3", 0, 195.997726},
        // A reading above 4311.76 Hz is refused: the last note stays.
        ShownRow{"TooHighKeepsLastNote", {{329.6276, 0.5}, {4800.0, 0.5}}, 48000, {}, "E4", "E4", 0, 329.627563},
        // A reading that is accepted but below A0 resolves to nothing: the last note stays.
        ShownRow{"BelowA0KeepsLastNote", {{344.612, 0.5}, {27.0, 1.5}}, 44100, {"--reference", "460"}, "E4",
            "E4", 0, 344.610626, 27.0}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The device's callback size and channel layout must not change the result.

TEST(AnalyzeCommand, CallbackSizeDoesNotChangeTheTable)
{
    const std::string file = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/cello_G2_+5c_48k.wav";
    const AnalyzerRun reference = runAnalyzer({file});
    ASSERT_EQ(reference.exitCode, 0) << reference.err;
    ASSERT_GT(lines(reference.out).size(), 20u);
    for (const char *frames : {"1", "100", "3490", "8000", "1048576"}) {
        const AnalyzerRun run = runAnalyzer({"--callback-frames", frames, file});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, reference.out) << "callbacks of " << frames << " frames";
    }
}

struct LayoutRow {
    const char *name;
    float rightGain; // right channel = left × gain
    bool sameAsMono;
};

class AnalyzeStereo : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(AnalyzeStereo, TwinChannelsReadAsMono)
{
    TempDir dir;
    const std::vector<float> left = sine(330.0, 44100, 0.8, 0.4);
    std::vector<float> stereo;
    for (float s : left) {
        stereo.push_back(s);
        stereo.push_back(s * GetParam().rightGain);
    }
    writeSound(dir.file("mono.wav"), left, 1, 44100, kFloatWav);
    writeSound(dir.file("stereo.wav"), stereo, 2, 44100, kFloatWav);
    const AnalyzerRun mono = runAnalyzer({dir.file("mono.wav")});
    const AnalyzerRun both = runAnalyzer({dir.file("stereo.wav")});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.out == mono.out, GetParam().sameAsMono) << both.out;
}

INSTANTIATE_TEST_SUITE_P(Layouts, AnalyzeStereo,
    ::testing::Values(LayoutRow{"Identical", 1.0f, true}, LayoutRow{"SilentRight", 0.0f, true},
        LayoutRow{"QuieterRightIsSummed", 0.5f, false}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Summary lines.

TEST(AnalyzeCommand, SummaryGivesOneLinePerFile)
{
    TempDir dir;
    writeSound(dir.file("a,440.wav"), sine(440.0, 44100, 1.0), 1, 44100, kPcm16Wav);
    writeSound(dir.file("sharp.wav"), concat(sine(0.0, 48000, 0.5, 0.0), sine(446.0, 48000, 1.0)), 1, 48000,
        kPcm16Wav);
    writeSound(dir.file("quiet.wav"), sine(440.0, 44100, 0.5, 0.001), 1, 44100, kPcm16Wav);
    const AnalyzerRun run
        = runAnalyzer({"--summary", dir.file("a,440.wav"), dir.file("sharp.wav"), dir.file("quiet.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> out = lines(run.out);
    ASSERT_EQ(out.size(), 4u) << run.out;
    EXPECT_EQ(out[0], "file,blocks,readings,note,note_readings,median_cents,median_hz");
    // The comma in the name is quoted, so the line still has seven fields.
    EXPECT_EQ(out[1].rfind("\"" + dir.file("a,440.wav") + "\",13,13,A4,13,0,", 0), 0u) << out[1];
    const std::vector<std::string> sharp = fields(out[2]);
    ASSERT_EQ(sharp.size(), 7u);
    EXPECT_EQ(sharp[1], "20");
    EXPECT_EQ(sharp[3], "A4");
    EXPECT_EQ(sharp[5], "23");
    EXPECT_NEAR(std::stod(sharp[6]), 446.0, 0.1);
    EXPECT_LT(std::stoi(sharp[2]), 20) << "silent blocks counted as readings";
    EXPECT_EQ(fields(out[3]), (std::vector<std::string>{dir.file("quiet.wav"), "6", "0", "", "0", "", ""}));
}

// ---------------------------------------------------------------------------
// Bad input: a clear message, exit status 2, no crash, nothing half-written.

struct BadRow {
    const char *name;
    std::vector<std::string> arguments; // "@good" is a good file, "@bad" the row's bad file
    std::string badContent;             // raw bytes of @bad (unless a sound is made)
    std::string message;
};

std::vector<float> withSample(std::size_t at, float value)
{
    std::vector<float> samples = sine(440.0, 44100, 0.5);
    samples[at] = value;
    return samples;
}

class AnalyzeBadInput : public ::testing::TestWithParam<BadRow> {};

TEST_P(AnalyzeBadInput, ExitsTwoWithAMessage)
{
    const BadRow &p = GetParam();
    TempDir dir;
    const std::string good = dir.file("good.wav");
    writeSound(good, sine(440.0, 44100, 0.5), 1, 44100, kPcm16Wav);
    const std::string bad = dir.file("bad.wav");
    const std::string name = p.name;
    if (name == "NaNSample") {
        writeSound(bad, withSample(5000, std::numeric_limits<float>::quiet_NaN()), 1, 44100, kFloatWav);
    } else if (name == "InfiniteSample") {
        writeSound(bad, withSample(100, -std::numeric_limits<float>::infinity()), 1, 44100, kFloatWav);
    } else if (name == "NoSamples") {
        writeSound(bad, {}, 1, 44100, kPcm16Wav);
    } else if (name == "RateTooLow") {
        writeSound(bad, sine(1.0, 10, 5.0), 1, 10, kPcm16Wav);
    } else if (name == "Folder") {
        std::filesystem::create_directory(bad);
    } else {
        std::ofstream(bad, std::ios::binary) << p.badContent;
    }
    std::vector<std::string> arguments;
    for (const std::string &a : p.arguments)
        arguments.push_back(a == "@good" ? good : a == "@bad" ? bad : a);

    const AnalyzerRun run = runAnalyzer(arguments);
    EXPECT_EQ(run.signal, 0) << "crashed";
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(p.message), std::string::npos) << "stderr: " << run.err;
    EXPECT_EQ(run.err.rfind("quaverly-analyze: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out.find(bad), std::string::npos) << "output for the bad file: " << run.out;
}

INSTANTIATE_TEST_SUITE_P(Inputs, AnalyzeBadInput,
    ::testing::Values(BadRow{"MissingFile", {"/nonexistent/quaverly.wav"}, "", "cannot read it as sound"},
        BadRow{"NotAudio", {"@bad"}, "This is a tuner, not a sound.\n", "cannot read it as sound"},
        BadRow{"EmptyFile", {"@bad"}, "", "cannot read it as sound"},
        BadRow{"TruncatedHeader", {"@bad"}, std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16), "cannot read"},
        BadRow{"Folder", {"@bad"}, "", "quaverly-analyze"},
        BadRow{"NoSamples", {"@bad"}, "", "holds no samples"},
        BadRow{"NaNSample", {"@bad"}, "", "frame 5000 (0.113 s) is not a finite number"},
        BadRow{"InfiniteSample", {"@bad"}, "", "frame 100 (0.002 s) is not a finite number"},
        BadRow{"RateTooLow", {"@bad"}, "", "10 Hz is too low"},
        BadRow{"NoFile", {"--summary"}, "", "no sound file given"},
        BadRow{"UnknownOption", {"--frobnicate", "@good"}, "", "unknown option --frobnicate"},
        BadRow{"MissingValue", {"@good", "--reference"}, "", "--reference needs a value"},
        BadRow{"ReferenceTooHigh", {"--reference", "500", "@good"}, "", "--reference must be"},
        BadRow{"ReferenceTooLow", {"--reference=348.9", "@good"}, "", "--reference must be"},
        BadRow{"ReferenceNotANumber", {"--reference", "nan", "@good"}, "", "--reference must be"},
        BadRow{"ReferenceTrailingText", {"--reference", "440Hz", "@good"}, "", "--reference must be"},
        BadRow{"TonicTooHigh", {"--tonic", "12", "@good"}, "", "--tonic must be"},
        BadRow{"TonicFraction", {"--tonic", "1.5", "@good"}, "", "--tonic must be"},
        BadRow{"TransposeTooLow", {"--transpose", "-12", "@good"}, "", "--transpose must be"},
        BadRow{"NoCallbackFrames", {"--callback-frames", "0", "@good"}, "", "--callback-frames must be"},
        BadRow{"HugeCallbackFrames", {"--callback-frames", "99999999999999999999", "@good"}, "",
            "--callback-frames must be"},
        BadRow{"SummaryWithValue", {"--summary=yes", "@good"}, "", "--summary takes no value"},
        BadRow{"UnknownTemperament", {"--temperament", "Nonesuch", "@good"}, "",
            "no temperament named \"Nonesuch\"; known: equal, \"1/4-comma meantone\""},
        BadRow{"MissingTemperamentFile", {"--temperaments", "/nonexistent/t.txt", "@good"}, "",
            "cannot open the temperament file /nonexistent/t.txt"},
        // One bad file among good ones still fails the run.
        BadRow{"BadAmongGood", {"@good", "@bad", "@good"}, "junk", "bad.wav: cannot read it as sound"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AnalyzeCommand, GoodFilesAreStillReportedBesideABadOne)
{
    TempDir dir;
    writeSound(dir.file("good.wav"), sine(440.0, 44100, 0.5), 1, 44100, kPcm16Wav);
    const AnalyzerRun run = runAnalyzer({dir.file("good.wav"), "/nonexistent.wav", dir.file("good.wav")});
    EXPECT_EQ(run.exitCode, 2);
    const std::vector<std::string> out = lines(run.out);
    ASSERT_EQ(out.size(), 2u * (2 + 6)) << run.out;
    EXPECT_EQ(out[0], "# " + dir.file("good.wav"));
    EXPECT_EQ(out[1], kHeader);
    EXPECT_EQ(out[8], "# " + dir.file("good.wav"));
}

// A user's temperament file: odd names work, broken files fall back with a log line.
TEST(AnalyzeCommand, TemperamentFileOfTheUser)
{
    TempDir dir;
    writeSound(dir.file("c4.wav"), sine(48000.0 / 183.0, 48000, 1.0), 1, 48000, kFloatWav);
    // Cent form, A 10 cents low against C: C lies 10 cents above equal C4,
    // and the tone 4.43 cents above equal C4.
    std::ofstream(dir.file("mine.txt")) << "{ \"Ñandú \\\"B\\\"\" = (0, 0, 0, 0, 0, 0, 0, 0, 0, -10, 0, 0); "
                                           "broken = (1, 2, x); }";
    const AnalyzerRun custom
        = runAnalyzer({"--temperaments", dir.file("mine.txt"), "--temperament", "Ñandú \"B\"", dir.file("c4.wav")});
    ASSERT_EQ(custom.exitCode, 0) << custom.err;
    EXPECT_EQ(row(lines(custom.out).back()).cents, -5) << custom.out;
    EXPECT_NE(custom.err.find("*** Invalid Temperament Pitch Table. ***"), std::string::npos)
        << "the broken entry was dropped silently: " << custom.err;

    std::ofstream(dir.file("junk.txt")) << "this is ( not a property list";
    const AnalyzerRun junk = runAnalyzer({"--temperaments", dir.file("junk.txt"), dir.file("c4.wav")});
    ASSERT_EQ(junk.exitCode, 0) << junk.err;
    EXPECT_NE(junk.err.find("error:"), std::string::npos) << junk.err;
    EXPECT_EQ(row(lines(junk.out).back()).note, "C4");
}

TEST(AnalyzeCommand, HelpGoesToStandardOutput)
{
    const AnalyzerRun run = runAnalyzer({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("usage: quaverly-analyze"), std::string::npos);
    EXPECT_NE(run.out.find(kHeader), std::string::npos);
    EXPECT_TRUE(run.err.empty()) << run.err;
}

} // namespace
} // namespace quaverly::test
