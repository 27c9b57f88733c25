// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/CaptureBlock.h"
#include "AudioTypes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace quaverly {

// Lowest resolvable note, A0; a block holds two of its periods.
inline constexpr double kLowestNoteHz = 27.5;

// Twice the fastest rate sound servers offer (768 kHz). Anything above is a
// bogus report, and would make the IO thread allocate gigabytes.
inline constexpr double kHighestSampleRateHz = 1536000.0;

// Block length in samples for a sample rate: trunc(q + q), q = rate / 27.5
// in double precision from the float rate. Rates that give no usable block
// (below 13.75 Hz, above kHighestSampleRateHz, NaN, infinite) give 0.
[[nodiscard]] std::uint32_t blockLength(float sampleRateHz) noexcept;

// Turns device input of any buffer and channel layout into mono 32-bit float
// samples clamped to [-1, 1], gathers them into analysis blocks of two A0
// periods at the current rate and hands each full block to the sink as a
// private copy. Consecutive blocks do not overlap.
//
// Threads: inputIOProc() and ioProc() run on the audio IO thread only;
// setSampleRate() on any one other thread at a time (main or notification);
// bufferFrames() and sampleRate() anywhere. The IO path takes no lock, logs
// nothing and allocates only the one block copy per full block (plus the
// accumulation buffer after a rate change).
//
// Decided corners: a rate that gives no usable block (below 13.75 Hz, 0
// before a device is open, NaN) is stored, but the IO path then drops all
// input until a usable rate is set. A first buffer with zero channels or no
// data yields nothing; a later one ends the run of used buffers. A time stamp
// that is not positive (NaN included) is ignored. If the accumulation buffer
// cannot be allocated, input is dropped and the next callback tries again.
class CaptureBuffer {
public:
    // Called on the IO thread, once per full block; must not block.
    using BlockSink = std::function<void(CaptureBlock)>;
    // realloc-shaped; replaceable so that tests can make allocation fail.
    using Reallocate = void *(*)(void *block, std::size_t bytes) noexcept;

    // A null reallocate is the system's realloc.
    explicit CaptureBuffer(BlockSink sink, Reallocate reallocate = nullptr);
    CaptureBuffer(const CaptureBuffer &) = delete;
    CaptureBuffer &operator=(const CaptureBuffer &) = delete;

    // Stores the rate, then marks the buffer invalid (release), so the next
    // callback drops the partial block and starts afresh at the new length.
    void setSampleRate(float rateHz) noexcept;
    [[nodiscard]] float sampleRate() const noexcept;
    // Block length in samples as the IO thread last built it (acquire);
    // 0 until the first callback after a usable rate.
    [[nodiscard]] std::uint32_t bufferFrames() const noexcept;

    // IO thread only. Always returns 0.
    OSStatus inputIOProc(const AudioDeviceProcParams *params) noexcept;

    // AudioDeviceIOProc-shaped trampoline; clientData is the CaptureBuffer*.
    static OSStatus ioProc(AudioDeviceID inDevice, const AudioTimeStamp *inNow,
        const AudioBufferList *inInputData, const AudioTimeStamp *inInputTime,
        AudioBufferList *outOutputData, const AudioTimeStamp *inOutputTime, void *clientData) noexcept;

private:
    struct FreeDeleter {
        void operator()(float *p) const noexcept;
    };

    void rebuildBuffer() noexcept;

    BlockSink mSink;
    Reallocate mReallocate;
    std::atomic<float> mSampleRate{0.0f};              // written by setSampleRate's caller
    std::unique_ptr<float, FreeDeleter> mBuffer;       // IO thread only
    std::uint32_t mBufferOffset = 0;                   // IO thread only
    std::atomic<std::uint32_t> mBufferFrames{0};       // written by the IO thread
    std::atomic<bool> mIsBufferInvalid{false};         // set by setSampleRate's caller, cleared by the IO thread
};

} // namespace quaverly
