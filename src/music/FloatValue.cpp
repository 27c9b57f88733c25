// SPDX-License-Identifier: GPL-3.0-or-later
#include "FloatValue.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace quaverly {
namespace {

struct Reading {
    bool found = false;
    float value = 0.0f;
};

Reading read(std::string_view text)
{
    // strtod wants a terminated string; the copy also bounds the scan.
    const std::string copy(text);
    const char* start = copy.c_str();
    // strtod would read hexadecimal; the number-formatter rule stops at "0x".
    std::size_t i = copy.find_first_not_of(" \t\n\r\f\v");
    const bool negative = i != std::string::npos && copy[i] == '-';
    if (i != std::string::npos && (copy[i] == '-' || copy[i] == '+'))
        ++i;
    if (i != std::string::npos && copy.compare(i, 1, "0") == 0 && i + 1 < copy.size()
        && (copy[i + 1] == 'x' || copy[i + 1] == 'X'))
        return {true, negative ? -0.0f : 0.0f};
    char* end = nullptr;
    const double value = strtod_l(start, &end, cLocale());
    if (end == start)
        return {};
    return {true, narrowToFloat(value)};
}

} // namespace

locale_t cLocale() noexcept
{
    static const locale_t handle = newlocale(LC_ALL_MASK, "C", locale_t{});
    return handle;
}

std::string formatC(const char* format, ...)
{
    // uselocale changes only the calling thread's locale.
    const locale_t previous = uselocale(cLocale());
    char text[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    uselocale(previous);
    return length < 0 ? std::string() : std::string(text, std::min<std::size_t>(std::size_t(length), sizeof text - 1));
}

bool beginsWithNumber(std::string_view text) noexcept
{
    return read(text).found;
}

float floatValue(std::string_view text) noexcept
{
    return read(text).value;
}

float typedFloatValue(std::string_view text) noexcept
{
    std::string copy(text);
    const std::size_t comma = copy.find(',');
    if (comma != std::string::npos && copy.find('.') > comma)
        copy[comma] = '.';
    return floatValue(copy);
}

} // namespace quaverly
