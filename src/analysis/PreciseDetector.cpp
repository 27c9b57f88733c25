// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreciseDetector.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <fftw3.h>

namespace quaverly {
namespace {

// Below this block amplitude (about -50 dBFS) nothing is read: the hiss and
// mains hum of a quiet input, which are periodic enough to pass the gate
// below. Lower than the classic detector's hundredth, so that a decaying
// note is read to its end; the periodicity gate does the rest.
constexpr double kMinAmplitude = 0.003;
// The lowest frequency looked for, a little under the lowest accepted one,
// so that a maximum at the edge of the range is still a maximum.
constexpr double kLowestSearchedHz = 25.0;
// The key-maximum rule: the first key maximum at least this share of the
// highest one is the period (McLeod and Wyvill's k).
constexpr float kKeyShare = 0.9f;
// The periodicity gate: the chosen maximum must reach this. Noise, white or
// coloured, stays far below; a tone 5 dB above white noise just reaches it.
// Much lower and a tone sinking into room noise starts to give wrong readings.
constexpr float kConfidence = 0.75f;
// A subharmonic candidate takes over when it is this much more periodic:
// a partial at half or a third of the frequency that carries a few percent
// of the energy. Decay, vibrato and noise lower the longer lag, so they do not
// push a true period down an octave.
constexpr float kSubharmonicMargin = 0.05f;
// ... or this much more, when the candidate is a clean tone (at least
// kCleanTone) and leaves at most half the aperiodicity: there a fundamental
// 20 dB under the second harmonic shows only as a few hundredths.
constexpr float kSubharmonicSmallMargin = 0.01f;
constexpr float kSubharmonicAperiodicityShare = 0.5f;
constexpr float kCleanTone = 0.99f;
// The largest lag as a share of the block: the shrinking window keeps at
// least 2/5 of the block, 0.8 of the lowest period when a block holds two.
constexpr std::size_t kMaxLagNumerator = 3;
constexpr std::size_t kMaxLagDenominator = 5;
// Blocks shorter than this are not read.
constexpr std::size_t kMinFrames = 64;
// Above this rate the block is read at half the rate (a quarter, ...): 48 kHz
// is read at 24 kHz, whose Nyquist frequency is still well above twice the
// highest note, for half the work.
constexpr double kHalveAboveHz = 40000.0;
// Loops over this many independent lanes: the compiler turns them into vector
// instructions, and a sum runs in as many chains as there are lanes.
constexpr std::size_t kLanes = 8;
constexpr std::size_t kMaxKeyMaxima = 256;

// The smallest FFT length not below n that is a multiple of 32 with no prime
// factor above 5. FFTW's real transforms are fast on such lengths; an odd one
// (5625, say) takes a generic path some six times slower.
std::size_t fftLength(std::size_t n)
{
    for (std::size_t m = (n + 31) / 32 * 32;; m += 32) {
        std::size_t r = m;
        for (const std::size_t p : {2, 3, 5})
            while (r % p == 0)
                r /= p;
        if (r == 1)
            return m;
    }
}

// Lag and height of the parabola through three neighbouring values.
float parabolicPeak(const float *values, std::size_t at, float &height)
{
    const float a = values[at - 1];
    const float b = values[at];
    const float c = values[at + 1];
    const float denominator = a - 2.0f * b + c;
    if (!(denominator < 0.0f)) {
        height = b;
        return static_cast<float>(at);
    }
    const float shift = 0.5f * (a - c) / denominator;
    height = b - 0.25f * (a - c) * shift;
    return static_cast<float>(at) + shift;
}

bool clearlyMorePeriodic(float candidate, float chosen)
{
    const float gain = candidate - chosen;
    return gain > kSubharmonicMargin
        || (candidate >= kCleanTone && gain > kSubharmonicSmallMargin
            && 1.0f - candidate < kSubharmonicAperiodicityShare * (1.0f - chosen));
}

struct KeyMaximum {
    float lag = 0.0f;
    float height = 0.0f;
};

struct Moments {
    double sum = 0.0; // not finite when a sample is not
    float largest = 0.0f;
};

Moments moments(std::span<const float> block)
{
    std::array<double, kLanes> sums{};
    std::array<float, kLanes> largest{};
    std::size_t i = 0;
    for (; i + kLanes <= block.size(); i += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) {
            sums[j] += static_cast<double>(block[i + j]);
            largest[j] = std::max(largest[j], std::abs(block[i + j]));
        }
    }
    for (; i < block.size(); ++i) {
        sums[0] += static_cast<double>(block[i]);
        largest[0] = std::max(largest[0], std::abs(block[i]));
    }
    Moments result;
    for (std::size_t j = 0; j < kLanes; ++j) {
        result.sum += sums[j];
        result.largest = std::max(result.largest, largest[j]);
    }
    return result;
}

// Half the rate: every second sample through a (1 2 1) / 4 low-pass, whose
// zero at the old Nyquist frequency weakens what folds down. `out` may be
// `in`: each value is read before it is overwritten.
std::size_t halve(const float *in, std::size_t frames, float *out)
{
    const std::size_t halved = frames / 2;
    out[0] = 0.75f * in[0] + 0.25f * in[1];
    std::array<float, kLanes> lane{};
    std::size_t i = 1;
    for (; i + kLanes <= halved; i += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j) {
            const std::size_t at = 2 * (i + j);
            lane[j] = 0.25f * in[at - 1] + 0.5f * in[at] + 0.25f * in[at + 1];
        }
        for (std::size_t j = 0; j < kLanes; ++j)
            out[i + j] = lane[j];
    }
    for (; i < halved; ++i)
        out[i] = 0.25f * in[2 * i - 1] + 0.5f * in[2 * i] + 0.25f * in[2 * i + 1];
    return halved;
}

