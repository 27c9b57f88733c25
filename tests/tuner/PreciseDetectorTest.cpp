// SPDX-License-Identifier: GPL-3.0-or-later
// The precise detector through the tuner core: the fundamental where harmonics
// bait an octave or a twelfth, no reading from noise, and defined behaviour on
// non-finite samples.
#include "analysis/CaptureBuffer.h"
#include "analysis/PreciseDetector.h"
#include "tuner/Tuner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace quaverly {
namespace {

// A sum of partials, with white noise (deterministic) and silence before it starts.
struct Sound {
    double hz = 0.0;
    std::vector<std::pair<double, double>> partials; // multiple of hz, amplitude
    double noise = 0.0;                             // amplitude of uniform noise
    double smoothing = 0.0;                         // of the noise: one pole, 0 (white) ... 1
    double silentShare = 0.0;                       // of the first block
    float rateHz = 48000.0f;
};

std::vector<float> render(const Sound &sound, std::size_t count, unsigned seed)
{
    const float rateHz = sound.rateHz;
    const std::size_t block = blockLength(rateHz);
    std::vector<float> samples(block * count);
    auto from = static_cast<std::size_t>(sound.silentShare * double(block));
    double noise = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise = sound.smoothing * noise + (1.0 - sound.smoothing) * (double(seed >> 8) / double(1u << 24) * 2.0 - 1.0);
        double s = sound.noise * noise;
        for (const auto &[k, a] : sound.partials)
            s += i < from ? 0.0 : a * std::sin(2.0 * std::numbers::pi * k * sound.hz * double(i) / rateHz + k);
        samples[i] = static_cast<float>(s);
    }
    return samples;
}

// Blocks through a precise tuner; the readings the blocks yielded.
std::vector<std::optional<float>> readings(Tuner &tuner, const std::vector<float> &samples, float rateHz)
{
    const std::size_t block = blockLength(rateHz);
    std::vector<std::optional<float>> raw;
    for (std::size_t at = 0; at + block <= samples.size(); at += block)
        raw.push_back(tuner.updateUI(std::make_shared<const std::vector<float>>(samples.begin() + std::ptrdiff_t(at),
                                         samples.begin() + std::ptrdiff_t(at + block)),
            rateHz).rawHz);
    return raw;
}

struct PreciseRow {
    const char *name;
    Sound sound;
    double expectedHz; // 0: no block may yield a reading
};
class PreciseTone : public ::testing::TestWithParam<PreciseRow> {};

// A clear A4 first, so that a block that should give nothing can be told from one that holds.
TEST_P(PreciseTone, ReadsTheFundamentalOrNothing)
{
    const PreciseRow &row = GetParam();
    Tuner tuner;
    tuner.setDetection(Detection::Precise);
    readings(tuner, render({.hz = 440.0, .partials = {{1, 0.5}}, .rateHz = row.sound.rateHz}, 1, 1), row.sound.rateHz);
    const float before = tuner.reading().frequencyHz;
    const auto raw = readings(tuner, render(row.sound, 4, 7), row.sound.rateHz);
    for (std::size_t b = 0; b < raw.size(); ++b) {
        if (row.expectedHz == 0.0) {
            EXPECT_FALSE(raw[b].has_value()) << "block " << b << " read " << raw[b].value_or(0.0f) << " Hz";
            continue;
        }
        ASSERT_TRUE(raw[b].has_value()) << "block " << b << " read nothing";
        EXPECT_NEAR(1200.0 * std::log2(*raw[b] / row.expectedHz), 0.0, 3.0) << "block " << b;
    }
    if (row.expectedHz == 0.0) {
        EXPECT_EQ(tuner.reading().frequencyHz, before);
    }
}

