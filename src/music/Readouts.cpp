// SPDX-License-Identifier: GPL-3.0-or-later
#include "Readouts.h"

#include "music/FloatValue.h"
#include "music/NoteResolver.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace quaverly {
namespace {

constexpr std::string_view kPlus = "+";
constexpr std::string_view kPlusMinus = "\u00B1";
constexpr std::string_view kMinus = "-";

} // namespace

std::string plusMinusValueString(std::int32_t value)
{
    const std::string_view sign = value > 0 ? kPlus : value == 0 ? kPlusMinus : kMinus;
    // 64-bit so that the magnitude of the lowest int32 does not overflow.
    const long long magnitude = std::llabs(static_cast<long long>(value));
    char digits[32];
    std::snprintf(digits, sizeof digits, "%lld", magnitude);
    return std::string(sign) + digits;
}

std::string plusMinusFloatString(float value)
{
    const float magnitude = std::fabs(value);
    std::string_view sign = value < 0.0f ? kMinus : kPlus;
    double shown = magnitude;
    if (static_cast<double>(magnitude) < 0.05) {
        sign = kPlusMinus;
        shown = 0.0;
    }
    return std::string(sign) + formatC("%.1fHz", shown);
}

std::string frequencyText(float hz)
{
    return formatC("%.1fHz", static_cast<double>(hz));
}

std::int32_t wholeCents(float deviation) noexcept
{
    const double cents = static_cast<double>(deviation) * 100.0;
    if (std::isnan(cents))
        return 0;
    // Casting a value beyond the int range is undefined; clamp first.
    if (cents <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (cents >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(cents);
}

std::string transposeText(std::int64_t transpose, NoteNaming naming)
{
    if (transpose == 0 || transpose < -11 || transpose > 11)
        return {};
    const std::string c = pitchClassText(0, naming);
    const std::string_view name = asciiNoteName(static_cast<int>(transpose), naming);
    char text[64];
    std::snprintf(text, sizeof text, "%s = %.*s (%+lld)", c.c_str(), static_cast<int>(name.size()), name.data(),
                  static_cast<long long>(transpose));
    return text;
}

std::string octaveText(int octave)
{
    return octave < 0 ? std::string("-") : std::to_string(octave);
}

std::string noteName(const NoteResolution& note, NoteNaming naming)
{
    return pitchClassText(note.transposedSemitone, naming) + octaveText(note.transposedOctave);
}

ReferencePitchEdit clampReferencePitch(float typed, float current) noexcept
{
    if (typed == current)
        return {current, false, false};
    if (std::isnan(typed) || typed < kMinReferencePitch)
        return {kMinReferencePitch, true, true};
    if (static_cast<double>(typed) > kMaxReferencePitch)
        return {static_cast<float>(kMaxReferencePitch), true, true};
    return {typed, true, false};
}

} // namespace quaverly
