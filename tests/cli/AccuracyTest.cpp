// SPDX-License-Identifier: GPL-3.0-or-later
// Accuracy regression over recorded instruments: on the sustained part of
// each note the window must mostly show the labelled note, and the smoothed
// frequency must sit near the period the recording really has. The bars are
// set just below what the detector reached when they were written; a drop
// means the analysis path changed, not that the bars need easing.

#include "cli/AnalyzerProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quaverly::test {
namespace {

const std::string kInstruments = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/";

struct Label {
    std::string file;
    std::string instrument;
    int midiNote = 0;
    int sampleRate = 0;
    double periodicityHz = 0.0; // what a period detector should read
    double onsetS = 0.0;
    double sustainEndS = 0.0;
};

std::vector<Label> readLabels()
{
    std::ifstream in(kInstruments + "labels.csv");
    std::vector<Label> labels;
    std::string line;
    if (!std::getline(in, line))
        return labels;
    const std::vector<std::string> header = fields(line);
    const auto column = [&](const char *name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const std::size_t file = column("file"), instrument = column("instrument"), midi = column("midi_note"),
                      rate = column("sample_rate"), periodicity = column("periodicity_frequency_hz"),
                      onset = column("onset_s"), sustainEnd = column("sustain_end_s");
    while (std::getline(in, line)) {
        const std::vector<std::string> f = fields(line);
        if (f.size() != header.size())
            continue;
        labels.push_back(Label{f[file], f[instrument], std::stoi(f[midi]), std::stoi(f[rate]),
            std::stod(f[periodicity]), std::stod(f[onset]), std::stod(f[sustainEnd])});
    }
    return labels;
}

// The note as the window names it (sharps and flats as the readout has them).
std::string shownName(int midiNote)
{
    static const char *const kNames[] = {"C", "C♯", "D", "E♭", "E", "F", "F♯", "G", "G♯", "A", "B♭", "B"};
    return std::string(kNames[midiNote % 12]) + std::to_string(midiNote / 12 - 1);
}

struct FileScore {
    std::size_t blocks = 0;      // blocks wholly inside the sustained part
    std::size_t labelled = 0;    // of those, blocks showing the labelled note
    double medianErrorCents = 0; // smoothed frequency vs the recording's period, on labelled blocks
};

FileScore score(const Label &label)
{
    const AnalyzerRun run = runAnalyzer({kInstruments + label.file});
    EXPECT_EQ(run.exitCode, 0) << label.file << ": " << run.err;
    const double blockS = std::floor(2.0 * (static_cast<float>(label.sampleRate) / 27.5)) / label.sampleRate;
    const std::string wanted = shownName(label.midiNote);
    FileScore result;
    std::vector<double> errors;
    const std::vector<std::string> out = lines(run.out);
    for (std::size_t i = 1; i < out.size(); ++i) {
        const std::vector<std::string> f = fields(out[i]);
        const double start = std::stoi(f[0]) * blockS;
        if (start < label.onsetS + 0.15 || start + blockS > label.sustainEndS)
            continue;
        ++result.blocks;
        if (f[5] != wanted)
            continue;
        ++result.labelled;
        errors.push_back(1200.0 * std::log2(std::stod(f[4]) / label.periodicityHz));
    }
    if (!errors.empty()) {
        std::sort(errors.begin(), errors.end());
        const std::size_t m = errors.size() / 2;
        result.medianErrorCents = errors.size() % 2 ? errors[m] : (errors[m - 1] + errors[m]) / 2.0;
    }
    return result;
}

struct Bar {
    const char *instrument;
    double minShare;       // every file shows its note on at least this share of blocks
    double meanShare;      // the instrument's files on average
    double maxErrorCents;  // |median error| of every file
};

class Accuracy : public ::testing::TestWithParam<Bar> {};

TEST_P(Accuracy, ShowsTheLabelledNoteOnTheSustainedPart)
{
    const Bar &bar = GetParam();
    const std::vector<Label> labels = readLabels();
    ASSERT_FALSE(labels.empty()) << "no labels in " << kInstruments;
    double shareSum = 0.0;
    double worstShare = 1.0;
    double worstError = 0.0;
    int files = 0;
    for (const Label &label : labels) {
        if (label.instrument != bar.instrument)
            continue;
        const FileScore s = score(label);
        ASSERT_GT(s.blocks, 0u) << label.file << ": no block inside the sustained part";
        const double share = double(s.labelled) / double(s.blocks);
        EXPECT_GE(share, bar.minShare) << label.file << ": labelled note on " << s.labelled << " of " << s.blocks
                                       << " blocks";
        if (s.labelled > 0) {
            EXPECT_LE(std::abs(s.medianErrorCents), bar.maxErrorCents) << label.file;
            worstError = std::max(worstError, std::abs(s.medianErrorCents));
        }
        shareSum += share;
        worstShare = std::min(worstShare, share);
        ++files;
    }
    ASSERT_GT(files, 0) << "no recordings of " << bar.instrument;
    const double mean = shareSum / files;
    EXPECT_GE(mean, bar.meanShare);
    std::printf("accuracy %-22s files %d  min share %.3f  mean share %.3f  worst |median error| %.2f cents\n",
        bar.instrument, files, worstShare, mean, worstError);
}

const Bar kBars[] = {
    {"acoustic_grand_piano", 0.15, 0.85, 6.0},
    {"alto_sax", 0.95, 0.95, 6.0},
    {"cello", 0.65, 0.90, 7.0},
    {"clarinet", 0.95, 0.95, 1.5},
    {"electric_bass_finger", 0.65, 0.85, 14.5},
    {"flute", 0.95, 0.95, 2.0},
    {"french_horn", 0.85, 0.95, 2.0},
    {"harpsichord", 0.25, 0.80, 5.0},
    {"nylon_guitar", 0.90, 0.95, 2.0},
    {"oboe", 0.90, 0.90, 7.0},
    {"steel_guitar", 0.80, 0.95, 7.0},
    {"trumpet", 0.95, 0.95, 1.0},
    {"violin", 0.65, 0.85, 10.0},
};

INSTANTIATE_TEST_SUITE_P(Instruments, Accuracy, ::testing::ValuesIn(kBars),
    [](const auto &info) { return std::string(info.param.instrument); });

TEST(AccuracyCoverage, EveryLabelledInstrumentHasABar)
{
    std::set<std::string> barred;
    for (const Bar &bar : kBars)
        barred.insert(bar.instrument);
    const std::vector<Label> labels = readLabels();
    ASSERT_FALSE(labels.empty()) << "no labels in " << kInstruments;
    for (const Label &label : labels)
        EXPECT_TRUE(barred.count(label.instrument)) << label.instrument << " (" << label.file << ") is not scored";
}

} // namespace
} // namespace quaverly::test
