// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quaverly::test {

struct AnalyzerRun {
    int exitCode = -1;   // -1: killed by a signal (a crash)
    int signal = 0;
    std::string out;
    std::string err;
};

// Runs the built quaverly-analyze with these arguments (no shell involved).
AnalyzerRun runAnalyzer(const std::vector<std::string> &arguments);

// Splits text into lines without their line ends.
std::vector<std::string> lines(const std::string &text);
// Splits one CSV line at commas (the analyzer's fields hold no quotes).
std::vector<std::string> fields(const std::string &line);

// A temporary folder removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    [[nodiscard]] const std::filesystem::path &path() const { return mPath; }
    [[nodiscard]] std::string file(const std::string &name) const { return (mPath / name).string(); }

private:
    std::filesystem::path mPath;
};

// Writes interleaved samples as a sound file (format: SF_FORMAT_* bits).
void writeSound(const std::string &path, const std::vector<float> &interleaved, int channels, int sampleRate,
    int format);

// A sine of `seconds` at `hz`, amplitude `amplitude`, mono.
std::vector<float> sine(double hz, int sampleRate, double seconds, double amplitude = 0.5);

} // namespace quaverly::test
