// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the built quaverly-analyze and makes the sound files it reads.

#include <QTemporaryDir>

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace quaverly::test {

struct TempDir : QTemporaryDir {
    std::string file(const std::string &name) const { return filePath(QString::fromStdString(name)).toStdString(); }
};

struct AnalyzerRun {
    int exitCode = -1; // -1 when killed by a signal
    std::string out, err;
};

inline std::string slurp(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Arguments are quoted for the shell; stdin is empty.
inline AnalyzerRun runAnalyzer(const std::vector<std::string> &arguments)
{
    TempDir scratch;
    std::string command = "'" QUAVERLY_ANALYZE_PATH "'";
    for (const std::string &a : arguments) {
        command += " '";
        for (char c : a)
            command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += '\'';
    }
    const int status = std::system((command + " </dev/null >" + scratch.file("out") + " 2>" + scratch.file("err")).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(scratch.file("out")), slurp(scratch.file("err"))};
}

inline std::vector<std::string> split(const std::string &text, char separator = '\n')
{
    std::vector<std::string> parts;
    std::istringstream in(separator == '\n' ? text : text + separator); // keeps a last empty field
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// Mono samples as a WAV file of `format`, NaN and infinities kept.
inline void writeSound(const std::string &path, const std::vector<float> &samples, int rate, int format)
{
    SF_INFO info{0, rate, 1, format, 0, 0};
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << "cannot write " << path << ": " << sf_strerror(nullptr);
    sf_writef_float(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
}

// Appends a sine (hz 0: silence).
inline std::vector<float> sine(double hz, int rate, double seconds, double amplitude = 0.5, std::vector<float> samples = {})
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * rate); ++i)
        samples.push_back(static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate)));
    return samples;
}

} // namespace quaverly::test
