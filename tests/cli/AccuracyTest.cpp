// SPDX-License-Identifier: GPL-3.0-or-later
// Accuracy over recorded instruments: on the sustained part of a note the
// window must mostly show the labelled note, and the smoothed frequency sit
// near the period the recording really has (a period detector reads stiff
// strings sharp). The bars sit just below what the detector reached when they
// were set; a drop means the analysis changed, not that a bar needs easing.
#include "cli/AnalyzerProcess.h"

#include <algorithm>
#include <map>

namespace quaverly::test {
namespace {

const std::string kFolder = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/";

struct Bar {
    const char *instrument;
    double minShare;      // every file: share of sustained blocks showing the labelled note
    double meanShare;     // the instrument's files on average
    double maxErrorCents; // every file: |median of frequency_hz against the periodicity|
};
class Accuracy : public ::testing::TestWithParam<Bar> {};

TEST_P(Accuracy, ShowsTheLabelledNoteOnTheSustainedPart)
{
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
        if (label["instrument"] != GetParam().instrument)
            continue;
        const AnalyzerRun run = runAnalyzer({kFolder + label["file"]});
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
        EXPECT_GE(share, GetParam().minShare) << label["file"] << ": " << wanted << " on " << errors.size() << " of " << blocks;
        if (!errors.empty()) {
            std::nth_element(errors.begin(), errors.begin() + errors.size() / 2, errors.end());
            EXPECT_LE(std::abs(errors[errors.size() / 2]), GetParam().maxErrorCents) << label["file"];
        }
        shareSum += share;
        ++files;
    }
    ASSERT_GT(files, 0) << "no recordings of " << GetParam().instrument;
    EXPECT_GE(shareSum / files, GetParam().meanShare);
}

constexpr Bar kBars[] = {
    {"acoustic_grand_piano", 0.15, 0.85, 6.0}, {"alto_sax", 0.95, 0.95, 6.5}, {"cello", 0.65, 0.90, 7.0},
    {"clarinet", 0.95, 0.95, 1.5}, {"electric_bass_finger", 0.65, 0.85, 14.5}, {"flute", 0.95, 0.95, 2.0},
    {"french_horn", 0.85, 0.95, 2.0}, {"harpsichord", 0.25, 0.80, 5.0}, {"nylon_guitar", 0.90, 0.95, 2.0},
    {"oboe", 0.90, 0.90, 7.0}, {"steel_guitar", 0.80, 0.95, 7.0}, {"trumpet", 0.95, 0.95, 1.0},
    {"violin", 0.65, 0.85, 10.0},
};

INSTANTIATE_TEST_SUITE_P(Instruments, Accuracy, ::testing::ValuesIn(kBars),
    [](const auto &info) { return std::string(info.param.instrument); });

} // namespace
} // namespace quaverly::test
