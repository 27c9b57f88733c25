// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisSession.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quaverly {

inline constexpr const char *kBlockTableHeader = "block,raw_hz,peak,level_db,frequency_hz,note,cents,ideal_hz\n";
inline constexpr const char *kSummaryHeader = "file,blocks,readings,note,note_readings,median_cents,median_hz\n";

// A file name as one CSV field.
[[nodiscard]] std::string csvField(const std::string &text);

// One block's row of the table, floats as %.9g.
[[nodiscard]] std::string csvLine(const BlockReading &r);

// The note shown most often after an accepted reading, with the median of
// its cents and frequencies there; ties go to the note seen first.
[[nodiscard]] std::string summaryLine(const std::string &file, std::uint64_t blocks,
    const std::vector<BlockReading> &readings);

} // namespace quaverly
