// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/TemperamentTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quaverly {

// Notes 9 … 96 (A0 … C8) are resolved; note index = 12 × octave + semitone.
inline constexpr int kLowestNote = 9;
inline constexpr int kHighestNote = 96;
inline constexpr int kReferenceNote = 57; // A4

struct NoteResolution {
    float x = 0.0f;          // position: log2(F / R) × 12 + 57.5
    int n = 0;               // nearest equal-tempered note
    int semitone = 0;        // 0 = C … 11 = B
    int octave = 0;
    float u = 0.0f;          // fraction of the semitone position, [0, 1)
    float deviation = 0.0f;  // d: semitones from the ideal frequency
    float ideal = 0.0f;      // I, Hz
    // The name the player reads: note n − transpose. For the lowest notes
    // with large upward transpositions this lies below C0: then the octave
    // is −1 (shown as "-") and the semitone is still the right one.
    int transposedSemitone = 0;
    int transposedOctave = 0;
    char letter = 'C';
    std::string_view accidental; // "♯", "♭" or "" (UTF-8)
};

// Maps a frequency to note, cents and ideal frequency under the reference
// pitch, temperament, tonic and transposition. Owns the temperament table.
// Main thread only (holds no shared state; copies are independent).
class NoteResolver {
public:
    NoteResolver() = default;
    explicit NoteResolver(TemperamentTable temperaments);

    void setTemperaments(TemperamentTable temperaments);

    [[nodiscard]] float referencePitch() const { return mReferencePitch; }
    void setReferencePitch(float hz) { mReferencePitch = hz; }
    // 0 = equal temperament, k = row k − 1. A value outside
    // 0 … temperamentCount() is read as equal temperament.
    [[nodiscard]] std::int64_t tuning() const { return mTuning; }
    void setTuning(std::int64_t tuning) { mTuning = tuning; }
    // 0 … 11; other values are taken modulo 12.
    [[nodiscard]] std::int64_t tonic() const { return mTonic; }
    void setTonic(std::int64_t tonic) { mTonic = tonic; }
    // Sounding minus written pitch, −11 … +11.
    [[nodiscard]] std::int64_t transpose() const { return mTranspose; }
    void setTranspose(std::int64_t transpose) { mTranspose = transpose; }

    // Nothing for frequencies outside A0 … C8 (also NaN, 0, negative, and
    // when a malformed row gives no positive finite ideal frequency).
    [[nodiscard]] std::optional<NoteResolution> resolve(float frequencyHz) const;

    // The reference pitch under which `frequencyHz` reads 0 cents on its
    // nearest note: f × (R ÷ ideal frequency), rounded to 0.1 Hz. Nothing
    // when the frequency resolves to no note. Not clamped.
    [[nodiscard]] std::optional<float> referenceFor(float frequencyHz) const;

    // Ideal frequency of note (semitone, octave) under the current choices.
    [[nodiscard]] float idealFrequency(int semitone, int octave) const;

    // Frequency of semitone 0 … 11 in octave 4 as the tonic menu shows it
    // (ratio applied before the division by A's ratio).
    [[nodiscard]] float tonicMenuFrequency(int semitone) const;
    // "%s (%.1fHz)" with the tonic menu's note name.
    [[nodiscard]] std::string tonicMenuTitle(int semitone) const;

private:
    [[nodiscard]] const float* currentRow() const;

    TemperamentTable mTemperaments;
    float mReferencePitch = 440.0f;
    std::int64_t mTuning = 0;
    std::int64_t mTonic = 0;
    std::int64_t mTranspose = 0;
};

} // namespace quaverly
