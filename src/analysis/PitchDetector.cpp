// SPDX-License-Identifier: GPL-3.0-or-later
#include "PitchDetector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quaverly {

bool PitchDetector::detectPitch(std::span<const float> block, float sampleRate, std::uint32_t bufferFrames) noexcept
{
    std::array<std::uint64_t, kMaxIntervals> diffs;
    float threshold = 0.0f;
    std::uint64_t peakAt = 0; // 0 means no peak in this half-wave
    std::uint64_t previousPeakAt = 0;
    bool inHalfWave = false;
    std::uint64_t count = 0;
    float amplitude = 0.0f;

    for (std::size_t i = 0; i < block.size(); ++i) {
        const float s = block[i];
        if (s > 0.0f) {
            inHalfWave = true;
            if (s >= threshold) {
                threshold = s;
                peakAt = i;
            }
            continue;
        }
        // s <= 0 or NaN.
        if (inHalfWave && peakAt != 0) {
            amplitude = std::max(amplitude, threshold);
            diffs[count++] = peakAt - previousPeakAt;
            if (count == kMaxIntervals)
                break;
            threshold = static_cast<float>(static_cast<double>(threshold) * 0.9);
            previousPeakAt = peakAt;
        }
        peakAt = 0;
        inHalfWave = false;
        if (-s > amplitude)
            amplitude = -s;
    }

    bool measured = false;
    if (static_cast<double>(amplitude) > 0.01) {
        const float period = averageDiffs(diffs.data(), count, bufferFrames);
        if (period != 0.0f) {
            mRawFrequency = sampleRate / period;
            measured = true;
        }
    }
    mRawPeak = amplitude;

    // Blocks from the capture path are clamped to [-1, 1]; bound the product
    // anyway so an unclamped caller cannot overflow the integer conversion.
    const double scaled = std::min(static_cast<double>(amplitude) * 65535.0,
        static_cast<double>(std::numeric_limits<std::int32_t>::max()));
    const auto v = static_cast<std::int32_t>(scaled);
    mPeak = v == 0 ? 0 : static_cast<std::int32_t>(20.0 * std::log10(v / 65535.0) + 96.0);
    return measured;
}

float PitchDetector::averageDiffs(std::uint64_t *diffs, std::uint64_t count, std::uint32_t bufferFrames) noexcept
{
    if (count < 2)
        return 0.0f;
    if (count <= 3) {
        // Too few peaks to vote: trust the first true period only when it is
        // long, i.e. below 41.25 Hz with two-A0-period blocks.
        return diffs[1] > bufferFrames / 3 ? static_cast<float>(diffs[1]) : 0.0f;
    }
    count = std::min(count, kMaxIntervals);
    std::sort(diffs, diffs + count);

    std::array<std::uint64_t, kMaxIntervals> values;
    std::array<std::uint64_t, kMaxIntervals> counts;
    std::size_t last = 0;
    values[0] = diffs[0];
    counts[0] = 1;
    std::size_t reference = 0;
    std::uint64_t bestCount = 1;
    for (std::uint64_t i = 1; i < count; ++i) {
        if (diffs[i] != values[last]) {
            ++last;
            values[last] = diffs[i];
            counts[last] = 0;
        }
        if (++counts[last] > bestCount) {
            bestCount = counts[last];
            reference = last;
        }
    }
    // No repeated value: the largest is the reference. (Testing the index
    // instead would also drop a smallest value that is the most frequent:
    // a tone starting mid-block, whose first interval is the longest, then
    // gave no reading.)
    if (bestCount == 1)
        reference = last;

    const std::uint64_t r = values[reference];
    const std::uint64_t lower = r * 95 / 100;
    const std::uint64_t upper = (r * 105 + 50) / 100;
    std::uint64_t sum = 0;
    std::uint64_t weight = 0;
    for (std::size_t i = 0; i <= last; ++i) {
        if (values[i] >= lower && values[i] <= upper) {
            sum += values[i] * counts[i];
            weight += counts[i];
        }
    }
    if (weight <= count / 2)
        return 0.0f;
    return static_cast<float>(sum) / static_cast<float>(weight);
}

} // namespace quaverly
