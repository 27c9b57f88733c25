// SPDX-License-Identifier: GPL-3.0-or-later
// The IO callback as a hostile device would drive it: any number of buffers
// with any channel count, byte size and contents (NaN, infinities, huge
// values), missing data, odd time stamps and rate changes between cycles.
// Every buffer is backed by exactly as many bytes as it states, so a read
// past its end is caught. Each block that comes out goes through detection
// as the window would take it.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "analysis/BlockLength.h"
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace quaverly::fuzz {
namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

float rateFrom(FuzzInput &in)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr std::array<float, 14> kRates{8000.0f, 11025.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f,
        13.75f, 13.7f, 0.0f, -48000.0f, kInf, std::numeric_limits<float>::quiet_NaN(), 3.0e9f};
    const auto pick = in.take<std::uint8_t>();
    if (pick < kRates.size())
        return kRates[pick];
    if (pick < 128)
        return kRates[pick % kRates.size()];
    // Rates past the highest usable one are refused, so any float may come.
    return in.take<float>();
}

struct FreeBytes {
    void operator()(void *p) const noexcept { std::free(p); }
};

} // namespace

int capturePath(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    float detectRate = 0.0f;
    PitchDetector detector;
    CaptureBuffer *self = nullptr;
    CaptureBuffer capture([&](CaptureBlock block) {
        check(block != nullptr);
        // The block is as long as the buffer the IO thread built for it.
        check(block->size() == self->bufferFrames());
        check(block->size() == blockLength(detectRate));
        for (float s : *block)
            check(std::isnan(s) || (s >= -1.0f && s <= 1.0f));
        if (detector.detectPitch(*block, detectRate, static_cast<std::uint32_t>(block->size())))
            check(detector.mRawFrequency > 0.0f && detector.mRawFrequency <= detectRate);
        check(detector.mPeak >= 0 && detector.mPeak <= 96);
    });
    self = &capture;
    detectRate = rateFrom(in);
    capture.setSampleRate(detectRate);

    double sampleTime = 1.0;
    for (int cycle = 0; cycle < 64 && !in.empty(); ++cycle) {
        const auto op = in.take<std::uint8_t>();
        if (op % 16 == 0) {
            detectRate = rateFrom(in);
            capture.setSampleRate(detectRate);
            continue;
        }
        const std::uint32_t count = in.take<std::uint8_t>() % 6;
        AudioBufferListPtr list = makeAudioBufferList(count);
        std::vector<std::unique_ptr<void, FreeBytes>> memory;
        for (AudioBuffer &b : buffers(*list)) {
            const auto shape = in.take<std::uint8_t>();
            b.mNumberChannels = (shape & 0x80) != 0 ? in.take<std::uint32_t>() : shape % 9;
            // Up to 16 KiB (a block or more at any rate), and every byte of it
            // really there.
            b.mDataByteSize = in.take<std::uint16_t>() % 16385u;
            if ((shape & 0x40) != 0)
                continue; // no data at all
            void *bytes = std::malloc(b.mDataByteSize == 0 ? 1 : b.mDataByteSize);
            check(bytes != nullptr);
            memory.emplace_back(bytes);
            const auto pattern = in.bytes(1 + in.take<std::uint8_t>() % 32);
            auto *out = static_cast<std::uint8_t *>(bytes);
            for (std::uint32_t i = 0; i < b.mDataByteSize; ++i)
                out[i] = pattern.empty() ? 0 : pattern[i % pattern.size()];
            b.mData = bytes;
        }
        AudioTimeStamp stamp;
        switch (in.take<std::uint8_t>() % 6) {
        case 0:
            stamp.mSampleTime = 0.0;
            break;
        case 1:
            stamp.mSampleTime = -sampleTime;
            break;
        case 2:
            stamp.mSampleTime = std::numeric_limits<double>::quiet_NaN();
            break;
        case 3:
            stamp.mSampleTime = in.take<double>();
            break;
        default:
            stamp.mSampleTime = sampleTime;
            break;
        }
        sampleTime += 512.0;
        const bool noList = op % 16 == 1;
        const bool noStamp = op % 16 == 2;
        CaptureBuffer::ioProc(1, &stamp, noList ? nullptr : list.get(), noStamp ? nullptr : &stamp, nullptr, &stamp,
            &capture);
    }
    return 0;
}

} // namespace quaverly::fuzz

QUAVERLY_FUZZ_ENTRY(capturePath)
