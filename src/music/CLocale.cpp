// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocale.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace quaverly {

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

} // namespace quaverly