// Each bin's squared magnitude, in place.
void powerSpectrum(fftwf_complex *spectrum, std::size_t bins)
{
    std::array<float, kLanes> power{};
    std::size_t k = 0;
    for (; k + kLanes <= bins; k += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j)
            power[j] = spectrum[k + j][0] * spectrum[k + j][0] + spectrum[k + j][1] * spectrum[k + j][1];
        for (std::size_t j = 0; j < kLanes; ++j) {
            spectrum[k + j][0] = power[j];
            spectrum[k + j][1] = 0.0f;
        }
    }
    for (; k < bins; ++k) {
        spectrum[k][0] = spectrum[k][0] * spectrum[k][0] + spectrum[k][1] * spectrum[k][1];
        spectrum[k][1] = 0.0f;
    }
}

// out = (in - mean) * scale over `frames` samples; returns
// the energy of out.
double centre(const float *in, float *out, std::size_t frames, float mean, float scale)
{
    std::array<double, kLanes> energy{};
    std::array<float, kLanes> lane{};
    std::size_t i = 0;
    for (; i + kLanes <= frames; i += kLanes) {
        for (std::size_t j = 0; j < kLanes; ++j)
            lane[j] = (in[i + j] - mean) * scale;
        for (std::size_t j = 0; j < kLanes; ++j) {
            out[i + j] = lane[j];
            energy[j] += static_cast<double>(lane[j]) * lane[j];
        }
    }
    for (; i < frames; ++i) {
        out[i] = (in[i] - mean) * scale;
        energy[0] += static_cast<double>(out[i]) * out[i];
    }
    double total = 0.0;
    for (const double e : energy)
        total += e;
    return total;
}

} // namespace

struct PreciseDetector::Plans {
    std::size_t length = 0;
    float *time = nullptr;
    fftwf_complex *spectrum = nullptr;
    float *correlation = nullptr;
    fftwf_plan forward = nullptr;
    fftwf_plan backward = nullptr;

    ~Plans()
    {
        if (forward)
            fftwf_destroy_plan(forward);
        if (backward)
            fftwf_destroy_plan(backward);
        fftwf_free(time);
        fftwf_free(spectrum);
        fftwf_free(correlation);
    }
};

PreciseDetector::PreciseDetector() = default;
PreciseDetector::~PreciseDetector() = default;

PreciseDetector::PreciseDetector(PreciseDetector &&other) noexcept = default;
PreciseDetector &PreciseDetector::operator=(PreciseDetector &&other) noexcept = default;

PreciseDetector::PreciseDetector(const PreciseDetector &other)
    : mRawFrequency(other.mRawFrequency)
    , mRawPeak(other.mRawPeak)
    , mPeak(other.mPeak)
    , mLevel(other.mLevel)
{
}