INSTANTIATE_TEST_SUITE_P(Tones, PreciseTone, ::testing::Values(
    PreciseRow{"MissingFundamental", {.hz = 110.0, .partials = {{2, 0.3}, {3, 0.3}, {4, 0.2}, {5, 0.1}}}, 110.0},
    PreciseRow{"FundamentalTwentyDecibelsUnderSecond", {.hz = 82.4, .partials = {{1, 0.05}, {2, 0.5}, {4, 0.2}}}, 82.4},
    PreciseRow{"FundamentalUnderAStrongThird", {.hz = 233.0, .partials = {{1, 0.08}, {3, 0.6}, {6, 0.1}}}, 233.0},
    PreciseRow{"LowA0WithoutFundamental", {.hz = 27.5, .partials = {{2, 0.2}, {3, 0.3}, {4, 0.2}, {5, 0.1}}}, 27.5},
    PreciseRow{"HighC8AtLowRate", {.hz = 4186.0, .partials = {{1, 0.5}}, .rateHz = 22050.0f}, 4186.0},
    PreciseRow{"HighC8ReadAtAQuarterOf96kHz", {.hz = 4186.0, .partials = {{1, 0.5}}, .rateHz = 96000.0f}, 4186.0},
    PreciseRow{"LowA0ReadAtAQuarterOf96kHz", {.hz = 27.5, .partials = {{1, 0.3}, {2, 0.3}}, .rateHz = 96000.0f}, 27.5},
    PreciseRow{"HighPartialsAtTheOldNyquist", {.hz = 440.0, .partials = {{1, 0.3}, {50, 0.3}, {53, 0.3}}}, 440.0},
    PreciseRow{"ToneStartingMidBlock", {.hz = 440.0, .partials = {{1, 0.5}}, .silentShare = 0.6}, 440.0},
    PreciseRow{"ToneWithNoiseSixteenDecibelsDown", {.hz = 196.0, .partials = {{1, 0.4}, {2, 0.2}}, .noise = 0.1}, 196.0},
    PreciseRow{"Silence", {}, 0.0},
    PreciseRow{"WhiteNoise", {.partials = {}, .noise = 0.5}, 0.0},
    PreciseRow{"Rumble", {.partials = {}, .noise = 20.0, .smoothing = 0.99}, 0.0},
    PreciseRow{"Hiss", {.partials = {}, .noise = 4.0, .smoothing = 0.9}, 0.0},
    PreciseRow{"ToneBuriedInNoise", {.hz = 220.0, .partials = {{1, 0.1}}, .noise = 0.5}, 0.0},
    PreciseRow{"QuietToneUnderTheLevelGate", {.hz = 220.0, .partials = {{1, 0.0025}}}, 0.0}),
    [](const auto &info) { return std::string(info.param.name); });

// Non-finite samples: no reading, the mailbox kept, the level measured as the classic detector does.
struct NonFiniteRow {
    const char *name;
    std::size_t at; // where the sample goes in a 440 Hz block
    float value;
};
class PreciseNonFinite : public ::testing::TestWithParam<NonFiniteRow> {};

TEST_P(PreciseNonFinite, GivesNoReadingAndTheClassicLevel)
{
    std::vector<float> block = render({.hz = 440.0, .partials = {{1, 0.5}}}, 1, 1);
    block[GetParam().at] = GetParam().value;
    PreciseDetector precise;
    precise.mRawFrequency = 123.0f;
    PitchDetector classic;
    classic.detectPitch(block, 48000.0f, 3490);
    EXPECT_FALSE(precise.detectPitch(block, 48000.0f, 3490));
    EXPECT_EQ(precise.mRawFrequency, 123.0f);
    EXPECT_EQ(precise.mRawPeak, classic.mRawPeak);
    EXPECT_EQ(precise.mPeak, classic.mPeak);
}

INSTANTIATE_TEST_SUITE_P(Samples, PreciseNonFinite, ::testing::Values(
    NonFiniteRow{"NaNFirst", 0, std::numeric_limits<float>::quiet_NaN()},
    NonFiniteRow{"PlusInfinityLast", 3489, std::numeric_limits<float>::infinity()}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace quaverly
