// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string_view>

namespace quaverly {

// Receives diagnostic lines (no trailing newline). The app routes them; tests
// collect them. An empty sink writes each line to stderr.
using LogSink = std::function<void(std::string_view line)>;

void writeLog(const LogSink& sink, std::string_view line);

} // namespace quaverly
