// SPDX-License-Identifier: GPL-3.0-or-later
// The temperament reader over arbitrary bytes, raw or with each byte widened to a UTF-16 unit
// (either order, with or without a mark), so the decoders and the parser behind them all see
// hostile input while a seed's ASCII structure survives.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "music/TemperamentTable.h"

#include <string>

namespace quaverly::fuzz {

int temperamentReader(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const auto mode = in.take<std::uint8_t>() % 5;
    const auto rest = in.bytes(size);
    std::string bytes(mode == 1 ? "\xFF\xFE" : mode == 2 ? "\xFE\xFF" : "");
    for (const std::uint8_t b : rest) {
        if (mode == 0)
            bytes += char(b);
        else
            bytes += (mode % 2 == 1) ? std::string{char(b), '\0'} : std::string{'\0', char(b)};
    }
    const TemperamentTable table = loadTemperaments(bytes, [](std::string_view line) { check(!line.empty()); });
    check(table.temperamentCount() == table.names().size());
    for (std::size_t r = 0; r < table.names().size(); ++r)
        check(table.row(r)[0] == 1.0f && table.rowOf(table.name(r)) && !table.toolTip(r).empty());
    return 0;
}

} // namespace quaverly::fuzz

QUAVERLY_FUZZ_ENTRY(temperamentReader)
