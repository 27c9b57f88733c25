// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include <locale.h>

namespace quaverly {

// The C locale as a handle, made once and never freed: numbers read and
// written through it keep the point as decimal separator whatever locale Qt
// has set for the process from the environment. Any thread.
[[nodiscard]] locale_t cLocale() noexcept;

// printf-style formatting under cLocale(); the process locale is untouched.
[[nodiscard]] std::string formatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// double → float as the hardware rounds it, but defined for values past the
// float range (a plain cast of those is undefined behaviour in C++).
[[nodiscard]] inline float narrowToFloat(double value) noexcept
{
    constexpr double kOverflow = 0x1.ffffffp127; // halfway past the largest float
    if (std::isnan(value) || std::fabs(value) < kOverflow)
        return static_cast<float>(value);
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
}

// The number a text begins with, as a text field or a property-list element
// reads it: leading blanks skipped, then an optional sign, decimal digits
// with an optional fraction and exponent, or "inf", "infinity", "nan" in any
// case. Text that does not begin with a number reads as 0; "0x…" reads as 0
// (no hexadecimal). Independent of the process locale (Qt sets it from the
// environment). Values beyond the float range read as ±infinity, values
// below it as ±0.
[[nodiscard]] float floatValue(std::string_view text) noexcept;

// True when the text, after leading blanks, begins with a number as above.
[[nodiscard]] bool beginsWithNumber(std::string_view text) noexcept;

// As floatValue, but a decimal comma counts as the point ("442,5" is
// 442.5), so a value typed on any desktop reads the same.
[[nodiscard]] float typedFloatValue(std::string_view text) noexcept;

} // namespace quaverly
