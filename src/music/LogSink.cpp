// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogSink.h"

#include <cstdio>

namespace quaverly {

void writeLog(const LogSink& sink, std::string_view line)
{
    if (sink) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

} // namespace quaverly
