// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace quaverly {

// The bytes of resources/Temperaments.txt as they were at build time, so the
// analyzer needs no installed data file; empty if the file was missing then.
[[nodiscard]] std::string_view embeddedTemperaments() noexcept;

} // namespace quaverly
