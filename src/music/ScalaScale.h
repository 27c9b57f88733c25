// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "music/TemperamentTable.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quaverly {

inline constexpr std::size_t kMaxScalaFileBytes = std::size_t(1) << 20;
inline constexpr std::size_t kMaxScalaLineBytes = 4096;

// A twelve-note scale of a Scala .scl file as a temperament row.
struct ScalaScale {
    std::string name;      // the description line (UTF-8)
    TemperamentRow ratios; // W[0] = 1, W[1] … W[11] from the first eleven pitches
};

// Why a file was refused: line 0 stands for the file as a whole.
struct ScalaError {
    std::size_t line = 0;
    std::string reason;
    // "line 5: …", or the reason alone for the whole file.
    [[nodiscard]] std::string description() const;
};

struct ScalaReading {
    std::optional<ScalaScale> scale; // empty: refused, see error
    ScalaError error;
};

// Reads the bytes of a .scl file: '!' lines are comments; the first other
// line is the description, the next the number of notes (12), then one pitch
// per line, its first word cents when it holds a '.', else a ratio p/q or a
// whole number; the rest of a line is ignored. The twelfth pitch is the
// octave and must lie within 0.5 cent of 1200. A description that is not
// UTF-8 is read as Latin-1; an empty one gives `fallbackName`. Total: never
// throws past its limits (kMaxScalaFileBytes, kMaxScalaLineBytes).
[[nodiscard]] ScalaReading readScalaScale(std::string_view bytes, std::string_view fallbackName = "Imported scale");

} // namespace quaverly
