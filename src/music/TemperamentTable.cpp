// SPDX-License-Identifier: GPL-3.0-or-later
#include "TemperamentTable.h"

#include "music/FloatValue.h"
#include "music/PropertyList.h"
#include "music/Utf8.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>

namespace quaverly {

std::span<const float, kDegrees> TemperamentTable::row(std::size_t r) const
{
    assert(r < mNames.size());
    return std::span<const float, kDegrees>(mTemperamentTables.data() + kDegrees * r, kDegrees);
}

std::optional<std::size_t> TemperamentTable::rowOf(std::string_view name) const
{
    const auto found = std::find(mNames.begin(), mNames.end(), name);
    if (found == mNames.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - mNames.begin());
}

namespace {

constexpr std::size_t kMaxResourceBytes = 64u << 20;

std::optional<std::string> decodeUtf16(std::string_view bytes, bool littleEndian, std::string& error)
{
    if (bytes.size() % 2 != 0) {
        error = "UTF-16 text with an odd number of bytes (" + std::to_string(bytes.size()) + ")";
        return std::nullopt;
    }
    return utf16ToUtf8(bytes, littleEndian);
}

std::uint32_t foldCase(std::uint32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c < 0x80)
        return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c == 0x3C2)
        return 0x3C3; // final sigma
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c % 2 == 1) ? c + 1 : c;
    return c;
}

std::u32string folded(std::string_view text)
{
    std::u32string out = utf8ToUtf32(text);
    for (char32_t& c : out)
        c = foldCase(c);
    return out;
}

std::string where(std::size_t line)
{
    return "temperaments, line " + std::to_string(line) + ": ";
}

void writeLog(const LogSink& sink, std::string_view line)
{
    if (sink) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

// The text of resource bytes as UTF-8 (see loadTemperaments), or nullopt with
// `error` set when they are not text.
std::optional<std::string> decodeResourceText(std::string_view bytes, std::string& error)
{
    auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xFF\xFE"))
        return decodeUtf16(bytes.substr(2), true, error);
    if (startsWith("\xFE\xFF"))
        return decodeUtf16(bytes.substr(2), false, error);
    if (startsWith("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    else {
        // No mark: ASCII-range text in UTF-16 has a NUL in every other byte.
        std::size_t evenNuls = 0;
        std::size_t oddNuls = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\0')
                ++(i % 2 == 0 ? evenNuls : oddNuls);
        }
        if (evenNuls + oddNuls > 0)
            return decodeUtf16(bytes, oddNuls >= evenNuls, error);
    }
    if (const auto bad = invalidUtf8Offset(bytes)) {
        error = "the text is neither UTF-16 nor UTF-8 (invalid byte at offset " + std::to_string(*bad) + ")";
        return std::nullopt;
    }
    return std::string(bytes);
}

// One row from its first twelve values: proportional when v[0] ≠ 0 (NaN
// counts as not zero), cent offsets from equal temperament when v[0] = 0.
TemperamentRow temperamentRow(std::span<const float, kDegrees> values)
{
    TemperamentRow row{};
    row[0] = 1.0f;
    const float first = values[0];
    // NaN compares unequal to zero, so it selects the proportional form.
    if (first != 0.0f) {
        for (std::size_t k = 1; k < kDegrees; ++k)
            row[k] = values[k] / first;
    } else {
        for (std::size_t k = 1; k < kDegrees; ++k) {
            const float cents = values[k] + static_cast<float>(100 * k);
            row[k] = narrowToFloat(std::exp2(static_cast<double>(cents) / 1200.0));
        }
    }
    return row;
}

std::string centsToolTip(std::span<const float, kDegrees> row)
{
    std::array<double, kDegrees> cents{};
    for (std::size_t k = 0; k < kDegrees; ++k) {
        const auto equal = static_cast<float>(std::exp2(static_cast<double>(k) / 12.0));
        const float quotient = row[k] / equal;
        cents[k] = 1200.0 * std::log2(static_cast<double>(quotient));
    }
    std::array<double, kDegrees> shown{};
    for (std::size_t k = 0; k < kDegrees; ++k)
        shown[k] = k == 9 ? 0.0 : cents[k] - cents[9];
    return formatC("cents = (%.3f, %.3f, %.3f, %.3f, %.3f, %.3f, %.3f, %.3f, %.3f, %.3f, %.3f, %.3f)", shown[0],
                   shown[1], shown[2], shown[3], shown[4], shown[5], shown[6], shown[7], shown[8], shown[9],
                   shown[10], shown[11]);
}

} // namespace

