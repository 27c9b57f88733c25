// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureBuffer.h"

#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace quaverly {

std::uint32_t blockLength(float sampleRateHz) noexcept
{
    const double q = static_cast<double>(sampleRateHz) / kLowestNoteHz;
    const double frames = q + q;
    // Reject NaN too: every comparison with it is false.
    if (!(frames >= 1.0) || !(static_cast<double>(sampleRateHz) <= kHighestSampleRateHz))
        return 0;
    return static_cast<std::uint32_t>(frames);
}

void CaptureBuffer::FreeDeleter::operator()(float *p) const noexcept
{
    std::free(p);
}

namespace {

void *systemReallocate(void *block, std::size_t bytes) noexcept
{
    return std::realloc(block, bytes);
}

} // namespace

CaptureBuffer::CaptureBuffer(BlockSink sink, Reallocate reallocate)
    : mSink(std::move(sink))
    , mReallocate(reallocate != nullptr ? reallocate : systemReallocate)
{
}

void CaptureBuffer::setSampleRate(float rateHz) noexcept
{
    mSampleRate.store(rateHz, std::memory_order_release);
    mIsBufferInvalid.store(true, std::memory_order_release);
}

float CaptureBuffer::sampleRate() const noexcept
{
    return mSampleRate.load(std::memory_order_acquire);
}

std::uint32_t CaptureBuffer::bufferFrames() const noexcept
{
    return mBufferFrames.load(std::memory_order_acquire);
}

OSStatus CaptureBuffer::ioProc(AudioDeviceID inDevice, const AudioTimeStamp *inNow,
    const AudioBufferList *inInputData, const AudioTimeStamp *inInputTime,
    AudioBufferList *outOutputData, const AudioTimeStamp *inOutputTime, void *clientData) noexcept
{
    const AudioDeviceProcParams params{
        .inDevice = inDevice,
        .inNow = inNow,
        .inInputData = inInputData,
        .inInputTime = inInputTime,
        .outOutputData = outOutputData,
        .inOutputTime = inOutputTime,
    };
    return static_cast<CaptureBuffer *>(clientData)->inputIOProc(&params);
}

void CaptureBuffer::rebuildBuffer() noexcept
{
    mBufferOffset = 0;
    const std::uint32_t frames = blockLength(mSampleRate.load(std::memory_order_acquire));
    void *grown = frames == 0 ? nullptr : mReallocate(mBuffer.get(), std::size_t(frames) * sizeof(float));
    if (grown == nullptr) {
        // No usable rate: keep nothing, so no block is posted at a length that means nothing;
        // a later usable rate rebuilds. No memory: the old block is of the old length and
        // cannot be used, so drop it and try again at the next callback rather than write
        // past its end.
        mBuffer.reset();
        mBufferFrames.store(0, std::memory_order_release);
        if (frames != 0)
            mIsBufferInvalid.store(true, std::memory_order_release);
        return;
    }
    (void)mBuffer.release();
    mBuffer.reset(static_cast<float *>(grown));
    mBufferFrames.store(frames, std::memory_order_release);
}

OSStatus CaptureBuffer::inputIOProc(const AudioDeviceProcParams *params) noexcept
{
    if (params == nullptr || params->inInputData == nullptr)
        return kAudioNoError;
    const std::span<const AudioBuffer> input = buffers(*params->inInputData);
    if (input.empty())
        return kAudioNoError;

    // Acquire pairs with setSampleRate's release: the new rate is visible.
    if (mIsBufferInvalid.exchange(false, std::memory_order_acquire))
        rebuildBuffer();

    if (params->inInputTime == nullptr || !(params->inInputTime->mSampleTime > 0.0))
        return kAudioNoError;

    const std::uint32_t blockFrames = mBufferFrames.load(std::memory_order_relaxed); // own writes
    if (blockFrames == 0 || !mBuffer)
        return kAudioNoError;

    const AudioBuffer &first = input[0];
    const std::uint32_t channels = first.mNumberChannels;
    // Zero channels leave the frame count undefined: nothing to take.
    if (channels == 0 || first.mData == nullptr)
        return kAudioNoError;
    const std::uint32_t samples = first.mDataByteSize / sizeof(float);
    const std::uint32_t frames = samples / channels;
    const std::uint32_t bytesPerChannel = first.mDataByteSize / channels;

    std::size_t used = 1;
    while (used < input.size()) {
        const AudioBuffer &b = input[used];
        if (b.mNumberChannels == 0 || b.mData == nullptr || b.mDataByteSize / b.mNumberChannels != bytesPerChannel)
            break;
        ++used;
    }

    const float *firstSamples = static_cast<const float *>(first.mData);
    bool halve = false;
    if (channels == 2 && used == 1) {
        halve = true;
        for (std::uint32_t f = 0; f < frames; ++f) {
            // NaN compares unequal, so a pair holding one is "different".
            if (!(firstSamples[2 * f] == firstSamples[2 * f + 1])) {
                halve = false;
                break;
            }
        }
    }

    if (channels > samples)
        return kAudioNoError;

    float *buffer = mBuffer.get();
    std::uint32_t offset = mBufferOffset;
    for (std::uint32_t f = 0; f < frames; ++f) {
        float s = 0.0f;
        for (std::size_t b = 0; b < used; ++b) {
            const std::uint32_t n = input[b].mNumberChannels;
            const float *data = static_cast<const float *>(input[b].mData) + std::size_t(f) * n;
            for (std::uint32_t k = 0; k < n; ++k)
                s += data[k];
        }
        if (halve)
            s *= 0.5f;
        if (s > 1.0f)
            s = 1.0f;
        else if (s < -1.0f)
            s = -1.0f;
        buffer[offset++] = s;
        if (offset == blockFrames) {
            offset = 0;
            try {
                mSink(std::make_shared<const std::vector<float>>(buffer, buffer + blockFrames));
            } catch (...) {
                // Out of memory or a throwing sink: lose this block, keep capturing.
            }
        }
    }
    mBufferOffset = offset;
    return kAudioNoError;
}

} // namespace quaverly
