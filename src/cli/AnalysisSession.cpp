// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisSession.h"

#include "music/Readouts.h"

#include <utility>

namespace quaverly {

AnalysisSession::AnalysisSession(NoteResolver resolver, float sampleRateHz, ReadingSink sink, Detection detection)
    : mSink(std::move(sink))
    , mCapture([this](CaptureBlock block) { mPosted.push_back(std::move(block)); })
    , mInput(makeAudioBufferList(1))
    , mTuner(std::move(resolver), [this] { return mSampleTime / static_cast<double>(mCapture.sampleRate()); })
{
    mCapture.setSampleRate(sampleRateHz);
    mTuner.setDetection(detection);
}

void AnalysisSession::feed(std::span<const float> interleaved, std::uint32_t channels)
{
    if (channels == 0 || interleaved.empty())
        return;
    mInput->mBuffers[0] = AudioBuffer{
        .mNumberChannels = channels,
        .mDataByteSize = static_cast<std::uint32_t>(interleaved.size_bytes()),
        .mData = const_cast<float *>(interleaved.data()),
    };
    AudioTimeStamp time;
    time.mSampleTime = mSampleTime;
    time.mFlags = kAudioTimeStampSampleTimeValid;
    CaptureBuffer::ioProc(1, &time, mInput.get(), &time, nullptr, &time, &mCapture);
    mSampleTime += static_cast<double>(interleaved.size() / channels);

    // The posts are served after the callback, in order, as on the main thread.
    std::vector<CaptureBlock> posted;
    posted.swap(mPosted);
    for (const CaptureBlock &block : posted) {
        const BlockResult result = mTuner.updateUI(block, mCapture.sampleRate());
        const TunerReading &shown = mTuner.reading();
        const BlockReading reading{.block = mBlocks++, .rawHz = result.rawHz, .accepted = result.accepted,
            .peak = result.rawPeak, .levelDb = shown.level, .frequencyHz = result.frequencyHz,
            .note = noteName(shown.note), .cents = shown.cents, .idealHz = shown.note.ideal};
        if (mSink)
            mSink(reading);
    }
}

} // namespace quaverly
