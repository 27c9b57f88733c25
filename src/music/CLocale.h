// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <locale.h>

#include <string>

namespace quaverly {

// The C locale as a handle, made once and never freed: numbers read and
// written through it keep the point as decimal separator whatever locale Qt
// has set for the process from the environment. Any thread.
[[nodiscard]] locale_t cLocale() noexcept;

// printf-style formatting under cLocale(); the process locale is untouched.
[[nodiscard]] std::string formatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace quaverly
