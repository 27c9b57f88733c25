// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

namespace quaverly {

// The reference tone's samples: a sine at a moderate level that fades in
// when it starts and out when asked, and keeps its phase when the frequency
// changes, so neither a start, a stop nor a retuning clicks.
//
// Threads: setFrequency and fadeOut from the main thread; render on the
// output's IO thread, which never locks, waits or allocates. The owner keeps
// the object alive until the output is stopped.
class ToneGenerator {
public:
    static constexpr float kAmplitude = 0.25f;  // −12 dB of full scale
    static constexpr double kFadeSeconds = 0.02;

    using EndedProc = void (*)(void *owner);

    // `ended` is handed `owner` when the output reports its end (see ended()).
    ToneGenerator(float frequencyHz, EndedProc ended, void *owner)
        : mFrequencyHz(frequencyHz), mEnded(ended), mOwner(owner) {}

    void setFrequency(float hz) { mFrequencyHz.store(hz, std::memory_order_relaxed); } // relaxed: a lone value
    // From now on the level falls to silence within kFadeSeconds and stays there.
    void fadeOut() { mFadingOut.store(true, std::memory_order_release); }
    [[nodiscard]] float frequency() const { return mFrequencyHz.load(std::memory_order_relaxed); }

    // An AudioOutputRenderProc; clientData is the generator.
    static void render(float *samples, std::uint32_t frames, float rateHz, void *clientData) noexcept;
    void render(float *samples, std::uint32_t frames, float rateHz) noexcept;
    // An AudioOutputEndedProc (notification thread); clientData is the generator.
    static void ended(void *clientData);

private:
    std::atomic<float> mFrequencyHz;
    const EndedProc mEnded;
    void *const mOwner;   // written by the main thread
    std::atomic<bool> mFadingOut{false}; // written by the main thread
    // IO thread only.
    double mPhase = 0.0; // in cycles, 0 … 1
    float mGain = 0.0f;  // 0 … 1 along the fades
};

} // namespace quaverly
