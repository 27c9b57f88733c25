// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalyzerProcess.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace quaverly::test {

AnalyzerRun runAnalyzer(const std::vector<std::string> &arguments)
{
    TempDir scratch;
    std::vector<std::string> argv{QUAVERLY_ANALYZE_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
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
    AnalyzerRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    std::ostringstream out, err;
    out << std::ifstream(scratch.file("out")).rdbuf();
    err << std::ifstream(scratch.file("err")).rdbuf();
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<std::string> fields(const std::string &csvLine)
{
    std::vector<std::string> result;
    std::istringstream in(csvLine + ',');
    for (std::string field; std::getline(in, field, ',');)
        result.push_back(field);
    return result;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quaverly-cli-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void writeSound(const std::string &path, const std::vector<float> &interleaved, int channels, int rate, int format)
{
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << "cannot write " << path << ": " << sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    EXPECT_EQ(sf_writef_float(file, interleaved.data(), frames), frames);
    sf_close(file);
}

std::vector<float> sine(double hz, int rate, double seconds, double amplitude)
{
    std::vector<float> samples(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate));
    return samples;
}

} // namespace quaverly::test
