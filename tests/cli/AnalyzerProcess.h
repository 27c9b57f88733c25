// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace quaverly::test {

// A temporary folder, removed with the object.
struct TempDir {
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quaverly-cli-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string &name) const { return (path / name).string(); }
    std::filesystem::path path;
};

struct AnalyzerRun {
    int exitCode = -1; // -1 when killed by a signal
    int signal = 0;
    std::string out, err;
};

inline std::string slurp(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Runs the built quaverly-analyze with these arguments (no shell).
inline AnalyzerRun runAnalyzer(std::vector<std::string> argv)
{
    TempDir scratch;
    argv.insert(argv.begin(), QUAVERLY_ANALYZE_PATH);
    std::vector<char *> raw;
    for (std::string &a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, scratch.file("out").c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, scratch.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error(std::string("cannot start ") + QUAVERLY_ANALYZE_PATH);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0,
        slurp(scratch.file("out")), slurp(scratch.file("err"))};
}

// Splits at `separator`, without quoting.
inline std::vector<std::string> split(const std::string &text, char separator = '\n')
{
    std::vector<std::string> parts;
    std::istringstream in(separator == '\n' ? text : text + separator); // keeps a last empty field
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// Writes interleaved samples (format: SF_FORMAT_* bits), NaN and infinities kept.
inline void writeSound(const std::string &path, const std::vector<float> &interleaved, int rate, int format)
{
    SF_INFO info{0, rate, 1, format, 0, 0};
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << "cannot write " << path << ": " << sf_strerror(nullptr);
    EXPECT_EQ(sf_writef_float(file, interleaved.data(), sf_count_t(interleaved.size())), sf_count_t(interleaved.size()));
    sf_close(file);
}

// Appends a sine (hz 0: silence) to `samples`.
inline std::vector<float> sine(double hz, int rate, double seconds, double amplitude = 0.5, std::vector<float> samples = {})
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * rate); ++i)
        samples.push_back(static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate)));
    return samples;
}

} // namespace quaverly::test
