// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalyzerOptions.h"
#include "music/TemperamentTable.h"

#include <cstdint>
#include <optional>

namespace quaverly {

// The temperaments and the tuning (0 = equal temperament, k = row k − 1) that
// the options ask for: --temperament by name from the shipped or given
// temperament file, or --scala's scale as a row after that file's rows.
struct TemperamentChoice {
    TemperamentTable table;
    std::int64_t tuning = 0;
};

// Nothing, after one line on stderr, when a file cannot be read or is
// refused, or the name is unknown.
[[nodiscard]] std::optional<TemperamentChoice> chooseTemperament(const AnalyzerOptions &options);

} // namespace quaverly
