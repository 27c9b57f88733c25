// SPDX-License-Identifier: GPL-3.0-or-later
// Forced into every file of the libFuzzer build only. That build uses clang's
// own C++ library (clang 14 cannot compile libstdc++ 12's pair for the
// property-list tree), which lacks from_chars for floating point; this fills
// the gap with strtod in the C locale, reporting overflow and underflow as
// out of range as libstdc++ does.
#pragma once

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <string>
#include <system_error>

#include <locale.h>

namespace std {

inline from_chars_result from_chars(const char *first, const char *last, double &value,
    chars_format = chars_format::general)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const string text(first, last);
    char *end = nullptr;
    errno = 0;
    const double parsed = strtod_l(text.c_str(), &end, c);
    if (end == text.c_str())
        return {first, errc::invalid_argument};
    const char *stop = first + (end - text.c_str());
    if (errno == ERANGE)
        return {stop, errc::result_out_of_range};
    value = parsed;
    return {stop, errc()};
}

} // namespace std
