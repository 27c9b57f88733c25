// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quaverly {

// Receives diagnostic lines (no trailing newline). The app routes them; tests
// collect them. An empty sink writes each line to stderr.
using LogSink = std::function<void(std::string_view line)>;

// Used when the resource cannot be read or is not a usable property list.
inline constexpr std::string_view kBuiltInTemperaments =
    "{Pythagorean = (1.0, 1.067871094, 1.125, 1.185185185, 1.265625, 1.333333333, "
    "1.423828125, 1.5, 1.601806641, 1.6875, 1.777777778, 1.8984375);}";

inline constexpr std::string_view kInvalidTemperamentLog = "*** Invalid Temperament Pitch Table. ***";

inline constexpr std::size_t kDegrees = 12;
using TemperamentRow = std::array<float, kDegrees>;

// The named temperaments, immutable once loaded. Row r holds the ratios
// W[0] … W[11] (W[0] = 1) of the degrees above the tonic and belongs to the
// name r in case-insensitive order (simple case folding of Latin, Greek and
// Cyrillic letters; names equal when folded keep byte order); the tuning
// choice k ≥ 1 means row k − 1.
// Not thread-safe to build; safe to read from any thread once built.
class TemperamentTable {
public:
    [[nodiscard]] std::uint64_t temperamentCount() const { return mNames.size(); }
    [[nodiscard]] std::span<const float, kDegrees> row(std::size_t r) const;
    [[nodiscard]] const std::string& name(std::size_t r) const { return mNames.at(r); }
    // "cents = (%.3f, …)": deviations from equal temperament with A as zero.
    [[nodiscard]] const std::string& toolTip(std::size_t r) const { return mToolTips.at(r); }
    [[nodiscard]] const std::vector<std::string>& names() const { return mNames; }
    // Row of the exact name, if loaded.
    [[nodiscard]] std::optional<std::size_t> rowOf(std::string_view name) const;

private:
    friend class TemperamentLoader;
    friend TemperamentTable withRow(TemperamentTable, std::string, const TemperamentRow&);

    std::vector<float> mTemperamentTables; // rows of 12, contiguous
    std::vector<std::string> mNames;
    std::vector<std::string> mToolTips;
};

// The table with one more row after the others (not sorted in: added rows
// keep their own order after the loaded ones), with its cent tool tip.
[[nodiscard]] TemperamentTable withRow(TemperamentTable table, std::string name, const TemperamentRow& ratios);

// Loads the resource from its raw bytes. Decoding: a byte-order mark picks
// UTF-16 LE or BE (or UTF-8 with its own mark); without one, NUL bytes mark
// UTF-16 (LE when they sit mostly at odd offsets, else BE), and anything
// else is read as UTF-8.
// Failures, each logged as one line "error: <what, where>":
//  - bytes that are no text, text that is no property list (line number
//    given), a root that is no dictionary: the built-in default is used;
//  - an entry whose value is no array, or whose first twelve elements are
//    not all numbers: that entry alone is dropped;
//  - an array with fewer than twelve elements logs kInvalidTemperamentLog
//    and that entry is dropped.
[[nodiscard]] TemperamentTable loadTemperaments(std::string_view resourceBytes, const LogSink& log = {});

// Reads the file whole; when it cannot be read, logs "error: <reason>" and
// loads the built-in default.
[[nodiscard]] TemperamentTable loadTemperamentsFile(const std::filesystem::path& path,
                                                    const LogSink& log = {});

// For a resource that could not be read at all: logs "error: <description>"
// and loads the built-in default.
[[nodiscard]] TemperamentTable loadBuiltInTemperaments(std::string_view errorDescription,
                                                       const LogSink& log = {});

} // namespace quaverly
