// SPDX-License-Identifier: GPL-3.0-or-later
#include "FloatValue.h"

#include "music/Narrow.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <system_error>

namespace quaverly {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithWord(std::string_view text, std::string_view word)
{
    if (text.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(text[i]) != word[i])
            return false;
    }
    return true;
}

struct Scan {
    bool found = false;
    bool negative = false;
    std::string_view digits; // the unsigned decimal part, if any
    double special = 0.0;    // inf or nan when digits is empty
};

// Rough decimal magnitude of an unsigned decimal text, enough to tell an
// overflow from an underflow when from_chars reports out of range.
long long magnitude(std::string_view digits)
{
    std::size_t i = 0;
    while (i < digits.size() && isDigit(digits[i]))
        ++i;
    std::size_t start = 0;
    while (start < i && digits[start] == '0')
        ++start;
    long long magnitudeValue = static_cast<long long>(i - start);
    if (magnitudeValue == 0 && i < digits.size() && digits[i] == '.') {
        ++i;
        long long zeros = 0;
        while (i < digits.size() && digits[i] == '0')
            ++zeros, ++i;
        magnitudeValue = -zeros;
    }
    const std::size_t e = digits.find_first_of("eE");
    if (e != std::string_view::npos) {
        long long exponent = 0;
        bool negative = false;
        std::size_t j = e + 1;
        if (j < digits.size() && (digits[j] == '+' || digits[j] == '-'))
            negative = digits[j++] == '-';
        for (; j < digits.size() && isDigit(digits[j]); ++j) {
            if (exponent < 1000000000)
                exponent = exponent * 10 + (digits[j] - '0');
        }
        magnitudeValue += negative ? -exponent : exponent;
    }
    return magnitudeValue;
}

Scan scan(std::string_view text)
{
    Scan result;
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        result.negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);
    if (startsWithWord(rest, "inf")) {
        result.found = true;
        result.special = std::numeric_limits<double>::infinity();
        return result;
    }
    if (startsWithWord(rest, "nan")) {
        result.found = true;
        result.special = std::numeric_limits<double>::quiet_NaN();
        return result;
    }
    std::size_t j = 0;
    std::size_t mantissaDigits = 0;
    while (j < rest.size() && isDigit(rest[j]))
        ++j, ++mantissaDigits;
    if (j < rest.size() && rest[j] == '.') {
        ++j;
        while (j < rest.size() && isDigit(rest[j]))
            ++j, ++mantissaDigits;
    }
    if (mantissaDigits == 0)
        return result;
    // An exponent counts only when digits follow it ("1e" is 1).
    if (j < rest.size() && (rest[j] == 'e' || rest[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < rest.size() && (rest[k] == '+' || rest[k] == '-'))
            ++k;
        if (k < rest.size() && isDigit(rest[k])) {
            while (k < rest.size() && isDigit(rest[k]))
                ++k;
            j = k;
        }
    }
    result.found = true;
    result.digits = rest.substr(0, j);
    return result;
}

} // namespace

bool beginsWithNumber(std::string_view text) noexcept
{
    return scan(text).found;
}

float floatValue(std::string_view text) noexcept
{
    const Scan s = scan(text);
    if (!s.found)
        return 0.0f;
    double value = s.special;
    if (!s.digits.empty()) {
        // from_chars wants at least one digit before an exponent and no
        // leading "."; ".5" parses fine, "5." too.
        const char* first = s.digits.data();
        const char* last = first + s.digits.size();
        const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
        if (ec == std::errc::result_out_of_range)
            value = magnitude(s.digits) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        else if (ec != std::errc() || end == first)
            value = 0.0;
    }
    const float result = narrowToFloat(value);
    return s.negative ? -result : result;
}

} // namespace quaverly
