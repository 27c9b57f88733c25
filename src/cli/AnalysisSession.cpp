// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisSession.h"

#include "analysis/Acceptance.h"
#include "music/Readouts.h"

#include <utility>

namespace quaverly {

AnalysisSession::AnalysisSession(NoteResolver resolver, float sampleRateHz, ReadingSink sink)
    : mResolver(std::move(resolver))
    , mSink(std::move(sink))
    , mCapture([this](CaptureBlock block) { mPosted.push_back(std::move(block)); })
    , mInput(makeAudioBufferList(1))
    , mFrequency(mResolver.referencePitch())
{
    mCapture.setSampleRate(sampleRateHz);
    // The window fills its readouts once before any input: the reference
    // pitch's note (A4, or its transposed name) at 0 cents.
    updateTunerUI();
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
    for (const CaptureBlock &block : posted)
        updateUI(block);
}

void AnalysisSession::updateUI(const CaptureBlock &block)
{
    BlockReading reading;
    reading.block = mBlocks++;
    if (mDetector.detectPitch(*block, mCapture.sampleRate(), mCapture.bufferFrames()))
        reading.rawHz = mDetector.mRawFrequency;
    reading.accepted = acceptFrequency(mFrequency, mDetector.mRawFrequency);
    // A NaN frequency counts as changed, as in the window.
    if (!(mDisplayFrequency == mFrequency))
        updateTunerUI();
    reading.peak = mDetector.mRawPeak;
    reading.levelDb = mDetector.mPeak;
    reading.frequencyHz = mFrequency;
    reading.note = mNote;
    reading.cents = mCents;
    reading.idealHz = mIdealHz;
    if (mSink)
        mSink(reading);
}

void AnalysisSession::updateTunerUI()
{
    const std::optional<NoteResolution> note = mResolver.resolve(mFrequency);
    if (!note)
        return; // out of range: the last note stays
    mNote = noteName(*note);
    mCents = wholeCents(note->deviation);
    mIdealHz = note->ideal;
    mDisplayFrequency = mFrequency;
}

} // namespace quaverly
