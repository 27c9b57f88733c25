// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace quaverly {

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