PreciseDetector &PreciseDetector::operator=(const PreciseDetector &other)
{
    if (this != &other) {
        mRawFrequency = other.mRawFrequency;
        mRawPeak = other.mRawPeak;
        mPeak = other.mPeak;
        mLevel = other.mLevel;
    }
    return *this;
}

bool PreciseDetector::prepare(std::size_t frames, std::size_t maxLag, std::size_t halved) noexcept
{
    try {
        if (mHalved.size() < halved)
            mHalved.assign(halved, 0.0f);
    } catch (...) {
        return false;
    }
    if (frames == mFrames && maxLag == mMaxLag && mPlans)
        return true;
    mPlans.reset();
    mFrames = 0;
    mMaxLag = 0;
    try {
        mNsdf.assign(maxLag + 1, 0.0f);
        auto plans = std::make_unique<Plans>();
        // Long enough that no lag up to the largest wraps around.
        plans->length = fftLength(frames + maxLag);
        const std::size_t n = plans->length;
        plans->time = fftwf_alloc_real(n);
        plans->spectrum = fftwf_alloc_complex(n / 2 + 1);
        plans->correlation = fftwf_alloc_real(n);
        if (!plans->time || !plans->spectrum || !plans->correlation)
            return false;
        std::fill(plans->time, plans->time + n, 0.0f);
        const int size = static_cast<int>(n);
        plans->forward = fftwf_plan_dft_r2c_1d(size, plans->time, plans->spectrum, FFTW_ESTIMATE);
        plans->backward = fftwf_plan_dft_c2r_1d(size, plans->spectrum, plans->correlation, FFTW_ESTIMATE);
        if (!plans->forward || !plans->backward)
            return false;
        mPlans = std::move(plans);
    } catch (...) {
        return false;
    }
    mFrames = frames;
    mMaxLag = maxLag;
    return true;
}

bool PreciseDetector::detectPitch(std::span<const float> block, float sampleRate, std::uint32_t bufferFrames) noexcept
{
    mLevel.detectPitch(block, sampleRate, bufferFrames);
    mRawPeak = mLevel.mRawPeak;
    mPeak = mLevel.mPeak;

    if (!(static_cast<double>(mRawPeak) > kMinAmplitude) || !(sampleRate > 0.0f && std::isfinite(sampleRate)))
        return false;
    std::size_t factor = 1;
    std::size_t frames = block.size();
    while (static_cast<double>(sampleRate) / static_cast<double>(factor) > kHalveAboveHz && frames >= kMinFrames) {
        factor *= 2;
        frames /= 2;
    }
    const double rate = static_cast<double>(sampleRate) / static_cast<double>(factor);
    if (frames < kMinFrames)
        return false;

    // Non-finite samples: no reading. The largest magnitude scales the block
    // to at most 1, so an unclamped caller cannot overflow the spectrum.
    const Moments level = moments(block);
    if (!std::isfinite(level.sum) || !(level.largest > 0.0f))
        return false;
    // Bounded in double first: any finite rate converts safely.
    const std::size_t maxLag = static_cast<std::size_t>(std::min(
        static_cast<double>(frames * kMaxLagNumerator / kMaxLagDenominator), rate / kLowestSearchedHz + 2.0));
    if (maxLag < 4 || !prepare(frames, maxLag, factor > 1 ? block.size() / 2 : 0))
        return false;

    // The zero padding after `frames` stays: the forward transform keeps its input.
    Plans &p = *mPlans;
    const auto mean = static_cast<float>(level.sum / static_cast<double>(block.size()));
    const float scale = 1.0f / level.largest;
    const float *source = block.data();
    if (factor > 1) {
        std::size_t halved = halve(block.data(), block.size(), mHalved.data());
        while (halved > frames)
            halved = halve(mHalved.data(), halved, mHalved.data());
        source = mHalved.data();
    }
    const double energy = centre(source, p.time, frames, mean, scale);
    if (!(energy > 0.0))
        return false;

    // Autocorrelation through the power spectrum.
    fftwf_execute(p.forward);
    powerSpectrum(p.spectrum, p.length / 2 + 1);
    fftwf_execute(p.backward);

    // n(t) = 2 r(t) / m(t), m(t) the energy of both overlapping parts.
    double m = 2.0 * energy;
    const double norm = 1.0 / static_cast<double>(p.length);
    for (std::size_t lag = 0; lag <= maxLag; ++lag) {
        if (lag > 0) {
            const double head = p.time[lag - 1];
            const double tail = p.time[frames - lag];
            m -= head * head + tail * tail;
        }
        mNsdf[lag] = m > 1e-12 * energy ? static_cast<float>(2.0 * p.correlation[lag] * norm / m) : 0.0f;
    }

    const float found = period(frames, maxLag);
    if (found <= 0.0f)
        return false;
    mRawFrequency = static_cast<float>(rate / static_cast<double>(found));
    return true;
}

