// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the analysis path per block. Besides the time per iteration each
// benchmark reports ns_per_block (one 3490-sample block, 48 kHz) and
// core_pct_48k, the share of one core that 13.75 blocks a second take.

#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"
#include "music/NoteResolver.h"
#include "music/TemperamentTable.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include <time.h>

namespace quaverly {
namespace {

constexpr float kRateHz = 48000.0f;
constexpr double kBlocksPerSecond = 13.75;

double threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

// Times the benchmark loop in thread CPU time (the machine may be busy with
// other work) and reports it per block, for `iterationsPerBlock` iterations
// making one block.
class PerBlock {
public:
    explicit PerBlock(double iterationsPerBlock)
        : mIterationsPerBlock(iterationsPerBlock)
        , mStartNs(threadCpuNs())
    {
    }

    void report(benchmark::State &state) const
    {
        if (state.iterations() == 0)
            return;
        const double nsPerBlock = (threadCpuNs() - mStartNs) / double(state.iterations()) * mIterationsPerBlock;
        state.counters["ns_per_block"] = nsPerBlock;
        state.counters["core_pct_48k"] = nsPerBlock * kBlocksPerSecond * 1e-9 * 100.0;
    }

private:
    double mIterationsPerBlock;
    double mStartNs;
};

void BM_CaptureStereoCallback512(benchmark::State &state)
{
    const bool twins = state.range(0) != 0;
    std::uint64_t blocks = 0;
    CaptureBuffer capture([&](CaptureBlock block) {
        benchmark::DoNotOptimize(block->data());
        ++blocks;
    });
    capture.setSampleRate(kRateHz);
    std::vector<float> samples(2 * 512);
    for (std::size_t f = 0; f < 512; ++f) {
        const auto s = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * double(f) / kRateHz));
        samples[2 * f] = s;
        samples[2 * f + 1] = twins ? s : 0.5f * s;
    }
    auto list = makeAudioBufferList(1);
    list->mBuffers[0] = AudioBuffer{2, static_cast<std::uint32_t>(samples.size() * sizeof(float)), samples.data()};
    AudioTimeStamp time;
    time.mSampleTime = 1.0;
    const PerBlock perBlock(blockLength(kRateHz) / 512.0);
    for (auto _ : state) {
        CaptureBuffer::ioProc(1, &time, list.get(), &time, nullptr, &time, &capture);
        time.mSampleTime += 512.0;
    }
    perBlock.report(state);
    benchmark::DoNotOptimize(blocks);
}
BENCHMARK(BM_CaptureStereoCallback512)->ArgName("twin_channels")->Arg(0)->Arg(1);

void runDetect(benchmark::State &state, const std::vector<float> &block)
{
    PitchDetector detector;
    const PerBlock perBlock(1.0);
    for (auto _ : state) {
        detector.detectPitch(block, kRateHz, static_cast<std::uint32_t>(block.size()));
        benchmark::DoNotOptimize(detector);
    }
    perBlock.report(state);
    char label[32];
    std::snprintf(label, sizeof label, "reads %.2f Hz", detector.mRawFrequency);
    state.SetLabel(label);
}

void BM_DetectSine440(benchmark::State &state)
{
    std::vector<float> block(blockLength(kRateHz));
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * double(i) / kRateHz));
    runDetect(state, block);
}
BENCHMARK(BM_DetectSine440);

void BM_DetectPianoC4(benchmark::State &state)
{
    const std::string path = std::string(QUAVERLY_TESTDATA_DIR) + "/instruments/acoustic_grand_piano_C4_+5c_48k.flac";
    SF_INFO info{};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels != 1 || info.samplerate != 48000) {
        state.SkipWithError(("cannot read " + path).c_str());
        if (file)
            sf_close(file);
        return;
    }
    std::vector<float> block(blockLength(kRateHz));
    sf_seek(file, 24000, SEEK_SET); // 0.5 s: past the attack
    const sf_count_t got = sf_readf_float(file, block.data(), static_cast<sf_count_t>(block.size()));
    sf_close(file);
    if (got != static_cast<sf_count_t>(block.size())) {
        state.SkipWithError("the piano recording is too short");
        return;
    }
    runDetect(state, block);
}
BENCHMARK(BM_DetectPianoC4);

void BM_ResolveNote(benchmark::State &state)
{
    NoteResolver resolver(loadTemperaments(kBuiltInTemperaments));
    resolver.setTuning(state.range(0));
    resolver.setTonic(2);
    float frequency = 446.0f;
    const PerBlock perBlock(1.0);
    for (auto _ : state) {
        auto note = resolver.resolve(frequency);
        benchmark::DoNotOptimize(note);
        frequency = frequency == 446.0f ? 233.1f : 446.0f;
    }
    perBlock.report(state);
}
BENCHMARK(BM_ResolveNote)->ArgName("tuning")->Arg(0)->Arg(1);

} // namespace
} // namespace quaverly

BENCHMARK_MAIN();