// Builds a table; a friend so that the fields stay private to everyone else.
class TemperamentLoader {
public:
    static TemperamentTable fromText(std::string_view text, const LogSink& log)
    {
        PropertyListOptions options;
        options.keptArrayElements = kDegrees;
        auto parsed = parsePropertyList(text, options);
        if (!parsed.value) {
            writeLog(log, "error: " + where(parsed.error.line) + parsed.error.message
                              + "; using the built-in Pythagorean temperament");
            return builtIn();
        }
        const PropertyListValue& root = *parsed.value;
        if (root.kind != PropertyListValue::Kind::Dictionary) {
            writeLog(log, "error: " + where(root.line) + "the root is " + kindName(root.kind)
                              + ", not a dictionary of names to arrays; using the built-in Pythagorean temperament");
            return builtIn();
        }
        return fromDictionary(root, log);
    }

    static TemperamentTable builtIn()
    {
        auto parsed = parsePropertyList(kBuiltInTemperaments);
        return fromDictionary(*parsed.value, {});
    }

private:
    static std::string kindName(PropertyListValue::Kind kind)
    {
        switch (kind) {
        case PropertyListValue::Kind::String: return "a string";
        case PropertyListValue::Kind::Array: return "an array";
        case PropertyListValue::Kind::Dictionary: return "a dictionary";
        }
        return "something else";
    }

    static TemperamentTable fromDictionary(const PropertyListValue& root, const LogSink& log)
    {
        const auto& entries = root.dictionary;
        std::vector<std::u32string> keys;
        keys.reserve(entries.size());
        for (const auto& entry : entries)
            keys.push_back(folded(entry.first));
        std::vector<std::size_t> order(entries.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (keys[a] != keys[b])
                return keys[a] < keys[b];
            return entries[a].first < entries[b].first;
        });

        TemperamentTable table;
        table.mTemperamentTables.reserve(entries.size() * kDegrees);
        for (const std::size_t index : order) {
            const auto& [name, value] = entries[index];
            if (value.kind != PropertyListValue::Kind::Array) {
                writeLog(log, "error: " + where(value.line) + "the temperament " + shownName(name) + " is "
                                  + kindName(value.kind) + ", not an array of numbers; it is left out");
                continue;
            }
            if (value.array.size() < kDegrees) {
                writeLog(log, kInvalidTemperamentLog);
                continue;
            }
            std::array<float, kDegrees> values{};
            bool numbers = true;
            for (std::size_t k = 0; k < kDegrees && numbers; ++k) {
                const PropertyListValue& element = value.array[k];
                if (element.kind != PropertyListValue::Kind::String || !beginsWithNumber(element.string)) {
                    writeLog(log, "error: " + where(element.line) + "value " + std::to_string(k + 1)
                                      + " of the temperament " + shownName(name)
                                      + " is not a number; the temperament is left out");
                    numbers = false;
                }
                values[k] = floatValue(element.string);
            }
            if (!numbers)
                continue;
            const TemperamentRow row = temperamentRow(values);
            table.mTemperamentTables.insert(table.mTemperamentTables.end(), row.begin(), row.end());
            table.mNames.push_back(name);
            table.mToolTips.push_back(centsToolTip(row));
        }
        return table;
    }
};

TemperamentTable withRow(TemperamentTable table, std::string name, const TemperamentRow& ratios)
{
    table.mTemperamentTables.insert(table.mTemperamentTables.end(), ratios.begin(), ratios.end());
    table.mToolTips.push_back(centsToolTip(ratios));
    table.mNames.push_back(std::move(name));
    return table;
}

TemperamentTable loadTemperaments(std::string_view resourceBytes, const LogSink& log)
{
    std::string error;
    const auto text = decodeResourceText(resourceBytes, error);
    if (!text)
        return loadBuiltInTemperaments(error, log);
    return TemperamentLoader::fromText(*text, log);
}

TemperamentTable loadTemperamentsFile(const std::filesystem::path& path, const LogSink& log)
{
    const std::string shown = path.string();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(shown.c_str(), "rb"), &std::fclose);
    if (!file)
        return loadBuiltInTemperaments("cannot open " + shown + ": " + std::strerror(errno), log);
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.append(chunk, got);
        if (bytes.size() > kMaxResourceBytes)
            return loadBuiltInTemperaments("cannot read " + shown + ": larger than 64 MB", log);
        if (got < sizeof chunk)
            break;
    }
    if (std::ferror(file.get()))
        return loadBuiltInTemperaments("cannot read " + shown + ": " + std::strerror(errno), log);
    return loadTemperaments(bytes, log);
}

TemperamentTable loadBuiltInTemperaments(std::string_view errorDescription, const LogSink& log)
{
    writeLog(log, "error: " + std::string(errorDescription));
    return TemperamentLoader::builtIn();
}

} // namespace quaverly
