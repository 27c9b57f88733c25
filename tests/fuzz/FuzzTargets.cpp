// SPDX-License-Identifier: GPL-3.0-or-later
// One function per fuzz target, over arbitrary bytes. The libFuzzer build compiles this file
// once per target with QUAVERLY_LIBFUZZER naming it; the suite replays the seed corpus and every
// input that once failed through the same functions. A broken invariant aborts, and the
// sanitizers of the asan build catch memory faults.
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "analysis/PreciseDetector.h"
#include "music/ScalaScale.h"
#include "music/TemperamentTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef QUAVERLY_LIBFUZZER
#include <gtest/gtest.h>
#endif

namespace quaverly::fuzz {
namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The fuzzer's bytes as values; zeros past the end.
struct Input {
    const std::uint8_t *data;
    std::size_t size;
    template <typename T> T take()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), size);
        std::memcpy(&value, data, n);
        data += n, size -= n;
        return value;
    }
};

} // namespace

// The temperament reader, raw or with each byte widened to a UTF-16 unit (either order, with or
// without a mark), so the decoders and the parser all see hostile input while a seed's ASCII
// structure survives.
int temperamentReader(const std::uint8_t *data, std::size_t size)
{
    Input in{data, size};
    const auto mode = in.take<std::uint8_t>() % 5;
    std::string bytes(mode == 1 ? "\xFF\xFE" : mode == 2 ? "\xFE\xFF" : "");
    for (std::size_t i = 0; i < in.size; ++i) {
        const char b = char(in.data[i]);
        bytes += mode == 0 ? std::string{b} : mode % 2 == 1 ? std::string{b, '\0'} : std::string{'\0', b};
    }
    const TemperamentTable table = loadTemperaments(bytes, [](std::string_view line) { check(!line.empty()); });
    check(table.temperamentCount() == table.names().size());
    for (std::size_t r = 0; r < table.names().size(); ++r)
        check(table.row(r)[0] == 1.0f && table.rowOf(table.name(r)) && !table.toolTip(r).empty());
    return 0;
}

// The Scala reader: a scale has a name without control characters and twelve positive finite
// ratios from 1; a refusal names a reason and a line the input has (0: the whole file).
int scalaReader(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const ScalaReading reading = readScalaScale(bytes);
    if (!reading.scale) {
        // A missing line is named as the one after the last.
        const auto lines = std::size_t(std::count(bytes.begin(), bytes.end(), '\n'))
            + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
        check(!reading.error.reason.empty() && reading.error.line <= lines + 1);
        return 0;
    }
    check(!reading.scale->name.empty() && reading.scale->ratios[0] == 1.0f);
    for (const unsigned char c : reading.scale->name)
        check(c >= 0x20 && c != 0x7F);
    for (const float ratio : reading.scale->ratios)
        check(std::isfinite(ratio) && ratio > 0.0f);
    return 0;
}

// The IO callback as a hostile device drives it: any number of buffers with any channel count,
// byte size and contents, missing data and rate changes (any float) between cycles. Every
// buffer has exactly the bytes it states. Each block goes through detection as the window's; the
// input chooses per cycle whether the precise detector reads too (it must measure the same level).
int capturePath(const std::uint8_t *data, std::size_t size)
{
    Input in{data, size};
    const auto nextRate = [&] { return in.take<std::uint8_t>() < 200 ? 48000.0f : in.take<float>(); };
    float rate = nextRate();
    PitchDetector detector;
    PreciseDetector precise;
    bool usePrecise = false; // chosen per cycle by the input
    CaptureBuffer *self = nullptr;
    CaptureBuffer capture([&](CaptureBlock block) {
        check(block && block->size() == self->bufferFrames() && block->size() == blockLength(rate));
        for (float s : *block)
            check(std::isnan(s) || (s >= -1.0f && s <= 1.0f));
        const auto frames = static_cast<std::uint32_t>(block->size());
        if (detector.detectPitch(*block, rate, frames))
            check(detector.mRawFrequency > 0.0f && detector.mRawFrequency <= rate);
        check(detector.mPeak >= 0 && detector.mPeak <= 96);
        if (!usePrecise)
            return;
        if (precise.detectPitch(*block, rate, frames))
            check(precise.mRawFrequency > 0.0f && precise.mRawFrequency <= rate);
        check(precise.mPeak == detector.mPeak && precise.mRawPeak == detector.mRawPeak);
    });
    self = &capture;
    capture.setSampleRate(rate);
    for (int cycle = 0; cycle < 64 && in.size > 0; ++cycle) {
        const auto op = in.take<std::uint8_t>();
        usePrecise = (op & 0x10) != 0;
        if (op % 16 == 0) {
            capture.setSampleRate(rate = nextRate());
            continue;
        }
        AudioBufferListPtr list = makeAudioBufferList(in.take<std::uint8_t>() % 6);
        std::vector<std::vector<std::uint8_t>> memory;
        for (AudioBuffer &b : buffers(*list)) {
            const auto shape = in.take<std::uint8_t>();
            b.mNumberChannels = (shape & 0x80) != 0 ? in.take<std::uint32_t>() : shape % 9;
            b.mDataByteSize = in.take<std::uint16_t>() % 16385u; // a block or more at any rate
            if ((shape & 0x40) != 0)
                continue; // no data at all
            const std::size_t pattern = std::min<std::size_t>(1 + in.take<std::uint8_t>() % 32, in.size);
            auto &bytes = memory.emplace_back(b.mDataByteSize);
            for (std::size_t i = 0; i < bytes.size() && pattern > 0; ++i)
                bytes[i] = in.data[i % pattern];
            in.data += pattern, in.size -= pattern;
            b.mData = bytes.data();
        }
        AudioTimeStamp stamp;
        stamp.mSampleTime = 512.0 * cycle;
        CaptureBuffer::ioProc(1, &stamp, op % 16 == 1 ? nullptr : list.get(), op % 16 == 2 ? nullptr : &stamp,
                              nullptr, &stamp, &capture);
    }
    return 0;
}

#ifdef QUAVERLY_LIBFUZZER
} // namespace quaverly::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return quaverly::fuzz::QUAVERLY_LIBFUZZER(data, size);
}
#else
namespace {

struct Target {
    std::string name;
    int (*run)(const std::uint8_t *, std::size_t);
};
class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryKeptInputRunsCleanly)
{
    std::size_t replayed = 0;
    for (const char *kind : {"corpus", "regressions"}) {
        std::error_code missing; // a target without regressions yet
        for (const auto &file : std::filesystem::directory_iterator(
                 std::filesystem::path(QUAVERLY_FUZZ_DIR) / kind / GetParam().name, missing)) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()), 0) << file;
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u) << "no seed corpus for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::Values(Target{"temperament", temperamentReader},
    Target{"capture", capturePath}, Target{"scala", scalaReader}),
    [](const ::testing::TestParamInfo<Target> &info) { return info.param.name; });

} // namespace
} // namespace quaverly::fuzz
#endif