float PreciseDetector::refine(float lag, float reach, std::size_t maxLag, float &height) const noexcept
{
    const auto low = static_cast<std::size_t>(std::max(1.0f, std::floor(lag - reach)));
    const auto high = std::min(maxLag - 1, static_cast<std::size_t>(std::ceil(lag + reach)));
    std::size_t best = 0;
    for (std::size_t i = low; i <= high; ++i) {
        if (best == 0 || mNsdf[i] > mNsdf[best])
            best = i;
    }
    height = -1.0f;
    if (best == 0 || best == low || best == high)
        return 0.0f; // rising at the edge: no maximum here
    return parabolicPeak(mNsdf.data(), best, height);
}

float PreciseDetector::period(std::size_t frames, std::size_t maxLag) const noexcept
{
    // Key maxima: the highest point of each positive stretch after the first
    // negative-going zero crossing.
    std::array<KeyMaximum, kMaxKeyMaxima> keys;
    std::size_t count = 0;
    std::size_t lag = 1;
    while (lag < maxLag && mNsdf[lag] > 0.0f)
        ++lag;
    while (lag < maxLag && count < kMaxKeyMaxima) {
        while (lag < maxLag && mNsdf[lag] <= 0.0f)
            ++lag;
        std::size_t best = lag;
        while (lag < maxLag && mNsdf[lag] > 0.0f) {
            if (mNsdf[lag] > mNsdf[best])
                best = lag;
            ++lag;
        }
        if (lag >= maxLag)
            break; // a stretch cut off by the largest lag may still rise
        if (best > 0 && best + 1 < maxLag) {
            float height = 0.0f;
            const float at = parabolicPeak(mNsdf.data(), best, height);
            keys[count++] = KeyMaximum{at, height};
        }
    }
    if (count == 0)
        return 0.0f;

    float highest = 0.0f;
    for (std::size_t i = 0; i < count; ++i)
        highest = std::max(highest, keys[i].height);
    KeyMaximum chosen;
    for (std::size_t i = 0; i < count; ++i) {
        if (keys[i].height >= kKeyShare * highest) {
            chosen = keys[i];
            break;
        }
    }

    // Octave and twelfth check: twice or three times the period, when clearly
    // more periodic, is the true one (a weak fundamental under a strong
    // second or third harmonic). Repeated, so a fourth harmonic climbs down too.
    for (int round = 0; round < 3; ++round) {
        KeyMaximum better = chosen;
        for (const float multiple : {2.0f, 3.0f}) {
            float height = 0.0f;
            const float at = refine(chosen.lag * multiple, std::max(2.0f, chosen.lag * 0.25f), maxLag, height);
            if (at > 0.0f && clearlyMorePeriodic(height, chosen.height) && height > better.height)
                better = KeyMaximum{at, height};
        }
        if (better.lag == chosen.lag)
            break;
        chosen = better;
    }

    if (chosen.height < kConfidence)
        return 0.0f;

    // Precision: the same maximum at a multiple of the period, found by
    // doubling while the window still holds half the block, divides the
    // interpolation error by the multiple.
    float periodLag = chosen.lag;
    const float limit = static_cast<float>(frames) * 0.5f;
    for (float multiple = 2.0f; periodLag * multiple <= limit; multiple *= 2.0f) {
        float height = 0.0f;
        const float at = refine(periodLag * multiple, std::max(1.5f, periodLag * 0.1f), maxLag, height);
        if (at <= 0.0f || height < chosen.height - 0.1f)
            break;
        periodLag = at / multiple;
    }
    return periodLag;
}

} // namespace quaverly
