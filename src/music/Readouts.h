// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/NoteNaming.h"

#include <cstdint>
#include <string>

namespace quaverly {

struct NoteResolution;


inline constexpr float kMinReferencePitch = 349.0f;
inline constexpr double kMaxReferencePitch = 499.9;

// "+7", "±0", "-23" (hyphen-minus).
[[nodiscard]] std::string plusMinusValueString(std::int32_t value);
// "±0.0Hz" below 0.05 in magnitude, else "+0.1Hz", "-2.5Hz".
[[nodiscard]] std::string plusMinusFloatString(float value);
// "%.1fHz"
[[nodiscard]] std::string frequencyText(float hz);

// Deviation in semitones to whole cents, truncated toward zero. NaN gives 0;
// values beyond the 32-bit range are clamped.
[[nodiscard]] std::int32_t wholeCents(float deviation) noexcept;

// "C = A#/Bb (-2)", "Do = La#/Sib (-2)"; empty for 0 and outside −11 … +11.
[[nodiscard]] std::string transposeText(std::int64_t transpose, NoteNaming naming = NoteNaming::English);

// The octave readout: "-" below 0.
[[nodiscard]] std::string octaveText(int octave);
// Name, accidental and octave of the written note, e.g. "B♭3", "A4", "B-";
// "B3" in German, "Si♭3" in solfège.
[[nodiscard]] std::string noteName(const NoteResolution& note, NoteNaming naming = NoteNaming::English);

struct ReferencePitchEdit {
    float value = 0.0f;  // the new reference pitch
    bool changed = false; // false: typed value equals the current one, do nothing
    bool beep = false;    // the typed value was out of range and clamped
};

// A typed reference pitch checked against 349.0 … 499.9 Hz. NaN is treated
// like text that is no number: clamped to 349.0 with a beep.
[[nodiscard]] ReferencePitchEdit clampReferencePitch(float typed, float current) noexcept;

} // namespace quaverly
