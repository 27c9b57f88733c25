// SPDX-License-Identifier: GPL-3.0-or-later
#include "CsvTable.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace quaverly {
namespace {

std::string formatFloat(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

} // namespace

std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csvLine(const BlockReading &r)
{
    std::string line = std::to_string(r.block);
    line += ',';
    if (r.rawHz)
        line += formatFloat(*r.rawHz);
    line += ',' + formatFloat(r.peak) + ',' + std::to_string(r.levelDb) + ',' + formatFloat(r.frequencyHz) + ','
        + r.note + ',' + std::to_string(r.cents) + ',' + formatFloat(r.idealHz) + '\n';
    return line;
}

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

} // namespace

std::string summaryLine(const std::string &file, std::uint64_t blocks, const std::vector<BlockReading> &readings)
{
    std::string line = csvField(file) + ',' + std::to_string(blocks) + ',' + std::to_string(readings.size()) + ',';
    if (readings.empty())
        return line + ",0,,\n";
    std::map<std::string, std::size_t> counts;
    std::string best;
    std::size_t bestCount = 0;
    for (const BlockReading &r : readings) {
        const std::size_t count = ++counts[r.note];
        if (count > bestCount) {
            bestCount = count;
            best = r.note;
        }
    }
    std::vector<double> cents;
    std::vector<double> hz;
    for (const BlockReading &r : readings) {
        if (r.note == best) {
            cents.push_back(r.cents);
            hz.push_back(r.frequencyHz);
        }
    }
    return line + best + ',' + std::to_string(bestCount) + ',' + formatFloat(median(cents)) + ','
        + formatFloat(median(hz)) + '\n';
}

} // namespace quaverly
