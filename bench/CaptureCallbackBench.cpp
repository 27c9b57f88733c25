// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the IO callback path (mixing into the capture buffer and the
// hand-off of full blocks to the main thread) per device callback.
//
// First captures a tone (default 60 s, QUAVERLY_BENCH_SECONDS to change)
// from a private PulseAudio server through PulseAudioHardware, timing every
// callback as it happens, and keeps the chunks as they arrived. Then
// replays those chunks in a benchmark loop, free of the server's jitter.
// Reports median and worst per callback for both.

#include "analysis/CaptureBuffer.h"
#include "audio/PulseAudioHardware.h"
#include "support/PulseServer.h"

#include <QCoreApplication>
#include <QObject>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using namespace quaverly;
using Clock = std::chrono::steady_clock;

struct Chunk {
    std::size_t offset; // into Recording::samples
    std::uint32_t bytes;
    std::uint32_t channels;
};

// Filled on the IO thread into storage reserved up front.
struct Recording {
    CaptureBuffer *buffer = nullptr;
    std::vector<float> samples;
    std::size_t used = 0;
    std::vector<Chunk> chunks;
    std::vector<double> nanoseconds;
    std::atomic<std::size_t> count{0};
};

Recording gRecording;
std::vector<Chunk> gChunks;
std::vector<float> gSamples;
double gRateHz = 48000.0;

OSStatus timedIOProc(AudioDeviceID device, const AudioTimeStamp *now, const AudioBufferList *input,
    const AudioTimeStamp *inputTime, AudioBufferList *output, const AudioTimeStamp *outputTime, void *clientData)
{
    auto &r = *static_cast<Recording *>(clientData);
    const auto start = Clock::now();
    CaptureBuffer::ioProc(device, now, input, inputTime, output, outputTime, r.buffer);
    const auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    const std::size_t n = r.count.load(std::memory_order_relaxed);
    if (n >= r.chunks.size() || input->mNumberBuffers == 0)
        return 0;
    const AudioBuffer &b = input->mBuffers[0];
    const std::size_t floats = b.mDataByteSize / sizeof(float);
    if (r.used + floats > r.samples.size())
        return 0;
    std::memcpy(r.samples.data() + r.used, b.mData, b.mDataByteSize);
    r.chunks[n] = {r.used, b.mDataByteSize, b.mNumberChannels};
    r.used += floats;
    r.nanoseconds[n] = elapsed;
    r.count.store(n + 1, std::memory_order_release);
    return 0;
}

void printFigures(const char *what, std::vector<double> ns)
{
    if (ns.empty()) {
        std::printf("%s: no callbacks\n", what);
        return;
    }
    std::ranges::sort(ns);
    std::printf("%s: %zu callbacks, median %.0f ns, p99 %.0f ns, worst %.0f ns\n", what, ns.size(),
        ns[ns.size() / 2], ns[ns.size() * 99 / 100], ns.back());
}

bool captureLive(double seconds)
{
    test::PulseServer server{{}};
    if (!server.start()) {
        std::fprintf(stderr, "no private PulseAudio server: %s\n", server.error().c_str());
        return false;
    }
    QObject mainContext;
    std::atomic<std::size_t> blocks{0};
    CaptureBuffer buffer([&](CaptureBlock block) {
        QMetaObject::invokeMethod(&mainContext, [block, &blocks] { blocks.fetch_add(1); }, Qt::QueuedConnection);
    });
    const auto maxCallbacks = std::size_t(seconds * 2000) + 1000;
    gRecording.buffer = &buffer;
    gRecording.samples.assign(std::size_t(seconds * 48000 * 2 * 1.2), 0.0f);
    gRecording.chunks.assign(maxCallbacks, Chunk{});
    gRecording.nanoseconds.assign(maxCallbacks, 0.0);

    PulseAudioHardware hw;
    // The devices come once the server has answered.
    for (const auto deadline = Clock::now() + std::chrono::seconds(5); hw.devices().empty() && Clock::now() < deadline;)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto devices = hw.devices();
    if (devices.empty())
        return false;
    AudioStreamBasicDescription format;
    hw.streamFormat(devices.front(), true, format);
    gRateHz = format.mSampleRate;
    buffer.setSampleRate(float(gRateHz));
    server.playTone(440.0, seconds + 2.0);
    hw.addIOProc(devices.front(), &timedIOProc, &gRecording);
    hw.start(devices.front(), &timedIOProc);
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    hw.stop(devices.front(), &timedIOProc);
    hw.removeIOProc(devices.front(), &timedIOProc);
    QCoreApplication::processEvents();

    const std::size_t n = gRecording.count.load(std::memory_order_acquire);
    gChunks.assign(gRecording.chunks.begin(), gRecording.chunks.begin() + std::ptrdiff_t(n));
    gSamples.assign(gRecording.samples.begin(), gRecording.samples.begin() + std::ptrdiff_t(gRecording.used));
    printFigures("live capture", {gRecording.nanoseconds.begin(), gRecording.nanoseconds.begin() + std::ptrdiff_t(n)});
    std::printf("live capture: %zu blocks handed to the main thread at %.0f Hz\n", blocks.load(), gRateHz);
    return n > 0;
}

void BM_ReplayCapturedChunks(benchmark::State &state)
{
    QObject mainContext;
    CaptureBuffer buffer([&](CaptureBlock block) {
        QMetaObject::invokeMethod(&mainContext, [block] {}, Qt::QueuedConnection);
    });
    buffer.setSampleRate(float(gRateHz));
    auto list = makeAudioBufferList(1);
    AudioTimeStamp time;
    std::vector<double> ns;
    ns.reserve(gChunks.size());
    for (auto _ : state) {
        ns.clear();
        for (const Chunk &c : gChunks) {
            list->mBuffers[0] = {c.channels, c.bytes, gSamples.data() + c.offset};
            time.mSampleTime += double(c.bytes / (4 * c.channels));
            const auto start = Clock::now();
            CaptureBuffer::ioProc(1, &time, list.get(), &time, nullptr, &time, &buffer);
            ns.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
        }
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    std::ranges::sort(ns);
    if (!ns.empty()) {
        state.counters["callbacks"] = double(ns.size());
        state.counters["median_ns"] = ns[ns.size() / 2];
        state.counters["p99_ns"] = ns[ns.size() * 99 / 100];
        state.counters["worst_ns"] = ns.back();
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *env = std::getenv("QUAVERLY_BENCH_SECONDS");
    const double seconds = env ? std::max(1.0, std::atof(env)) : 60.0;
    if (!captureLive(seconds))
        return 1;
    benchmark::RegisterBenchmark("ReplayCapturedChunks", BM_ReplayCapturedChunks)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
