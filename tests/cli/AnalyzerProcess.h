// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quaverly::test {

struct AnalyzerRun {
    int exitCode = -1; // -1 when killed by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

// Runs the built quaverly-analyze with these arguments (no shell).
AnalyzerRun runAnalyzer(const std::vector<std::string> &arguments);

std::vector<std::string> lines(const std::string &text);
std::vector<std::string> fields(const std::string &csvLine); // no quoting

// A temporary folder, removed with the object.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string file(const std::string &name) const { return (path / name).string(); }
    std::filesystem::path path;
};

// Writes interleaved samples (format: SF_FORMAT_* bits), NaN and infinities kept.
void writeSound(const std::string &path, const std::vector<float> &interleaved, int channels, int rate, int format);
std::vector<float> sine(double hz, int rate, double seconds, double amplitude = 0.5);

} // namespace quaverly::test
