// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/CaptureBuffer.h"
#include "music/NoteResolver.h"
#include "tuner/Tuner.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quaverly {

// What one analysis block produced and what the window shows after it.
struct BlockReading {
    std::uint64_t block = 0;
    std::optional<float> rawHz; // the period this block yielded, if any
    bool accepted = false;      // rawHz was taken into frequencyHz
    float peak = 0.0f;
    std::int32_t levelDb = 0;   // whole dB above the 16-bit floor
    float frequencyHz = 0.0f;   // accepted, smoothed frequency
    std::string note;           // e.g. "B♭3"
    std::int32_t cents = 0;
    float idealHz = 0.0f;
};

// The window's road for one input, without the window: device-shaped
// callbacks into the capture buffer, then each block through the tuner core
// the window uses. Time is the file's own (samples fed over the rate).
// Single-threaded: the "IO" and "main" sides run one after the other in
// feed().
class AnalysisSession {
public:
    using ReadingSink = std::function<void(const BlockReading &)>;

    AnalysisSession(NoteResolver resolver, float sampleRateHz, ReadingSink sink,
                    Detection detection = Detection::Classic);
    AnalysisSession(const AnalysisSession &) = delete;
    AnalysisSession &operator=(const AnalysisSession &) = delete;

    // One device callback of interleaved frames with `channels` samples each.
    // The samples are handed over as they are (no check for NaN here); at
    // most 4 GiB - 1 bytes per callback.
    void feed(std::span<const float> interleaved, std::uint32_t channels);

    std::uint64_t blocks() const { return mBlocks; }

private:
    ReadingSink mSink;
    std::vector<CaptureBlock> mPosted;
    CaptureBuffer mCapture;
    AudioBufferListPtr mInput;
    double mSampleTime = 1.0; // positive from the first callback on
    Tuner mTuner;
    std::uint64_t mBlocks = 0;
};

} // namespace quaverly
