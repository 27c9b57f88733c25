// SPDX-License-Identifier: GPL-3.0-or-later
// Replays the seed corpus and every input that once crashed or hung a fuzz target; a harness
// aborts on a broken invariant and the sanitizers of the asan build catch memory faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quaverly::fuzz {

int temperamentReader(const std::uint8_t *data, std::size_t size);
int capturePath(const std::uint8_t *data, std::size_t size);
int analyzerFileReading(const std::uint8_t *data, std::size_t size);

namespace {

struct Target {
    std::string name;
    int (*run)(const std::uint8_t *, std::size_t);
};

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryKeptInputAndTinyInputsRunCleanly)
{
    std::size_t replayed = 0;
    for (const char *kind : {"corpus", "regressions"}) {
        const auto dir = std::filesystem::path(QUAVERLY_FUZZ_DIR) / kind / GetParam().name;
        std::error_code missing; // a target without regressions yet
        for (const auto &file : std::filesystem::directory_iterator(dir, missing)) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()), 0) << file;
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u) << "no seed corpus for " << GetParam().name;
    const std::uint8_t tiny[3] = {0xFF, 0x00, 0x80};
    for (std::size_t n = 0; n <= sizeof tiny; ++n)
        EXPECT_EQ(GetParam().run(tiny, n), 0) << n << " bytes";
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
    ::testing::Values(Target{"temperament", temperamentReader}, Target{"capture", capturePath},
                      Target{"analyzer", analyzerFileReading}),
    [](const ::testing::TestParamInfo<Target> &info) { return info.param.name; });

} // namespace
} // namespace quaverly::fuzz
