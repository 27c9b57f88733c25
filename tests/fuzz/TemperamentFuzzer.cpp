// SPDX-License-Identifier: GPL-3.0-or-later
// The temperament reader over arbitrary bytes: raw, and the same text laid
// out as UTF-16 (both byte orders, with and without a mark) or behind a
// UTF-8 mark, so both decoders and the property-list parser behind them see
// hostile input.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "music/TemperamentTable.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quaverly::fuzz {
namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Each byte becomes one UTF-16 code unit, so the ASCII structure of a seed
// survives while the UTF-16 decoder does the work.
std::string widened(std::span<const std::uint8_t> bytes, bool bigEndian, bool mark)
{
    std::string out;
    out.reserve(2 * bytes.size() + 2);
    if (mark)
        out += bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (std::uint8_t b : bytes) {
        if (bigEndian) {
            out += '\0';
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(b);
            out += '\0';
        }
    }
    return out;
}

} // namespace

int temperamentReader(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const auto mode = in.take<std::uint8_t>();
    const auto rest = in.rest();
    std::string bytes;
    switch (mode % 6) {
    case 0:
        bytes.assign(reinterpret_cast<const char *>(rest.data()), rest.size());
        break;
    case 1:
        bytes = widened(rest, false, true);
        break;
    case 2:
        bytes = widened(rest, true, true);
        break;
    case 3:
        bytes = widened(rest, false, false);
        break;
    case 4:
        bytes = widened(rest, true, false);
        break;
    default:
        bytes = "\xEF\xBB\xBF" + std::string(reinterpret_cast<const char *>(rest.data()), rest.size());
        break;
    }

    std::size_t logLines = 0;
    const TemperamentTable table = loadTemperaments(bytes, [&](std::string_view line) {
        check(!line.empty());
        ++logLines;
    });
    check(table.temperamentCount() == table.names().size());
    for (std::size_t r = 0; r < table.names().size(); ++r) {
        const auto row = table.row(r);
        check(row.size() == kDegrees);
        check(table.rowOf(table.name(r)).has_value());
        check(!table.toolTip(r).empty());
    }
    return 0;
}

} // namespace quaverly::fuzz

QUAVERLY_FUZZ_ENTRY(temperamentReader)
