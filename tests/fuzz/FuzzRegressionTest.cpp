// SPDX-License-Identifier: GPL-3.0-or-later
// Replays the seed corpus and every input that once crashed or hung a fuzz
// target; a harness aborts on a broken invariant and the sanitizers of the
// asan build catch memory faults.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quaverly::fuzz {
namespace {

struct Target {
    const char *name;
    int (*run)(const std::uint8_t *, std::size_t);
};

class FuzzReplay : public ::testing::TestWithParam<Target> {};

std::vector<std::filesystem::path> inputsOf(const std::string &target)
{
    std::vector<std::filesystem::path> files;
    for (const char *kind : {"corpus", "regressions"}) {
        const std::filesystem::path dir = std::filesystem::path(QUAVERLY_FUZZ_DIR) / kind / target;
        if (!std::filesystem::is_directory(dir))
            continue;
        for (const auto &entry : std::filesystem::directory_iterator(dir)) {
            if (entry.is_regular_file())
                files.push_back(entry.path());
        }
    }
    return files;
}

TEST_P(FuzzReplay, EveryKeptInputRunsCleanly)
{
    const auto files = inputsOf(GetParam().name);
    ASSERT_FALSE(files.empty()) << "no seed corpus for " << GetParam().name;
    for (const auto &file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()), 0);
    }
}

TEST_P(FuzzReplay, EmptyAndTinyInputsRunCleanly)
{
    const std::uint8_t bytes[3] = {0xFF, 0x00, 0x80};
    for (std::size_t n = 0; n <= sizeof bytes; ++n)
        EXPECT_EQ(GetParam().run(bytes, n), 0) << n << " bytes";
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
    ::testing::Values(Target{"temperament", temperamentReader}, Target{"capture", capturePath},
        Target{"analyzer", analyzerFileReading}),
    [](const ::testing::TestParamInfo<Target> &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly::fuzz
