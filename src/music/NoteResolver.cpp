// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteResolver.h"

#include "music/FloatValue.h"
#include "music/Readouts.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace quaverly {
namespace {

int wrapSemitone(long long value)
{
    return static_cast<int>(((value % 12) + 12) % 12);
}

} // namespace

NoteResolver::NoteResolver(TemperamentTable temperaments)
    : mTemperaments(std::move(temperaments))
{
}

void NoteResolver::setTemperaments(TemperamentTable temperaments)
{
    mTemperaments = std::move(temperaments);
}

const float* NoteResolver::currentRow() const
{
    if (mTuning < 1 || static_cast<std::uint64_t>(mTuning) > mTemperaments.temperamentCount())
        return nullptr;
    return mTemperaments.row(static_cast<std::size_t>(mTuning - 1)).data();
}

std::optional<NoteResolution> NoteResolver::resolve(float frequencyHz) const
{
    NoteResolution note;
    const float ratio = frequencyHz / mReferencePitch;
    note.x = narrowToFloat(std::log2(static_cast<double>(ratio)) * 12.0 + 57.5);
    // Rejects NaN and keeps the integer conversions below defined; every x
    // outside this range lies outside A0 … C8 anyway.
    if (!(note.x >= 0.0f && note.x < 1200.0f))
        return std::nullopt;

    double whole = 0.0;
    const double fraction = std::modf(static_cast<double>(note.x) / 12.0, &whole);
    note.octave = static_cast<int>(whole);
    const float position = static_cast<float>(fraction) * 12.0f;
    note.semitone = static_cast<int>(position);
    note.u = position - static_cast<float>(note.semitone);
    if (note.semitone >= 12) {
        note.semitone -= 12;
        ++note.octave;
    }
    note.n = 12 * note.octave + note.semitone;
    if (note.n < kLowestNote || note.n > kHighestNote)
        return std::nullopt;

    const float* row = currentRow();
    note.ideal = idealFrequency(note.semitone, note.octave);
    if (row == nullptr)
        note.deviation = note.u - 0.5f;
    else
        note.deviation = narrowToFloat(std::log2(static_cast<double>(frequencyHz / note.ideal)) * 12.0);
    // A row with zero, negative or non-finite ratios has no usable ideal
    // frequency; showing nothing beats showing infinite cents.
    if (!(note.ideal > 0.0f) || !std::isfinite(note.ideal) || !std::isfinite(note.deviation))
        return std::nullopt;

    // Name the note the cents refer to: n − T. Deriving it from x again in
    // single precision can land one semitone below when x is whole.
    const long long written = static_cast<long long>(note.n) - mTranspose;
    note.transposedSemitone = wrapSemitone(written);
    note.transposedOctave = static_cast<int>((written - note.transposedSemitone) / 12);
    note.letter = kNoteLetters[static_cast<std::size_t>(note.transposedSemitone)];
    note.accidental = kAccidentals[static_cast<std::size_t>(note.transposedSemitone)];
    return note;
}

std::optional<float> NoteResolver::referenceFor(float frequencyHz) const
{
    const std::optional<NoteResolution> note = resolve(frequencyHz);
    if (!note)
        return std::nullopt;
    const double reference = double(frequencyHz) * (double(mReferencePitch) / double(note->ideal));
    return narrowToFloat(std::round(reference * 10.0) / 10.0);
}

float NoteResolver::idealFrequency(int semitone, int octave) const
{
    const long long n = 12LL * octave + semitone;
    const int s = wrapSemitone(n);
    const long long o = (n - s) / 12;
    const float reference = mReferencePitch;
    const float* row = currentRow();
    if (row == nullptr)
        return narrowToFloat(std::exp2(static_cast<double>(n - kReferenceNote) / 12.0) * static_cast<double>(reference));

    const int t = wrapSemitone(mTonic);
    const float tonicHz = reference / row[(9 - t + 12) % 12];
    const float base = tonicHz * row[(s - t + 12) % 12];
    int adjust = 0;
    if (t <= 9)
        adjust = t > s ? -1 : 0;
    else
        adjust = t > s ? 0 : 1;
    return narrowToFloat(static_cast<double>(base) * std::exp2(static_cast<double>(o + adjust - 4)));
}

float NoteResolver::tonicMenuFrequency(int semitone) const
{
    const int i = wrapSemitone(semitone);
    const float reference = mReferencePitch;
    const float* row = currentRow();
    if (row == nullptr)
        return narrowToFloat(std::exp2(static_cast<double>(i - 9) / 12.0) * static_cast<double>(reference));

    const int t = wrapSemitone(mTonic);
    float f = reference * row[(i - t + 12) % 12];
    f = f / row[(21 - t) % 12];
    if (t < 10) {
        if (i < t)
            f = f * 0.5f;
    } else if (i >= t) {
        f = f + f;
    }
    return f;
}

std::string NoteResolver::tonicMenuTitle(int semitone) const
{
    const std::string_view name = kNoteNames[static_cast<std::size_t>(wrapSemitone(semitone))];
    return formatC("%.*s (%.1fHz)", static_cast<int>(name.size()), name.data(),
                   static_cast<double>(tonicMenuFrequency(semitone)));
}

} // namespace quaverly
