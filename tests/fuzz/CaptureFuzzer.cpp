// SPDX-License-Identifier: GPL-3.0-or-later
// The IO callback as a hostile device would drive it: any number of buffers with any channel
// count, byte size and contents (NaN, infinities, huge values), missing data and rate changes
// between cycles. Every buffer is backed by exactly as many bytes as it states, so a read past
// its end is caught. Each block that comes out goes through detection as the window takes it.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "analysis/BlockLength.h"
#include "analysis/CaptureBuffer.h"
#include "analysis/PitchDetector.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace quaverly::fuzz {
namespace {

float rateFrom(FuzzInput &in)
{
    constexpr std::array<float, 10> kRates{8000.0f, 44100.0f, 48000.0f, 96000.0f, 13.75f, 13.7f, 0.0f, -48000.0f,
                                           std::numeric_limits<float>::quiet_NaN(), 3.0e9f};
    const auto pick = in.take<std::uint8_t>();
    // Rates past the highest usable one are refused, so any float may come.
    return pick < 200 ? kRates[pick % kRates.size()] : in.take<float>();
}

} // namespace

int capturePath(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    float rate = 0.0f;
    PitchDetector detector;
    CaptureBuffer *self = nullptr;
    CaptureBuffer capture([&](CaptureBlock block) {
        check(block != nullptr && block->size() == self->bufferFrames() && block->size() == blockLength(rate));
        for (float s : *block)
            check(std::isnan(s) || (s >= -1.0f && s <= 1.0f));
        if (detector.detectPitch(*block, rate, static_cast<std::uint32_t>(block->size())))
            check(detector.mRawFrequency > 0.0f && detector.mRawFrequency <= rate);
        check(detector.mPeak >= 0 && detector.mPeak <= 96);
    });
    self = &capture;
    capture.setSampleRate(rate = rateFrom(in));
    for (int cycle = 0; cycle < 64 && !in.empty(); ++cycle) {
        const auto op = in.take<std::uint8_t>();
        if (op % 16 == 0) {
            capture.setSampleRate(rate = rateFrom(in));
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
            const auto pattern = in.bytes(1 + in.take<std::uint8_t>() % 32);
            auto &bytes = memory.emplace_back(b.mDataByteSize);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = pattern.empty() ? 0 : pattern[i % pattern.size()];
            b.mData = bytes.data();
        }
        AudioTimeStamp stamp;
        stamp.mSampleTime = 512.0 * cycle;
        CaptureBuffer::ioProc(1, &stamp, op % 16 == 1 ? nullptr : list.get(), op % 16 == 2 ? nullptr : &stamp,
                              nullptr, &stamp, &capture);
    }
    return 0;
}

} // namespace quaverly::fuzz

QUAVERLY_FUZZ_ENTRY(capturePath)
